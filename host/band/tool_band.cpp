#include "host/band/tool_band.h"

#include <algorithm>
#include <vector>

#include "host/band/tool_band_reflection.h"
#include "host/controls/control.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"
#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/gdi.h"
#include "platform/ui/gdi_object.h"
#include "platform/ui/image_list.h"

namespace {

// The throw-away rebar that yields the rebar class's own procedure:
// WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER |
// RBS_BANDBORDERS | RBS_VARHEIGHT | CCS_NODIVIDER | CCS_NOPARENTALIGN.
constexpr DWORD kProbeRebarStyle = 0x46800648;
constexpr int kBandHeight = 22;

bool BitmapSize(HBITMAP bitmap, int* width, int* height) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, static_cast<int>(sizeof info), &info) == 0) {
    return false;
  }
  *width = info.bmWidth;
  *height = info.bmHeight;
  return info.bmWidth > 0 && info.bmHeight > 0;
}

bool IsShown(ControlI* control) { return IsShownFlags(control->GetControl()->GetFlags()); }

}  // namespace

ToolBandC::ToolBandC(IWebBrowser2* browser, IInputObject* input_object, IInputObjectSite* site)
    : input_object_(input_object), input_site_(site), browser_(browser), rebar_subclass_(this, 1) {
  if (browser_ != nullptr) {
    browser_->AddRef();
  }
}

ToolBandC::~ToolBandC() {
  for (ControlI* control : controls_) {
    delete control;
  }
  controls_.clear();
  if (browser_ != nullptr) {
    browser_->Release();
    browser_ = nullptr;
  }
  rebar_.m_hWnd = nullptr;
}

bool ToolBandC::CreateBand(CWnd* reflection) {
  if (reflection == nullptr) {
    return false;
  }
  RECT rect{0, 0, 0, 0};
  if (!Create(kToolBandStyle, rect, reflection, 0)) {
    return false;
  }
  delete_on_destroy_ = true;
  SetExtendedStyle(kToolBandExtendedStyle);

  // A private copy of the toolbar's default font, made the toolbar's font.
  auto default_font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  if (default_font == nullptr) {
    default_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  LOGFONT logfont{};
  if (GetObjectW(default_font, static_cast<int>(sizeof logfont), &logfont) != 0 &&
      font_.CreateFontIndirect(&logfont)) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(font_)), TRUE);
  }

  // The rebar class's own procedure, read from a window of that class.
  HWND probe = ::CreateWindowExW(0, REBARCLASSNAMEW, nullptr, kProbeRebarStyle, 0, 0, 400, 275, m_hWnd, nullptr,
                                 nullptr, nullptr);
  if (probe != nullptr) {
    pristine_rebar_proc_ = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(probe, GWLP_WNDPROC));
    ::DestroyWindow(probe);
  }

  rebar_.m_hWnd = ::GetParent(reflection->m_hWnd);
  if (rebar_.m_hWnd != nullptr) {
    rebar_subclass_.SubclassWindow(rebar_.m_hWnd);
  }
  return true;
}

// ---------------------------------------------------------------- ToolBandI

CWnd* ToolBandC::GetBandWindow() { return this; }

void ToolBandC::ActivateFirstControl() {
  for (ControlI* control : controls_) {
    if (IsShown(control) && control->GetControl()->TakeFocus()) {
      return;
    }
  }
}

bool ToolBandC::HasFocus() {
  for (ControlI* control : controls_) {
    if (IsShown(control) && control->GetControl()->HasFocus()) {
      return true;
    }
  }
  return false;
}

ControlCollectionI* ToolBandC::GetControls() { return this; }

void ToolBandC::OpenBrowserBar(const std::u16string& clsid) {
  if (::GetParent(m_hWnd) == nullptr) {
    return;
  }
  REBARBANDINFO info{};
  int index = FindRebarBand(&info);
  if (index < 0) {
    return;
  }
  REBARBANDINFO update{};
  update.cbSize = sizeof update;
  update.fMask = RBBIM_STYLE;
  update.fStyle = info.fStyle | RBBS_BREAK;
  rebar_.SetBandInfo(static_cast<UINT>(index), &update);

  if (browser_ == nullptr) {
    throw quorvia::ComError(E_POINTER);
  }
  VARIANT bar;
  VariantInit(&bar);
  bar.vt = VT_BSTR;
  bar.bstrVal = SysAllocString(clsid.c_str());
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_BOOL;
  show.boolVal = VARIANT_TRUE;
  VARIANT size;
  VariantInit(&size);
  browser_->ShowBrowserBar(&bar, &show, &size);
  VariantClear(&bar);
}

