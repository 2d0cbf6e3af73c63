#include "platform/ui/control_classes.h"

#include <map>
#include <memory>

namespace {

constexpr int kCheckBoxWidth = 16;

template <typename Struct>
Struct* As(LPARAM l) {
  return reinterpret_cast<Struct*>(l);
}

// Offers an owner-draw message to a list or combo box object's virtual
// operations; false for other messages.
template <typename Box>
bool OwnerDraw(Box& box, UINT message, LPARAM l, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM:
      box.DrawItem(As<DRAWITEMSTRUCT>(l));
      break;
    case WM_MEASUREITEM:
      box.MeasureItem(As<MEASUREITEMSTRUCT>(l));
      break;
    case WM_COMPAREITEM:
      if (result != nullptr) *result = box.CompareItem(As<COMPAREITEMSTRUCT>(l));
      return true;
    case WM_DELETEITEM:
      box.DeleteItem(As<DELETEITEMSTRUCT>(l));
      break;
    default:
      return false;
  }
  if (result != nullptr) *result = TRUE;
  return true;
}

}  // namespace

// ----------------------------------------------------------------- CEdit

void CEdit::GetSel(int& start, int& end) const {
  DWORD s = 0;
  DWORD e = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  start = static_cast<int>(s);
  end = static_cast<int>(e);
}

void CEdit::SetSel(int start, int end, BOOL no_scroll) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
  if (!no_scroll) SendMessage(EM_SCROLLCARET);
}

// --------------------------------------------------------------- CListBox

int CListBox::GetText(int index, std::u16string& text) const {
  int length = GetTextLen(index);
  if (length < 0) {
    text.clear();
    return length;
  }
  text.assign(static_cast<std::size_t>(length) + 1, u'\0');
  SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return length;
}

void CListBox::DrawItem(DRAWITEMSTRUCT*) {}
void CListBox::MeasureItem(MEASUREITEMSTRUCT*) {}
int CListBox::CompareItem(COMPAREITEMSTRUCT*) { return 0; }
void CListBox::DeleteItem(DELETEITEMSTRUCT*) {}

BOOL CListBox::OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  if (OwnerDraw(*this, message, l, result)) return TRUE;
  return CWnd::OnChildNotify(message, w, l, result);
}

// ---------------------------------------------------------- CCheckListBox

void CCheckListBox::SetCheck(int index, int check) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  entries_[static_cast<std::size_t>(index)].check = check;
  Invalidate();
}

int CCheckListBox::GetCheck(int index) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return -1;
  return entries_[static_cast<std::size_t>(index)].check;
}

void CCheckListBox::Enable(int index, BOOL enabled) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  entries_[static_cast<std::size_t>(index)].enabled = enabled != 0;
}

BOOL CCheckListBox::IsEnabled(int index) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return FALSE;
  return entries_[static_cast<std::size_t>(index)].enabled ? TRUE : FALSE;
}

void CCheckListBox::Toggle(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size()) || !entries_[static_cast<std::size_t>(index)].enabled) return;
  UINT type = check_style_ & 0xF;
  if (type != BS_AUTOCHECKBOX && type != BS_AUTO3STATE) return;
  int& check = entries_[static_cast<std::size_t>(index)].check;
  check = type == BS_AUTO3STATE ? (check + 1) % 3 : (check == 0 ? 1 : 0);
  Invalidate();
  if (HWND parent = ::GetParent(m_hWnd)) {
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), CLBN_CHKCHANGE),
                   reinterpret_cast<LPARAM>(m_hWnd));
  }
}

LRESULT CCheckListBox::WindowProc(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      LRESULT index = CListBox::WindowProc(message, w, l);
      if (index >= 0 && index <= static_cast<LRESULT>(entries_.size())) {
        entries_.insert(entries_.begin() + index, Entry{});
      }
      return index;
    }
    case LB_DELETESTRING: {
      LRESULT left = CListBox::WindowProc(message, w, l);
      if (left >= 0 && w < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(w));
      return left;
    }
    case LB_RESETCONTENT:
      entries_.clear();
      return CListBox::WindowProc(message, w, l);
    case WM_LBUTTONDOWN: {
      POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      auto hit = SendMessage(LB_ITEMFROMPOINT, 0, l);
      int index = LOWORD(static_cast<std::uintptr_t>(hit));
      bool outside = HIWORD(static_cast<std::uintptr_t>(hit)) != 0;
      LRESULT r = CListBox::WindowProc(message, w, l);
      if (!outside && p.x < kCheckBoxWidth && ::IsWindow(m_hWnd)) Toggle(index);
      return r;
    }
    case WM_KEYDOWN:
      if (w == VK_SPACE) {
        Toggle(GetCurSel());
        return 0;
      }
      return CListBox::WindowProc(message, w, l);
    default:
      return CListBox::WindowProc(message, w, l);
  }
}

// -------------------------------------------------------------- CComboBox

int CComboBox::GetLBText(int index, std::u16string& text) const {
  int length = GetLBTextLen(index);
  if (length < 0) {
    text.clear();
    return length;
  }
  text.assign(static_cast<std::size_t>(length) + 1, u'\0');
  SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return length;
}

void CComboBox::DrawItem(DRAWITEMSTRUCT*) {}
void CComboBox::MeasureItem(MEASUREITEMSTRUCT*) {}
int CComboBox::CompareItem(COMPAREITEMSTRUCT*) { return 0; }
void CComboBox::DeleteItem(DELETEITEMSTRUCT*) {}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  if (OwnerDraw(*this, message, l, result)) return TRUE;
  return CWnd::OnChildNotify(message, w, l, result);
}

