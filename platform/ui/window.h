// The headless window system: window classes and procedures, windows with
// parents, children and owners, messages sent and posted, a message queue per
// thread, focus, mouse capture and the keyboard state.
//
// Window handles are never reused within a process.
//
// Windows belong to the thread that creates them. Their calls are made on
// that thread; a message may be posted to a window of any thread, but sending
// to a window of another thread is refused (0, ERROR_ACCESS_DENIED).
//
// Geometry: a top-level window's rectangle is in screen coordinates, a child's
// in its parent's client coordinates. The client area is the window minus
// its frame: WS_THICKFRAME 4 px, WS_DLGFRAME (or WS_EX_DLGMODALFRAME) 3 px,
// WS_BORDER alone 1 px, WS_EX_CLIENTEDGE 2 px, WS_EX_STATICEDGE 1 px, and a
// caption (WS_CAPTION) 20 px above the client area.
#pragma once

#include <cstdint>

#include "platform/api.h"
#include "platform/com/types.h"

// ---------------------------------------------------------------- messages
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_DELETEITEM = 0x002D;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_COMPAREITEM = 0x0039;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_ENTERIDLE = 0x0121;
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_PARENTNOTIFY = 0x0210;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
// WM_ACTIVATE states.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
// WM_NCHITTEST results.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
// WM_MOUSEACTIVATE results.
constexpr LRESULT MA_ACTIVATE = 1;
// Mouse message key flags (wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;

// Mouse coordinates packed into lParam (signed 16-bit each).
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))); }

// ------------------------------------------------------------------ styles
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_GLOBALCLASS = 0x4000;

// Common control styles (toolbar, rebar).
constexpr DWORD CCS_TOP = 0x00000001;
constexpr DWORD CCS_NOMOVEY = 0x00000002;
constexpr DWORD CCS_BOTTOM = 0x00000003;
constexpr DWORD CCS_NORESIZE = 0x00000004;
constexpr DWORD CCS_NOPARENTALIGN = 0x00000008;
constexpr DWORD CCS_ADJUSTABLE = 0x00000020;
constexpr DWORD CCS_NODIVIDER = 0x00000040;
constexpr DWORD CCS_VERT = 0x00000080;

// --------------------------------------------------------- window indexes
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_HWNDPARENT = -8;
constexpr int GWLP_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;
// The short names, as 32-bit code spells them.
constexpr int GWL_WNDPROC = GWLP_WNDPROC;
constexpr int GWL_ID = GWLP_ID;
constexpr int GWL_USERDATA = GWLP_USERDATA;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
constexpr UINT GW_ENABLEDPOPUP = 6;
// GetAncestor relations.
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos flags and insert-after values.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
// Set by the system in WM_WINDOWPOSCHANGED when the client size or origin did
// not change; DefWindowProc then sends no WM_SIZE or WM_MOVE.
constexpr UINT SWP_NOCLIENTSIZE = 0x0800;
constexpr UINT SWP_NOCLIENTMOVE = 0x1000;
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<std::intptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<std::intptr_t>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2)))
// PeekMessage filter for messages posted to the thread itself.
#define HWND_MESSAGE_THREAD (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)))

// CreateWindowEx default position or size.
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// PeekMessage options.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

// ----------------------------------------------------------- virtual keys
constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_RBUTTON = 0x02;
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F4 = 0x73;
constexpr UINT VK_LSHIFT = 0xA0;
constexpr UINT VK_RSHIFT = 0xA1;
constexpr UINT VK_LCONTROL = 0xA2;
constexpr UINT VK_RCONTROL = 0xA3;
constexpr UINT VK_LMENU = 0xA4;
constexpr UINT VK_RMENU = 0xA5;
constexpr UINT VK_OEM_1 = 0xBA;       // ;:
constexpr UINT VK_OEM_PLUS = 0xBB;    // =+
constexpr UINT VK_OEM_COMMA = 0xBC;   // ,<
constexpr UINT VK_OEM_MINUS = 0xBD;   // -_
constexpr UINT VK_OEM_PERIOD = 0xBE;  // .>
constexpr UINT VK_OEM_2 = 0xBF;       // /?
constexpr UINT VK_OEM_3 = 0xC0;       // `~
constexpr UINT VK_OEM_4 = 0xDB;       // [{
constexpr UINT VK_OEM_5 = 0xDC;       // \|
constexpr UINT VK_OEM_6 = 0xDD;       // ]}
constexpr UINT VK_OEM_7 = 0xDE;       // '"