CToolBarCtrl* ToolBandC::GetToolBar() { return this; }

// ------------------------------------------------------- ControlCollectionI

bool ToolBandC::HasControl(ControlI* control) const {
  return std::find(controls_.begin(), controls_.end(), control) != controls_.end();
}

int ToolBandC::ShownBefore(std::size_t position) const {
  int shown = 0;
  for (std::size_t i = 0; i < position && i < controls_.size(); ++i) {
    if (IsShown(controls_[i])) {
      ++shown;
    }
  }
  return shown;
}

void ToolBandC::InsertAt(std::size_t position, ControlI* control) {
  int index = ShownBefore(position);
  int id = NextControlId();
  controls_.insert(controls_.begin() + static_cast<std::ptrdiff_t>(position), control);
  control->GetControl()->AttachToBand(this, id);
  if (IsShown(control)) {
    InsertButton(control, index);
  }
}

void ToolBandC::AppendControl(ControlI* control) {
  if (control == nullptr || HasControl(control)) {
    return;
  }
  InsertAt(controls_.size(), control);
}

void ToolBandC::AddControl(ControlI* control) {
  if (control == nullptr || HasControl(control)) {
    return;
  }
  control->SetFlags(FLAG_ADDED);
  InsertAt(controls_.size(), control);
}

void ToolBandC::InsertControlBefore(ControlI* control, ControlI* reference) {
  auto it = std::find(controls_.begin(), controls_.end(), reference);
  if (control == nullptr || it == controls_.end() || HasControl(control)) {
    return;
  }
  std::size_t position = static_cast<std::size_t>(it - controls_.begin());
  control->SetFlags(FLAG_ADDED);
  InsertAt(position, control);
}

void ToolBandC::InsertControlAfter(ControlI* control, ControlI* reference) {
  auto it = std::find(controls_.begin(), controls_.end(), reference);
  if (control == nullptr || it == controls_.end() || HasControl(control)) {
    return;
  }
  std::size_t position = static_cast<std::size_t>(it - controls_.begin()) + 1;
  control->SetFlags(FLAG_ADDED);
  InsertAt(position, control);
}

void ToolBandC::RemoveAllControls() {
  for (int i = GetButtonCount() - 1; i >= 0; --i) {
    DeleteButton(i);
  }
  ControlList doomed;
  doomed.swap(controls_);
  for (ControlI* control : doomed) {
    delete control;
  }
  next_control_id_ = 1;
  custom_image_ = 0;
  TBMETRICS metrics{};
  metrics.cbSize = sizeof metrics;
  metrics.dwMask = TBMF_PAD;
  GetMetrics(&metrics);
  metrics.cyPad = 6;
  SetMetrics(&metrics);
  SetExtendedStyle(kToolBandExtendedStyle);
}

void ToolBandC::RemoveControl(ControlI* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it != controls_.end()) {
    controls_.erase(it);
    int index = static_cast<int>(CommandToIndex(static_cast<UINT>(control->GetControl()->GetId())));
    if (index >= 0) {
      DeleteButton(index);
    }
    delete control;
  }
  RECT client{};
  GetClientRect(&client);
  PostRelayout(SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
}

void ToolBandC::FindControlsByCommand(const std::string& name, ControlList& out) {
  out.clear();
  if (name.empty()) {
    return;
  }
  for (ControlI* control : controls_) {
    auto* command = dynamic_cast<CommandC*>(control->GetCommand());
    if (command != nullptr && name == command->GetName()) {
      out.push_back(control);
    }
  }
}

void ToolBandC::FindControlsByCaption(const std::u16string& text, ControlList& out) {
  out.clear();
  if (text.empty()) {
    return;
  }
  for (ControlI* control : controls_) {
    if (control->GetControl()->GetCaption() == text) {
      out.push_back(control);
    }
  }
}

