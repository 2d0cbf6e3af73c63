// The rebar control ("ReBarWindow32"): bands in rows, each holding a child
// window.
//
// Layout: bands go left to right; a band with RBBS_BREAK starts a new row
// (hidden bands take no room). Every band has a 10 px gripper at its left
// unless it has RBBS_NOGRIPPER; its child fills the rest of the band, as high
// as the row (the largest cyMinChild of the row, at least 1). A band is cx
// wide (or as wide as its gripper and cxMinChild when cx is 0); the last band
// of a row takes whatever width is left. Inserting a band makes the rebar
// the parent of its child; the rebar lays its bands out again after every
// band change and size change, moving their children.
// The rebar passes the WM_COMMAND and WM_NOTIFY messages of its children on
// to its own parent.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/window.h"

constexpr DWORD RBS_TOOLTIPS = 0x00000100;
constexpr DWORD RBS_VARHEIGHT = 0x00000200;
constexpr DWORD RBS_BANDBORDERS = 0x00000400;
constexpr DWORD RBS_FIXEDORDER = 0x00000800;
constexpr DWORD RBS_AUTOSIZE = 0x00002000;
constexpr DWORD RBS_DBLCLKTOGGLE = 0x00008000;

constexpr UINT RBBS_BREAK = 0x00000001;
constexpr UINT RBBS_FIXEDSIZE = 0x00000002;
constexpr UINT RBBS_CHILDEDGE = 0x00000004;
constexpr UINT RBBS_HIDDEN = 0x00000008;
constexpr UINT RBBS_NOVERT = 0x00000010;
constexpr UINT RBBS_FIXEDBMP = 0x00000020;
constexpr UINT RBBS_VARIABLEHEIGHT = 0x00000040;
constexpr UINT RBBS_GRIPPERALWAYS = 0x00000080;
constexpr UINT RBBS_NOGRIPPER = 0x00000100;
constexpr UINT RBBS_USECHEVRON = 0x00000200;
constexpr UINT RBBS_HIDETITLE = 0x00000400;
constexpr UINT RBBS_TOPALIGN = 0x00000800;

constexpr UINT RBBIM_STYLE = 0x00000001;
constexpr UINT RBBIM_COLORS = 0x00000002;
constexpr UINT RBBIM_TEXT = 0x00000004;
constexpr UINT RBBIM_IMAGE = 0x00000008;
constexpr UINT RBBIM_CHILD = 0x00000010;
constexpr UINT RBBIM_CHILDSIZE = 0x00000020;
constexpr UINT RBBIM_SIZE = 0x00000040;
constexpr UINT RBBIM_BACKGROUND = 0x00000080;
constexpr UINT RBBIM_ID = 0x00000100;
constexpr UINT RBBIM_IDEALSIZE = 0x00000200;
constexpr UINT RBBIM_LPARAM = 0x00000400;
constexpr UINT RBBIM_HEADERSIZE = 0x00000800;

constexpr UINT RB_DELETEBAND = WM_USER + 2;
constexpr UINT RB_SETPARENT = WM_USER + 7;
constexpr UINT RB_INSERTBANDW = WM_USER + 10;
constexpr UINT RB_SETBANDINFOW = WM_USER + 11;
constexpr UINT RB_GETBANDCOUNT = WM_USER + 12;
constexpr UINT RB_GETROWCOUNT = WM_USER + 13;
constexpr UINT RB_GETROWHEIGHT = WM_USER + 14;
constexpr UINT RB_IDTOINDEX = WM_USER + 16;
constexpr UINT RB_GETBARHEIGHT = WM_USER + 27;
constexpr UINT RB_GETBANDINFOW = WM_USER + 28;
constexpr UINT RB_GETRECT = WM_USER + 9;
constexpr UINT RB_SHOWBAND = WM_USER + 35;
constexpr UINT RB_INSERTBAND = RB_INSERTBANDW;
constexpr UINT RB_SETBANDINFO = RB_SETBANDINFOW;
constexpr UINT RB_GETBANDINFO = RB_GETBANDINFOW;

struct REBARBANDINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fStyle;
  COLORREF clrFore;
  COLORREF clrBack;
  LPWSTR lpText;
  UINT cch;
  int iImage;
  HWND hwndChild;
  UINT cxMinChild;
  UINT cyMinChild;
  UINT cx;
  HBITMAP hbmBack;
  UINT wID;
  UINT cyChild;
  UINT cyMaxChild;
  UINT cyIntegral;
  UINT cxIdeal;
  LPARAM lParam;
  UINT cxHeader;
  RECT rcChevronLocation;
  UINT uChevronState;
};
using REBARBANDINFO = REBARBANDINFOW;

#define REBARCLASSNAMEW u"ReBarWindow32"
