// A browser frame with its rebar, a tool band created the way the hook
// creates it, and test controls and commands.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/command.h"
#include "host/band/desk_band_answers.h"
#include "host/band/tool_band.h"
#include "host/band/tool_band_reflection.h"
#include "host/controls/control.h"
#include "platform/ui/input_driver.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/rebar.h"
#include "platform/ui/window.h"

namespace band_test {

// Counts its executions.
class TestCommand : public CommandC {
 public:
  explicit TestCommand(const char* name = "Test.Command", bool enabled = true) {
    SetName(name);
    SetEnabled(enabled);
  }
  void Execute() override { ++runs; }
  int runs = 0;
};

// A control of any type that records where the band places it.
class TestControl : public ControlC {
 public:
  TestControl(int type, CommandI* command, std::u16string caption = {})
      : ControlC(command, std::move(caption)), type_(type) {}
  int GetType() override { return type_; }
  void Place(int x, int width) override { places.emplace_back(x, width); }
  std::vector<std::pair<int, int>> places;

 private:
  int type_;
};

// The frame records the WM_COMMAND messages that reach it.
inline std::vector<MSG>& FrameCommands() {
  static std::vector<MSG> seen;
  return seen;
}

inline LRESULT FrameProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND) FrameCommands().push_back(MSG{window, message, w, l, 0, {0, 0}});
  return DefWindowProcW(window, message, w, l);
}

inline const char16_t* FrameClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FrameProc;
    wc.lpszClassName = u"BandTestFrame";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return u"BandTestFrame";
}

class BandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/band-test-XXXXXX";
    home_ = mkdtemp(pattern);
    setenv("QUORVIA_HOME", home_.c_str(), 1);
    FrameCommands().clear();
    quorvia::ui::InputDriver::TakeErrors();
    frame_ = CreateWindowExW(0, FrameClass(), u"IEFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 200,
                             nullptr, nullptr, nullptr, nullptr);
    rebar_ = CreateWindowExW(0, REBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 700, 30, frame_, nullptr,
                             nullptr, nullptr);
    reflection_ = ToolBandReflectionC::Create(rebar_);
    ASSERT_NE(reflection_, nullptr);
    band_ = static_cast<ToolBandC*>(CreateToolBand(nullptr, nullptr, nullptr, reflection_));
    ASSERT_NE(band_, nullptr);
    toolbar_ = band_->m_hWnd;
    answers_ = std::make_unique<DeskBandAnswersC>();
    answers_->SetWindows(band_, reflection_);
  }

  void TearDown() override {
    quorvia::ui::SetMessageFilter({});
    if (answers_) answers_->DestroyWindows();
    if (IsWindow(frame_)) DestroyWindow(frame_);
    quorvia::ui::PumpUntilIdle();
    std::filesystem::remove_all(home_);
  }

  // The browser's band site adds the band: the rebar adopts the toolbar.
  void Dock() {
    REBARBANDINFO info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_CHILD | RBBIM_STYLE | RBBIM_CHILDSIZE;
    info.hwndChild = toolbar_;
    info.cyMinChild = 22;
    ASSERT_TRUE(SendMessageW(rebar_, RB_INSERTBAND, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info)));
    ASSERT_EQ(GetParent(toolbar_), rebar_);
  }

  REBARBANDINFO BandInfo() {
    REBARBANDINFO info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_STYLE | RBBIM_IDEALSIZE | RBBIM_CHILD;
    SendMessageW(rebar_, RB_GETBANDINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
  }

  // Command identifiers of the toolbar's buttons, in order.
  std::vector<int> ButtonIds() {
    std::vector<int> ids;
    int count = static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TBBUTTON button{};
      SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
      ids.push_back(button.idCommand);
    }
    return ids;
  }

  // Commands outlive the controls bound to them: they go with the fixture,
  // after the band.
  TestCommand& NewCommand(const char* name = "Test.Command") {
    commands_.push_back(std::make_unique<TestCommand>(name));
    return *commands_.back();
  }

  std::vector<std::unique_ptr<TestCommand>> commands_;
  std::string home_;
  HWND frame_ = nullptr;
  HWND rebar_ = nullptr;
  HWND toolbar_ = nullptr;
  ToolBandReflectionC* reflection_ = nullptr;
  ToolBandC* band_ = nullptr;
  // Made once the fixture has its own settings store.
  std::unique_ptr<DeskBandAnswersC> answers_;
};

}  // namespace band_test
