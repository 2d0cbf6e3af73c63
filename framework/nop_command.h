// "ToolBand.Nop": the command of controls that name no command. Running it
// does nothing.
#pragma once

#include "framework/command.h"

class NopCmdC : public CommandC {
 public:
  static constexpr const char* kName = "ToolBand.Nop";

  // Enabled; everything else as a new CommandC.
  NopCmdC();
};
