// The toolbar control ("ToolbarWindow32"), its notifications and custom
// drawing, and the tool tip control ("tooltips_class32").
//
// Layout (one row, left to right from x = 0, no gaps, top y = 0):
//   button height = max(bitmap height, text height of the toolbar's font when
//     a button shows text) + cyPad + 1, or the size set by TB_SETBUTTONSIZE
//     when larger. Defaults: bitmap 16 x 15, padding cxPad 7, cyPad 6, so a
//     toolbar of image buttons is 22 high and its plain buttons 24 wide.
//   width of a button:
//     hidden (TBSTATE_HIDDEN): 0;
//     a width set with TB_SETBUTTONINFO / TBIF_SIZE (cx > 0): exactly that;
//     a separator: its iBitmap when positive, else 8;
//     BTNS_AUTOSIZE: cxPad + 1 + content + arrow;
//     other buttons: the common button width, the largest of
//       bitmap width + cxPad + 1, the TB_SETBUTTONSIZE width and every such
//       button's cxPad + 1 + content + arrow.
//   content = image width (iBitmap >= 0) + 4 when both an image and a text
//     show + text width (8 px per character in the default font);
//   arrow = 14 for BTNS_WHOLEDROPDOWN, and for BTNS_DROPDOWN with
//     TBSTYLE_EX_DRAWDDARROWS (the right 14 px are then the drop-down part).
//   A button shows its text with TBSTYLE_LIST; with TBSTYLE_EX_MIXEDBUTTONS
//   only when it has BTNS_SHOWTEXT.
// A TB_SETBUTTONINFO that changes the text, image or style of a
// BTNS_AUTOSIZE button without TBIF_SIZE drops its set width, so the button
// is measured again from its content.
//
// Mouse: a press and release on an enabled button sends WM_COMMAND
// (MAKEWPARAM(id, BN_CLICKED), toolbar) to the toolbar's parent (or the
// window set with TB_SETPARENT); BTNS_CHECK buttons toggle TBSTATE_CHECKED
// first. A press on a drop-down part sends TBN_DROPDOWN instead, with the
// button shown pressed while the notification runs. Moving over buttons
// sends TBN_HOTITEMCHANGE (a non-zero answer refuses the change); leaving
// the toolbar sends it with idNew 0 and HICF_LEAVING.
// Painting (WM_PAINT) runs the custom draw cycle with NM_CUSTOMDRAW, then
// draws the images of the buttons that were not skipped.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/window.h"

// ------------------------------------------------------------ styles
constexpr BYTE BTNS_BUTTON = 0x00;
constexpr BYTE BTNS_SEP = 0x01;
constexpr BYTE BTNS_CHECK = 0x02;
constexpr BYTE BTNS_GROUP = 0x04;
constexpr BYTE BTNS_CHECKGROUP = BTNS_GROUP | BTNS_CHECK;
constexpr BYTE BTNS_DROPDOWN = 0x08;
constexpr BYTE BTNS_AUTOSIZE = 0x10;
constexpr BYTE BTNS_NOPREFIX = 0x20;
constexpr BYTE BTNS_SHOWTEXT = 0x40;
constexpr BYTE BTNS_WHOLEDROPDOWN = 0x80;

constexpr BYTE TBSTYLE_BUTTON = BTNS_BUTTON;
constexpr BYTE TBSTYLE_SEP = BTNS_SEP;
constexpr BYTE TBSTYLE_CHECK = BTNS_CHECK;
constexpr BYTE TBSTYLE_DROPDOWN = BTNS_DROPDOWN;
constexpr BYTE TBSTYLE_AUTOSIZE = BTNS_AUTOSIZE;
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_ALTDRAG = 0x0400;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD TBSTYLE_LIST = 0x1000;
constexpr DWORD TBSTYLE_CUSTOMERASE = 0x2000;
constexpr DWORD TBSTYLE_REGISTERDROP = 0x4000;
constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;

constexpr DWORD TBSTYLE_EX_DRAWDDARROWS = 0x00000001;
constexpr DWORD TBSTYLE_EX_MIXEDBUTTONS = 0x00000008;
constexpr DWORD TBSTYLE_EX_HIDECLIPPEDBUTTONS = 0x00000010;
constexpr DWORD TBSTYLE_EX_DOUBLEBUFFER = 0x00000080;

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTATE_INDETERMINATE = 0x10;
constexpr BYTE TBSTATE_WRAP = 0x20;
constexpr BYTE TBSTATE_ELLIPSES = 0x40;
constexpr BYTE TBSTATE_MARKED = 0x80;

constexpr int I_IMAGECALLBACK = -1;
constexpr int I_IMAGENONE = -2;

