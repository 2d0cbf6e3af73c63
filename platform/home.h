// The per-user folder that holds the settings store and scopes named events.
#pragma once

#include <string>

#include "platform/api.h"

namespace quorvia {

// $QUORVIA_HOME, else $XDG_DATA_HOME/quorvia, else ~/.local/share/quorvia.
// The folder is created (with its parents) when it does not exist; an empty
// string is returned when no folder can be determined or created.
QUORVIA_PLATFORM_API std::string QuorviaHome();

}  // namespace quorvia