// --------------------------------------------------------------- structures
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
};

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};

// The header of every WM_NOTIFY.
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};

constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_CANCEL = 0x80000000;
struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};

// Error codes of the window calls.
constexpr LONG ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr LONG ERROR_INVALID_MENU_HANDLE = 1401;
constexpr LONG ERROR_TLW_WITH_WSCHILD = 1406;
constexpr LONG ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr LONG ERROR_WINDOW_OF_OTHER_THREAD = 1408;
constexpr LONG ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr LONG ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr LONG ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr LONG ERROR_INVALID_INDEX = 1413;
constexpr LONG ERROR_RESOURCE_NOT_FOUND = 1814;

// ---------------------------------------------------------------- classes
// Classes are process-wide and found by name without regard to case. The
// system classes ("Button", "Static", "Edit", "ComboBox", "ComboLBox",
// "ListBox", "ToolbarWindow32", "ReBarWindow32", "tooltips_class32", the
// menu class "#32768" and the dialog class "#32770") exist from the start.
QUORVIA_PLATFORM_API ATOM RegisterClassExW(const WNDCLASSEXW* wc);
QUORVIA_PLATFORM_API ATOM RegisterClassW(const WNDCLASSW* wc);
// FALSE when the class is unknown or still has windows.
QUORVIA_PLATFORM_API BOOL UnregisterClassW(LPCWSTR class_name, HINSTANCE instance);
QUORVIA_PLATFORM_API BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR class_name, WNDCLASSEXW* wc);
// The class name as registered; returns the characters copied.
QUORVIA_PLATFORM_API int GetClassNameW(HWND window, LPWSTR buffer, int size);

// ------------------------------------------------------ creation and tree
// Sends WM_NCCREATE (FALSE ends the creation), WM_CREATE (-1 ends it), then
// WM_SIZE and WM_MOVE; a window with WS_VISIBLE is shown after that. `menu`
// is the child identifier for a child window. Null on failure, with the
// reason in GetLastError.
QUORVIA_PLATFORM_API HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style,
                                          int x, int y, int width, int height, HWND parent, HMENU menu,
                                          HINSTANCE instance, LPVOID param);
inline HWND CreateWindowW(LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExW(0, class_name, window_name, style, x, y, width, height, parent, menu, instance, param);
}
// Destroys the window's owned windows, then sends WM_DESTROY to the window
// and then to its descendants (parents before children), then WM_NCDESTROY
// to the descendants and last to the window itself (children before
// parents). WM_NCDESTROY is the final message: the handle is invalid after
// it.
QUORVIA_PLATFORM_API BOOL DestroyWindow(HWND window);
QUORVIA_PLATFORM_API BOOL IsWindow(HWND window);
// A child's parent; a top-level window's owner (null when none).
QUORVIA_PLATFORM_API HWND GetParent(HWND window);
// Returns the old parent; null parent makes the window top-level.
QUORVIA_PLATFORM_API HWND SetParent(HWND child, HWND new_parent);
QUORVIA_PLATFORM_API HWND GetAncestor(HWND window, UINT flags);
QUORVIA_PLATFORM_API HWND GetWindow(HWND window, UINT relation);
QUORVIA_PLATFORM_API HWND GetTopWindow(HWND window);
QUORVIA_PLATFORM_API BOOL IsChild(HWND parent, HWND window);
QUORVIA_PLATFORM_API BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param);
// The calling thread's top-level windows, in Z order.
QUORVIA_PLATFORM_API BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC callback, LPARAM param);
QUORVIA_PLATFORM_API DWORD GetCurrentThreadId();
QUORVIA_PLATFORM_API DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id);
// A child with that identifier, or null.
QUORVIA_PLATFORM_API HWND GetDlgItem(HWND parent, int id);
QUORVIA_PLATFORM_API int GetDlgCtrlID(HWND window);

