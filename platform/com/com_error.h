// The exception the framework's helpers raise on a broken invariant.
#pragma once

#include <exception>

#include "platform/api.h"
#include "platform/com/types.h"

namespace quorvia {

// Its type information lives in the platform library only (the destructor is
// the key function), so every library of the process catches the same type.
class QUORVIA_PLATFORM_API ComError : public std::exception {
 public:
  explicit ComError(HRESULT hr) noexcept : hr_(hr) {}
  ~ComError() override;
  HRESULT Error() const noexcept { return hr_; }
  const char* what() const noexcept override;

 private:
  HRESULT hr_;
};

}  // namespace quorvia
