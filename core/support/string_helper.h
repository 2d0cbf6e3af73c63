// String utilities on wide strings: printf-style formatting, lower-casing
// and replacement.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/text/format.h"

class StringHelper {
 public:
  // printf-style formatting into a new string (the conversions of
  // platform/text/format.h: %s takes a wide string). When the format does
  // not fit the arguments the result is
  // "StringHelper::stringFmt() - Invalid message format : " followed by the
  // format; nothing is raised.
  template <class... Args>
  static std::u16string stringFmt(std::u16string_view format, const Args&... args) {
    const std::array<quorvia::FormatArg, sizeof...(Args)> list{quorvia::FormatArg(args)...};
    return stringFmtList(format, list);
  }
  static std::u16string stringFmtList(std::u16string_view format, std::span<const quorvia::FormatArg> args);

  // A copy with A to Z turned into a to z; every other character as it is.
  static std::u16string toLower(std::u16string_view text);

  // A copy of text with every occurrence of placeholder replaced: the search
  // starts at 0 and goes on just after each inserted replacement, so a
  // replacement that contains the placeholder is not replaced again. An
  // empty placeholder matches nothing.
  static std::u16string replaceAll(std::u16string_view text, std::u16string_view placeholder,
                                   std::u16string_view replacement);
};
