// Helpers shared by the window system tests: a window class whose procedure
// records what it receives, and a fixture that cleans up the thread's
// windows and driver state.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/input_driver.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/window.h"

namespace ui_test {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages of the recording class, in order, for every window of it.
inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

// An optional hook: returns true when it answered the message (in *result).
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>& Hook() {
  static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> hook;
  return hook;
}

inline LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  Log().push_back(Seen{hwnd, message, w, l});
  if (Hook()) {
    LRESULT result = 0;
    if (Hook()(hwnd, message, w, l, &result)) return result;
  }
  return DefWindowProcW(hwnd, message, w, l);
}

inline const char16_t* RecordingClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &RecordingProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = u"UiTestRecorder";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return u"UiTestRecorder";
}

// Messages of one kind in the log, optionally for one window.
inline std::vector<Seen> Messages(UINT message, HWND hwnd = nullptr) {
  std::vector<Seen> out;
  for (const Seen& s : Log()) {
    if (s.message == message && (hwnd == nullptr || s.hwnd == hwnd)) out.push_back(s);
  }
  return out;
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    Hook() = nullptr;
    quorvia::ui::InputDriver::TakeErrors();
    quorvia::ui::InputDriver::ClearQueue();
    quorvia::ui::PumpUntilIdle();
  }
  void TearDown() override {
    for (HWND h : owned_) {
      if (IsWindow(h)) DestroyWindow(h);
    }
    quorvia::ui::PumpUntilIdle();
    Hook() = nullptr;
    EXPECT_TRUE(quorvia::ui::InputDriver::TakeErrors().empty());
    quorvia::ui::InputDriver::ClearQueue();
  }

  // A visible top-level recording window at (100, 100), 400 x 300.
  HWND Frame() {
    HWND h = CreateWindowExW(0, RecordingClass(), u"frame", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                             nullptr, nullptr, nullptr);
    owned_.push_back(h);
    return h;
  }

  HWND Child(HWND parent, const char16_t* cls, DWORD style, int id, int x, int y, int w, int h,
             const char16_t* text = nullptr, DWORD ex_style = 0) {
    return CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  }

  std::vector<HWND> owned_;
};

inline std::u16string WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
  GetWindowTextW(h, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// WM_COMMAND notification codes a window received from one control.
inline std::vector<WORD> Codes(HWND parent, HWND control) {
  std::vector<WORD> codes;
  for (const Seen& s : Messages(WM_COMMAND, parent)) {
    if (reinterpret_cast<HWND>(s.lParam) == control) codes.push_back(HIWORD(s.wParam));
  }
  return codes;
}

}  // namespace ui_test
