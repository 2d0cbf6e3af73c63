#include "host/controls/control.h"

#include "host/band/tool_band.h"
#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/gdi_object.h"

ControlC::ControlC(CommandI* command, std::u16string caption) : command_(command), caption_(std::move(caption)) {
  if (command_ != nullptr) {
    command_->AddObserver(this);
  } else {
    flags_ = FLAG_NO_COMMAND;
  }
}

ControlC::~ControlC() {
  if (command_ != nullptr) {
    command_->RemoveObserver(this);
  }
  DropBitmap();
}

ControlC* ControlC::GetControl() { return this; }

void ControlC::RelayoutBand() {
  if (band_ != nullptr) {
    band_->Layout(-1);
  }
}

void ControlC::DropBitmap() {
  if (bitmap_ != nullptr) {
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
  }
}

void ControlC::SetDisplay(int display) {
  display_ = display;
  RelayoutBand();
}

void ControlC::SetFlags(int flags) {
  if (flags == -1) {
    flags_ = 0;
  } else {
    flags_ |= flags;
  }
  RelayoutBand();
}

void ControlC::SetWidth(int width) { width_ = width; }

void ControlC::SetHeight(int height) {
  height_ = height;
  top_ = height < 23 ? 0 : (height - 22) / 2;
  RelayoutBand();
}

void ControlC::SetImage(int image_id) { image_ = image_id; }

void ControlC::SetTooltip(const std::u16string& tooltip) { tooltip_ = tooltip; }

ControlCollectionI* ControlC::GetChildren() { return nullptr; }

CommandI* ControlC::GetCommand() { return command_; }

CWnd* ControlC::GetControlWindow() { return nullptr; }

bool ControlC::AttachToMenu(ToolBandC* band, HMENU menu, int /*position*/, int id) {
  band_ = band;
  id_ = id;
  menu_ = menu;
  return true;
}

bool ControlC::AttachToBand(ToolBandC* band, int id) {
  band_ = band;
  id_ = id;
  return true;
}

void ControlC::UpdateUI() {}

ControlC* ControlC::FindById(int id) { return id == id_ ? this : nullptr; }

void ControlC::Click() {
  if (command_ != nullptr) {
    command_->Run();
  }
}

void ControlC::DropDown(RECT /*rect*/) {}

int ControlC::GetWidth() { return width_; }

int ControlC::GetHeight() { return height_; }

bool ControlC::IsAutoSize() { return (flags_ & FLAG_AUTO_SIZE) != 0; }

std::u16string ControlC::GetCaption() {
  if (command_ != nullptr) {
    std::u16string text = command_->GetText();
    if (!text.empty()) {
      caption_.clear();
      return text;
    }
  }
  return caption_;
}

std::u16string ControlC::GetTooltip() {
  if (command_ != nullptr) {
    std::u16string text = command_->GetTooltip();
    if (!text.empty()) {
      return text;
    }
  }
  return tooltip_;
}

HBITMAP ControlC::GetBitmap() {
  if (command_ != nullptr) {
    HBITMAP bitmap = command_->GetBitmap();
    if (bitmap != nullptr) {
      image_ = 0;
      DropBitmap();
      return bitmap;
    }
  }
  if (image_ != 0 && bitmap_ == nullptr) {
    // The framework code of this library loads from its instance module:
    // the core library once the host has loaded it.
    bitmap_ = static_cast<HBITMAP>(LoadImageW(quorvia::GetInstanceModule(quorvia::ThisModule()),
                                              MAKEINTRESOURCEW(image_), IMAGE_BITMAP, 0, 0,
                                              LR_CREATEDIBSECTION | LR_VGACOLOR));
  }
  return bitmap_;
}

COLORREF ControlC::GetMaskColor() { return command_ != nullptr ? command_->GetMaskColor() : 0; }

int ControlC::GetImage() {
  if (command_ != nullptr) {
    int image = command_->GetImageId();
    if (image != 0) {
      image_ = 0;
      DropBitmap();
      return image;
    }
  }
  return image_;
}

int ControlC::GetFlags() { return flags_; }

int ControlC::GetDisplay() { return display_; }

int ControlC::GetId() { return id_; }

bool ControlC::TakeFocus() { return false; }

bool ControlC::HasFocus() { return false; }

void ControlC::EnabledChanged() {}
void ControlC::ImageChanged() {}
void ControlC::TooltipChanged() {}
void ControlC::TextChanged() {}
void ControlC::SelectionChanged() {}
void ControlC::CheckedChanged() {}
