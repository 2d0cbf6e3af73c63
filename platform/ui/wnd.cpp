#include "platform/ui/wnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/ui/controls.h"
#include "platform/ui/window_internal.h"

namespace {

std::mutex& MapLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// Windows and the objects bound to them.
std::unordered_map<HWND, CWnd*>& Permanent() {
  static auto* map = new std::unordered_map<HWND, CWnd*>;
  return *map;
}

// Wrappers for windows no object is bound to, per thread; dropped when their
// window is destroyed.
std::map<HWND, std::unique_ptr<CWnd>>& Temporaries() {
  thread_local std::map<HWND, std::unique_ptr<CWnd>> map;
  return map;
}

void DropTemporary(HWND window) {
  auto& map = Temporaries();
  auto it = map.find(window);
  if (it == map.end()) return;
  it->second->m_hWnd = nullptr;
  map.erase(it);
}

void Bind(HWND window, CWnd* object) {
  std::lock_guard<std::mutex> guard(MapLock());
  Permanent()[window] = object;
}

void Unbind(HWND window) {
  std::lock_guard<std::mutex> guard(MapLock());
  Permanent().erase(window);
}

// The platform's own plain window class, for CreateEx without a class.
const char16_t* PlainClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &DefWindowProcW;
    wc.lpszClassName = u"QuorviaWnd";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return u"QuorviaWnd";
}

LRESULT AfxWndProc(HWND window, UINT message, WPARAM w, LPARAM l);

INT_PTR AfxDlgProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(window));
  return dialog == nullptr ? TRUE : dialog->OnInitDialog();
}

}  // namespace

LRESULT AfxWndProcBase(HWND window, UINT message, WPARAM w, LPARAM l) {
  CWnd* object = CWnd::FromHandlePermanent(window);
  if (object == nullptr) return DefWindowProcW(window, message, w, l);
  // Keep the outer message for Default() across nested messages.
  CWnd::Current outer = object->m_current;
  object->m_current = CWnd::Current{message, w, l};
  LRESULT result = object->WindowProc(message, w, l);
  if (message != WM_NCDESTROY && CWnd::FromHandlePermanent(window) == object) object->m_current = outer;
  return result;
}

namespace {

LRESULT AfxWndProc(HWND window, UINT message, WPARAM w, LPARAM l) { return AfxWndProcBase(window, message, w, l); }

bool Offer(HWND child, UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  CWnd* object = CWnd::FromHandlePermanent(child);
  return object != nullptr && object->OnChildNotify(message, w, l, result);
}

// The control an owner-draw message is about.
HWND OwnerDrawTarget(HWND parent, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_DRAWITEM:
      return reinterpret_cast<DRAWITEMSTRUCT*>(l)->hwndItem;
    case WM_COMPAREITEM:
      return reinterpret_cast<COMPAREITEMSTRUCT*>(l)->hwndItem;
    case WM_DELETEITEM:
      return reinterpret_cast<DELETEITEMSTRUCT*>(l)->hwndItem;
    case WM_MEASUREITEM:
      return GetDlgItem(parent, static_cast<int>(w));
    default:
      return nullptr;
  }
}

}  // namespace

// ------------------------------------------------------------------ CWnd

CWnd::CWnd() {
  static bool observing = [] {
    quorvia::ui::AddDestroyObserver(&DropTemporary);
    return true;
  }();
  (void)observing;
}

