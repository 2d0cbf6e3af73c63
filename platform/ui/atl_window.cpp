#include "platform/ui/atl_window.h"

#include <array>
#include <mutex>
#include <utility>

namespace {

// A fixed set of window procedures, each bound to one contained window at a
// time, so that a subclass can find its object from a plain procedure.
constexpr int kSlots = 512;

std::mutex& SlotLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::array<CContainedWindow*, kSlots>& Slots() {
  static auto* slots = new std::array<CContainedWindow*, kSlots>{};
  return *slots;
}

CContainedWindow* Owner(int slot) {
  std::lock_guard<std::mutex> guard(SlotLock());
  return Slots()[static_cast<std::size_t>(slot)];
}

template <int N>
LRESULT SlotProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  CContainedWindow* owner = Owner(N);
  if (owner == nullptr) return DefWindowProcW(window, message, w, l);
  return owner->Dispatch(window, message, w, l);
}

template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeProcs(std::index_sequence<I...>) {
  return {&SlotProc<static_cast<int>(I)>...};
}

const std::array<WNDPROC, kSlots>& Procs() {
  static const auto procs = MakeProcs(std::make_index_sequence<kSlots>());
  return procs;
}

int Acquire(CContainedWindow* owner) {
  std::lock_guard<std::mutex> guard(SlotLock());
  for (int i = 0; i < kSlots; ++i) {
    if (Slots()[static_cast<std::size_t>(i)] == nullptr) {
      Slots()[static_cast<std::size_t>(i)] = owner;
      return i;
    }
  }
  return -1;
}

void Release(int slot) {
  if (slot < 0) return;
  std::lock_guard<std::mutex> guard(SlotLock());
  Slots()[static_cast<std::size_t>(slot)] = nullptr;
}

}  // namespace

CContainedWindow::CContainedWindow(CMessageMap* object, DWORD map_id)
    : m_pObject(object), m_dwMsgMapID(map_id), m_pfnSuperWindowProc(&DefWindowProcW) {}

CContainedWindow::~CContainedWindow() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) UnsubclassWindow();
  Release(slot_);
}

WNDPROC CContainedWindow::GetWindowProc() const { return slot_ < 0 ? nullptr : Procs()[static_cast<std::size_t>(slot_)]; }

BOOL CContainedWindow::SubclassWindow(HWND window) {
  if (m_hWnd != nullptr || !::IsWindow(window)) return FALSE;
  if (slot_ < 0) slot_ = Acquire(this);
  if (slot_ < 0) return FALSE;
  auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetWindowProc())));
  if (previous == nullptr) return FALSE;
  m_pfnSuperWindowProc = previous;
  m_hWnd = window;
  return TRUE;
}

HWND CContainedWindow::UnsubclassWindow(BOOL force) {
  if (m_hWnd == nullptr) return nullptr;
  auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC));
  if (current != GetWindowProc() && !force) return nullptr;
  if (SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuperWindowProc)) == 0) return nullptr;
  m_pfnSuperWindowProc = &DefWindowProcW;
  return Detach();
}

LRESULT CContainedWindow::DefWindowProc(UINT message, WPARAM w, LPARAM l) {
  return CallWindowProcW(m_pfnSuperWindowProc, m_hWnd, message, w, l);
}

LRESULT CContainedWindow::Dispatch(HWND window, UINT message, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (m_pObject != nullptr && m_pObject->ProcessWindowMessage(window, message, w, l, result, m_dwMsgMapID)) {
    return result;
  }
  WNDPROC super = m_pfnSuperWindowProc;
  if (message != WM_NCDESTROY) return CallWindowProcW(super, window, message, w, l);
  // The final message: step out of the window's chain and forget it.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == GetWindowProc()) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
  }
  if (m_hWnd == window) {
    m_hWnd = nullptr;
    m_pfnSuperWindowProc = &DefWindowProcW;
  }
  return CallWindowProcW(super, window, message, w, l);
}
