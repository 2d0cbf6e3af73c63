#include "framework/command.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "framework/nop_command.h"
#include "framework/ui_guard.h"
#include "tests/framework/recording.h"

namespace {

class CommandTest : public ::testing::Test {
 protected:
  EventLog log;
  RecordingCommand command{log};
  RecordingObserver first{log, "first"};
  RecordingObserver second{log, "second"};

  void Observe() {
    command.AddObserver(&first);
    command.AddObserver(&second);
  }
};

TEST_F(CommandTest, NewCommandIsEmptyDisabledAndUnchecked) {
  const CommandC fresh;
  EXPECT_STREQ(fresh.GetName(), "");
  EXPECT_FALSE(fresh.IsEnabled());
  EXPECT_EQ(fresh.IsChecked(), 0);
  EXPECT_EQ(fresh.GetImageId(), 0);
  EXPECT_EQ(fresh.GetBitmap(), nullptr);
  EXPECT_EQ(fresh.GetMaskColor(), 0xE2F0F0u);
  EXPECT_EQ(fresh.GetText(), u"");
  EXPECT_EQ(fresh.GetTooltip(), u"");
  EXPECT_TRUE(fresh.GetItems().items.empty());
  EXPECT_EQ(fresh.GetItems().selected, -1);
  EXPECT_STREQ(fresh.GetAuxString(), "");
}

TEST_F(CommandTest, NopCommandIsEnabledAndRunsWithoutEffect) {
  NopCmdC nop;
  EXPECT_STREQ(nop.GetName(), "ToolBand.Nop");
  EXPECT_TRUE(nop.IsEnabled());
  EXPECT_EQ(nop.GetText(), u"");
  nop.AddObserver(&first);
  nop.Run();
  EXPECT_EQ(log, (EventLog{"first:CheckedChanged"}));
}

// Run flips checked (1 -> 0, anything else -> 1) before Execute, which sees
// the new value, and tells every observer afterwards.
TEST_F(CommandTest, RunFlipsCheckedThenExecutesThenNotifies) {
  struct Case {
    std::int32_t before;
    std::int32_t after;
  };
  for (const Case c : {Case{0, 1}, Case{1, 0}, Case{5, 1}, Case{-1, 1}}) {
    SCOPED_TRACE(c.before);
    EventLog run_log;
    RecordingCommand cmd(run_log);
    cmd.SetChecked(c.before);
    RecordingObserver a(run_log, "a");
    RecordingObserver b(run_log, "b");
    cmd.AddObserver(&a);
    cmd.AddObserver(&b);
    cmd.Run();
    EXPECT_EQ(cmd.IsChecked(), c.after);
    EXPECT_EQ(run_log, (EventLog{"Execute checked=" + std::to_string(c.after), "a:CheckedChanged", "b:CheckedChanged"}));
  }
}

TEST_F(CommandTest, RunTwiceFromUncheckedEndsUnchecked) {
  Observe();
  command.Run();
  command.Run();
  EXPECT_EQ(command.IsChecked(), 0);
  EXPECT_EQ(log, (EventLog{"Execute checked=1", "first:CheckedChanged", "second:CheckedChanged", "Execute checked=0",
                           "first:CheckedChanged", "second:CheckedChanged"}));
}

TEST_F(CommandTest, SelectTextSelectsFirstEqualItemAndAlwaysNotifies) {
  command.SetItems({u"a", u"b", u"b", u""});
  Observe();
  struct Case {
    std::u16string text;
    std::int32_t selected;
  };
  // "c" is no item: the previous selection stays.
  for (const Case& c : {Case{u"b", 1}, Case{u"c", 1}, Case{u"", 3}, Case{u"B", 3}, Case{u"a", 0}}) {
    const std::string utf8 = quorvia::Utf16ToUtf8(c.text);
    SCOPED_TRACE(utf8);
    log.clear();
    command.SelectText(c.text);
    EXPECT_EQ(command.GetItems().selected, c.selected);
    EXPECT_EQ(command.GetText(), c.text);
    EXPECT_EQ(log, (EventLog{"OnTextSelected " + utf8, "first:SelectionChanged", "first:TextChanged",
                             "second:SelectionChanged", "second:TextChanged"}));
  }
}

TEST_F(CommandTest, ObserverAddedTwiceIsToldTwiceAndRemovedEntirely) {
  command.AddObserver(&first);
  command.AddObserver(&second);
  command.AddObserver(&first);
  command.SetEnabled(true);
  EXPECT_EQ(log, (EventLog{"first:EnabledChanged", "second:EnabledChanged", "first:EnabledChanged"}));

  log.clear();
  command.RemoveObserver(&first);
  command.SetEnabled(false);
  EXPECT_EQ(log, (EventLog{"second:EnabledChanged"}));
}

// An observer may leave (and take others with it) while it is being told;
// those that left are not told any more, the rest are told once.
TEST_F(CommandTest, ObserverLeavingDuringNotificationIsNotToldAgain) {
  struct Leaving : RecordingObserver {
    Leaving(EventLog& log, CommandC& cmd, CommandObserverI* also) : RecordingObserver(log, "leaving"), cmd(cmd), also(also) {}
    void CheckedChanged() override {
      RecordingObserver::CheckedChanged();
      cmd.RemoveObserver(this);
      cmd.RemoveObserver(also);
    }
    void SelectionChanged() override { CheckedChanged(); }
    CommandC& cmd;
    CommandObserverI* also;
  };
  RecordingObserver third(log, "third");
  Leaving leaving(log, command, &second);
  command.AddObserver(&leaving);
  command.AddObserver(&first);
  command.AddObserver(&second);
  command.AddObserver(&third);
  command.SetChecked(1);
  EXPECT_EQ(log, (EventLog{"leaving:CheckedChanged", "first:CheckedChanged", "third:CheckedChanged"}));

  log.clear();
  command.AddObserver(&leaving);
  command.SelectText(u"x");
  EXPECT_EQ(log, (EventLog{"OnTextSelected x", "first:SelectionChanged", "first:TextChanged", "third:SelectionChanged",
                           "third:TextChanged", "leaving:CheckedChanged"}));
}

// Setters notify only on a real change; StoreText, SetName and Attach never.
TEST_F(CommandTest, SettersNotifyOnlyOnChange) {
  struct Case {
    const char* what;
    std::function<void(RecordingCommand&)> change;
    EventLog expected;
  };
  const std::vector<Case> cases = {
      {"SetText same", [](RecordingCommand& c) { c.SetText(u"start"); }, {}},
      {"SetText new", [](RecordingCommand& c) { c.SetText(u"Start"); }, {"o:TextChanged"}},
      {"SetTooltip same", [](RecordingCommand& c) { c.SetTooltip(u"tip"); }, {}},
      {"SetTooltip new", [](RecordingCommand& c) { c.SetTooltip(u"tip2"); }, {"o:TooltipChanged"}},
      {"SetEnabled same", [](RecordingCommand& c) { c.SetEnabled(true); }, {}},
      {"SetEnabled new", [](RecordingCommand& c) { c.SetEnabled(false); }, {"o:EnabledChanged"}},
      {"SetChecked same", [](RecordingCommand& c) { c.SetChecked(1); }, {}},
      {"SetChecked new", [](RecordingCommand& c) { c.SetChecked(0); }, {"o:CheckedChanged"}},
      {"SetImage same", [](RecordingCommand& c) { c.SetImage(0, kCommandMaskColor); }, {}},
      {"StoreText new", [](RecordingCommand& c) { c.StoreText(u"stored"); }, {}},
      {"SetName", [](RecordingCommand& c) { c.SetName("Test.Other"); }, {}},
      {"Attach", [](RecordingCommand& c) { c.Attach(nullptr, nullptr, nullptr); }, {"OnAttach"}},
      {"Update", [](RecordingCommand& c) { c.Update(); }, {"Update"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EventLog case_log;
    RecordingCommand cmd(case_log);
    cmd.SetText(u"start");
    cmd.SetTooltip(u"tip");
    cmd.SetEnabled(true);
    cmd.SetChecked(1);
    RecordingObserver o(case_log, "o");
    cmd.AddObserver(&o);
    c.change(cmd);
    EXPECT_EQ(case_log, c.expected);
  }
}

TEST_F(CommandTest, StoreTextAndAttachKeepTheirValues) {
  command.StoreText(u"typed");
  EXPECT_EQ(command.GetText(), u"typed");

  struct FakeContainer : CommandContainerI {
    CommandI* FindCommand(const char*) override { return nullptr; }
    std::string GetLayoutUrl() override { return {}; }
    void GetLayoutStore(HKEY*, const char**, const char**) override {}
    const char* GetBandClsid() override { return ""; }
  } container;
  auto* browser = reinterpret_cast<IWebBrowser2*>(0x1000);
  auto* frame = reinterpret_cast<HWND>(0x2000);
  command.Attach(&container, browser, frame);
  EXPECT_EQ(command.Context(), &container);
  EXPECT_EQ(command.Browser(), browser);
  EXPECT_EQ(command.FrameWindow(), frame);
}

// Exactly the guarded operations hold the user-interface guard while their
// hooks and notifications run; it is left on every exit path.
TEST_F(CommandTest, GuardedOperationsHoldTheGuardWhileHooksRun) {
  auto* control = reinterpret_cast<ControlI*>(0x3000);
  struct Case {
    const char* what;
    std::function<void(RecordingCommand&)> operation;
    int depth;
  };
  const std::vector<Case> cases = {
      {"Run", [](RecordingCommand& c) { c.Run(); }, 1},
      {"SelectText", [](RecordingCommand& c) { c.SelectText(u"x"); }, 1},
      {"DropDownList", [](RecordingCommand& c) { c.DropDownList(); }, 1},
      {"Notify", [](RecordingCommand& c) { c.Notify(); }, 1},
      {"HotItemEntered", [control](RecordingCommand& c) { c.HotItemEntered(control); }, 1},
      {"HotItemLeft", [control](RecordingCommand& c) { c.HotItemLeft(control); }, 1},
      {"Attach", [](RecordingCommand& c) { c.Attach(nullptr, nullptr, nullptr); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EventLog case_log;
    RecordingCommand cmd(case_log);
    c.operation(cmd);
    EXPECT_EQ(cmd.depth, c.depth);
    EXPECT_EQ(UiGuardC::Depth(), 0);
  }

  command.HotItemLeft(control);
  EXPECT_EQ(command.control, control);
  EXPECT_EQ(log.back(), "OnHotItemLeft");

  // Notifications of guarded and unguarded changes.
  command.AddObserver(&first);
  command.SetImage(4711, kCommandMaskColor);
  EXPECT_EQ(first.depth, 1);
  command.SetText(u"plain");
  EXPECT_EQ(first.depth, 0);

  command.throw_in_execute = true;
  EXPECT_THROW(command.Run(), std::runtime_error);
  EXPECT_EQ(UiGuardC::Depth(), 0);
}

TEST_F(CommandTest, SetImageWithMissingIdStillNotifiesAndLeavesNoBitmap) {
  Observe();
  command.SetImage(4242, kCommandMaskColor);
  EXPECT_EQ(command.GetImageId(), 4242);
  EXPECT_EQ(command.GetBitmap(), nullptr);
  EXPECT_EQ(log, (EventLog{"first:ImageChanged", "second:ImageChanged"}));

  // Same identifier and colour: nothing; a new colour alone is a change.
  log.clear();
  command.SetImage(4242, kCommandMaskColor);
  EXPECT_TRUE(log.empty());
  command.SetImage(4242, RGB(255, 0, 255));
  EXPECT_EQ(command.GetMaskColor(), RGB(255, 0, 255));
  EXPECT_EQ(log, (EventLog{"first:ImageChanged", "second:ImageChanged"}));
}

}  // namespace