// --------------------------------------------------------- messages
constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;
constexpr UINT TB_CHECKBUTTON = WM_USER + 2;
constexpr UINT TB_PRESSBUTTON = WM_USER + 3;
constexpr UINT TB_HIDEBUTTON = WM_USER + 4;
constexpr UINT TB_INDETERMINATE = WM_USER + 5;
constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9;
constexpr UINT TB_ISBUTTONCHECKED = WM_USER + 10;
constexpr UINT TB_ISBUTTONPRESSED = WM_USER + 11;
constexpr UINT TB_ISBUTTONHIDDEN = WM_USER + 12;
constexpr UINT TB_SETSTATE = WM_USER + 17;
constexpr UINT TB_GETSTATE = WM_USER + 18;
constexpr UINT TB_DELETEBUTTON = WM_USER + 22;
constexpr UINT TB_GETBUTTON = WM_USER + 23;
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25;
constexpr UINT TB_GETITEMRECT = WM_USER + 29;
constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30;
constexpr UINT TB_SETBUTTONSIZE = WM_USER + 31;
constexpr UINT TB_SETBITMAPSIZE = WM_USER + 32;
constexpr UINT TB_AUTOSIZE = WM_USER + 33;
constexpr UINT TB_GETTOOLTIPS = WM_USER + 35;
constexpr UINT TB_SETTOOLTIPS = WM_USER + 36;
constexpr UINT TB_SETPARENT = WM_USER + 37;
constexpr UINT TB_SETINDENT = WM_USER + 47;
constexpr UINT TB_SETIMAGELIST = WM_USER + 48;
constexpr UINT TB_GETIMAGELIST = WM_USER + 49;
constexpr UINT TB_GETRECT = WM_USER + 51;
constexpr UINT TB_SETHOTIMAGELIST = WM_USER + 52;
constexpr UINT TB_GETHOTIMAGELIST = WM_USER + 53;
constexpr UINT TB_SETDISABLEDIMAGELIST = WM_USER + 54;
constexpr UINT TB_GETDISABLEDIMAGELIST = WM_USER + 55;
constexpr UINT TB_SETSTYLE = WM_USER + 56;
constexpr UINT TB_GETSTYLE = WM_USER + 57;
constexpr UINT TB_GETBUTTONSIZE = WM_USER + 58;
constexpr UINT TB_SETMAXTEXTROWS = WM_USER + 60;
constexpr UINT TB_GETBUTTONINFOW = WM_USER + 63;
constexpr UINT TB_SETBUTTONINFOW = WM_USER + 64;
constexpr UINT TB_INSERTBUTTONW = WM_USER + 67;
constexpr UINT TB_ADDBUTTONSW = WM_USER + 68;
constexpr UINT TB_HITTEST = WM_USER + 69;
constexpr UINT TB_GETHOTITEM = WM_USER + 71;
constexpr UINT TB_SETHOTITEM = WM_USER + 72;
constexpr UINT TB_GETBUTTONTEXTW = WM_USER + 75;
constexpr UINT TB_ADDSTRINGW = WM_USER + 77;
constexpr UINT TB_GETMAXSIZE = WM_USER + 83;
constexpr UINT TB_SETEXTENDEDSTYLE = WM_USER + 84;
constexpr UINT TB_GETEXTENDEDSTYLE = WM_USER + 85;
constexpr UINT TB_GETPADDING = WM_USER + 86;
constexpr UINT TB_SETPADDING = WM_USER + 87;
constexpr UINT TB_GETSTRINGW = WM_USER + 91;
constexpr UINT TB_GETMETRICS = WM_USER + 101;
constexpr UINT TB_SETMETRICS = WM_USER + 102;
constexpr UINT TB_GETBUTTONINFO = TB_GETBUTTONINFOW;
constexpr UINT TB_SETBUTTONINFO = TB_SETBUTTONINFOW;
constexpr UINT TB_INSERTBUTTON = TB_INSERTBUTTONW;
constexpr UINT TB_ADDBUTTONS = TB_ADDBUTTONSW;
constexpr UINT TB_GETBUTTONTEXT = TB_GETBUTTONTEXTW;
constexpr UINT TB_ADDSTRING = TB_ADDSTRINGW;
constexpr UINT TB_GETSTRING = TB_GETSTRINGW;

constexpr DWORD TBIF_IMAGE = 0x00000001;
constexpr DWORD TBIF_TEXT = 0x00000002;
constexpr DWORD TBIF_STATE = 0x00000004;
constexpr DWORD TBIF_STYLE = 0x00000008;
constexpr DWORD TBIF_LPARAM = 0x00000010;
constexpr DWORD TBIF_COMMAND = 0x00000020;
constexpr DWORD TBIF_SIZE = 0x00000040;
constexpr DWORD TBIF_BYINDEX = 0x80000000;

constexpr DWORD TBMF_PAD = 0x00000001;
constexpr DWORD TBMF_BARPAD = 0x00000002;
constexpr DWORD TBMF_BUTTONSPACING = 0x00000004;

