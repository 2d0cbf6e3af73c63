#include "framework/command_set.h"

#include <gtest/gtest.h>

#include "framework/nop_command.h"
#include "tests/framework/recording.h"

namespace {

using Names = std::vector<std::string>;

TEST(CommandSetTest, SecondCommandOfANameIsNotTaken) {
  EventLog log;
  auto* first = new RecordingCommand(log, "ToolBand.Nop");
  auto* second = new RecordingCommand(log, "ToolBand.Nop");
  {
    CommandSetC set;
    set.AddCommand(first);
    set.AddCommand(second);
    EXPECT_EQ(set.FindCommand("ToolBand.Nop"), first);
    EXPECT_EQ(set.Lookup("ToolBand.Nop"), first);
    EXPECT_EQ(set.GetNames(), (Names{"ToolBand.Nop"}));
  }
  // The set deleted only the command it took; the caller still owns the other.
  EXPECT_EQ(log, (EventLog{"deleted ToolBand.Nop"}));
  delete second;
}

TEST(CommandSetTest, FindCommandIsExactAndCaseSensitive) {
  CommandSetC set;
  set.AddCommand(new NopCmdC);
  ASSERT_NE(set.FindCommand("ToolBand.Nop"), nullptr);
  for (const char* name : {"toolband.nop", "TOOLBAND.NOP", "ToolBand.Nop ", "ToolBand.No", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(set.FindCommand(name), nullptr);
    EXPECT_EQ(set.Lookup(name), nullptr);
  }
  set.AddCommand(nullptr);
  EXPECT_EQ(set.GetNames().size(), 1u);
}

// Names stay in registration order; destruction deletes in byte-wise name
// order (upper case before lower case).
TEST(CommandSetTest, DestroyingTheSetDeletesEveryCommandInNameOrder) {
  EventLog log;
  {
    CommandSetC set;
    for (const char* name : {"b.cmd", "a.cmd", "C.cmd"}) {
      set.AddCommand(new RecordingCommand(log, name));
    }
    set.Shutdown();
    EXPECT_EQ(set.GetNames(), (Names{"b.cmd", "a.cmd", "C.cmd"}));
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (EventLog{"deleted C.cmd", "deleted a.cmd", "deleted b.cmd"}));
}

TEST(CommandSetTest, RemoveCommandUnregistersAndDeletes) {
  EventLog log;
  CommandSetC set;
  auto* a = new RecordingCommand(log, "a");
  auto* b = new RecordingCommand(log, "b");
  auto* c = new RecordingCommand(log, "c");
  set.AddCommand(a);
  set.AddCommand(b);
  set.AddCommand(c);

  set.RemoveCommand(b);
  EXPECT_EQ(log, (EventLog{"deleted b"}));
  EXPECT_EQ(set.GetNames(), (Names{"a", "c"}));
  EXPECT_EQ(set.FindCommand("b"), nullptr);

  // A command the set does not hold is deleted all the same.
  log.clear();
  set.RemoveCommand(new RecordingCommand(log, "stranger"));
  EXPECT_EQ(log, (EventLog{"deleted stranger"}));
  EXPECT_EQ(set.GetNames(), (Names{"a", "c"}));

  // So is one that only shares the name of a registered command; the
  // registered one stays in the set, which still owns it.
  log.clear();
  set.RemoveCommand(new RecordingCommand(log, "a"));
  EXPECT_EQ(log, (EventLog{"deleted a"}));
  EXPECT_EQ(set.FindCommand("a"), a);
  EXPECT_EQ(set.GetNames(), (Names{"a", "c"}));

  log.clear();
  set.RemoveCommand(nullptr);
  EXPECT_TRUE(log.empty());
}

}  // namespace
