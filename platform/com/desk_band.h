// The browser's docking interfaces: a window that answers for itself
// (IOleWindow), a docking window (IDockingWindow), a desk band with its band
// information (IDeskBand), and keyboard input objects with the site that is
// told about their focus (IInputObject, IInputObjectSite).
#pragma once

#include "platform/com/unknown.h"
#include "platform/ui/window.h"

struct POINTL {
  LONG x;
  LONG y;
};

struct IOleWindow : IUnknown {
  QUORVIA_INTERFACE_ID(IOleWindow, "00000114-0000-0000-C000-000000000046");

  virtual HRESULT GetWindow(HWND* window) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL enter_mode) = 0;

 protected:
  ~IOleWindow() = default;
};

struct IDockingWindow : IOleWindow {
  QUORVIA_INTERFACE_ID(IDockingWindow, "012DD920-7B26-11D0-8CA9-00A0C92DBFE8");

  virtual HRESULT ShowDW(BOOL show) = 0;
  virtual HRESULT CloseDW(DWORD reserved) = 0;
  virtual HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved) = 0;

 protected:
  ~IDockingWindow() = default;
};

// What GetBandInfo fills in, by the bits of dwMask.
constexpr DWORD DBIM_MINSIZE = 0x0001;
constexpr DWORD DBIM_MAXSIZE = 0x0002;
constexpr DWORD DBIM_INTEGRAL = 0x0004;
constexpr DWORD DBIM_ACTUAL = 0x0008;
constexpr DWORD DBIM_TITLE = 0x0010;
constexpr DWORD DBIM_MODEFLAGS = 0x0020;
constexpr DWORD DBIM_BKCOLOR = 0x0040;

constexpr DWORD DBIMF_NORMAL = 0x0000;
constexpr DWORD DBIMF_VARIABLEHEIGHT = 0x0008;
constexpr DWORD DBIMF_DEBOSSED = 0x0020;
constexpr DWORD DBIMF_BKCOLOR = 0x0040;
constexpr DWORD DBIMF_USECHEVRON = 0x0080;
constexpr DWORD DBIMF_BREAK = 0x0100;

// View modes of GetBandInfo.
constexpr DWORD DBIF_VIEWMODE_NORMAL = 0x0000;
constexpr DWORD DBIF_VIEWMODE_VERTICAL = 0x0001;

struct DESKBANDINFO {
  DWORD dwMask;
  POINTL ptMinSize;
  POINTL ptMaxSize;
  POINTL ptIntegral;
  POINTL ptActual;
  WCHAR wszTitle[256];
  DWORD dwModeFlags;
  COLORREF crBkgnd;
};

struct IDeskBand : IDockingWindow {
  QUORVIA_INTERFACE_ID(IDeskBand, "EB0FE172-1A3A-11D0-89B3-00A0C90A90AC");

  virtual HRESULT GetBandInfo(DWORD band_id, DWORD view_mode, DESKBANDINFO* info) = 0;

 protected:
  ~IDeskBand() = default;
};

struct IInputObject : IUnknown {
  QUORVIA_INTERFACE_ID(IInputObject, "68284FAA-6A48-11D0-8C78-00C04FD918B4");

  virtual HRESULT UIActivateIO(BOOL activate, MSG* msg) = 0;
  virtual HRESULT HasFocusIO() = 0;
  virtual HRESULT TranslateAcceleratorIO(MSG* msg) = 0;

 protected:
  ~IInputObject() = default;
};

struct IInputObjectSite : IUnknown {
  QUORVIA_INTERFACE_ID(IInputObjectSite, "F1DB8392-7331-11D0-8C99-00A0C92DBFE8");

  // object: the input object whose focus changed; set_focus: TRUE when it
  // gained the focus.
  virtual HRESULT OnFocusChangeIS(IUnknown* object, BOOL set_focus) = 0;

 protected:
  ~IInputObjectSite() = default;
};

inline constexpr IID IID_IOleWindow = IOleWindow::iid;
inline constexpr IID IID_IDockingWindow = IDockingWindow::iid;
inline constexpr IID IID_IDeskBand = IDeskBand::iid;
inline constexpr IID IID_IInputObject = IInputObject::iid;
inline constexpr IID IID_IInputObjectSite = IInputObjectSite::iid;
