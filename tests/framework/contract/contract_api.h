// The C functions of the two test libraries that exchange commands: the
// maker library defines and creates commands, the user library registers,
// runs and deletes them. Each carries its own copy of the framework.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/command.h"
#include "framework/command_set.h"

extern "C" {

// What the maker's commands did, written by the maker's code.
struct MakerLog {
  int executions;
  std::int32_t checked_in_execute;  // IsChecked() seen by the last Execute
  char selected_text[32];           // UTF-8 of the last OnTextSelected
  char deleted[256];                // names of deleted commands, ';'-terminated
};

// A command of the maker library; its Execute, OnTextSelected and destructor
// write into log. items: count wide strings.
using MakerCreateCommandFn = CommandI* (*)(const char* name, const char16_t* const* items, std::size_t count,
                                           MakerLog* log);
// SetImage run by the maker library's framework code.
using MakerSetImageFn = void (*)(CommandI* command, std::int32_t image_id);

// What the user library saw of a command, read through its own copy.
struct UserReport {
  char name[64];               // GetName()
  std::int32_t checked;        // IsChecked() after Run()
  std::int32_t selected;       // GetItems().selected after SelectText
  std::size_t item_count;      // GetItems().items.size()
  int checked_notifications;   // counted by an observer of the user library
  int selection_notifications;
  int text_notifications;
};

// A CommandSetC of the user library holding the commands (as far as their
// names are free).
using UserRegisterFn = CommandSetI* (*)(CommandI* const* commands, std::size_t count);
// Finds name in set, runs it, selects choice; false when name is unknown.
using UserExerciseFn = bool (*)(CommandSetI* set, const char* name, const char16_t* choice, UserReport* report);
// Removes the command through the set (deleting it).
using UserRemoveFn = void (*)(CommandSetI* set, CommandI* command);
// Deletes the set and with it its commands.
using UserDestroyFn = void (*)(CommandSetI* set);
// SetImage run by the user library's framework code.
using UserSetImageFn = void (*)(CommandI* command, std::int32_t image_id);
}