void ToolBandC::FindControlsByImage(int image_id, ControlList& out) {
  out.clear();
  for (ControlI* control : controls_) {
    if (control->GetControl()->GetImage() == image_id) {
      out.push_back(control);
    }
  }
}

void ToolBandC::ListControls(ControlList& out) { out = controls_; }

// ---------------------------------------------------------------- layout

void ToolBandC::PostRelayout(WPARAM w, LPARAM l) {
  if (relayout_pending_ != 0) {
    return;
  }
  relayout_pending_ = 1;
  PostMessage(WM_SIZE, w, l);
}

void ToolBandC::Layout(int width) {
  if (width == -1) {
    RECT client{};
    GetClientRect(&client);
    width = client.right - client.left;
  }
  if (width <= 0) {
    return;
  }
  auto used_width = [](ControlC* control) {
    int w = control->GetWidth();
    if (control->GetType() != TYPE_SEPARATOR && w < 10) {
      w = 10;
    }
    return w;
  };
  int total = 0;
  int auto_count = 0;
  for (ControlI* item : controls_) {
    ControlC* control = item->GetControl();
    if (!IsShownFlags(control->GetFlags())) {
      continue;
    }
    total += used_width(control);
    if (control->IsAutoSize()) {
      ++auto_count;
    }
  }
  int extra = auto_count > 0 && total < width ? (width - total) / auto_count : 0;
  int x = 0;
  for (ControlI* item : controls_) {
    ControlC* control = item->GetControl();
    if (!IsShownFlags(control->GetFlags())) {
      continue;
    }
    int w = used_width(control) + (control->IsAutoSize() ? extra : 0);
    control->Place(x, w);
    TBBUTTONINFO info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(w);
    SetButtonInfo(control->GetId(), &info);
    x += w;
  }
  SetIdealWidth(total);
}

int ToolBandC::FindRebarBand(REBARBANDINFO* info) {
  HWND parent = ::GetParent(m_hWnd);
  if (parent == nullptr) {
    return -1;
  }
  CReBarCtrl rebar;
  rebar.m_hWnd = parent;
  int found = -1;
  UINT count = rebar.GetBandCount();
  for (UINT i = 0; i < count; ++i) {
    REBARBANDINFO band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_STYLE;
    if (rebar.GetBandInfo(i, &band) && band.hwndChild == m_hWnd) {
      *info = band;
      found = static_cast<int>(i);
      break;
    }
  }
  rebar.m_hWnd = nullptr;
  return found;
}

void ToolBandC::SetIdealWidth(int total) {
  REBARBANDINFO info{};
  int index = FindRebarBand(&info);
  if (index < 0) {
    return;
  }
  REBARBANDINFO update{};
  update.cbSize = sizeof update;
  update.fMask = RBBIM_IDEALSIZE | RBBIM_STYLE;
  update.cxIdeal = static_cast<UINT>(total);
  update.fStyle = info.fStyle | RBBS_USECHEVRON;
  ::SendMessageW(::GetParent(m_hWnd), RB_SETBANDINFO, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&update));
}

// ---------------------------------------------------------------- buttons

