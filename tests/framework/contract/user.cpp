// Test library that takes commands made elsewhere, registers them in its own
// command set, runs them and deletes them, the way the host treats the
// core's commands.
#include <cstdio>

#include "platform/api.h"
#include "tests/framework/contract/contract_api.h"

namespace {

class CountingObserver : public CommandObserverI {
 public:
  void EnabledChanged() override {}
  void ImageChanged() override {}
  void TooltipChanged() override {}
  void TextChanged() override { ++text; }
  void SelectionChanged() override { ++selection; }
  void CheckedChanged() override { ++checked; }

  int text = 0;
  int selection = 0;
  int checked = 0;
};

}  // namespace

extern "C" QUORVIA_EXPORT CommandSetI* UserRegister(CommandI* const* commands, std::size_t count) {
  auto* set = new CommandSetC;
  for (std::size_t i = 0; i < count; ++i) {
    set->AddCommand(static_cast<CommandC*>(commands[i]));
  }
  return set;
}

extern "C" QUORVIA_EXPORT bool UserExercise(CommandSetI* set, const char* name, const char16_t* choice,
                                            UserReport* report) {
  CommandI* found = set->FindCommand(name);
  if (found == nullptr) {
    return false;
  }
  auto* command = static_cast<CommandC*>(found);
  std::snprintf(report->name, sizeof report->name, "%s", command->GetName());

  CountingObserver observer;
  command->AddObserver(&observer);
  command->Run();
  report->checked = command->IsChecked();
  command->SelectText(choice);
  const CommandItems& items = command->GetItems();
  report->selected = items.selected;
  report->item_count = items.items.size();
  command->RemoveObserver(&observer);

  report->checked_notifications = observer.checked;
  report->selection_notifications = observer.selection;
  report->text_notifications = observer.text;
  return true;
}

extern "C" QUORVIA_EXPORT void UserRemove(CommandSetI* set, CommandI* command) {
  static_cast<CommandSetC*>(set)->RemoveCommand(static_cast<CommandC*>(command));
}

extern "C" QUORVIA_EXPORT void UserDestroy(CommandSetI* set) { delete set; }

extern "C" QUORVIA_EXPORT void UserSetImage(CommandI* command, std::int32_t image_id) {
  static_cast<CommandC*>(command)->SetImage(image_id, kCommandMaskColor);
}
