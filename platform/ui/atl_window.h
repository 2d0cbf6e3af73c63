// CWindow, CMessageMap and CContainedWindow: a window handle holder, and a
// subclass that hands a window's messages to an object's message map.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/window.h"

class QUORVIA_PLATFORM_API CWindow {
 public:
  explicit CWindow(HWND window = nullptr) : m_hWnd(window) {}
  HWND m_hWnd;

  operator HWND() const { return m_hWnd; }
  void Attach(HWND window) { m_hWnd = window; }
  HWND Detach() {
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
  }
  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  LRESULT SendMessage(UINT message, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, message, w, l); }
  BOOL PostMessage(UINT message, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, message, w, l); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
  BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
  BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
  BOOL SetWindowText(LPCWSTR text) { return ::SetWindowTextW(m_hWnd, text); }
  LONG_PTR GetWindowLongPtr(int index) const { return ::GetWindowLongPtrW(m_hWnd, index); }
  LONG_PTR SetWindowLongPtr(int index, LONG_PTR value) { return ::SetWindowLongPtrW(m_hWnd, index, value); }
};

// An object whose message map handles the messages of windows it has
// subclassed. Returns TRUE when the message was handled (with `result`).
class CMessageMap {
 public:
  virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM w, LPARAM l, LRESULT& result,
                                    DWORD map_id) = 0;

 protected:
  ~CMessageMap() = default;
};

// Subclasses a window for a message map. Messages the map does not handle
// go to the window's previous procedure, m_pfnSuperWindowProc (the system
// default until a window is subclassed and after it is let go). When the
// window gets its final message, the subclass removes itself (if it is
// still the window's procedure) and forgets the window. Every subclass has
// a procedure of its own, so one window may carry several.
class QUORVIA_PLATFORM_API CContainedWindow : public CWindow {
 public:
  explicit CContainedWindow(CMessageMap* object = nullptr, DWORD map_id = 0);
  ~CContainedWindow();
  CContainedWindow(const CContainedWindow&) = delete;
  CContainedWindow& operator=(const CContainedWindow&) = delete;

  CMessageMap* m_pObject;
  DWORD m_dwMsgMapID;
  WNDPROC m_pfnSuperWindowProc;

  // FALSE when already subclassing, for a bad window, or when no procedure
  // is left for a new subclass.
  BOOL SubclassWindow(HWND window);
  // Puts the previous procedure back when this subclass is still the
  // window's procedure (or always with force); returns the window, null
  // when nothing was undone.
  HWND UnsubclassWindow(BOOL force = FALSE);
  // The previous procedure's handling.
  LRESULT DefWindowProc(UINT message, WPARAM w, LPARAM l);
  // This subclass's window procedure (while it exists).
  WNDPROC GetWindowProc() const;

  LRESULT Dispatch(HWND window, UINT message, WPARAM w, LPARAM l);

 private:
  int slot_ = -1;
};
