#include "platform/ui/window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/module/module.h"
#include "platform/sync/last_error.h"
#include "platform/ui/gdi.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

struct Registry {
  std::mutex lock;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  std::uintptr_t next_handle = 0x10010;
  std::map<DWORD, std::shared_ptr<ThreadState>> threads;
  DWORD next_thread = 1;
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM next_atom = 0xC000;
  std::vector<void (*)(HWND)> destroy_observers;
};

Registry& Reg() {
  static auto* registry = new Registry;
  return *registry;
}

// Drops the thread's record when the thread ends.
struct ThreadHolder {
  std::shared_ptr<ThreadState> state;
  ~ThreadHolder() {
    if (!state) return;
    std::lock_guard<std::mutex> guard(Reg().lock);
    Reg().threads.erase(state->id);
  }
};

thread_local ThreadHolder t_thread;

std::shared_ptr<ThreadState> FindThread(DWORD id) {
  std::lock_guard<std::mutex> guard(Reg().lock);
  auto it = Reg().threads.find(id);
  return it == Reg().threads.end() ? nullptr : it->second;
}

std::shared_ptr<WindowClass> FindClass(std::u16string_view name) {
  EnsureSystemClasses();
  std::lock_guard<std::mutex> guard(Reg().lock);
  for (auto& c : Reg().classes) {
    if (SameNoCase(c->name, name)) return c;
  }
  return nullptr;
}

bool IsOwnThread(const Window& w) { return w.thread == &CurrentThread(); }

// Frame widths around the client area.
RECT FrameInsets(DWORD style, DWORD ex_style) {
  RECT r{};
  int edge = 0;
  if ((style & WS_THICKFRAME) != 0) {
    edge = 4;
  } else if ((style & WS_DLGFRAME) != 0 || (ex_style & WS_EX_DLGMODALFRAME) != 0) {
    edge = 3;
  } else if ((style & WS_BORDER) != 0) {
    edge = 1;
  }
  if ((ex_style & WS_EX_CLIENTEDGE) != 0) edge += 2;
  if ((ex_style & WS_EX_STATICEDGE) != 0) edge += 1;
  r.left = r.top = r.right = r.bottom = edge;
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += 20;
  return r;
}

std::vector<HWND>& Siblings(Window& w) {
  if (w.parent != nullptr) {
    if (auto parent = Find(w.parent)) return parent->children;
  }
  return w.thread->top_level;
}

void Unlink(Window& w) {
  auto& list = Siblings(w);
  list.erase(std::remove(list.begin(), list.end(), w.hwnd), list.end());
}

bool IsDescendantOrSelf(HWND ancestor, HWND hwnd) {
  while (hwnd != nullptr) {
    if (hwnd == ancestor) return true;
    auto w = Find(hwnd);
    if (!w) return false;
    hwnd = w->parent;
  }
  return false;
}

bool VisibleChain(const Window& w) {
  if ((w.style & WS_VISIBLE) == 0) return false;
  if (w.parent == nullptr) return true;
  auto parent = Find(w.parent);
  return parent && VisibleChain(*parent);
}

bool EnabledChain(const Window& w) {
  if ((w.style & WS_DISABLED) != 0) return false;
  if (w.parent == nullptr) return true;
  auto parent = Find(w.parent);
  return parent && EnabledChain(*parent);
}

void MarkInvalid(Window& w) {
  w.invalid = true;
  w.thread->invalid.insert(w.hwnd);
}

// The window under a screen point among `list` (topmost first), descending
// into children; honours HTTRANSPARENT.
HWND HitTest(const std::vector<HWND>& list, POINT screen) {
  std::vector<HWND> copy = list;
  for (HWND h : copy) {
    auto w = Find(h);
    if (!w || (w->style & WS_VISIBLE) == 0) continue;
    RECT wr{};
    GetWindowRect(h, &wr);
    if (!PtInRect(&wr, screen)) continue;
    POINT origin = ClientOrigin(*w);
    RECT client = ClientInWindow(*w);
    RECT client_screen{origin.x, origin.y, origin.x + (client.right - client.left),
                       origin.y + (client.bottom - client.top)};
    if (PtInRect(&client_screen, screen)) {
      HWND child = HitTest(w->children, screen);
      if (child != nullptr) return child;
    }
    LRESULT hit = SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    if (hit == HTTRANSPARENT) continue;
    return h;
  }
  return nullptr;
}

void ClearThreadReferences(Window& w) {
  ThreadState& t = *w.thread;
  if (t.focus == w.hwnd) t.focus = nullptr;
  if (t.active == w.hwnd) t.active = nullptr;
  if (t.capture == w.hwnd) t.capture = nullptr;
  if (t.hover == w.hwnd) t.hover = nullptr;
  if (t.leave_track == w.hwnd) t.leave_track = nullptr;
  t.invalid.erase(w.hwnd);
}

void SendWmDestroy(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w || w->destroy_sent) return;
  w->destroy_sent = true;
  SendMessageW(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children = w->children;
  for (HWND child : children) SendWmDestroy(child);
}

