#include "host/band/tool_band_reflection.h"

#include "host/band/tool_band.h"
#include "host/controls/control.h"

ToolBandReflectionC* ToolBandReflectionC::Create(HWND rebar) {
  RECT client{};
  if (!::GetClientRect(rebar, &client)) {
    return nullptr;
  }
  auto* window = new ToolBandReflectionC();
  if (!window->CreateEx(0, nullptr, kReflectionWindowName, WS_CHILD, client, CWnd::FromHandle(rebar),
                        kReflectionWindowId)) {
    // No window was made, so no final message will delete the object.
    if (window->m_hWnd == nullptr) {
      delete window;
    }
    return nullptr;
  }
  return window;
}

void ToolBandReflectionC::SetBand(ToolBandC* band) {
  band_ = band;
  band_window_ = band == nullptr ? nullptr : band->m_hWnd;
}

ToolBandC* ToolBandReflectionC::GetBand() const {
  // The band deletes itself with its window; never reach a band that is gone.
  if (band_ == nullptr || !::IsWindow(band_window_) || CWnd::FromHandlePermanent(band_window_) != band_) {
    return nullptr;
  }
  return band_;
}

BOOL ToolBandReflectionC::OnCommand(WPARAM w, LPARAM /*l*/) {
  if (ToolBandC* band = GetBand()) {
    if (ControlC* control = band->FindControlById(static_cast<int>(w))) {
      control->Click();
    }
  }
  return TRUE;
}

BOOL ToolBandReflectionC::OnNotify(WPARAM w, LPARAM l, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(l);
  ToolBandC* band = GetBand();
  if (header != nullptr && band != nullptr) {
    if (header->code == TBN_HOTITEMCHANGE) {
      band->OnHotItemChange(reinterpret_cast<const NMTBHOTITEM*>(l));
    } else if (header->code == TBN_DROPDOWN) {
      *result = band->OnDropDown(reinterpret_cast<const NMTOOLBAR*>(l));
      return TRUE;
    }
  }
  return CWnd::OnNotify(w, l, result);
}

void ToolBandReflectionC::PostNcDestroy() { delete this; }
