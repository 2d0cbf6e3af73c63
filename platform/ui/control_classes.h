// Thin control classes over the control messages: CStatic, CButton, CEdit,
// CComboBox, CListBox, CCheckListBox, CToolBarCtrl, CReBarCtrl,
// CToolTipCtrl, and the menu class CMenu.
#pragma once

#include <string>

#include "platform/api.h"
#include "platform/ui/controls.h"
#include "platform/ui/menu.h"
#include "platform/ui/rebar.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/wnd.h"

class QUORVIA_PLATFORM_API CStatic : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
    return CWnd::Create(u"Static", text, style, rect, parent, id);
  }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }
};

class QUORVIA_PLATFORM_API CButton : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"Button", text, style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
  void SetState(BOOL pushed) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(pushed)); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
};

class QUORVIA_PLATFORM_API CEdit : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"Edit", nullptr, style, rect, parent, id);
  }
  void GetSel(int& start, int& end) const;
  void SetSel(int start, int end, BOOL no_scroll = FALSE);
  void ReplaceSel(LPCWSTR text, BOOL can_undo = FALSE) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(can_undo), reinterpret_cast<LPARAM>(text));
  }
  void SetRect(LPCRECT rect) { SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  void SetRectNP(LPCRECT rect) { SendMessage(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(rect)); }
  void GetRect(LPRECT rect) const { SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  void SetMargins(UINT left, UINT right) {
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(static_cast<WORD>(left), static_cast<WORD>(right)));
  }
  DWORD GetMargins() const { return static_cast<DWORD>(SendMessage(EM_GETMARGINS)); }
  BOOL SetReadOnly(BOOL read_only = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(read_only))); }
  void LimitText(int chars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
  void SetLimitText(UINT chars) { SendMessage(EM_SETLIMITTEXT, chars); }
  int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
  BOOL GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
  void SetModify(BOOL modified = TRUE) { SendMessage(EM_SETMODIFY, static_cast<WPARAM>(modified)); }
  void Copy() { SendMessage(WM_COPY); }
  void Cut() { SendMessage(WM_CUT); }
  void Paste() { SendMessage(WM_PASTE); }
  void Clear() { SendMessage(WM_CLEAR); }
};

// Owner-drawn lists and combo boxes draw, measure and compare their items in
// these virtual operations, reached through reflection.
class QUORVIA_PLATFORM_API CListBox : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"ListBox", nullptr, style, rect, parent, id);
  }
  int AddString(LPCWSTR text) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCWSTR text) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetSel(int index) const { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(index))); }
  int SetSel(int index, BOOL select = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, static_cast<WPARAM>(select), index)); }
  int GetText(int index, std::u16string& text) const;
  int GetTextLen(int index) const { return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index))); }
  DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index))); }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int GetItemRect(int index, LPRECT rect) const {
    return static_cast<int>(SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  int SetItemHeight(int index, UINT height) {
    return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(index), MAKELPARAM(static_cast<WORD>(height), 0)));
  }
  int GetItemHeight(int index) const { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(index))); }
  int FindString(int after, LPCWSTR text) const {
    return static_cast<int>(SendMessage(LB_FINDSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  int FindStringExact(int after, LPCWSTR text) const {
    return static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }

  virtual void DrawItem(DRAWITEMSTRUCT* item);
  virtual void MeasureItem(MEASUREITEMSTRUCT* item);
  virtual int CompareItem(COMPAREITEMSTRUCT* item);
  virtual void DeleteItem(DELETEITEMSTRUCT* item);
  BOOL OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) override;
};

// A list box whose items have check boxes: a click on an item's check box
// (its left 16 px) or Space on the current item changes the check (with
// BS_AUTOCHECKBOX) and tells the parent with CLBN_CHKCHANGE. The check
// states follow the items through additions and removals.
constexpr WORD CLBN_CHKCHANGE = 40;

class QUORVIA_PLATFORM_API CCheckListBox : public CListBox {
 public:
  void SetCheckStyle(UINT style) { check_style_ = style; }
  UINT GetCheckStyle() const { return check_style_; }
  void SetCheck(int index, int check);
  int GetCheck(int index) const;
  void Enable(int index, BOOL enabled = TRUE);
  BOOL IsEnabled(int index) const;
  LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override;

 private:
  struct Entry {
    int check = 0;
    bool enabled = true;
  };
  void Toggle(int index);
  std::vector<Entry> entries_;
  UINT check_style_ = BS_AUTOCHECKBOX;
};

class QUORVIA_PLATFORM_API CComboBox : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"ComboBox", nullptr, style, rect, parent, id);
  }
  int AddString(LPCWSTR text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCWSTR text) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetLBText(int index, std::u16string& text) const;
  int GetLBTextLen(int index) const { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index))); }
  int FindString(int after, LPCWSTR text) const {
    return static_cast<int>(SendMessage(CB_FINDSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  int FindStringExact(int after, LPCWSTR text) const {
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  int SelectString(int after, LPCWSTR text) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(show)); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
  void GetDroppedControlRect(LPRECT rect) const { SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  int SetItemHeight(int index, UINT height) {
    return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(index), MAKELPARAM(static_cast<WORD>(height), 0)));
  }
  int GetItemHeight(int index) const { return static_cast<int>(SendMessage(CB_GETITEMHEIGHT, static_cast<WPARAM>(index))); }
  int SetDroppedWidth(UINT width) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, width)); }
  int GetDroppedWidth() const { return static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH)); }
  DWORD GetEditSel() const { return static_cast<DWORD>(SendMessage(CB_GETEDITSEL)); }
  BOOL SetEditSel(int start, int end) {
    return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end))));
  }
  BOOL LimitText(int chars) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(chars))); }
  BOOL GetComboBoxInfo(COMBOBOXINFO* info) const { return ::GetComboBoxInfo(m_hWnd, info); }

  virtual void DrawItem(DRAWITEMSTRUCT* item);
  virtual void MeasureItem(MEASUREITEMSTRUCT* item);
  virtual int CompareItem(COMPAREITEMSTRUCT* item);
  virtual void DeleteItem(DELETEITEMSTRUCT* item);
  BOOL OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) override;
};

