// A command and an observer that write what happens to them into one event
// log, so tests can check the order of hooks and notifications.
#pragma once

#include <string>
#include <vector>

#include "framework/command.h"
#include "framework/ui_guard.h"
#include "platform/text/convert.h"

using EventLog = std::vector<std::string>;

class RecordingObserver : public CommandObserverI {
 public:
  RecordingObserver(EventLog& log, std::string tag) : log_(log), tag_(std::move(tag)) {}

  void EnabledChanged() override { Record("EnabledChanged"); }
  void ImageChanged() override { Record("ImageChanged"); }
  void TooltipChanged() override { Record("TooltipChanged"); }
  void TextChanged() override { Record("TextChanged"); }
  void SelectionChanged() override { Record("SelectionChanged"); }
  void CheckedChanged() override { Record("CheckedChanged"); }

  // The guard depth seen by the last notification.
  int depth = -1;

 private:
  void Record(const char* what) {
    depth = UiGuardC::Depth();
    log_.push_back(tag_ + ":" + what);
  }

  EventLog& log_;
  std::string tag_;
};

class RecordingCommand : public CommandC {
 public:
  explicit RecordingCommand(EventLog& log, const char* name = "Test.Recording") : log_(log) { SetName(name); }
  ~RecordingCommand() override { log_.push_back(std::string("deleted ") + GetName()); }

  void Execute() override {
    Record("Execute checked=" + std::to_string(IsChecked()));
    if (throw_in_execute) {
      throw std::runtime_error("execute failed");
    }
  }
  void OnTextSelected(std::u16string text) override { Record("OnTextSelected " + quorvia::Utf16ToUtf8(text)); }
  void OnDropDownList() override { Record("OnDropDownList"); }
  void OnNotify() override { Record("OnNotify"); }
  void OnHotItemEntered(ControlI* control) override { Record("OnHotItemEntered", control); }
  void OnHotItemLeft(ControlI* control) override { Record("OnHotItemLeft", control); }
  void Update() override { Record("Update"); }
  void OnAttach() override { Record("OnAttach"); }

  void SetItems(std::vector<std::u16string> items) { items_.items = std::move(items); }
  CommandContainerI* Context() const { return context_; }
  IWebBrowser2* Browser() const { return browser_; }
  HWND FrameWindow() const { return frame_window_; }

  // Guard depth and control seen by the last hook.
  int depth = -1;
  ControlI* control = nullptr;
  bool throw_in_execute = false;

 private:
  void Record(std::string what, ControlI* seen = nullptr) {
    depth = UiGuardC::Depth();
    control = seen;
    log_.push_back(std::move(what));
  }

  EventLog& log_;
};
