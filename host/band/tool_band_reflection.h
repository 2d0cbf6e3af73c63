// The reflection window: a hidden child of the rebar and the first parent
// of the band window. Until the rebar adopts the toolbar it receives the
// toolbar's commands and notifications and hands them back to the band.
#pragma once

#include "platform/ui/wnd.h"

class ToolBandC;

// The reflection window's child identifier and name.
constexpr UINT kReflectionWindowId = 8;
inline constexpr const char16_t* kReflectionWindowName = u"KelmoraReflectionWindow";

class ToolBandReflectionC : public CWnd {
 public:
  ToolBandReflectionC() = default;

  // Creates the window (WS_CHILD, not visible) under the rebar, over the
  // rebar's client rectangle. Null on failure. The object deletes itself
  // after its window's final message.
  static ToolBandReflectionC* Create(HWND rebar);

  void SetBand(ToolBandC* band);
  // The band, or null once its window is gone.
  ToolBandC* GetBand() const;

  // The whole first parameter is the control identifier; always handled.
  BOOL OnCommand(WPARAM w, LPARAM l) override;
  // Hot-item changes and drop-downs go to the band; everything else is
  // reflected to the toolbar.
  BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* result) override;

 protected:
  void PostNcDestroy() override;

 private:
  ToolBandC* band_ = nullptr;
  HWND band_window_ = nullptr;
};
