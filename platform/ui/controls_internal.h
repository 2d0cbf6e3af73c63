// The window procedures of the built-in classes and helpers they share.
#pragma once

#include "platform/ui/window.h"

namespace quorvia::ui {

LRESULT ToolbarProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT TooltipProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT RebarProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT EditProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT ComboListProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

// Asks the parent for the colours of a control (WM_CTLCOLOR...) and fills
// the control's client area with the brush it answers; returns the brush.
HBRUSH PaintBackground(HWND hwnd, UINT colour_message);

}  // namespace quorvia::ui
