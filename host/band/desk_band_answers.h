// What the desk band object answers the browser through IOleWindow,
// IDockingWindow, IDeskBand and IInputObject, over the band window and the
// reflection window it holds. The browser hook owns one of these and
// forwards its interface calls here.
#pragma once

#include "platform/com/desk_band.h"

class ToolBandC;
class ToolBandReflectionC;

// The band's fixed height in pixels.
constexpr int kToolBandHeight = 22;

class DeskBandAnswersC {
 public:
  // Reads the new-row flag: HKEY_CURRENT_USER
  // "Software\Quorvia\Harbinel\Toolbar", value "Newline" (non-zero: on); on
  // when missing or unreadable.
  DeskBandAnswersC();

  // The windows of the band, once made (null when gone). The windows own
  // themselves; these are looked up again on every use, so a window
  // destroyed elsewhere is never reached.
  void SetWindows(ToolBandC* band, ToolBandReflectionC* reflection);
  ToolBandC* GetBand() const;
  ToolBandReflectionC* GetReflection() const;
  bool GetNewRow() const { return new_row_; }

  // IOleWindow
  HRESULT GetWindow(HWND* window);
  HRESULT ContextSensitiveHelp(BOOL enter_mode);
  // IDockingWindow
  HRESULT ShowDW(BOOL show);
  HRESULT CloseDW(DWORD reserved);
  HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved);
  // IDeskBand
  HRESULT GetBandInfo(DWORD band_id, DWORD view_mode, DESKBANDINFO* info);
  // IInputObject
  HRESULT UIActivateIO(BOOL activate, MSG* msg);
  HRESULT HasFocusIO();
  HRESULT TranslateAcceleratorIO(MSG* msg);

  // Destroys the band window, then the reflection window.
  void DestroyWindows();

 private:
  HWND band_window_ = nullptr;
  HWND reflection_window_ = nullptr;
  int band_height_ = kToolBandHeight;
  bool new_row_ = true;
};
