// Conversions between UTF-8 (the "ANSI" code page here) and UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

namespace quorvia {

// Ill-formed input (a stray continuation byte, an unpaired surrogate, an
// overlong or out-of-range sequence) becomes U+FFFD; nothing is dropped
// silently and nothing is read past the end.
QUORVIA_PLATFORM_API std::u16string Utf8ToUtf16(std::string_view text);
QUORVIA_PLATFORM_API std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace quorvia