// ------------------------------------------------------------- attributes
QUORVIA_PLATFORM_API LONG_PTR GetWindowLongPtrW(HWND window, int index);
// Returns the previous value; 0 with ERROR_INVALID_INDEX for a bad index.
QUORVIA_PLATFORM_API LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
// The 32-bit forms: GWL_STYLE, GWL_EXSTYLE, GWL_ID and the extra bytes.
// Window procedures do not fit and are refused (ERROR_INVALID_INDEX).
QUORVIA_PLATFORM_API LONG GetWindowLongW(HWND window, int index);
QUORVIA_PLATFORM_API LONG SetWindowLongW(HWND window, int index, LONG value);
QUORVIA_PLATFORM_API LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l);
QUORVIA_PLATFORM_API LRESULT DefWindowProcW(HWND window, UINT message, WPARAM w, LPARAM l);

QUORVIA_PLATFORM_API BOOL SetWindowTextW(HWND window, LPCWSTR text);
QUORVIA_PLATFORM_API int GetWindowTextW(HWND window, LPWSTR buffer, int size);
QUORVIA_PLATFORM_API int GetWindowTextLengthW(HWND window);

// --------------------------------------------------------- show and enable
// Returns whether the window was visible before.
QUORVIA_PLATFORM_API BOOL ShowWindow(HWND window, int command);
// Visible when it and all its ancestors have WS_VISIBLE.
QUORVIA_PLATFORM_API BOOL IsWindowVisible(HWND window);
// Returns whether the window was disabled before.
QUORVIA_PLATFORM_API BOOL EnableWindow(HWND window, BOOL enable);
QUORVIA_PLATFORM_API BOOL IsWindowEnabled(HWND window);

// --------------------------------------------------------------- geometry
QUORVIA_PLATFORM_API BOOL GetWindowRect(HWND window, RECT* rect);
QUORVIA_PLATFORM_API BOOL GetClientRect(HWND window, RECT* rect);
QUORVIA_PLATFORM_API BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// Sends WM_WINDOWPOSCHANGING (the receiver may change the WINDOWPOS) and
// WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE when
// the client origin or size changed.
QUORVIA_PLATFORM_API BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height,
                                       UINT flags);
QUORVIA_PLATFORM_API BOOL ClientToScreen(HWND window, POINT* point);
QUORVIA_PLATFORM_API BOOL ScreenToClient(HWND window, POINT* point);
// Maps from one window's client coordinates to another's (null = screen);
// returns the horizontal offset in the low word and the vertical in the high.
QUORVIA_PLATFORM_API int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
// The deepest visible, enabled window of the calling thread under the screen
// point whose WM_NCHITTEST is not HTTRANSPARENT; null when none.
QUORVIA_PLATFORM_API HWND WindowFromPoint(POINT point);
// The window rectangle a client rectangle needs with this style.
QUORVIA_PLATFORM_API BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style);

QUORVIA_PLATFORM_API BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
QUORVIA_PLATFORM_API BOOL SetRectEmpty(RECT* rect);
QUORVIA_PLATFORM_API BOOL CopyRect(RECT* to, const RECT* from);
QUORVIA_PLATFORM_API BOOL OffsetRect(RECT* rect, int dx, int dy);
QUORVIA_PLATFORM_API BOOL InflateRect(RECT* rect, int dx, int dy);
QUORVIA_PLATFORM_API BOOL IsRectEmpty(const RECT* rect);
QUORVIA_PLATFORM_API BOOL PtInRect(const RECT* rect, POINT point);
QUORVIA_PLATFORM_API BOOL EqualRect(const RECT* a, const RECT* b);
QUORVIA_PLATFORM_API BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);