void SendWmNcDestroy(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w || w->gone) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) SendWmNcDestroy(child);
  SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
  w->gone = true;
  Unlink(*w);
  ClearThreadReferences(*w);
  std::vector<void (*)(HWND)> observers;
  {
    std::lock_guard<std::mutex> guard(Reg().lock);
    Reg().windows.erase(hwnd);
    w->cls->windows--;
    observers = Reg().destroy_observers;
  }
  for (auto observer : observers) observer(hwnd);
  w->control.reset();
  w->surface.reset();
}

LONG_PTR* ExtraSlot(Window& w, int index) {
  if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w.extra.size()) return nullptr;
  return reinterpret_cast<LONG_PTR*>(w.extra.data() + index);
}

HBRUSH DefaultColour(HDC dc, UINT message) {
  if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_3DFACE));
  return GetSysColorBrush(COLOR_3DFACE);
}

}  // namespace

// ------------------------------------------------------------ internals

ThreadState& CurrentThread() {
  if (!t_thread.state) {
    auto state = std::make_shared<ThreadState>();
    state->native = std::this_thread::get_id();
    std::lock_guard<std::mutex> guard(Reg().lock);
    state->id = Reg().next_thread++;
    Reg().threads[state->id] = state;
    t_thread.state = state;
  }
  return *t_thread.state;
}

std::shared_ptr<Window> Find(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(Reg().lock);
  auto it = Reg().windows.find(hwnd);
  if (it == Reg().windows.end()) return nullptr;
  return it->second;
}

std::shared_ptr<Window> FindOwn(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!IsOwnThread(*w)) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return nullptr;
  }
  return w;
}

void RegisterSystemClass(const char16_t* name, WNDPROC proc, UINT style, int window_extra) {
  auto c = std::make_shared<WindowClass>();
  c->name = name;
  c->proc = proc;
  c->style = style | CS_GLOBALCLASS;
  c->window_extra = window_extra;
  std::lock_guard<std::mutex> guard(Reg().lock);
  c->atom = Reg().next_atom++;
  Reg().classes.push_back(std::move(c));
}

RECT ClientInWindow(const Window& w) {
  RECT insets = FrameInsets(w.style, w.ex_style);
  RECT r{insets.left, insets.top, (w.rect.right - w.rect.left) - insets.right,
         (w.rect.bottom - w.rect.top) - insets.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

POINT ClientOrigin(const Window& w) {
  RECT client = ClientInWindow(w);
  POINT p{w.rect.left + client.left, w.rect.top + client.top};
  if (w.parent != nullptr) {
    if (auto parent = Find(w.parent)) {
      POINT po = ClientOrigin(*parent);
      p.x += po.x;
      p.y += po.y;
    }
  }
  return p;
}

void NotifyParent(HWND hwnd, WORD code) {
  auto w = Find(hwnd);
  if (!w || w->parent == nullptr) return;
  SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code) {
  auto w = Find(hwnd);
  if (!w || w->parent == nullptr) return 0;
  header->hwndFrom = hwnd;
  header->idFrom = static_cast<UINT_PTR>(w->id);
  header->code = code;
  return SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(header));
}

Bitmap* Surface(Window& w) {
  RECT client = ClientInWindow(w);
  int width = std::max<int>(1, client.right - client.left);
  int height = std::max<int>(1, client.bottom - client.top);
  if (!w.surface || w.surface->Width() != width || w.surface->Height() != height) {
    w.surface = std::make_unique<Bitmap>(width, height);
  }
  return w.surface.get();
}

void SetVisibleQuietly(HWND hwnd, bool visible) {
  auto w = Find(hwnd);
  if (!w) return;
  if (visible) {
    w->style |= WS_VISIBLE;
    MarkInvalid(*w);
  } else {
    w->style &= ~WS_VISIBLE;
  }
}

void QueueInput(const InputEvent& event) {
  ThreadState& t = CurrentThread();
  {
    std::lock_guard<std::mutex> guard(t.lock);
    t.input.push_back(event);
  }
  t.arrived.notify_all();
}

void AddDestroyObserver(void (*observer)(HWND)) {
  std::lock_guard<std::mutex> guard(Reg().lock);
  auto& list = Reg().destroy_observers;
  if (std::find(list.begin(), list.end(), observer) == list.end()) list.push_back(observer);
}

std::u16string Text(LPCWSTR text) { return text == nullptr ? std::u16string() : std::u16string(text); }

std::u16string Text(LPCWSTR text, int length) {
  if (text == nullptr) return {};
  if (length < 0) return std::u16string(text);
  return std::u16string(text, static_cast<std::size_t>(length));
}

int CopyText(const std::u16string& text, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(text.size()), size - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = u'\0';
  return n;
}

namespace {
char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }
}  // namespace

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = Fold(a[i]);
    char16_t y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace quorvia::ui

using namespace quorvia::ui;

// ---------------------------------------------------------------- classes

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr || wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WindowClass>();
  c->name = wc->lpszClassName;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->window_extra = wc->cbWndExtra;
  c->instance = wc->hInstance;
  c->background = wc->hbrBackground;
  std::lock_guard<std::mutex> guard(Reg().lock);
  c->atom = Reg().next_atom++;
  Reg().classes.push_back(c);
  return c->atom;
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (wc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszClassName = wc->lpszClassName;
  return RegisterClassExW(&ex);
}

BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE) {
  if (class_name == nullptr) return FALSE;
  EnsureSystemClasses();
  std::lock_guard<std::mutex> guard(Reg().lock);
  auto& classes = Reg().classes;
  for (auto it = classes.begin(); it != classes.end(); ++it) {
    if (!SameNoCase((*it)->name, class_name)) continue;
    if ((*it)->windows > 0) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
    classes.erase(it);
    return TRUE;
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR class_name, WNDCLASSEXW* wc) {
  if (class_name == nullptr || wc == nullptr) return FALSE;
  auto c = FindClass(class_name);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = WNDCLASSEXW{};
  wc->cbSize = sizeof *wc;
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbWndExtra = c->window_extra;
  wc->hInstance = c->instance;
  wc->hbrBackground = c->background;
  wc->lpszClassName = class_name;
  return TRUE;
}

int GetClassNameW(HWND window, LPWSTR buffer, int size) {
  auto w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CopyText(w->cls->name, buffer, size);
}

// ------------------------------------------------------- creation and tree

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (class_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto cls = FindClass(class_name);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  ThreadState& thread = CurrentThread();
  std::shared_ptr<Window> parent_window;
  if (parent != nullptr) {
    parent_window = FindOwn(parent);
    if (!parent_window) return nullptr;
  }
  if ((style & WS_CHILD) != 0 && !parent_window) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) width = height = 0;

  auto w = std::make_shared<Window>();
  w->cls = cls;
  w->proc = cls->proc;
  w->thread = &thread;
  w->thread_keep = t_thread.state;
  w->style = style & ~WS_VISIBLE;
  w->ex_style = ex_style;
  w->instance = instance;
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  w->extra.assign(static_cast<std::size_t>(cls->window_extra), 0);
  if ((style & WS_CHILD) != 0) {
    w->parent = parent;
    w->id = static_cast<LONG_PTR>(reinterpret_cast<std::intptr_t>(menu));
  } else if (parent_window) {
    w->owner = GetAncestor(parent, GA_ROOT);
  }
  {
    std::lock_guard<std::mutex> guard(Reg().lock);
    w->hwnd = reinterpret_cast<HWND>(Reg().next_handle);
    Reg().next_handle += 4;
    Reg().windows[w->hwnd] = w;
    cls->windows++;
  }
  HWND hwnd = w->hwnd;
  // Child windows go below their siblings, so creation order is Z and tab
  // order.
  if (w->parent != nullptr) {
    parent_window->children.push_back(hwnd);
  } else if ((ex_style & WS_EX_TOPMOST) != 0) {
    thread.top_level.insert(thread.top_level.begin(), hwnd);
  } else {
    // A new top-level window comes in front of the others, below the topmost.
    auto at = thread.top_level.begin();
    while (at != thread.top_level.end()) {
      auto other = Find(*at);
      if (!other || (other->ex_style & WS_EX_TOPMOST) == 0) break;
      ++at;
    }
    thread.top_level.insert(at, hwnd);
  }

  if (thread.creation_hook) {
    auto hook = std::move(thread.creation_hook);
    thread.creation_hook = nullptr;
    hook(hwnd);
  }

  CREATESTRUCTW cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = window_name;
  cs.lpszClass = class_name;
  cs.dwExStyle = ex_style;
  if (SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
    SendWmNcDestroy(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  RECT client{};
  GetClientRect(hwnd, &client);
  SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  if (!IsWindow(hwnd)) return nullptr;
  RECT insets = FrameInsets(w->style, w->ex_style);
  SendMessageW(hwnd, WM_MOVE, 0,
               MAKELPARAM(static_cast<WORD>(w->rect.left + insets.left), static_cast<WORD>(w->rect.top + insets.top)));
  if (!IsWindow(hwnd)) return nullptr;
  if ((style & WS_VISIBLE) != 0) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND window) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  if (w->destroy_sent) return TRUE;  // already on its way
  ThreadState& thread = *w->thread;

  // Owned windows (dialogs, menus, tool tips) go first.
  std::vector<HWND> owned;
  for (HWND h : thread.top_level) {
    auto o = Find(h);
    if (o && o->owner == window) owned.push_back(h);
  }
  for (HWND h : owned) DestroyWindow(h);

  w->style &= ~WS_VISIBLE;
  if (thread.focus != nullptr && IsDescendantOrSelf(window, thread.focus)) {
    HWND old = thread.focus;
    thread.focus = nullptr;
    SendMessageW(old, WM_KILLFOCUS, 0, 0);
  }
  if (thread.capture != nullptr && IsDescendantOrSelf(window, thread.capture)) {
    HWND old = thread.capture;
    thread.capture = nullptr;
    SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  }
  SendWmDestroy(window);
  SendWmNcDestroy(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  auto w = Find(window);
  return w && !w->gone;
}

HWND GetParent(HWND window) {
  auto w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((w->style & WS_CHILD) != 0) return w->parent;
  if ((w->style & WS_POPUP) != 0) return w->owner;
  return w->parent;
}

HWND SetParent(HWND child, HWND new_parent) {
  auto w = FindOwn(child);
  if (!w) return nullptr;
  std::shared_ptr<Window> parent;
  if (new_parent != nullptr) {
    parent = FindOwn(new_parent);
    if (!parent) return nullptr;
    if (IsDescendantOrSelf(child, new_parent)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  HWND old = w->parent;
  Unlink(*w);
  w->parent = new_parent;
  if (parent) {
    parent->children.insert(parent->children.begin(), child);
  } else {
    w->thread->top_level.insert(w->thread->top_level.begin(), child);
  }
  if ((w->style & WS_VISIBLE) != 0) MarkInvalid(*w);
  return old;
}

HWND GetAncestor(HWND window, UINT flags) {
  auto w = Find(window);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent;
    case GA_ROOT: {
      HWND h = window;
      while (auto cur = Find(h)) {
        if (cur->parent == nullptr) return h;
        h = cur->parent;
      }
      return nullptr;
    }
    case GA_ROOTOWNER: {
      HWND root = GetAncestor(window, GA_ROOT);
      while (auto cur = Find(root)) {
        if (cur->owner == nullptr) return root;
        root = cur->owner;
      }
      return nullptr;
    }
    default:
      return nullptr;
  }
}

HWND GetWindow(HWND window, UINT relation) {
  auto w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (relation == GW_OWNER) return w->owner;
  if (relation == GW_ENABLEDPOPUP) return nullptr;
  std::vector<HWND>& list = Siblings(*w);
  auto it = std::find(list.begin(), list.end(), window);
  switch (relation) {
    case GW_HWNDFIRST:
      return list.empty() ? nullptr : list.front();
    case GW_HWNDLAST:
      return list.empty() ? nullptr : list.back();
    case GW_HWNDNEXT:
      return (it == list.end() || it + 1 == list.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return (it == list.end() || it == list.begin()) ? nullptr : *(it - 1);
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND window) {
  if (window == nullptr) {
    auto& list = CurrentThread().top_level;
    return list.empty() ? nullptr : list.front();
  }
  return GetWindow(window, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND window) {
  if (parent == nullptr || window == nullptr || parent == window) return FALSE;
  return IsDescendantOrSelf(parent, window) ? TRUE : FALSE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param) {
  auto w = Find(parent);
  if (!w || callback == nullptr) return FALSE;
  std::vector<HWND> children = w->children;
  for (HWND child : children) {
    if (!IsWindow(child)) continue;
    if (!callback(child, param)) return FALSE;
    if (!EnumChildWindows(child, callback, param) && IsWindow(child)) {
      auto c = Find(child);
      if (c && !c->children.empty()) return FALSE;
    }
  }
  return TRUE;
}

BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  auto thread = FindThread(thread_id);
  if (!thread || thread.get() != &CurrentThread()) return FALSE;
  std::vector<HWND> list = thread->top_level;
  for (HWND h : list) {
    if (!IsWindow(h)) continue;
    if (!callback(h, param)) return FALSE;
  }
  return TRUE;
}

DWORD GetCurrentThreadId() { return CurrentThread().id; }

DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id) {
  auto w = Find(window);
  if (!w) return 0;
  if (process_id != nullptr) *process_id = 1;
  return w->thread->id;
}

HWND GetDlgItem(HWND parent, int id) {
  auto w = Find(parent);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND h : w->children) {
    auto c = Find(h);
    if (c && c->id == id) return h;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  auto w = Find(window);
  return w ? static_cast<int>(w->id) : 0;
}

// -------------------------------------------------------------- attributes

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  auto w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent != nullptr ? w->parent : w->owner);
    case GWLP_ID:
      return w->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->ex_style);
    case GWLP_USERDATA:
      return w->user_data;
    default:
      if (LONG_PTR* slot = ExtraSlot(*w, index)) {
        LONG_PTR v = 0;
        std::memcpy(&v, slot, sizeof v);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  auto w = FindOwn(window);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      if (value == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner);
      if (w->parent == nullptr) w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE:
      old = static_cast<LONG_PTR>(w->style);
      w->style = static_cast<DWORD>(value);
      if (((static_cast<DWORD>(old) ^ w->style) & WS_VISIBLE) != 0 && (w->style & WS_VISIBLE) != 0) MarkInvalid(*w);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG_PTR>(w->ex_style);
      w->ex_style = static_cast<DWORD>(value);
      return old;
    case GWLP_USERDATA:
      old = w->user_data;
      w->user_data = value;
      return old;
    default:
      if (LONG_PTR* slot = ExtraSlot(*w, index)) {
        std::memcpy(&old, slot, sizeof old);
        std::memcpy(slot, &value, sizeof value);
        return old;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG GetWindowLongW(HWND window, int index) {
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  auto w = Find(window);
  if (w && index >= 0) {
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size()) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG v = 0;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG SetWindowLongW(HWND window, int index, LONG value) {
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  auto w = FindOwn(window);
  if (!w) return 0;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size()) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG old = 0;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  return static_cast<LONG>(SetWindowLongPtrW(window, index, value));
}

LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l) {
  if (proc == nullptr) return 0;
  return proc(window, message, w, l);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  auto w = Find(window);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT:
      w->text = Text(reinterpret_cast<LPCWSTR>(lp));
      if ((w->style & WS_VISIBLE) != 0) MarkInvalid(*w);
      return TRUE;
    case WM_GETTEXT:
      return CopyText(w->text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_PAINT:
      w->invalid = false;
      w->thread->invalid.erase(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      // A parent may set the cursor for its children.
      if ((w->style & WS_CHILD) != 0 && w->parent != nullptr) {
        return SendMessageW(w->parent, WM_SETCURSOR, wp, lp);
      }
      return FALSE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(DefaultColour(reinterpret_cast<HDC>(wp), message));
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (pos == nullptr) return 0;
      if ((pos->flags & SWP_NOCLIENTMOVE) == 0) {
        RECT insets = FrameInsets(w->style, w->ex_style);
        SendMessageW(window, WM_MOVE, 0,
                     MAKELPARAM(static_cast<WORD>(w->rect.left + insets.left), static_cast<WORD>(w->rect.top + insets.top)));
      }
      if ((pos->flags & SWP_NOCLIENTSIZE) == 0 && IsWindow(window)) {
        RECT client{};
        GetClientRect(window, &client);
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
      }
      return 0;
    }
    default:
      return 0;
  }
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!FindOwn(window)) return FALSE;
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0 || !FindOwn(window)) return 0;
  buffer[0] = u'\0';
  return static_cast<int>(SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window) {
  if (!FindOwn(window)) return 0;
  return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

// -------------------------------------------------------- show and enable

BOOL ShowWindow(HWND window, int command) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = command != SW_HIDE;
  if (was == show) return was ? TRUE : FALSE;
  SendMessageW(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!IsWindow(window)) return was ? TRUE : FALSE;
  if (show) {
    w->style |= WS_VISIBLE;
    MarkInvalid(*w);
  } else {
    w->style &= ~WS_VISIBLE;
    if (w->parent != nullptr) {
      if (auto parent = Find(w->parent)) MarkInvalid(*parent);
    }
  }
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
  auto w = Find(window);
  return w && VisibleChain(*w) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  bool was_disabled = (w->style & WS_DISABLED) != 0;
  if (was_disabled == !enable) return was_disabled ? TRUE : FALSE;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    ThreadState& thread = *w->thread;
    if (thread.focus != nullptr && IsDescendantOrSelf(window, thread.focus)) SetFocus(nullptr);
    if (thread.capture != nullptr && IsDescendantOrSelf(window, thread.capture)) ReleaseCapture();
  }
  SendMessageW(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  if (IsWindow(window) && (w->style & WS_VISIBLE) != 0) MarkInvalid(*w);
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  auto w = Find(window);
  return w && (w->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

// ---------------------------------------------------------------- geometry

BOOL GetWindowRect(HWND window, RECT* rect) {
  auto w = Find(window);
  if (!w || rect == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = w->rect;
  if (w->parent != nullptr) {
    if (auto parent = Find(w->parent)) {
      POINT origin = ClientOrigin(*parent);
      OffsetRect(rect, origin.x, origin.y);
    }
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  auto w = Find(window);
  if (!w || rect == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT client = ClientInWindow(*w);
  *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  WINDOWPOS pos{};
  pos.hwnd = window;
  pos.hwndInsertAfter = insert_after;
  pos.x = (flags & SWP_NOMOVE) != 0 ? w->rect.left : x;
  pos.y = (flags & SWP_NOMOVE) != 0 ? w->rect.top : y;
  pos.cx = (flags & SWP_NOSIZE) != 0 ? w->rect.right - w->rect.left : width;
  pos.cy = (flags & SWP_NOSIZE) != 0 ? w->rect.bottom - w->rect.top : height;
  pos.flags = flags;
  if ((flags & SWP_NOSENDCHANGING) == 0) {
    SendMessageW(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!IsWindow(window)) return FALSE;
  }
  RECT old_client = ClientInWindow(*w);
  RECT old_rect = w->rect;
  w->rect = RECT{pos.x, pos.y, pos.x + std::max(0, pos.cx), pos.y + std::max(0, pos.cy)};
  if ((pos.flags & SWP_NOZORDER) == 0) {
    auto& list = Siblings(*w);
    auto it = std::find(list.begin(), list.end(), window);
    if (it != list.end()) {
      list.erase(it);
      HWND after = pos.hwndInsertAfter;
      if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        list.insert(list.begin(), window);
      } else if (after == HWND_BOTTOM) {
        list.push_back(window);
      } else {
        auto at = std::find(list.begin(), list.end(), after);
        list.insert(at == list.end() ? list.end() : at + 1, window);
      }
    }
  }
  if ((pos.flags & SWP_SHOWWINDOW) != 0) ShowWindow(window, SW_SHOWNA);
  if ((pos.flags & SWP_HIDEWINDOW) != 0) ShowWindow(window, SW_HIDE);
  if (!IsWindow(window)) return TRUE;
  RECT new_client = ClientInWindow(*w);
  UINT changed = pos.flags;
  if (new_client.right - new_client.left == old_client.right - old_client.left &&
      new_client.bottom - new_client.top == old_client.bottom - old_client.top) {
    changed |= SWP_NOCLIENTSIZE;
  }
  if (w->rect.left + new_client.left == old_rect.left + old_client.left &&
      w->rect.top + new_client.top == old_rect.top + old_client.top) {
    changed |= SWP_NOCLIENTMOVE;
  }
  if ((changed & SWP_NOCLIENTSIZE) == 0 && (w->style & WS_VISIBLE) != 0) MarkInvalid(*w);
  pos.flags = changed;
  SendMessageW(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  auto w = Find(window);
  if (!w || point == nullptr) return FALSE;
  POINT origin = ClientOrigin(*w);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  auto w = Find(window);
  if (!w || point == nullptr) return FALSE;
  POINT origin = ClientOrigin(*w);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0};
  POINT b{0, 0};
  if (from != nullptr) {
    auto w = Find(from);
    if (!w) return 0;
    a = ClientOrigin(*w);
  }
  if (to != nullptr) {
    auto w = Find(to);
    if (!w) return 0;
    b = ClientOrigin(*w);
  }
  int dx = a.x - b.x;
  int dy = a.y - b.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

HWND WindowFromPoint(POINT point) { return HitTest(CurrentThread().top_level, point); }

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD ex_style) {
  if (rect == nullptr) return FALSE;
  RECT insets = FrameInsets(style, ex_style);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(RECT* to, const RECT* from) {
  if (to == nullptr || from == nullptr) return FALSE;
  *to = *from;
  return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
  return rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top ? TRUE : FALSE;
}

BOOL PtInRect(const RECT* rect, POINT point) {
  return rect != nullptr && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
                 point.y < rect->bottom
             ? TRUE
             : FALSE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top && a->right == b->right &&
                 a->bottom == b->bottom
             ? TRUE
             : FALSE;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (out == nullptr || a == nullptr || b == nullptr) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    SetRectEmpty(out);
    return FALSE;
  }
  *out = r;
  return TRUE;
}

// ------------------------------------------------------------------- paint

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (window == nullptr) return TRUE;
  auto w = FindOwn(window);
  if (!w) return FALSE;
  MarkInvalid(*w);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  w->invalid = false;
  w->thread->invalid.erase(window);
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  auto w = FindOwn(window);
  if (!w) return FALSE;
  if (w->invalid && VisibleChain(*w)) {
    SendMessageW(window, WM_PAINT, 0, 0);
    if (IsWindow(window)) ValidateRect(window, nullptr);
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL) {
  auto w = Find(window);
  if (!w) return FALSE;
  if (rect != nullptr) {
    if (w->invalid) {
      GetClientRect(window, rect);
    } else {
      SetRectEmpty(rect);
    }
  }
  return w->invalid ? TRUE : FALSE;
}

// ------------------------------------------------------ focus and capture

HWND SetFocus(HWND window) {
  ThreadState& thread = CurrentThread();
  HWND old = thread.focus;
  if (window != nullptr) {
    auto w = FindOwn(window);
    if (!w) return nullptr;
    if (!EnabledChain(*w)) return nullptr;
    if (window == old) return old;
    thread.focus = window;
    thread.active = GetAncestor(window, GA_ROOT);
    if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (IsWindow(window) && thread.focus == window) {
      SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
  }
  thread.focus = nullptr;
  if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, 0, 0);
  return old;
}

HWND GetFocus() { return CurrentThread().focus; }

HWND GetActiveWindow() { return CurrentThread().active; }

HWND SetActiveWindow(HWND window) {
  ThreadState& thread = CurrentThread();
  HWND old = thread.active;
  if (window != nullptr && !FindOwn(window)) return nullptr;
  thread.active = window;
  return old;
}

HWND SetCapture(HWND window) {
  ThreadState& thread = CurrentThread();
  HWND old = thread.capture;
  if (window != nullptr && !FindOwn(window)) return nullptr;
  thread.capture = window;
  if (old != nullptr && old != window && IsWindow(old)) {
    SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  }
  return old;
}

BOOL ReleaseCapture() {
  ThreadState& thread = CurrentThread();
  HWND old = thread.capture;
  thread.capture = nullptr;
  if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return CurrentThread().capture; }

SHORT GetKeyState(int virtual_key) {
  if (virtual_key < 0 || virtual_key > 255) return 0;
  BYTE k = CurrentThread().keys[virtual_key];
  SHORT r = 0;
  if ((k & 0x80) != 0) r = static_cast<SHORT>(r | static_cast<SHORT>(0x8000));
  if ((k & 0x01) != 0) r = static_cast<SHORT>(r | 1);
  return r;
}

SHORT GetAsyncKeyState(int virtual_key) { return GetKeyState(virtual_key); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (track == nullptr) return FALSE;
  ThreadState& thread = CurrentThread();
  if ((track->dwFlags & TME_CANCEL) != 0) {
    if ((track->dwFlags & TME_LEAVE) != 0 && thread.leave_track == track->hwndTrack) thread.leave_track = nullptr;
    return TRUE;
  }
  if ((track->dwFlags & TME_LEAVE) != 0) {
    if (!FindOwn(track->hwndTrack)) return FALSE;
    if (thread.hover != track->hwndTrack) {
      // The mouse is already elsewhere: the leave comes at once.
      PostMessageW(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
      return TRUE;
    }
    thread.leave_track = track->hwndTrack;
  }
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) return FALSE;
  *point = CurrentThread().cursor;
  return TRUE;
}

// ---------------------------------------------------------------- messages

LRESULT SendMessageW(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto target = Find(window);
  if (!target || target->gone) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!IsOwnThread(*target)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  WNDPROC proc = target->proc;
  return proc(window, message, w, l);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM w, LPARAM l) {
  std::shared_ptr<ThreadState> thread;
  if (window == nullptr) {
    thread = t_thread.state;
    if (!thread) {
      CurrentThread();
      thread = t_thread.state;
    }
  } else {
    auto target = Find(window);
    if (!target || target->gone) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    thread = FindThread(target->thread->id);
    if (!thread) return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(thread->lock);
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = w;
    msg.lParam = l;
    thread->posted.push_back(msg);
  }
  thread->arrived.notify_all();
  return TRUE;
}

BOOL PostThreadMessageW(DWORD thread_id, UINT message, WPARAM w, LPARAM l) {
  auto thread = FindThread(thread_id);
  if (!thread) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(thread->lock);
    MSG msg{};
    msg.message = message;
    msg.wParam = w;
    msg.lParam = l;
    thread->posted.push_back(msg);
  }
  thread->arrived.notify_all();
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  ThreadState& thread = CurrentThread();
  {
    std::lock_guard<std::mutex> guard(thread.lock);
    thread.quit = true;
    thread.quit_code = exit_code;
  }
  thread.arrived.notify_all();
}

namespace {

bool Matches(const MSG& msg, HWND filter, UINT first, UINT last) {
  if (filter == HWND_MESSAGE_THREAD) {
    if (msg.hwnd != nullptr) return false;
  } else if (filter != nullptr && msg.hwnd != filter && !IsChild(filter, msg.hwnd)) {
    return false;
  }
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

WPARAM MouseKeys(const ThreadState& t) {
  WPARAM k = 0;
  if ((t.keys[VK_LBUTTON] & 0x80) != 0) k |= MK_LBUTTON;
  if ((t.keys[VK_RBUTTON] & 0x80) != 0) k |= MK_RBUTTON;
  if ((t.keys[VK_SHIFT] & 0x80) != 0) k |= MK_SHIFT;
  if ((t.keys[VK_CONTROL] & 0x80) != 0) k |= MK_CONTROL;
  return k;
}

void UpdateKey(ThreadState& t, UINT vk, bool down) {
  if (vk > 255) return;
  if (down) {
    if ((t.keys[vk] & 0x80) == 0) t.keys[vk] ^= 0x01;  // toggle on each press
    t.keys[vk] |= 0x80;
  } else {
    t.keys[vk] &= static_cast<BYTE>(~0x80);
  }
  auto generic = [&](UINT g, UINT l, UINT r) {
    bool any = ((t.keys[l] | t.keys[r]) & 0x80) != 0 || (vk == g && down);
    if (vk == g && !down) any = false;
    t.keys[g] = static_cast<BYTE>((t.keys[g] & 0x01) | (any ? 0x80 : 0));
  };
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) generic(VK_MENU, VK_LMENU, VK_RMENU);
}

// Turns an input event into a window message; false when it reaches no
// window (it is then dropped).
bool RouteInput(ThreadState& t, const InputEvent& e, MSG* msg) {
  *msg = MSG{};
  msg->message = e.message;
  msg->wParam = e.wParam;
  msg->lParam = e.lParam;
  if (!e.mouse) {
    bool down = e.message == WM_KEYDOWN || e.message == WM_SYSKEYDOWN;
    bool up = e.message == WM_KEYUP || e.message == WM_SYSKEYUP;
    if (down || up) UpdateKey(t, static_cast<UINT>(e.wParam), down);
    msg->hwnd = t.focus != nullptr ? t.focus : t.active;
    // While a popup menu is open its loop takes the keyboard.
    if (!t.loops.empty() && t.loops.back()->kind == LoopFrame::Kind::kMenu) msg->hwnd = t.loops.back()->window;
    msg->pt = t.cursor;
    return msg->hwnd != nullptr;
  }
  t.cursor = e.screen;
  msg->pt = e.screen;
  if (e.message == WM_LBUTTONDOWN) UpdateKey(t, VK_LBUTTON, true);
  if (e.message == WM_LBUTTONUP) UpdateKey(t, VK_LBUTTON, false);
  if (e.message == WM_RBUTTONDOWN) UpdateKey(t, VK_RBUTTON, true);
  if (e.message == WM_RBUTTONUP) UpdateKey(t, VK_RBUTTON, false);
  HWND under = WindowFromPoint(e.screen);
  if (under != t.hover) {
    if (t.leave_track != nullptr && t.leave_track != under) {
      PostMessageW(t.leave_track, WM_MOUSELEAVE, 0, 0);
      t.leave_track = nullptr;
    }
    t.hover = under;
  }
  HWND target = t.capture != nullptr ? t.capture : under;
  if (target == nullptr) return false;
  auto w = Find(target);
  if (!w) return false;
  if (t.capture == nullptr) {
    if (!EnabledChain(*w)) return false;
    SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTCLIENT, static_cast<WORD>(e.message)));
    if (!IsWindow(target)) return false;
  }
  POINT client = e.screen;
  ScreenToClient(target, &client);
  msg->hwnd = target;
  msg->wParam = MouseKeys(t);
  msg->lParam = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
  return true;
}

// One attempt at taking a message; false when nothing is waiting.
bool TakeMessage(ThreadState& t, MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
  bool unfiltered = filter == nullptr && first == 0 && last == 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(t.lock);
      for (auto it = t.posted.begin(); it != t.posted.end(); ++it) {
        if (!Matches(*it, filter, first, last)) continue;
        *msg = *it;
        msg->pt = t.cursor;
        if (remove) t.posted.erase(it);
        return true;
      }
    }
    if (!unfiltered) break;
    InputEvent e;
    {
      std::lock_guard<std::mutex> guard(t.lock);
      if (t.input.empty()) break;
      e = t.input.front();
      if (!remove) {
        // Peeking without removing shows the event's raw form.
        *msg = MSG{};
        msg->message = e.message;
        msg->wParam = e.wParam;
        msg->lParam = e.lParam;
        msg->hwnd = e.mouse ? nullptr : t.focus;
        return true;
      }
      t.input.pop_front();
    }
    // Routing may post messages (a mouse leave), so look again from the top
    // when the event reached no window.
    if (RouteInput(t, e, msg)) return true;
  }
  // Painting comes last, for visible windows of this thread.
  std::vector<HWND> invalid(t.invalid.begin(), t.invalid.end());
  for (HWND h : invalid) {
    auto w = Find(h);
    if (!w || !w->invalid) {
      t.invalid.erase(h);
      continue;
    }
    if (!VisibleChain(*w)) continue;
    MSG paint{};
    paint.hwnd = h;
    paint.message = WM_PAINT;
    if (!Matches(paint, filter, first, last)) continue;
    *msg = paint;
    return true;
  }
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.quit && (first == 0 && last == 0 ? true : (WM_QUIT >= first && WM_QUIT <= last))) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(t.quit_code);
      if (remove) t.quit = false;
      return true;
    }
  }
  return false;
}

}  // namespace

BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last) {
  if (msg == nullptr) return -1;
  if (window != nullptr && window != HWND_MESSAGE_THREAD && !FindOwn(window)) return -1;
  ThreadState& t = CurrentThread();
  for (;;) {
    if (TakeMessage(t, msg, window, first, last, true)) {
      t.message_pos = MAKELONG(static_cast<WORD>(t.cursor.x), static_cast<WORD>(t.cursor.y));
      return msg->message == WM_QUIT ? 0 : 1;
    }
    std::unique_lock<std::mutex> guard(t.lock);
    if (t.posted.empty() && t.input.empty() && !t.quit) t.arrived.wait(guard);
  }
}

BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  if (msg == nullptr) return FALSE;
  if (window != nullptr && window != HWND_MESSAGE_THREAD && !FindOwn(window)) return FALSE;
  ThreadState& t = CurrentThread();
  if (!TakeMessage(t, msg, window, first, last, (remove & PM_REMOVE) != 0)) return FALSE;
  if ((remove & PM_REMOVE) != 0) {
    t.message_pos = MAKELONG(static_cast<WORD>(t.cursor.x), static_cast<WORD>(t.cursor.y));
  }
  return TRUE;
}

namespace {

// The character a key makes on a US keyboard, or 0.
char16_t KeyChar(UINT vk, bool shift, bool ctrl, bool caps) {
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(vk - 'A' + 1);
    if (vk == VK_OEM_4) return 0x1B;
    if (vk == VK_OEM_5) return 0x1C;
    if (vk == VK_OEM_6) return 0x1D;
    if (vk == VK_BACK) return 0x7F;
    if (vk == VK_RETURN) return 0x0A;
    return 0;
  }
  if (vk >= 'A' && vk <= 'Z') {
    bool upper = shift != caps;
    return static_cast<char16_t>(upper ? vk : vk - 'A' + 'a');
  }
  if (vk >= '0' && vk <= '9') {
    static const char16_t shifted[] = u")!@#$%^&*(";
    return shift ? shifted[vk - '0'] : static_cast<char16_t>(vk);
  }
  switch (vk) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 0x1B;
    case VK_OEM_1: return shift ? u':' : u';';
    case VK_OEM_PLUS: return shift ? u'+' : u'=';
    case VK_OEM_COMMA: return shift ? u'<' : u',';
    case VK_OEM_MINUS: return shift ? u'_' : u'-';
    case VK_OEM_PERIOD: return shift ? u'>' : u'.';
    case VK_OEM_2: return shift ? u'?' : u'/';
    case VK_OEM_3: return shift ? u'~' : u'`';
    case VK_OEM_4: return shift ? u'{' : u'[';
    case VK_OEM_5: return shift ? u'|' : u'\\';
    case VK_OEM_6: return shift ? u'}' : u']';
    case VK_OEM_7: return shift ? u'"' : u'\'';
    default: return 0;
  }
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  ThreadState& t = CurrentThread();
  bool shift = (t.keys[VK_SHIFT] & 0x80) != 0;
  bool ctrl = (t.keys[VK_CONTROL] & 0x80) != 0;
  bool alt = (t.keys[VK_MENU] & 0x80) != 0;
  bool caps = (t.keys[VK_CAPITAL] & 0x01) != 0;
  char16_t c = KeyChar(static_cast<UINT>(msg->wParam), shift, ctrl && !alt, caps);
  if (c == 0) return FALSE;
  // The character goes in front of anything posted meanwhile, as it belongs
  // to the key being handled.
  {
    std::lock_guard<std::mutex> guard(t.lock);
    MSG ch{};
    ch.hwnd = msg->hwnd;
    ch.message = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    ch.wParam = c;
    ch.lParam = msg->lParam;
    t.posted.push_front(ch);
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  auto w = FindOwn(msg->hwnd);
  if (!w) return 0;
  LRESULT r = SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT && IsWindow(msg->hwnd)) ValidateRect(msg->hwnd, nullptr);
  return r;
}

DWORD GetMessagePos() { return CurrentThread().message_pos; }