void ToolBandC::InsertButton(ControlI* item, int index) {
  ControlC* control = item->GetControl();
  int type = control->GetType();
  CommandI* command = control->GetCommand();
  int flags = control->GetFlags();

  TBBUTTON button{};
  button.iBitmap = GetImageIndex(item, false);
  button.iString = AddCaptionString(item);
  button.idCommand = control->GetId();

  if (type == TYPE_BUTTON) {
    button.fsState = command != nullptr && command->IsEnabled() ? TBSTATE_ENABLED : 0;
  } else if (type == TYPE_MENU) {
    button.fsState = command == nullptr || command->IsEnabled() ? TBSTATE_ENABLED : 0;
  }

  switch (type) {
    case TYPE_SEPARATOR:
      button.fsStyle = BTNS_SEP;
      break;
    case TYPE_MENU:
      button.fsStyle = (flags & FLAG_NO_COMMAND) != 0 ? BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE
                                                      : BTNS_DROPDOWN | BTNS_AUTOSIZE;
      break;
    case TYPE_BUTTON:
      button.fsStyle = BTNS_AUTOSIZE;
      break;
    case TYPE_LABEL:
      button.fsStyle = BTNS_SHOWTEXT;
      break;
    default:
      // A placeholder under the control's own window.
      button.fsStyle = BTNS_SEP;
      break;
  }
  if (type == TYPE_BUTTON || type == TYPE_MENU) {
    if ((button.iString != -1 && (control->GetDisplay() & DISPLAY_CAPTION) != 0) || button.iBitmap == -2 ||
        (type == TYPE_MENU && (flags & FLAG_IMAGE_ONLY_MENU) != 0)) {
      button.fsStyle |= BTNS_SHOWTEXT;
    }
  }
  if (type == TYPE_BUTTON && (flags & FLAG_TOGGLE) != 0) {
    button.fsStyle |= BTNS_CHECK;
  }

  CToolBarCtrl::InsertButton(index, &button);
  if (type == TYPE_BUTTON && (flags & FLAG_TOGGLE) != 0 && command != nullptr && command->IsChecked() != 0) {
    CheckButton(button.idCommand, TRUE);
  }

  if (type == TYPE_MENU && (flags & FLAG_IMAGE_ONLY_MENU) != 0) {
    control->SetWidth(MeasureImageOnlyMenu(item));
  } else if (type == TYPE_BUTTON || type == TYPE_MENU) {
    RECT rect{};
    GetItemRect(index, &rect);
    control->SetWidth(rect.right - rect.left);
  } else if (type == TYPE_LABEL) {
    control->SetWidth(MeasureLabel(item));
  }

  if ((type == TYPE_BUTTON || type == TYPE_MENU) && !control->GetTooltip().empty()) {
    control->TooltipChanged();
  }

  if (HIWORD(GetButtonSize()) != kBandHeight) {
    TBMETRICS metrics{};
    metrics.cbSize = sizeof metrics;
    metrics.dwMask = TBMF_PAD;
    GetMetrics(&metrics);
    metrics.cyPad = -2;
    SetMetrics(&metrics);
    DeleteButton(index);
    CToolBarCtrl::InsertButton(index, &button);
  }

  PostRelayout(0, 0);
}

