#include "framework/command_set.h"

#include <algorithm>
#include <utility>

CommandSetC::CommandSetC() = default;

CommandSetC::~CommandSetC() {
  for (auto& [name, command] : commands_) {
    delete command;
    command = nullptr;
  }
  commands_.clear();
  names_.clear();
}

const std::vector<std::string>& CommandSetC::GetNames() const { return names_; }

CommandI* CommandSetC::FindCommand(std::string name) {
  const auto found = commands_.find(name);
  return found != commands_.end() ? found->second : nullptr;
}

void CommandSetC::Shutdown() {}

CommandI* CommandSetC::Lookup(std::string name) { return FindCommand(std::move(name)); }

void CommandSetC::AddCommand(CommandC* command) {
  if (command == nullptr) {
    return;
  }
  std::string name = command->GetName();
  if (FindCommand(name) != nullptr) {
    return;
  }
  commands_.emplace(name, command);
  names_.push_back(std::move(name));
}

void CommandSetC::RemoveCommand(CommandC* command) {
  if (command == nullptr) {
    return;
  }
  const std::string name = command->GetName();
  const auto registered = commands_.find(name);
  // Another command registered under the same name stays registered and
  // owned: unregistering it here would lose it.
  if (registered != commands_.end() && registered->second == command) {
    const auto listed = std::find(names_.begin(), names_.end(), name);
    if (listed != names_.end()) {
      names_.erase(listed);
    }
    commands_.erase(registered);
  }
  delete command;
}
