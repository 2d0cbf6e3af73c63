// The vocabulary shared by the band window and its controls: the control
// type codes, the control flag bits, the band's interface ToolBandI and the
// ordered control collection ControlCollectionI (implemented by the band for
// its top-level controls and by menus for their items).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ControlI;
class CWnd;
class CToolBarCtrl;

// Control type codes (ControlI::GetType).
constexpr int TYPE_SEPARATOR = 0;
constexpr int TYPE_LABEL = 1;
constexpr int TYPE_BUTTON = 2;
constexpr int TYPE_EDIT = 3;
constexpr int TYPE_READ_ONLY = 4;
constexpr int TYPE_COMBO_BOX = 5;
constexpr int TYPE_MENU = 6;

// Control flag bits (ControlC::GetFlags), one 32-bit word per control.
constexpr std::int32_t FLAG_AUTO_SIZE = 0x1;
constexpr std::int32_t FLAG_FIXED_LIST = 0x2;
constexpr std::int32_t FLAG_IMAGE_ONLY_MENU = 0x4;
constexpr std::int32_t FLAG_TOGGLE = 0x8;
constexpr std::int32_t FLAG_ADDED = 0x20000000;
constexpr std::int32_t FLAG_NO_COMMAND = 0x40000000;
constexpr std::int32_t FLAG_HIDDEN = static_cast<std::int32_t>(0x80000000u);

// A control is shown while FLAG_HIDDEN is clear, that is while its flags
// word read as a signed number is not negative.
constexpr bool IsShownFlags(std::int32_t flags) { return flags >= 0; }

using ControlList = std::vector<ControlI*>;

// The ordered collection of controls. The collection owns what it holds and
// deletes a control when it is removed. The find operations clear the out
// list first and fill it in collection order; names and captions match
// exactly (case-sensitively) and an empty text never matches.
class ControlCollectionI {
 public:
  // A control the collection does not take (an insert whose reference is
  // not in the list) stays with the caller.
  virtual void AddControl(ControlI* control) = 0;
  virtual void InsertControlBefore(ControlI* control, ControlI* reference) = 0;
  virtual void InsertControlAfter(ControlI* control, ControlI* reference) = 0;
  virtual void RemoveAllControls() = 0;
  virtual void RemoveControl(ControlI* control) = 0;
  virtual void FindControlsByCommand(const std::string& name, ControlList& out) = 0;
  virtual void FindControlsByCaption(const std::u16string& text, ControlList& out) = 0;
  virtual void FindControlsByImage(int image_id, ControlList& out) = 0;
  virtual void ListControls(ControlList& out) = 0;

 protected:
  // Never deleted through this interface: its owner deletes the object.
  ~ControlCollectionI() = default;
};

// The band as its controls and the toolbar context see it.
class ToolBandI {
 public:
  virtual ~ToolBandI() = default;                                  // slot 0
  virtual CWnd* GetBandWindow() = 0;                               // slot 1
  // Gives the keyboard focus to the first shown control that takes it.
  virtual void ActivateFirstControl() = 0;                         // slot 2
  // True when a shown control has the focus.
  virtual bool HasFocus() = 0;                                     // slot 3
  virtual ControlCollectionI* GetControls() = 0;                   // slot 4
  // Puts the band on a row of its own and asks the browser to show the
  // browser bar with that class identifier (registry text form).
  virtual void OpenBrowserBar(const std::u16string& clsid) = 0;    // slot 5
  virtual CToolBarCtrl* GetToolBar() = 0;                          // slot 6
};
