#include "framework/command.h"

#include <algorithm>
#include <new>
#include <utility>

#include "framework/ui_guard.h"
#include "platform/com/com_error.h"
#include "platform/module/module.h"
#include "platform/ui/bitmap.h"

CommandC::CommandC() try : observers_(), name_(), text_(), tooltip_(), items_(), aux_string_() {
} catch (const std::bad_alloc&) {
  throw quorvia::ComError(E_FAIL);
}

CommandC::~CommandC() {
  if (bitmap_ != nullptr) {
    DeleteObject(bitmap_);
  }
}

bool CommandC::IsObserver(const CommandObserverI* observer) const {
  return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
}

void CommandC::NotifyObservers(void (CommandObserverI::*notification)()) {
  const std::vector<CommandObserverI*> observers = observers_;
  for (CommandObserverI* observer : observers) {
    if (IsObserver(observer)) {
      (observer->*notification)();
    }
  }
}

void CommandC::AddObserver(CommandObserverI* observer) { observers_.push_back(observer); }

void CommandC::RemoveObserver(CommandObserverI* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void CommandC::Run() {
  UiGuardC guard;
  checked_ = checked_ == 1 ? 0 : 1;
  Execute();
  NotifyObservers(&CommandObserverI::CheckedChanged);
}

void CommandC::SelectText(std::u16string text) {
  UiGuardC guard;
  text_ = text;
  const auto& items = items_.items;
  const auto found = std::find(items.begin(), items.end(), text_);
  if (found != items.end()) {
    items_.selected = static_cast<std::int32_t>(found - items.begin());
  }
  OnTextSelected(std::move(text));
  const std::vector<CommandObserverI*> observers = observers_;
  for (CommandObserverI* observer : observers) {
    if (IsObserver(observer)) {
      observer->SelectionChanged();
    }
    if (IsObserver(observer)) {
      observer->TextChanged();
    }
  }
}

void CommandC::DropDownList() {
  UiGuardC guard;
  OnDropDownList();
}

void CommandC::StoreText(std::u16string text) { text_ = std::move(text); }

void CommandC::Notify() {
  UiGuardC guard;
  OnNotify();
}

void CommandC::HotItemEntered(ControlI* control) {
  UiGuardC guard;
  OnHotItemEntered(control);
}

void CommandC::HotItemLeft(ControlI* control) {
  UiGuardC guard;
  OnHotItemLeft(control);
}

bool CommandC::IsEnabled() const { return enabled_; }

std::int32_t CommandC::GetImageId() const { return image_id_; }

HBITMAP CommandC::GetBitmap() const { return bitmap_; }

COLORREF CommandC::GetMaskColor() const { return mask_color_; }

std::u16string CommandC::GetText() const { return text_; }

std::u16string CommandC::GetTooltip() const { return tooltip_; }

const CommandItems& CommandC::GetItems() const { return items_; }

const char* CommandC::GetAuxString() const { return aux_string_.c_str(); }

std::int32_t CommandC::IsChecked() const { return checked_; }

void CommandC::Execute() {}

void CommandC::OnTextSelected(std::u16string) {}

void CommandC::OnDropDownList() {}

void CommandC::OnNotify() {}

void CommandC::OnHotItemEntered(ControlI*) {}

void CommandC::OnHotItemLeft(ControlI*) {}

void CommandC::Update() {}

void CommandC::Attach(CommandContainerI* context, IWebBrowser2* browser, HWND frame_window) {
  context_ = context;
  browser_ = browser;
  frame_window_ = frame_window;
  OnAttach();
}

void CommandC::OnAttach() {}

void CommandC::SetName(const char* name) { name_ = name != nullptr ? name : ""; }

void CommandC::SetEnabled(bool enabled) {
  if (enabled == enabled_) {
    return;
  }
  enabled_ = enabled;
  NotifyObservers(&CommandObserverI::EnabledChanged);
}

void CommandC::SetImage(std::int32_t image_id, COLORREF mask_color) {
  UiGuardC guard;
  if (image_id == image_id_ && mask_color == mask_color_) {
    return;
  }
  HBITMAP old_bitmap = bitmap_;
  image_id_ = image_id;
  mask_color_ = mask_color;
  // The framework code of each library loads from that library's instance
  // module (the host points its own at the core library).
  HANDLE loaded = LoadImageW(quorvia::GetInstanceModule(quorvia::ThisModule()), MAKEINTRESOURCEW(image_id & 0xFFFF),
                             IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_VGACOLOR);
  bitmap_ = static_cast<HBITMAP>(loaded);
  NotifyObservers(&CommandObserverI::ImageChanged);
  // Observers have switched to the new bitmap; only now may the old one go.
  if (old_bitmap != nullptr) {
    DeleteObject(old_bitmap);
  }
}

void CommandC::SetText(std::u16string text) {
  if (text == text_) {
    return;
  }
  text_ = std::move(text);
  NotifyObservers(&CommandObserverI::TextChanged);
}

void CommandC::SetTooltip(std::u16string text) {
  if (text == tooltip_) {
    return;
  }
  tooltip_ = std::move(text);
  NotifyObservers(&CommandObserverI::TooltipChanged);
}

void CommandC::SetChecked(std::int32_t checked) {
  if (checked == checked_) {
    return;
  }
  checked_ = checked;
  NotifyObservers(&CommandObserverI::CheckedChanged);
}
