#include "platform/com/com_error.h"

namespace quorvia {

ComError::~ComError() = default;

const char* ComError::what() const noexcept { return "COM error"; }

}  // namespace quorvia
