// The band window: a toolbar control docked in the browser's rebar that
// holds the ordered list of controls, turns every shown control into one
// toolbar button, shares the band's width out among them, publishes the
// band's ideal width to the rebar and routes clicks, drop-downs, hot-item
// changes, custom drawing and keyboard focus between the toolbar, the
// controls and their commands.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/band/band_interfaces.h"
#include "platform/com/desk_band.h"
#include "platform/com/web_browser.h"
#include "platform/ui/atl_window.h"
#include "platform/ui/control_classes.h"
#include "platform/ui/gdi_classes.h"

class ControlC;
class ToolBandReflectionC;

// The toolbar window's style: WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
// WS_TABSTOP | TBSTYLE_TRANSPARENT | TBSTYLE_LIST | TBSTYLE_FLAT |
// TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE |
// CCS_TOP.
constexpr DWORD kToolBandStyle = 0x5401994D;
// Drop-down arrows and mixed buttons.
constexpr DWORD kToolBandExtendedStyle = TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS;
// Identifiers 1 to this are control identifiers.
constexpr int kMaxControlId = 1000;

class ToolBandC : public CToolBarCtrl, public CMessageMap, public ToolBandI, public ControlCollectionI {
 public:
  // Takes a reference on the browser; the input object and its site are
  // not counted (the desk band object holds them).
  ToolBandC(IWebBrowser2* browser, IInputObject* input_object, IInputObjectSite* site);
  // Deletes the controls still held and releases the browser.
  ~ToolBandC() override;

  // Creates the toolbar window under the reflection window and subclasses
  // the rebar (the reflection window's parent). False when the toolbar
  // window cannot be created.
  bool CreateBand(CWnd* reflection);

  // ToolBandI
  CWnd* GetBandWindow() override;
  void ActivateFirstControl() override;
  bool HasFocus() override;
  ControlCollectionI* GetControls() override;
  // Raises quorvia::ComError(E_POINTER) when the band holds no browser
  // (after the rebar style has been changed).
  void OpenBrowserBar(const std::u16string& clsid) override;
  CToolBarCtrl* GetToolBar() override;

  // ControlCollectionI
  void AddControl(ControlI* control) override;
  void InsertControlBefore(ControlI* control, ControlI* reference) override;
  void InsertControlAfter(ControlI* control, ControlI* reference) override;
  void RemoveAllControls() override;
  void RemoveControl(ControlI* control) override;
  void FindControlsByCommand(const std::string& name, ControlList& out) override;
  void FindControlsByCaption(const std::u16string& text, ControlList& out) override;
  void FindControlsByImage(int image_id, ControlList& out) override;
  void ListControls(ControlList& out) override;

  // The layout loader's insertion: at the end of the list, without
  // FLAG_ADDED.
  void AppendControl(ControlI* control);

  // Operations the controls call.
  // Re-lays the shown controls over the width; -1 means the client width.
  void Layout(int width);
  void InsertButton(ControlI* control, int index);
  // The control's index in the toolbar's image list; -2 for no image, 1 for
  // separators.
  int GetImageIndex(ControlI* control, bool reuse);
  // The caption's toolbar string index; -1 when the caption is empty.
  int AddCaptionString(ControlI* control);
  int MeasureLabel(ControlI* control);
  int NextControlId();
  CFont* GetFont();
  void NotifyFocusChange(bool focus);
  // The control, top-level or inside a menu, with that identifier.
  ControlC* FindControlById(int id);
  // Shows or hides the control made from the index-th layout element
  // (controls without FLAG_ADDED, in list order).
  void SetControlShown(int index, bool shown);

  // Notifications handed back by the reflection window.
  void OnHotItemChange(const NMTBHOTITEM* info);
  LRESULT OnDropDown(const NMTOOLBAR* info);

  // The rebar subclass (map 1).
  BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM w, LPARAM l, LRESULT& result,
                            DWORD map_id) override;

  // Gives the rebar back its own procedure, takes the image lists out of
  // the toolbar and destroys them, deletes the loaded bitmaps, then
  // destroys the window (the object deletes itself after its final
  // message).
  BOOL DestroyWindow() override;

  bool IsRelayoutPending() const { return relayout_pending_ != 0; }
  int GetCustomImage() const { return custom_image_; }

 protected:
  BOOL OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  void InsertAt(std::size_t position, ControlI* control);
  void PostRelayout(WPARAM w, LPARAM l);
  void SetIdealWidth(int total);
  int FindRebarBand(REBARBANDINFO* info);
  int MeasureImageOnlyMenu(ControlI* control);
  HIMAGELIST MakeImageList(HBITMAP bitmap, UINT set_message);
  int FindIdenticalImage(HIMAGELIST list, HBITMAP fresh, COLORREF mask);
  HBITMAP LoadBandBitmap(int image_id);
  LRESULT OnCustomDraw(NMCUSTOMDRAW* draw);
  void ReleaseImages();
  int ShownBefore(std::size_t position) const;
  bool HasControl(ControlI* control) const;

  // Field order follows the band's record.
  IInputObject* input_object_;         // not counted
  IInputObjectSite* input_site_;       // not counted
  IWebBrowser2* browser_;              // counted
  ControlList controls_;               // owned
  int next_control_id_ = 1;
  CFont font_;
  int custom_image_ = 0;
  CContainedWindow rebar_subclass_;
  CReBarCtrl rebar_;                   // not owned: only the handle is set
  WNDPROC pristine_rebar_proc_ = nullptr;
  CImageList custom_image_list_;
  std::vector<HBITMAP> loaded_bitmaps_;
  BYTE relayout_pending_ = 0;

  bool delete_on_destroy_ = false;
};

// The band factory the toolbar context calls: creates the band window under
// the reflection window and tells the reflection window its band. Null when
// the window cannot be created.
ToolBandI* CreateToolBand(IWebBrowser2* browser, IInputObject* input_object, IInputObjectSite* site,
                          ToolBandReflectionC* reflection);
