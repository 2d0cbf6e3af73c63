// Controls: one item of the toolbar (separator, label, button, edit field,
// read-only field, combo box or drop-down menu) bound to one command. The
// control shows the command's state and turns the user's actions into calls
// on the command.
//
// ControlI is the interface through which the band, the menus and the
// layout loader handle every control; ControlC is the common base with the
// properties taken from the layout and the default behaviour of every
// operation. Virtual operations are declared in their slot order.
#pragma once

#include <cstdint>
#include <string>

#include "framework/command.h"
#include "host/band/band_interfaces.h"
#include "platform/com/types.h"

class ControlC;
class ToolBandC;

class ControlI {
 public:
  virtual ~ControlI() = default;                                   // slot 0
  // The type code (TYPE_...).
  virtual int GetType() = 0;                                       // slot 1
  virtual ControlC* GetControl() = 0;                              // slot 2
  virtual void SetDisplay(int display) = 0;                        // slot 3
  // -1 clears every flag; any other value is added to the flags.
  virtual void SetFlags(int flags) = 0;                            // slot 4
  virtual void SetWidth(int width) = 0;                            // slot 5
  virtual void SetHeight(int height) = 0;                          // slot 6
  virtual void SetImage(int image_id) = 0;                         // slot 7
  virtual void SetTooltip(const std::u16string& tooltip) = 0;      // slot 8
  // Menus return their item collection; other controls null.
  virtual ControlCollectionI* GetChildren() = 0;                   // slot 9
  virtual CommandI* GetCommand() = 0;                              // slot 10
  // Controls with a window of their own return it; others null.
  virtual CWnd* GetControlWindow() = 0;                            // slot 11
};

// Display flag bits.
constexpr int DISPLAY_CAPTION = 0x1;  // the caption is shown on the button
constexpr int DISPLAY_IMAGE = 0x2;    // the layout names an image

class ControlC : public ControlI, public CommandObserverI {
 public:
  // Registers the control as an observer of its command; a control made
  // without a command has FLAG_NO_COMMAND.
  explicit ControlC(CommandI* command, std::u16string caption = {});
  // Leaves the command's observers, deletes the own bitmap.
  ~ControlC() override;
  ControlC(const ControlC&) = delete;
  ControlC& operator=(const ControlC&) = delete;

  // ControlI
  ControlC* GetControl() override;
  void SetDisplay(int display) override;
  void SetFlags(int flags) override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  void SetImage(int image_id) override;
  void SetTooltip(const std::u16string& tooltip) override;
  ControlCollectionI* GetChildren() override;
  CommandI* GetCommand() override;
  CWnd* GetControlWindow() override;

  virtual bool AttachToMenu(ToolBandC* band, HMENU menu, int position, int id);  // slot 12
  virtual bool AttachToBand(ToolBandC* band, int id);                            // slot 13
  // Puts the control's own window at x with that width.
  virtual void Place(int x, int width) = 0;                                      // slot 14
  virtual void UpdateUI();                                                       // slot 15
  virtual ControlC* FindById(int id);                                            // slot 16
  virtual void Click();                                                          // slot 17
  virtual void DropDown(RECT rect);                                              // slot 18
  virtual int GetWidth();                                                        // slot 19
  virtual int GetHeight();                                                       // slot 20
  virtual bool IsAutoSize();                                                     // slot 21
  // The command's caption when it has one (the own caption is then dropped
  // for good), else the own caption.
  virtual std::u16string GetCaption();                                           // slot 22
  virtual std::u16string GetTooltip();                                           // slot 23
  // The command's bitmap when it has one (the own image is then dropped),
  // else the own bitmap, loaded on first use from the own image identifier.
  virtual HBITMAP GetBitmap();                                                   // slot 24
  virtual COLORREF GetMaskColor();                                               // slot 25
  // The command's image identifier when it has one (the own image is then
  // dropped), else the own one.
  virtual int GetImage();                                                        // slot 26
  virtual int GetFlags();                                                        // slot 27
  virtual int GetDisplay();                                                      // slot 28
  virtual int GetId();                                                           // slot 29
  virtual bool TakeFocus();                                                      // slot 30
  virtual bool HasFocus();                                                       // slot 31

  // CommandObserverI: nothing here; the concrete controls react.
  void EnabledChanged() override;
  void ImageChanged() override;
  void TooltipChanged() override;
  void TextChanged() override;
  void SelectionChanged() override;
  void CheckedChanged() override;

  ToolBandC* GetBand() const { return band_; }
  HMENU GetMenuHandle() const { return menu_; }
  int GetLeft() const { return left_; }
  int GetTop() const { return top_; }

 protected:
  void RelayoutBand();
  void DropBitmap();

  ToolBandC* band_ = nullptr;
  HMENU menu_ = nullptr;
  CommandI* command_ = nullptr;  // not owned
  int display_ = 0;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 22;
  std::int32_t flags_ = 0;
  int image_ = 0;
  HBITMAP bitmap_ = nullptr;  // owned
  std::u16string caption_;
  int id_ = 0;
  std::u16string tooltip_;
};