CWnd::~CWnd() {
  if (m_temporary || m_hWnd == nullptr) return;
  if (FromHandlePermanent(m_hWnd) == this) {
    if (::IsWindow(m_hWnd)) {
      ::DestroyWindow(m_hWnd);
    }
    if (m_hWnd != nullptr) {
      Unbind(m_hWnd);
      m_hWnd = nullptr;
    }
  }
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  if (window == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(MapLock());
  auto it = Permanent().find(window);
  return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  if (CWnd* object = FromHandlePermanent(window)) return object;
  auto& map = Temporaries();
  auto it = map.find(window);
  if (it != map.end()) return it->second.get();
  auto wrapper = std::make_unique<CWnd>();
  wrapper->m_hWnd = window;
  wrapper->m_temporary = true;
  CWnd* raw = wrapper.get();
  map.emplace(window, std::move(wrapper));
  return raw;
}

BOOL CWnd::Attach(HWND window) {
  if (window == nullptr || m_hWnd != nullptr || FromHandlePermanent(window) != nullptr) return FALSE;
  m_hWnd = window;
  Bind(window, this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  if (window != nullptr) Unbind(window);
  m_hWnd = nullptr;
  return window;
}

BOOL CWnd::SubclassWindow(HWND window) {
  if (!Attach(window)) return FALSE;
  auto old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old == nullptr) {
    Detach();
    return FALSE;
  }
  m_pfnSuper = old == &AfxWndProc ? &DefWindowProcW : old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (parent == nullptr) return FALSE;
  HWND item = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return item != nullptr && SubclassWindow(item) ? TRUE : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_hWnd == nullptr) return nullptr;
  if (m_pfnSuper != nullptr) SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

void CWnd::BindOnCreate(HWND window) {
  m_hWnd = window;
  Bind(window, this);
  auto old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  m_pfnSuper = old == &AfxWndProc || old == nullptr ? &DefWindowProcW : old;
}

BOOL CWnd::CreateEx(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
  if (m_hWnd != nullptr) return FALSE;
  quorvia::ui::CurrentThread().creation_hook = [this](HWND window) { BindOnCreate(window); };
  HWND window = CreateWindowExW(ex_style, class_name == nullptr ? PlainClass() : class_name, window_name, style,
                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                parent == nullptr ? nullptr : parent->m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, param);
  quorvia::ui::CurrentThread().creation_hook = nullptr;
  if (window == nullptr) {
    if (m_hWnd != nullptr) Detach();
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::Create(LPCWSTR class_name, LPCWSTR window_name, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param) {
  return CreateEx(0, class_name, window_name, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

void CWnd::GetWindowText(std::u16string& text) const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  text.assign(static_cast<std::size_t>(length) + 1, u'\0');
  int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
}

void CWnd::ClientToScreen(LPRECT rect) const {
  ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ScreenToClient(LPRECT rect) const {
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font == nullptr ? nullptr : HFONT(*font)), redraw);
}

CFont* CWnd::GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  DWORD style = GetStyle();
  DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
  if (flags != 0) SetWindowPos(nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (!OnWndMsg(message, w, l, &result)) result = DefWindowProc(message, w, l);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(w, l)) {
        *result = 0;
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      LRESULT answer = 0;
      if (OnNotify(w, l, &answer)) {
        *result = answer;
        return TRUE;
      }
      return FALSE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      auto child = reinterpret_cast<HWND>(l);
      LRESULT answer = 0;
      if (child != m_hWnd && Offer(child, message, w, l, &answer)) {
        *result = answer;
        return TRUE;
      }
      CDC dc;
      dc.Attach(reinterpret_cast<HDC>(w));
      HBRUSH brush = OnCtlColor(&dc, FromHandle(child), message - WM_CTLCOLORMSGBOX);
      dc.Detach();
      *result = reinterpret_cast<LRESULT>(brush);
      return TRUE;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM: {
      LRESULT answer = 0;
      HWND target = OwnerDrawTarget(m_hWnd, message, w, l);
      if (target != nullptr && Offer(target, message, w, l, &answer)) {
        *result = message == WM_COMPAREITEM ? answer : TRUE;
        return TRUE;
      }
      return FALSE;
    }
    case WM_NCDESTROY: {
      HWND window = m_hWnd;
      *result = DefWindowProc(message, w, l);
      if (m_pfnSuper != nullptr && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == &AfxWndProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
      }
      Detach();
      PostNcDestroy();  // may delete this object
      return TRUE;
    }
    default:
      return FALSE;
  }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM w, LPARAM l) {
  if (m_pfnSuper != nullptr) return CallWindowProcW(m_pfnSuper, m_hWnd, message, w, l);
  return DefWindowProcW(m_hWnd, message, w, l);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.w, m_current.l); }

BOOL CWnd::OnCommand(WPARAM w, LPARAM l) {
  auto control = reinterpret_cast<HWND>(l);
  LRESULT ignored = 0;
  return control != nullptr && control != m_hWnd && Offer(control, WM_COMMAND, w, l, &ignored) ? TRUE : FALSE;
}

BOOL CWnd::OnNotify(WPARAM w, LPARAM l, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(l);
  if (header == nullptr || header->hwndFrom == nullptr || header->hwndFrom == m_hWnd) return FALSE;
  return Offer(header->hwndFrom, WM_NOTIFY, w, l, result) ? TRUE : FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  return ReflectChildNotify(message, w, l, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  LRESULT answer = 0;
  if (!OnWndMsg(WM_REFLECT_BASE + message, w, l, &answer)) return FALSE;
  if (result != nullptr) *result = answer;
  return TRUE;
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

void CWnd::PostNcDestroy() {}

CClientDC::CClientDC(CWnd* window) : window_(window == nullptr ? nullptr : window->m_hWnd) {
  Attach(::GetDC(window_));
}

CClientDC::~CClientDC() {
  HDC dc = Detach();
  if (dc != nullptr) ::ReleaseDC(window_, dc);
}

// -------------------------------------------------------- data exchange

void DDX_Text(CDataExchange* dx, int id, std::u16string& value) {
  if (dx == nullptr || dx->m_pDlgWnd == nullptr) return;
  HWND item = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
  if (item == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(item)->GetWindowText(value);
  } else {
    ::SetWindowTextW(item, value.c_str());
  }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (dx == nullptr || dx->m_pDlgWnd == nullptr || control.m_hWnd != nullptr) return;
  control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

// ---------------------------------------------------------------- CDialog

CDialog::CDialog(UINT template_id, CWnd* parent, HMODULE caller)
    : m_nIDTemplate(template_id), m_pParentWnd(parent), m_hCallerModule(caller) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  quorvia::ui::DialogTemplate t;
  HMODULE module = quorvia::GetInstanceModule(m_hCallerModule);
  if (!quorvia::ui::LoadDialogTemplate(module, MAKEINTRESOURCEW(m_nIDTemplate), &t)) {
    module = m_hCallerModule;
    if (!quorvia::ui::LoadDialogTemplate(module, MAKEINTRESOURCEW(m_nIDTemplate), &t)) return -1;
  }
  if (m_hWnd != nullptr) return -1;
  quorvia::ui::CurrentThread().creation_hook = [this](HWND window) { BindOnCreate(window); };
  INT_PTR result = DialogBoxIndirectParamW(module, &t, m_pParentWnd == nullptr ? nullptr : m_pParentWnd->m_hWnd,
                                           &AfxDlgProc, reinterpret_cast<LPARAM>(this));
  quorvia::ui::CurrentThread().creation_hook = nullptr;
  if (m_hWnd != nullptr) Detach();
  return result;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL save) {
  CDataExchange dx(this, save);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnCommand(WPARAM w, LPARAM l) {
  if (CWnd::OnCommand(w, l)) return TRUE;
  if (HIWORD(w) != 0) return FALSE;  // BN_CLICKED, or a menu or accelerator
  if (LOWORD(w) == IDOK) {
    OnOK();
    return TRUE;
  }
  if (LOWORD(w) == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}
