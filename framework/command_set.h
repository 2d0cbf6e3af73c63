// Command sets: commands owned by name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/command.h"

class CommandSetI {
 public:
  virtual ~CommandSetI() = default;                                 // slot 0
  // Names in registration order.
  virtual const std::vector<std::string>& GetNames() const = 0;    // slot 1
  // The command registered under exactly this name, or null.
  virtual CommandI* FindCommand(std::string name) = 0;              // slot 2
  // Called by the host on a plug-in's set before the plug-in deletes it.
  virtual void Shutdown() = 0;                                      // slot 3
};

// Owns every command registered in it and deletes them when it ends.
class CommandSetC : public CommandSetI {
 public:
  CommandSetC();
  // Deletes every command, in ascending (byte-wise) name order.
  ~CommandSetC() override;
  CommandSetC(const CommandSetC&) = delete;
  CommandSetC& operator=(const CommandSetC&) = delete;

  const std::vector<std::string>& GetNames() const override;
  CommandI* FindCommand(std::string name) override;
  void Shutdown() override;
  // Slot 4: the same as FindCommand.
  virtual CommandI* Lookup(std::string name);
  // Slot 5: registers the command under its name and takes ownership. When
  // the name is taken already, nothing changes: the first command stays and
  // the caller keeps the new one.
  virtual void AddCommand(CommandC* command);
  // Slot 6: unregisters the command's name when this very command holds it,
  // then deletes the command, registered or not.
  virtual void RemoveCommand(CommandC* command);

 protected:
  // Field order is shared by every library; do not reorder.
  std::vector<std::string> names_;
  std::map<std::string, CommandI*> commands_;  // owned; byte-wise name order
};
