// The interface through which commands, the layout loader and the hook reach
// the toolbar context that holds the commands.
#pragma once

#include <string>

#include "platform/com/types.h"

class CommandI;

class CommandContainerI {
 public:
  // Slot 0.
  virtual ~CommandContainerI() = default;
  // Slot 1: the command registered under exactly this name, or null.
  virtual CommandI* FindCommand(const char* name) = 0;
  // Slot 2: the address of the layout document.
  virtual std::string GetLayoutUrl() = 0;
  // Slot 3: where the user's copy of the layout is stored: registry root,
  // subkey and value name. The strings stay valid while the container lives.
  virtual void GetLayoutStore(HKEY* root, const char** subkey, const char** value_name) = 0;
  // Slot 4: the band's CLSID in registry text form ("{...}", 38 characters).
  virtual const char* GetBandClsid() = 0;
};