int ToolBandC::MeasureImageOnlyMenu(ControlI* item) {
  ControlC* control = item->GetControl();
  HWND probe = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, static_cast<DWORD>(GetStyle()), 0, 0, 0, 0,
                                 ::GetParent(m_hWnd), reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(1)),
                                 nullptr, nullptr);
  if (probe == nullptr) {
    return -1;
  }
  int result = -1;
  ::SendMessageW(probe, TB_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(kToolBandExtendedStyle));
  HBITMAP bitmap = control->GetImage() != 0 ? control->GetBitmap() : nullptr;
  int width = 0;
  int height = 0;
  if (BitmapSize(bitmap, &width, &height)) {
    ::SendMessageW(probe, TB_SETBITMAPSIZE, 0, MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (list != nullptr) {
      ImageList_AddMasked(list, bitmap, control->GetMaskColor());
      ::SendMessageW(probe, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
      TBBUTTON button{};
      button.iBitmap = 0;
      button.idCommand = 0;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_DROPDOWN;
      button.iString = -1;
      ::SendMessageW(probe, TB_INSERTBUTTON, 0, reinterpret_cast<LPARAM>(&button));
      RECT rect{};
      ::SendMessageW(probe, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
      result = rect.right - rect.left - 8;
      ::SendMessageW(probe, TB_SETIMAGELIST, 0, 0);
      ImageList_Destroy(list);
    }
  }
  ::DestroyWindow(probe);
  return result;
}

int ToolBandC::AddCaptionString(ControlI* item) {
  std::u16string caption = item->GetControl()->GetCaption();
  if (caption.empty()) {
    return -1;
  }
  std::u16string block = caption;
  block.push_back(u'\0');
  block.push_back(u'\0');
  return AddStrings(block.c_str());
}

int ToolBandC::MeasureLabel(ControlI* item) {
  ControlC* control = item->GetControl();
  if (control->GetWidth() != 0) {
    return control->GetWidth();
  }
  std::u16string caption = control->GetCaption();
  if (caption.empty()) {
    return 8;
  }
  HDC dc = ::GetDC(m_hWnd);
  HANDLE old = ::SelectObject(dc, static_cast<HFONT>(font_));
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  return size.cx + 8;
}

int ToolBandC::NextControlId() { return next_control_id_++; }

CFont* ToolBandC::GetFont() { return &font_; }

void ToolBandC::NotifyFocusChange(bool focus) {
  if (input_site_ != nullptr) {
    input_site_->OnFocusChangeIS(input_object_, focus ? TRUE : FALSE);
  }
}

ControlC* ToolBandC::FindControlById(int id) {
  for (ControlI* control : controls_) {
    if (ControlC* found = control->GetControl()->FindById(id)) {
      return found;
    }
  }
  return nullptr;
}

void ToolBandC::SetControlShown(int index, bool shown) {
  if (index < 0) {
    return;
  }
  int counted = 0;
  for (std::size_t position = 0; position < controls_.size(); ++position) {
    ControlC* control = controls_[position]->GetControl();
    if ((control->GetFlags() & FLAG_ADDED) != 0) {
      continue;
    }
    if (counted++ != index) {
      continue;
    }
    bool is_shown = IsShownFlags(control->GetFlags());
    if (is_shown == shown) {
      return;
    }
    int before = ShownBefore(position);
    if (!shown) {
      control->SetFlags(FLAG_HIDDEN);
      int button = static_cast<int>(CommandToIndex(static_cast<UINT>(control->GetId())));
      if (button >= 0) {
        DeleteButton(button);
      }
    } else {
      int old_flags = control->GetFlags();
      control->SetFlags(-1);
      control->SetFlags(old_flags & ~FLAG_HIDDEN);
      InsertButton(control, before);
    }
    return;
  }
}

// ---------------------------------------------------------------- images

HBITMAP ToolBandC::LoadBandBitmap(int image_id) {
  // Band code loads from this library's instance module: the core library
  // once the host has loaded it.
  return static_cast<HBITMAP>(LoadImageW(quorvia::GetInstanceModule(quorvia::ThisModule()),
                                         MAKEINTRESOURCEW(image_id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION | LR_VGACOLOR));
}

HIMAGELIST ToolBandC::MakeImageList(HBITMAP bitmap, UINT set_message) {
  int width = 0;
  int height = 0;
  if (!BitmapSize(bitmap, &width, &height)) {
    return nullptr;
  }
  HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 50);
  if (list == nullptr) {
    return nullptr;
  }
  ImageList_SetBkColor(list, CLR_NONE);
  SendMessage(set_message, 0, reinterpret_cast<LPARAM>(list));
  return list;
}

int ToolBandC::FindIdenticalImage(HIMAGELIST list, HBITMAP fresh, COLORREF mask) {
  int width = 0;
  int height = 0;
  if (!ImageList_GetIconSize(list, &width, &height) || width <= 0 || height <= 0) {
    return -1;
  }
  HIMAGELIST single = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 1);
  if (single == nullptr) {
    return -1;
  }
  std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<COLORREF> wanted(count);
  std::vector<COLORREF> pixels(count);
  int found = -1;
  if (ImageList_AddMasked(single, fresh, mask) == 0 &&
      quorvia::ui::ImageListPixels(single, 0, wanted.data(), static_cast<int>(count))) {
    int images = ImageList_GetImageCount(list);
    for (int i = 0; i < images; ++i) {
      if (quorvia::ui::ImageListPixels(list, i, pixels.data(), static_cast<int>(count)) && pixels == wanted) {
        found = i;
        break;
      }
    }
  }
  ImageList_Destroy(single);
  return found;
}

int ToolBandC::GetImageIndex(ControlI* item, bool reuse) {
  ControlC* control = item->GetControl();
  if (control->GetType() == TYPE_SEPARATOR) {
    return 1;
  }
  int image_id = control->GetImage();
  HBITMAP bitmap = image_id != 0 ? control->GetBitmap() : nullptr;
  int width = 0;
  int height = 0;
  if (image_id == 0 || !BitmapSize(bitmap, &width, &height)) {
    return -2;
  }
  if (controls_.size() == 1 && (control->GetFlags() & FLAG_IMAGE_ONLY_MENU) != 0) {
    custom_image_ = image_id;
    return -2;
  }
  COLORREF mask = control->GetMaskColor();
  auto list = reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETIMAGELIST));
  bool new_list = false;
  if (list == nullptr) {
    SetBitmapSize(CSize(width, height));
    list = MakeImageList(bitmap, TB_SETIMAGELIST);
    if (list == nullptr) {
      return -2;
    }
    new_list = true;
  }
  HBITMAP fresh = LoadBandBitmap(image_id);
  if (fresh == nullptr) {
    // Nothing readable under that identifier: the button shows its text.
    return -2;
  }
  if (!new_list && reuse) {
    int same = FindIdenticalImage(list, fresh, mask);
    if (same >= 0) {
      DeleteObject(fresh);
      return same;
    }
  }
  loaded_bitmaps_.push_back(fresh);
  int index = ImageList_AddMasked(list, fresh, mask);
  if (index < 0) {
    return -2;
  }

  auto disabled = reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETDISABLEDIMAGELIST));
  if (disabled == nullptr) {
    disabled = MakeImageList(bitmap, TB_SETDISABLEDIMAGELIST);
  }
  if (disabled != nullptr) {
    HBITMAP grey = quorvia::ui::CreateGrayCopy(bitmap, mask);
    if (grey != nullptr) {
      ImageList_AddMasked(disabled, grey, mask);
      DeleteObject(grey);
    }
  }
  return index;
}