// ----------------------------------------------------------- CToolTipCtrl

namespace {

TOOLINFOW Tool(CWnd* window, UINT_PTR id) {
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = window == nullptr ? nullptr : window->m_hWnd;
  ti.uId = id;
  return ti;
}

}  // namespace

void CToolTipCtrl::UpdateTipText(LPCWSTR text, CWnd* window, UINT_PTR id) {
  TOOLINFOW ti = Tool(window, id);
  std::u16string copy = text == nullptr ? std::u16string() : std::u16string(text);
  ti.lpszText = copy.data();
  SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::GetText(std::u16string& text, CWnd* window, UINT_PTR id) const {
  TOOLINFOW ti = Tool(window, id);
  std::u16string buffer(1024, u'\0');
  ti.lpszText = buffer.data();
  auto n = SendMessage(TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&ti));
  buffer.resize(static_cast<std::size_t>(n));
  text = buffer;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, LPCWSTR text, LPCRECT rect, UINT_PTR id) {
  TOOLINFOW ti = Tool(window, id);
  std::u16string copy = text == nullptr ? std::u16string() : std::u16string(text);
  ti.lpszText = text == nullptr ? LPSTR_TEXTCALLBACKW : copy.data();
  if (rect != nullptr) ti.rect = *rect;
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* window, UINT_PTR id) {
  TOOLINFOW ti = Tool(window, id);
  SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

CToolTipCtrl* CToolTipCtrl::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  if (auto* bound = dynamic_cast<CToolTipCtrl*>(CWnd::FromHandlePermanent(window))) return bound;
  // Window handles are never reused, so a wrapper stays right for its handle.
  thread_local std::map<HWND, std::unique_ptr<CToolTipCtrl>> map;
  auto it = map.find(window);
  if (it != map.end()) return it->second.get();
  auto wrapper = std::make_unique<CToolTipCtrl>();
  wrapper->m_hWnd = window;
  wrapper->m_temporary = true;
  CToolTipCtrl* raw = wrapper.get();
  map.emplace(window, std::move(wrapper));
  return raw;
}

// ----------------------------------------------------------- CToolBarCtrl

BOOL CToolBarCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, style, rect, parent, id);
}

BOOL CToolBarCtrl::CreateEx(DWORD ex_style, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (!CWnd::CreateEx(ex_style, TOOLBARCLASSNAMEW, nullptr, style | WS_CHILD, rect, parent, id)) return FALSE;
  SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  return TRUE;
}

namespace {

CImageList* SwapList(const CWnd& toolbar, UINT message, CImageList* list) {
  auto old = reinterpret_cast<HIMAGELIST>(
      toolbar.SendMessage(message, 0, reinterpret_cast<LPARAM>(list == nullptr ? nullptr : list->m_hImageList)));
  return CImageList::FromHandle(old);
}

}  // namespace

CImageList* CToolBarCtrl::SetImageList(CImageList* list) { return SwapList(*this, TB_SETIMAGELIST, list); }
CImageList* CToolBarCtrl::GetImageList() const {
  return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETIMAGELIST)));
}
CImageList* CToolBarCtrl::SetDisabledImageList(CImageList* list) {
  return SwapList(*this, TB_SETDISABLEDIMAGELIST, list);
}
CImageList* CToolBarCtrl::GetDisabledImageList() const {
  return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETDISABLEDIMAGELIST)));
}
CImageList* CToolBarCtrl::SetHotImageList(CImageList* list) { return SwapList(*this, TB_SETHOTIMAGELIST, list); }
CImageList* CToolBarCtrl::GetHotImageList() const {
  return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETHOTIMAGELIST)));
}

CToolTipCtrl* CToolBarCtrl::GetToolTips() const {
  return CToolTipCtrl::FromHandle(reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS)));
}

// ------------------------------------------------------------------ CMenu

namespace {

std::map<HMENU, std::unique_ptr<CMenu>>& TemporaryMenus() {
  thread_local std::map<HMENU, std::unique_ptr<CMenu>> map;
  return map;
}

}  // namespace

CMenu::~CMenu() {
  if (!temporary_) DestroyMenu();
}

BOOL CMenu::CreatePopupMenu() {
  if (m_hMenu != nullptr) return FALSE;
  m_hMenu = ::CreatePopupMenu();
  return m_hMenu != nullptr ? TRUE : FALSE;
}

BOOL CMenu::CreateMenu() {
  if (m_hMenu != nullptr) return FALSE;
  m_hMenu = ::CreateMenu();
  return m_hMenu != nullptr ? TRUE : FALSE;
}

BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::Attach(HMENU menu) {
  if (menu == nullptr || m_hMenu != nullptr) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  m_hMenu = nullptr;
  return menu;
}

CMenu* CMenu::FromHandle(HMENU menu) {
  if (menu == nullptr) return nullptr;
  auto& map = TemporaryMenus();
  auto it = map.find(menu);
  if (it != map.end()) return it->second.get();
  auto wrapper = std::make_unique<CMenu>();
  wrapper->m_hMenu = menu;
  wrapper->temporary_ = true;
  CMenu* raw = wrapper.get();
  map.emplace(menu, std::move(wrapper));
  return raw;
}

int CMenu::GetMenuString(UINT item, std::u16string& text, UINT flags) const {
  int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
  text.assign(static_cast<std::size_t>(length) + 1, u'\0');
  int copied = ::GetMenuStringW(m_hMenu, item, text.data(), length + 1, flags);
  text.resize(static_cast<std::size_t>(copied));
  return copied;
}