class QUORVIA_PLATFORM_API CToolTipCtrl : public CWnd {
 public:
  // A wrapper for a tool tip window no object is bound to.
  static CToolTipCtrl* FromHandle(HWND window);
  void UpdateTipText(LPCWSTR text, CWnd* window, UINT_PTR id = 0);
  void GetText(std::u16string& text, CWnd* window, UINT_PTR id = 0) const;
  BOOL AddTool(CWnd* window, LPCWSTR text, LPCRECT rect = nullptr, UINT_PTR id = 0);
  void DelTool(CWnd* window, UINT_PTR id = 0);
  int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
  void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, static_cast<WPARAM>(active)); }
};

class QUORVIA_PLATFORM_API CToolBarCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  BOOL CreateEx(DWORD ex_style, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  using CWnd::Create;
  using CWnd::CreateEx;

  DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(SendMessage(TB_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(style))); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(TB_GETEXTENDEDSTYLE)); }
  int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
  BOOL InsertButton(int index, TBBUTTON* button) {
    return static_cast<BOOL>(SendMessage(TB_INSERTBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(button)));
  }
  BOOL AddButtons(int count, TBBUTTON* buttons) {
    return static_cast<BOOL>(SendMessage(TB_ADDBUTTONS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons)));
  }
  BOOL DeleteButton(int index) { return static_cast<BOOL>(SendMessage(TB_DELETEBUTTON, static_cast<WPARAM>(index))); }
  BOOL GetButton(int index, TBBUTTON* button) const {
    return static_cast<BOOL>(SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(button)));
  }
  UINT CommandToIndex(UINT id) const { return static_cast<UINT>(SendMessage(TB_COMMANDTOINDEX, id)); }
  BOOL GetItemRect(int index, LPRECT rect) const {
    return static_cast<BOOL>(SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  BOOL GetRect(int id, LPRECT rect) const {
    return static_cast<BOOL>(SendMessage(TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(rect)));
  }
  DWORD GetButtonSize() const { return static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE)); }
  BOOL SetButtonSize(CSize size) {
    return static_cast<BOOL>(SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy))));
  }
  BOOL SetBitmapSize(CSize size) {
    return static_cast<BOOL>(SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy))));
  }
  BOOL SetButtonInfo(int id, TBBUTTONINFO* info) {
    return static_cast<BOOL>(SendMessage(TB_SETBUTTONINFO, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(info)));
  }
  int GetButtonInfo(int id, TBBUTTONINFO* info) const {
    return static_cast<int>(SendMessage(TB_GETBUTTONINFO, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(info)));
  }
  BOOL CheckButton(int id, BOOL check = TRUE) {
    return static_cast<BOOL>(SendMessage(TB_CHECKBUTTON, static_cast<WPARAM>(id), MAKELPARAM(static_cast<WORD>(check), 0)));
  }
  BOOL EnableButton(int id, BOOL enable = TRUE) {
    return static_cast<BOOL>(SendMessage(TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(static_cast<WORD>(enable), 0)));
  }
  BOOL PressButton(int id, BOOL press = TRUE) {
    return static_cast<BOOL>(SendMessage(TB_PRESSBUTTON, static_cast<WPARAM>(id), MAKELPARAM(static_cast<WORD>(press), 0)));
  }
  BOOL HideButton(int id, BOOL hide = TRUE) {
    return static_cast<BOOL>(SendMessage(TB_HIDEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(static_cast<WORD>(hide), 0)));
  }
  BOOL IsButtonChecked(int id) const { return static_cast<BOOL>(SendMessage(TB_ISBUTTONCHECKED, static_cast<WPARAM>(id))); }
  BOOL IsButtonEnabled(int id) const { return static_cast<BOOL>(SendMessage(TB_ISBUTTONENABLED, static_cast<WPARAM>(id))); }
  BOOL IsButtonPressed(int id) const { return static_cast<BOOL>(SendMessage(TB_ISBUTTONPRESSED, static_cast<WPARAM>(id))); }
  int GetState(int id) const { return static_cast<int>(SendMessage(TB_GETSTATE, static_cast<WPARAM>(id))); }
  BOOL SetState(int id, UINT state) {
    return static_cast<BOOL>(SendMessage(TB_SETSTATE, static_cast<WPARAM>(id), MAKELPARAM(static_cast<WORD>(state), 0)));
  }
  // Adds texts given as one block ending in an empty text; the index of
  // the first, -1 on failure.
  int AddStrings(LPCWSTR strings) { return static_cast<int>(SendMessage(TB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strings))); }
  CImageList* SetImageList(CImageList* list);
  CImageList* GetImageList() const;
  CImageList* SetDisabledImageList(CImageList* list);
  CImageList* GetDisabledImageList() const;
  CImageList* SetHotImageList(CImageList* list);
  CImageList* GetHotImageList() const;
  void GetMetrics(TBMETRICS* metrics) const { SendMessage(TB_GETMETRICS, 0, reinterpret_cast<LPARAM>(metrics)); }
  void SetMetrics(TBMETRICS* metrics) { SendMessage(TB_SETMETRICS, 0, reinterpret_cast<LPARAM>(metrics)); }
  CToolTipCtrl* GetToolTips() const;
  int GetHotItem() const { return static_cast<int>(SendMessage(TB_GETHOTITEM)); }
  int SetHotItem(int index) { return static_cast<int>(SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(index))); }
  int HitTest(LPPOINT point) const { return static_cast<int>(SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(point))); }
  void AutoSize() { SendMessage(TB_AUTOSIZE); }
  BOOL SetIndent(int indent) { return static_cast<BOOL>(SendMessage(TB_SETINDENT, static_cast<WPARAM>(indent))); }
  BOOL GetMaxSize(SIZE* size) const { return static_cast<BOOL>(SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(size))); }
};

