#include "host/band/desk_band_answers.h"

#include "host/band/tool_band.h"
#include "host/band/tool_band_reflection.h"
#include "platform/registry/registry_api.h"

namespace {

bool ReadNewRowFlag() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Quorvia\\Harbinel\\Toolbar", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return true;
  }
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  LONG status = RegQueryValueExW(key, u"Newline", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
    return true;
  }
  return value != 0;
}

// Keys the band's focused control takes while it has the focus; every other
// key goes back to the browser.
bool IsControlKey(UINT key) {
  switch (key) {
    case VK_BACK:
    case VK_RETURN:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_DELETE:
      return true;
    case 'C':
    case 'V':
    case 'X':
      return (GetKeyState(static_cast<int>(VK_CONTROL)) & 0x8000) != 0;
    default:
      return false;
  }
}

}  // namespace

DeskBandAnswersC::DeskBandAnswersC() : new_row_(ReadNewRowFlag()) {}

void DeskBandAnswersC::SetWindows(ToolBandC* band, ToolBandReflectionC* reflection) {
  band_window_ = band == nullptr ? nullptr : band->m_hWnd;
  reflection_window_ = reflection == nullptr ? nullptr : reflection->m_hWnd;
}

ToolBandC* DeskBandAnswersC::GetBand() const {
  return dynamic_cast<ToolBandC*>(CWnd::FromHandlePermanent(band_window_));
}

ToolBandReflectionC* DeskBandAnswersC::GetReflection() const {
  return dynamic_cast<ToolBandReflectionC*>(CWnd::FromHandlePermanent(reflection_window_));
}

HRESULT DeskBandAnswersC::GetWindow(HWND* window) {
  if (window == nullptr) {
    return E_POINTER;
  }
  ToolBandC* band = GetBand();
  *window = band != nullptr ? band->m_hWnd : nullptr;
  return S_OK;
}

HRESULT DeskBandAnswersC::ContextSensitiveHelp(BOOL /*enter_mode*/) { return E_NOTIMPL; }

HRESULT DeskBandAnswersC::ShowDW(BOOL show) {
  if (ToolBandC* band = GetBand()) {
    band->ShowWindow(show ? SW_SHOW : SW_HIDE);
  }
  return S_OK;
}

HRESULT DeskBandAnswersC::CloseDW(DWORD /*reserved*/) {
  // The windows stay until the site is released.
  return ShowDW(FALSE);
}

HRESULT DeskBandAnswersC::ResizeBorderDW(const RECT* /*border*/, IUnknown* /*site*/, BOOL /*reserved*/) {
  return E_NOTIMPL;
}

HRESULT DeskBandAnswersC::GetBandInfo(DWORD /*band_id*/, DWORD /*view_mode*/, DESKBANDINFO* info) {
  if (info == nullptr) {
    return E_INVALIDARG;
  }
  if ((info->dwMask & DBIM_MINSIZE) != 0) {
    info->ptMinSize = POINTL{80, band_height_};
  }
  if ((info->dwMask & DBIM_MAXSIZE) != 0) {
    info->ptMaxSize = POINTL{-1, band_height_};
  }
  if ((info->dwMask & DBIM_INTEGRAL) != 0) {
    info->ptIntegral = POINTL{1, 1};
  }
  if ((info->dwMask & DBIM_ACTUAL) != 0) {
    info->ptActual = POINTL{80, band_height_};
  }
  if ((info->dwMask & DBIM_TITLE) != 0) {
    info->wszTitle[0] = u'\0';
  }
  if ((info->dwMask & DBIM_MODEFLAGS) != 0) {
    info->dwModeFlags = DBIMF_USECHEVRON | (new_row_ ? DBIMF_BREAK : 0);
  }
  // The default background.
  info->dwMask &= ~DBIM_BKCOLOR;
  return S_OK;
}

HRESULT DeskBandAnswersC::UIActivateIO(BOOL activate, MSG* msg) {
  if (activate && msg != nullptr) {
    if (ToolBandC* band = GetBand()) {
      band->ActivateFirstControl();
    }
  }
  return S_OK;
}

HRESULT DeskBandAnswersC::HasFocusIO() {
  ToolBandC* band = GetBand();
  return band != nullptr && band->HasFocus() ? S_OK : S_FALSE;
}

HRESULT DeskBandAnswersC::TranslateAcceleratorIO(MSG* msg) {
  if (msg == nullptr) {
    return S_FALSE;
  }
  if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) &&
      !IsControlKey(static_cast<UINT>(msg->wParam))) {
    return S_FALSE;
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return S_OK;
}

void DeskBandAnswersC::DestroyWindows() {
  if (ToolBandC* band = GetBand()) {
    band->DestroyWindow();
  }
  band_window_ = nullptr;
  if (ToolBandReflectionC* reflection = GetReflection()) {
    reflection->DestroyWindow();
  }
  reflection_window_ = nullptr;
}