// ------------------------------------------------------------------ paint
// Marks the window for painting: the thread's queue produces WM_PAINT for it
// once no posted message or input is waiting and the window is visible.
QUORVIA_PLATFORM_API BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
QUORVIA_PLATFORM_API BOOL ValidateRect(HWND window, const RECT* rect);
// Sends WM_PAINT at once when the window is marked.
QUORVIA_PLATFORM_API BOOL UpdateWindow(HWND window);
QUORVIA_PLATFORM_API BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);

// ------------------------------------------------------- focus and capture
// Sends WM_KILLFOCUS to the old focus and WM_SETFOCUS to the new one;
// returns the old focus. Null removes the focus. A window of another thread
// or a disabled one is refused (null, focus unchanged).
QUORVIA_PLATFORM_API HWND SetFocus(HWND window);
QUORVIA_PLATFORM_API HWND GetFocus();
QUORVIA_PLATFORM_API HWND GetActiveWindow();
QUORVIA_PLATFORM_API HWND SetActiveWindow(HWND window);
QUORVIA_PLATFORM_API HWND SetCapture(HWND window);
QUORVIA_PLATFORM_API BOOL ReleaseCapture();
QUORVIA_PLATFORM_API HWND GetCapture();
// 0x8000 while the key is down (as of the last input message taken from the
// queue), bit 0 when toggled (Caps Lock).
QUORVIA_PLATFORM_API SHORT GetKeyState(int virtual_key);
QUORVIA_PLATFORM_API SHORT GetAsyncKeyState(int virtual_key);
// TME_LEAVE: posts WM_MOUSELEAVE when the mouse leaves the window.
QUORVIA_PLATFORM_API BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
QUORVIA_PLATFORM_API BOOL GetCursorPos(POINT* point);

// --------------------------------------------------------------- messages
QUORVIA_PLATFORM_API LRESULT SendMessageW(HWND window, UINT message, WPARAM w, LPARAM l);
// A null window posts to the calling thread.
QUORVIA_PLATFORM_API BOOL PostMessageW(HWND window, UINT message, WPARAM w, LPARAM l);
QUORVIA_PLATFORM_API BOOL PostThreadMessageW(DWORD thread_id, UINT message, WPARAM w, LPARAM l);
QUORVIA_PLATFORM_API void PostQuitMessage(int exit_code);
// Order: posted messages, then input (routed to the focus window or to the
// window under the mouse, or to the capture), then WM_PAINT; WM_QUIT once
// nothing else is posted. Blocks until a message arrives; returns 0 for
// WM_QUIT, -1 for a bad window filter. Filters (a window, a message range)
// apply to posted messages and WM_PAINT; input is taken only without filters.
QUORVIA_PLATFORM_API BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last);
QUORVIA_PLATFORM_API BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
// Posts WM_CHAR (WM_SYSCHAR) for a key-down that makes a character with the
// current keyboard state (US layout; Ctrl+letter gives 1 to 26).
QUORVIA_PLATFORM_API BOOL TranslateMessage(const MSG* msg);
QUORVIA_PLATFORM_API LRESULT DispatchMessageW(const MSG* msg);
// The message being handled by the calling thread's innermost dispatch.
QUORVIA_PLATFORM_API DWORD GetMessagePos();

// The usual names.
inline LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  return SendMessageW(window, message, w, l);
}
inline BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  return PostMessageW(window, message, w, l);
}
inline LRESULT DefWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}
inline LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l) {
  return CallWindowProcW(proc, window, message, w, l);
}
inline LONG_PTR GetWindowLongPtr(HWND window, int index) { return GetWindowLongPtrW(window, index); }
inline LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) {
  return SetWindowLongPtrW(window, index, value);
}
inline HWND CreateWindowEx(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExW(ex_style, class_name, window_name, style, x, y, width, height, parent, menu, instance,
                         param);
}