// ---------------------------------------------------------------- messages

void ToolBandC::OnHotItemChange(const NMTBHOTITEM* info) {
  if (info->idOld > 0) {
    ControlC* control = FindControlById(info->idOld);
    if (control != nullptr && control->GetCommand() != nullptr) {
      control->GetCommand()->HotItemLeft(control);
    }
  }
  if (info->idNew > 0) {
    ControlC* control = FindControlById(info->idNew);
    if (control != nullptr && control->GetCommand() != nullptr) {
      control->GetCommand()->HotItemEntered(control);
    }
  }
}

LRESULT ToolBandC::OnDropDown(const NMTOOLBAR* info) {
  RECT rect = info->rcButton;
  ClientToScreen(&rect);
  if (ControlC* control = FindControlById(info->iItem)) {
    control->DropDown(rect);
  }
  return TBDDRET_DEFAULT;
}

BOOL ToolBandC::ProcessWindowMessage(HWND /*window*/, UINT message, WPARAM w, LPARAM l, LRESULT& result,
                                     DWORD map_id) {
  if (map_id != 1) {
    return FALSE;
  }
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(l);
    if (header != nullptr && header->code == TBN_DROPDOWN && header->hwndFrom == m_hWnd) {
      result = OnDropDown(reinterpret_cast<const NMTOOLBAR*>(l));
      return TRUE;
    }
    return FALSE;
  }
  if (message == WM_COMMAND) {
    int id = LOWORD(static_cast<std::uintptr_t>(w));
    if (id >= 1 && id <= kMaxControlId && reinterpret_cast<HWND>(l) == m_hWnd) {
      if (ControlC* control = FindControlById(id)) {
        control->Click();
      }
      result = 0;
      return TRUE;
    }
  }
  return FALSE;
}

