// CWnd and CDialog: C++ objects bound to windows.
//
// An object is bound to its window from the window's first message on
// (CreateEx, Create, DoModal) or from SubclassWindow / SubclassDlgItem; its
// WindowProc then sees every message and hands what it does not handle to
// the window's previous procedure (DefWindowProc). Message handling is done
// by overriding OnWndMsg (calling the base for everything else) and the
// virtual handlers below.
//
// Reflection: a parent that gets WM_COMMAND from a control, WM_NOTIFY, a
// WM_CTLCOLOR... request or an owner-draw message first offers it to the
// control's own object (OnChildNotify); by default that object receives it
// as WM_REFLECT_BASE + the message, with the same parameters, in its
// OnWndMsg. Only when the control does not handle it does the parent's own
// handling (OnCtlColor, or the default) run.
//
// Final destruction: after WM_NCDESTROY the object is unbound (m_hWnd null)
// and PostNcDestroy runs; an object that deletes itself does it there.
#pragma once

#include <string>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/module/module.h"
#include "platform/ui/dialog.h"
#include "platform/ui/gdi_classes.h"
#include "platform/ui/window.h"

// Messages reflected to the control that caused them.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

class QUORVIA_PLATFORM_API CWnd {
 public:
  CWnd();
  // Destroys a window still bound to the object.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;

  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object bound to a window, or a wrapper that only holds the handle
  // (valid until the window is destroyed); null for a null handle.
  static CWnd* FromHandle(HWND window);
  // The object bound to a window, or null.
  static CWnd* FromHandlePermanent(HWND window);

  // Binds without taking the window's messages; Detach undoes it.
  BOOL Attach(HWND window);
  HWND Detach();
  // Binds and puts the object's procedure in front of the window's.
  BOOL SubclassWindow(HWND window);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // A null class name creates a plain window of the platform's own class.
  virtual BOOL CreateEx(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, LPVOID param = nullptr);
  virtual BOOL Create(LPCWSTR class_name, LPCWSTR window_name, DWORD style, const RECT& rect, CWnd* parent,
                      UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();

  LRESULT SendMessage(UINT message, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, message, w, l); }
  BOOL PostMessage(UINT message, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, message, w, l); }

  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, parent == nullptr ? nullptr : parent->m_hWnd)); }
  CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
  void SetWindowText(const std::u16string& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
  void GetWindowText(std::u16string& text) const;
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
  void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
  }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after == nullptr ? nullptr : after->m_hWnd, x, y, cx, cy, flags);
  }
  void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
  void ScreenToClient(LPRECT rect) const;
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }

  // Message handling.
  virtual LRESULT WindowProc(UINT message, WPARAM w, LPARAM l);
  virtual BOOL OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result);
  // The window's previous procedure (the class procedure for windows made
  // here), or the system default.
  virtual LRESULT DefWindowProc(UINT message, WPARAM w, LPARAM l);
  // The default handling of the message being handled.
  LRESULT Default();
  // WM_COMMAND: offers a control's command to the control; TRUE when handled.
  virtual BOOL OnCommand(WPARAM w, LPARAM l);
  // WM_NOTIFY: offers the notification to its sender; TRUE when handled.
  virtual BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* result);
  // Offered a message of this window by its parent; by default reflected.
  virtual BOOL OnChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result);
  BOOL ReflectChildNotify(UINT message, WPARAM w, LPARAM l, LRESULT* result);
  // Colours of a child not handled by the child itself: the default.
  virtual HBRUSH OnCtlColor(CDC* dc, CWnd* window, UINT kind);
  // Runs after the window's final message, once the object is unbound.
  virtual void PostNcDestroy();

  WNDPROC m_pfnSuper = nullptr;

 protected:
  friend LRESULT AfxWndProcBase(HWND, UINT, WPARAM, LPARAM);
  void BindOnCreate(HWND window);
  // The message WindowProc is handling, for Default().
  struct Current {
    UINT message = 0;
    WPARAM w = 0;
    LPARAM l = 0;
  } m_current;
  bool m_temporary = false;
};

class QUORVIA_PLATFORM_API CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 private:
  HWND window_;
};

class QUORVIA_PLATFORM_API CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Between a dialog item's text and a string.
QUORVIA_PLATFORM_API void DDX_Text(CDataExchange* dx, int id, std::u16string& value);
// Binds a control object to a dialog item (subclassing it) the first time.
QUORVIA_PLATFORM_API void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class QUORVIA_PLATFORM_API CDialog : public CWnd {
 public:
  // The template is looked up in the calling library's framework instance
  // module first (GetInstanceModule), then in the library itself.
  explicit CDialog(UINT template_id, CWnd* parent = nullptr) : CDialog(template_id, parent, quorvia::ThisModule()) {}
  CDialog(UINT template_id, CWnd* parent, HMODULE caller);
  ~CDialog() override;

  // Runs the dialog modally with the parent's window as owner; the result
  // of EndDialog, -1 when the template is missing or a window cannot be made.
  virtual INT_PTR DoModal();
  // UpdateData(FALSE); TRUE lets the dialog put the focus on its first
  // control.
  virtual BOOL OnInitDialog();
  // UpdateData(TRUE), then EndDialog(IDOK) when that succeeded.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx);
  BOOL UpdateData(BOOL save = TRUE);
  void EndDialog(int result);
  BOOL OnCommand(WPARAM w, LPARAM l) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  HMODULE m_hCallerModule;
};
