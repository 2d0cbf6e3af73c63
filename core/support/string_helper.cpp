#include "core/support/string_helper.h"

std::u16string StringHelper::stringFmtList(std::u16string_view format, std::span<const quorvia::FormatArg> args) {
  std::optional<std::u16string> text = quorvia::FormatWideList(format, args);
  if (!text) return std::u16string(u"StringHelper::stringFmt() - Invalid message format : ").append(format);
  return std::move(*text);
}

std::u16string StringHelper::toLower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

std::u16string StringHelper::replaceAll(std::u16string_view text, std::u16string_view placeholder,
                                        std::u16string_view replacement) {
  std::u16string out(text);
  if (placeholder.empty()) return out;
  std::size_t pos = 0;
  while ((pos = out.find(placeholder, pos)) != std::u16string::npos) {
    out.replace(pos, placeholder.size(), replacement);
    pos += replacement.size();
  }
  return out;
}