struct TBBUTTON {
  int iBitmap;
  int idCommand;
  BYTE fsState;
  BYTE fsStyle;
  BYTE bReserved[6];
  DWORD_PTR dwData;
  INT_PTR iString;  // a string index, -1, or the address of a text
};

struct TBBUTTONINFOW {
  UINT cbSize;
  DWORD dwMask;
  int idCommand;
  int iImage;
  BYTE fsState;
  BYTE fsStyle;
  WORD cx;
  DWORD_PTR lParam;
  LPWSTR pszText;
  int cchText;
};
using TBBUTTONINFO = TBBUTTONINFOW;

struct TBMETRICS {
  UINT cbSize;
  DWORD dwMask;
  int cxPad;
  int cyPad;
  int cxBarPad;
  int cyBarPad;
  int cxButtonSpacing;
  int cyButtonSpacing;
};

// ---------------------------------------------------- notifications
constexpr UINT NM_FIRST = 0;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT TBN_FIRST = 0u - 700u;
constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;
constexpr UINT TBN_HOTITEMCHANGE = TBN_FIRST - 13;

// TBN_DROPDOWN answers.
constexpr LRESULT TBDDRET_DEFAULT = 0;
constexpr LRESULT TBDDRET_NODEFAULT = 1;
constexpr LRESULT TBDDRET_TREATPRESSED = 2;

// TBN_HOTITEMCHANGE flags.
constexpr DWORD HICF_OTHER = 0x00000000;
constexpr DWORD HICF_MOUSE = 0x00000001;
constexpr DWORD HICF_ARROWKEYS = 0x00000002;
constexpr DWORD HICF_ACCELERATOR = 0x00000004;
constexpr DWORD HICF_ENTERING = 0x00000010;
constexpr DWORD HICF_LEAVING = 0x00000020;

struct NMTOOLBARW {
  NMHDR hdr;
  int iItem;
  TBBUTTON tbButton;
  int cchText;
  LPWSTR pszText;
  RECT rcButton;
};
using NMTOOLBAR = NMTOOLBARW;

struct NMTBHOTITEM {
  NMHDR hdr;
  int idOld;
  int idNew;
  DWORD dwFlags;
};

// Custom drawing.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_POSTPAINT = 0x00000002;
constexpr DWORD CDDS_PREERASE = 0x00000003;
constexpr DWORD CDDS_POSTERASE = 0x00000004;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;

constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
constexpr LRESULT CDRF_NEWFONT = 0x00000002;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYPOSTERASE = 0x00000040;

constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_GRAYED = 0x0002;
constexpr UINT CDIS_DISABLED = 0x0004;
constexpr UINT CDIS_CHECKED = 0x0008;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr UINT CDIS_DEFAULT = 0x0020;
constexpr UINT CDIS_HOT = 0x0040;
constexpr UINT CDIS_MARKED = 0x0080;
constexpr UINT CDIS_INDETERMINATE = 0x0100;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage;
  HDC hdc;
  RECT rc;
  DWORD_PTR dwItemSpec;
  UINT uItemState;
  LPARAM lItemlParam;
};

struct NMTBCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  HBRUSH hbrMonoDither;
  HBRUSH hbrLines;
  HANDLE hpenLines;
  COLORREF clrText;
  COLORREF clrMark;
  COLORREF clrTextHighlight;
  COLORREF clrBtnFace;
  COLORREF clrBtnHighlight;
  COLORREF clrHighlightHotTrack;
  RECT rcText;
  int nStringBkMode;
  int nHLStringBkMode;
  int iListGap;
};

// Button notification codes (WM_COMMAND high word).
constexpr WORD BN_CLICKED = 0;

// ---------------------------------------------------------- tool tips
constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
constexpr UINT TTM_DELTOOLW = WM_USER + 51;
constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;
constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
constexpr UINT TTM_SETTOOLINFOW = WM_USER + 54;
constexpr UINT TTM_GETTEXTW = WM_USER + 56;
constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;
constexpr UINT TTM_ADDTOOL = TTM_ADDTOOLW;
constexpr UINT TTM_DELTOOL = TTM_DELTOOLW;
constexpr UINT TTM_GETTEXT = TTM_GETTEXTW;
constexpr UINT TTM_UPDATETIPTEXT = TTM_UPDATETIPTEXTW;

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_SUBCLASS = 0x0010;
#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(static_cast<std::intptr_t>(-1)))

struct TOOLINFOW {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPWSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
};
using TOOLINFO = TOOLINFOW;

// Class names.
#define TOOLBARCLASSNAMEW u"ToolbarWindow32"
#define TOOLTIPS_CLASSW u"tooltips_class32"

namespace quorvia::ui {
// The width of the drop-down part of a split button (and of the arrow of a
// BTNS_WHOLEDROPDOWN button).
constexpr int kToolbarArrowWidth = 14;
}  // namespace quorvia::ui