class QUORVIA_PLATFORM_API CReBarCtrl : public CWnd {
 public:
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(REBARCLASSNAMEW, nullptr, style, rect, parent, id);
  }
  UINT GetBandCount() const { return static_cast<UINT>(SendMessage(RB_GETBANDCOUNT)); }
  BOOL GetBandInfo(UINT index, REBARBANDINFO* info) const {
    return static_cast<BOOL>(SendMessage(RB_GETBANDINFO, index, reinterpret_cast<LPARAM>(info)));
  }
  BOOL SetBandInfo(UINT index, REBARBANDINFO* info) {
    return static_cast<BOOL>(SendMessage(RB_SETBANDINFO, index, reinterpret_cast<LPARAM>(info)));
  }
  BOOL InsertBand(UINT index, REBARBANDINFO* info) {
    return static_cast<BOOL>(SendMessage(RB_INSERTBAND, index, reinterpret_cast<LPARAM>(info)));
  }
  BOOL DeleteBand(UINT index) { return static_cast<BOOL>(SendMessage(RB_DELETEBAND, index)); }
  int IDToIndex(UINT id) const { return static_cast<int>(SendMessage(RB_IDTOINDEX, id)); }
  BOOL GetRect(UINT index, LPRECT rect) const {
    return static_cast<BOOL>(SendMessage(RB_GETRECT, index, reinterpret_cast<LPARAM>(rect)));
  }
  UINT GetRowCount() const { return static_cast<UINT>(SendMessage(RB_GETROWCOUNT)); }
  BOOL ShowBand(UINT index, BOOL show = TRUE) { return static_cast<BOOL>(SendMessage(RB_SHOWBAND, index, show)); }
};

// A menu handle holder; a menu it made or attached is destroyed with it.
class QUORVIA_PLATFORM_API CMenu {
 public:
  CMenu() = default;
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;

  BOOL CreatePopupMenu();
  BOOL CreateMenu();
  BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }
  static CMenu* FromHandle(HMENU menu);

  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) { return ::AppendMenuW(m_hMenu, flags, id, text); }
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
    return ::InsertMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
    return ::ModifyMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
  BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
  UINT EnableMenuItem(UINT item, UINT flags) { return static_cast<UINT>(::EnableMenuItem(m_hMenu, item, flags)); }
  UINT CheckMenuItem(UINT item, UINT flags) { return static_cast<UINT>(::CheckMenuItem(m_hMenu, item, flags)); }
  int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
  UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
  UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
  int GetMenuString(UINT item, std::u16string& text, UINT flags) const;
  BOOL GetMenuItemInfo(UINT item, MENUITEMINFO* info, BOOL by_position = FALSE) const {
    return ::GetMenuItemInfoW(m_hMenu, item, by_position, info);
  }
  BOOL SetMenuItemInfo(UINT item, MENUITEMINFO* info, BOOL by_position = FALSE) {
    return ::SetMenuItemInfoW(m_hMenu, item, by_position, info);
  }
  CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr) {
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner == nullptr ? nullptr : owner->m_hWnd, rect);
  }
  BOOL TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, TPMPARAMS* params) {
    return ::TrackPopupMenuEx(m_hMenu, flags, x, y, owner == nullptr ? nullptr : owner->m_hWnd, params);
  }

 private:
  bool temporary_ = false;
};