LRESULT ToolBandC::OnCustomDraw(NMCUSTOMDRAW* draw) {
  if (draw->dwDrawStage == CDDS_PREPAINT) {
    return CDRF_NOTIFYITEMDRAW;
  }
  ControlC* control = FindControlById(static_cast<int>(draw->dwItemSpec));
  if (control == nullptr) {
    return CDRF_DODEFAULT;
  }
  bool custom_menu =
      control->GetType() == TYPE_MENU && (control->GetFlags() & FLAG_IMAGE_ONLY_MENU) != 0 && custom_image_ != 0;
  if (draw->dwDrawStage == CDDS_ITEMPREPAINT) {
    if (control->GetType() == TYPE_LABEL) {
      return CDRF_SKIPDEFAULT;
    }
    return custom_menu ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
  }
  if (draw->dwDrawStage == CDDS_ITEMPOSTPAINT && custom_menu) {
    if (custom_image_list_.m_hImageList == nullptr) {
      int width = 0;
      int height = 0;
      if (BitmapSize(control->GetBitmap(), &width, &height) &&
          custom_image_list_.Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 50)) {
        custom_image_list_.SetBkColor(CLR_NONE);
        HBITMAP image = LoadBandBitmap(custom_image_);
        if (image != nullptr) {
          loaded_bitmaps_.push_back(image);
          ImageList_AddMasked(custom_image_list_, image, control->GetMaskColor());
        }
      }
    }
    if (custom_image_list_.m_hImageList != nullptr) {
      bool pressed = (draw->uItemState & CDIS_HOT) != 0 && (draw->uItemState & CDIS_SELECTED) != 0;
      int at = pressed ? 4 : 3;
      ImageList_Draw(custom_image_list_, 0, draw->hdc, draw->rc.left + at, draw->rc.top + at, ILD_TRANSPARENT);
    }
    return CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}

BOOL ToolBandC::OnWndMsg(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  switch (message) {
    case WM_SIZE: {
      relayout_pending_ = 0;
      int width = LOWORD(static_cast<std::uintptr_t>(l));
      if (width > 0) {
        *result = Default();
        Layout(width);
      } else {
        *result = 0;
        Layout(-1);
      }
      return TRUE;
    }
    case WM_SETTINGCHANGE:
      *result = Default();
      Layout(-1);
      return TRUE;
    case WM_REFLECT_BASE + WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(l);
      if (header != nullptr && header->code == NM_CUSTOMDRAW) {
        *result = OnCustomDraw(reinterpret_cast<NMCUSTOMDRAW*>(l));
        return TRUE;
      }
      break;
    }
    case WM_COMMAND: {
      // Menu items post their identifiers to the toolbar.
      int id = LOWORD(static_cast<std::uintptr_t>(w));
      if (id >= 1 && id <= kMaxControlId) {
        if (ControlC* control = FindControlById(id)) {
          control->Click();
        }
        *result = 0;
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      // Destroyed with its parent rather than through DestroyWindow: the
      // image lists and bitmaps still go.
      ReleaseImages();
      break;
    default:
      break;
  }
  return CToolBarCtrl::OnWndMsg(message, w, l, result);
}

BOOL ToolBandC::DestroyWindow() {
  if (rebar_subclass_.m_hWnd != nullptr) {
    if (pristine_rebar_proc_ != nullptr) {
      rebar_subclass_.m_pfnSuperWindowProc = pristine_rebar_proc_;
    }
    rebar_subclass_.UnsubclassWindow(TRUE);
  }
  ReleaseImages();
  return CToolBarCtrl::DestroyWindow();
}

void ToolBandC::ReleaseImages() {
  if (m_hWnd != nullptr) {
    auto list = reinterpret_cast<HIMAGELIST>(SendMessage(TB_SETIMAGELIST, 0, 0));
    if (list != nullptr) {
      ImageList_Destroy(list);
    }
    auto disabled = reinterpret_cast<HIMAGELIST>(SendMessage(TB_SETDISABLEDIMAGELIST, 0, 0));
    if (disabled != nullptr) {
      ImageList_Destroy(disabled);
    }
  }
  for (HBITMAP bitmap : loaded_bitmaps_) {
    DeleteObject(bitmap);
  }
  loaded_bitmaps_.clear();
}

void ToolBandC::PostNcDestroy() {
  if (delete_on_destroy_) {
    delete this;
  }
}

ToolBandI* CreateToolBand(IWebBrowser2* browser, IInputObject* input_object, IInputObjectSite* site,
                          ToolBandReflectionC* reflection) {
  auto* band = new ToolBandC(browser, input_object, site);
  if (!band->CreateBand(reflection)) {
    if (band->m_hWnd == nullptr) {
      delete band;
    }
    return nullptr;
  }
  reflection->SetBand(band);
  return band;
}
