// Commands: the behaviour behind every toolbar control.
//
// Commands cross library boundaries: the library that defines a command
// creates it, another library (the host) registers, runs and deletes it
// through its virtual operations, and reads its name and list record straight
// from the CommandC fields. Every library compiles its own hidden copy of
// these classes from this header, so two things are the contract between the
// libraries and must never change: the order of the virtual operations
// (their slot numbers are given below) and the order and types of the
// CommandC fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/command_container.h"
#include "platform/com/types.h"

// The browser's automation interface and the host's control interface; a
// command only passes pointers to them along.
struct IWebBrowser2;
class ControlI;

// Whoever shows a command (the toolbar controls). The command calls these
// after the matching state change; the observer reads the new state from the
// command.
class CommandObserverI {
 public:
  virtual ~CommandObserverI() = default;  // slot 0
  virtual void EnabledChanged() = 0;      // slot 1
  virtual void ImageChanged() = 0;        // slot 2
  virtual void TooltipChanged() = 0;      // slot 3
  virtual void TextChanged() = 0;         // slot 4
  virtual void SelectionChanged() = 0;    // slot 5
  virtual void CheckedChanged() = 0;      // slot 6
};

// The choices of a combo box and the index of the current one (-1: none).
// Readers take both from this one record.
struct CommandItems {
  std::vector<std::u16string> items;
  std::int32_t selected = -1;
};

class CommandI {
 public:
  virtual ~CommandI() = default;                                  // slot 0
  virtual void AddObserver(CommandObserverI* observer) = 0;       // slot 1
  virtual void RemoveObserver(CommandObserverI* observer) = 0;    // slot 2
  virtual void Run() = 0;                                         // slot 3
  virtual void SelectText(std::u16string text) = 0;               // slot 4
  virtual void DropDownList() = 0;                                // slot 5
  virtual void StoreText(std::u16string text) = 0;                // slot 6
  virtual void Notify() = 0;                                      // slot 7
  virtual void HotItemEntered(ControlI* control) = 0;             // slot 8
  virtual void HotItemLeft(ControlI* control) = 0;                // slot 9
  virtual bool IsEnabled() const = 0;                             // slot 10
  virtual std::int32_t GetImageId() const = 0;                    // slot 11
  virtual HBITMAP GetBitmap() const = 0;                          // slot 12
  virtual COLORREF GetMaskColor() const = 0;                      // slot 13
  virtual std::u16string GetText() const = 0;                     // slot 14
  virtual std::u16string GetTooltip() const = 0;                  // slot 15
  virtual const CommandItems& GetItems() const = 0;               // slot 16
  virtual const char* GetAuxString() const = 0;                   // slot 17
  virtual std::int32_t IsChecked() const = 0;                     // slot 18
  virtual void Execute() = 0;                                     // slot 19
  virtual void OnTextSelected(std::u16string text) = 0;           // slot 20
  virtual void OnDropDownList() = 0;                              // slot 21
  virtual void OnNotify() = 0;                                    // slot 22
  virtual void OnHotItemEntered(ControlI* control) = 0;           // slot 23
  virtual void OnHotItemLeft(ControlI* control) = 0;              // slot 24
  virtual void Update() = 0;                                      // slot 25
};

// The transparent colour of every command bitmap.
constexpr COLORREF kCommandMaskColor = 0xE2F0F0;

// The base of every command. Its hooks (Execute, On..., Update) do nothing;
// a command overrides them and changes its state with the setters, which
// notify the observers.
class CommandC : public CommandI {
 public:
  // Raises quorvia::ComError(E_FAIL) when string storage cannot be obtained.
  CommandC();
  // Deletes the bitmap; observers are not told.
  ~CommandC() override;
  CommandC(const CommandC&) = delete;
  CommandC& operator=(const CommandC&) = delete;

  void AddObserver(CommandObserverI* observer) override;
  void RemoveObserver(CommandObserverI* observer) override;
  void Run() override;
  void SelectText(std::u16string text) override;
  void DropDownList() override;
  void StoreText(std::u16string text) override;
  void Notify() override;
  void HotItemEntered(ControlI* control) override;
  void HotItemLeft(ControlI* control) override;
  bool IsEnabled() const override;
  std::int32_t GetImageId() const override;
  HBITMAP GetBitmap() const override;
  COLORREF GetMaskColor() const override;
  std::u16string GetText() const override;
  std::u16string GetTooltip() const override;
  const CommandItems& GetItems() const override;
  const char* GetAuxString() const override;
  std::int32_t IsChecked() const override;
  void Execute() override;
  void OnTextSelected(std::u16string text) override;
  void OnDropDownList() override;
  void OnNotify() override;
  void OnHotItemEntered(ControlI* control) override;
  void OnHotItemLeft(ControlI* control) override;
  void Update() override;
  // Slot 26: stores the three values (no reference is taken), then calls
  // OnAttach.
  virtual void Attach(CommandContainerI* context, IWebBrowser2* browser, HWND frame_window);
  // Slot 27.
  virtual void OnAttach();

  // These read and write the fields directly.
  const char* GetName() const { return name_.c_str(); }
  // Null is taken as the empty name. Nobody is notified.
  void SetName(const char* name);
  void SetEnabled(bool enabled);
  // Loads the bitmap resource (low 16 bits of image_id) from the instance
  // module of the library that runs this code; null when there is none.
  void SetImage(std::int32_t image_id, COLORREF mask_color);
  void SetText(std::u16string text);
  void SetTooltip(std::u16string text);
  void SetChecked(std::int32_t checked);

 protected:
  // Field order and types are shared by every library; do not reorder.
  std::vector<CommandObserverI*> observers_;  // not owned; may repeat
  std::string name_;
  bool enabled_ = false;
  std::int32_t image_id_ = 0;
  HBITMAP bitmap_ = nullptr;  // owned
  COLORREF mask_color_ = kCommandMaskColor;
  std::u16string text_;
  std::u16string tooltip_;
  CommandItems items_;
  std::string aux_string_;
  std::int32_t checked_ = 0;
  CommandContainerI* context_ = nullptr;  // not owned
  IWebBrowser2* browser_ = nullptr;       // no reference held
  HWND frame_window_ = nullptr;

 private:
  bool IsObserver(const CommandObserverI* observer) const;
  // Calls one notification on every observer, in list order. An observer
  // may add or remove observers while being told: the walk goes over the
  // list as it was when the change happened and skips observers removed
  // meanwhile, so none is told after it left.
  void NotifyObservers(void (CommandObserverI::*notification)());
};
