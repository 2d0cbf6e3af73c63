#include "framework/nop_command.h"

#include <new>

#include "platform/com/com_error.h"

NopCmdC::NopCmdC() try {
  SetName(kName);
  SetEnabled(true);
} catch (const std::bad_alloc&) {
  throw quorvia::ComError(E_FAIL);
}
