// printf-style formatting of wide and narrow strings with typed arguments.
//
// The conversions mean what they mean in the Windows C library: in a wide
// format %s and %c take a wide string / character and %S and %C a narrow
// one; in a narrow format it is the other way round. %hs, %hc force narrow,
// %ls, %lc, %ws, %wc force wide. Supported: %d %i %u %x %X %o %c %C %s %S
// %e %E %f %F %g %G %p %%, flags - + space 0 #, width and precision (also
// *), length modifiers hh h l ll L w j z t I I32 I64 (l is 32 bits, as on
// Windows; ll, I64, I, j, z, t are 64 bits).
//
// Every conversion is checked against the type of its argument. The call
// fails (an empty optional) and reads nothing it was not given when:
//   - there are fewer arguments than conversions (and * fields),
//   - a string conversion gets something that is not a string, or a number
//     or character conversion gets a string, a floating conversion gets
//     anything but a floating-point number, %p anything but a pointer,
//   - the format holds %n, an unknown conversion, a bad length modifier for
//     its conversion, or a lone % at the end,
//   - the output would be longer than kMaxFormattedLength characters (a
//     width or precision beyond that fails before anything is formatted).
// Surplus arguments are ignored. A null string prints "(null)". Numbers are
// printed by the C library's snprintf once checked; %p prints the pointer
// as 16 upper-case hex digits. Integer arguments of another width than the
// conversion names are converted to the conversion's type (as the C library
// would read them). The format ends at its first null character, as a C
// string would. A 0 flag pads strings and characters with zeros too.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/api.h"

namespace quorvia {

// Longest text (in characters of the output) one call may produce: 1 MiB.
inline constexpr std::size_t kMaxFormattedLength = std::size_t{1} << 20;

// One argument of a formatting call: a typed view of the caller's value. It
// refers to the caller's strings, so it lives only for the call.
class FormatArg {
 public:
  enum class Kind : unsigned char {
    kSigned,       // signed integer
    kUnsigned,     // unsigned integer
    kChar,         // narrow character (value in signed_value)
    kWideChar,     // wide character (value in unsigned_value)
    kDouble,       // floating point
    kString,       // narrow string (text; null pointer allowed)
    kWideString,   // wide string (wide_text; null pointer allowed)
    kPointer,      // any other pointer
  };

  template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
             !std::is_same_v<T, char16_t>)
  FormatArg(T value) noexcept {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::kSigned;
      signed_ = static_cast<long long>(value);
    } else {
      kind_ = Kind::kUnsigned;
      unsigned_ = static_cast<unsigned long long>(value);
    }
  }
  template <class T>
    requires std::is_same_v<T, bool>
  FormatArg(T value) noexcept : kind_(Kind::kSigned) {
    signed_ = value ? 1 : 0;
  }
  // Enumerations print as their underlying integer.
  template <class T>
    requires std::is_enum_v<T>
  FormatArg(T value) noexcept : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
  FormatArg(char c) noexcept : kind_(Kind::kChar) { signed_ = c; }
  FormatArg(char16_t c) noexcept : kind_(Kind::kWideChar) { unsigned_ = c; }
  FormatArg(double d) noexcept : kind_(Kind::kDouble) { double_ = d; }
  FormatArg(float f) noexcept : kind_(Kind::kDouble) { double_ = f; }
  FormatArg(long double d) noexcept : kind_(Kind::kDouble) { double_ = static_cast<double>(d); }

  // Strings. A pointer is read up to its terminator when it is formatted;
  // a string object up to its first null character or its end.
  FormatArg(const char* s) noexcept : kind_(Kind::kString), length_(kUnknownLength) { text_ = s; }
  FormatArg(const std::string& s) noexcept : kind_(Kind::kString), length_(s.size()) { text_ = s.data(); }
  FormatArg(std::string_view s) noexcept : kind_(Kind::kString), length_(s.size()) {
    text_ = s.data() ? s.data() : "";
  }
  FormatArg(const char16_t* s) noexcept : kind_(Kind::kWideString), length_(kUnknownLength) { wide_text_ = s; }
  FormatArg(const std::u16string& s) noexcept : kind_(Kind::kWideString), length_(s.size()) {
    wide_text_ = s.data();
  }
  FormatArg(std::u16string_view s) noexcept : kind_(Kind::kWideString), length_(s.size()) {
    wide_text_ = s.data() ? s.data() : u"";
  }

  // Pointers print with %p. A null pointer constant counts as a null string
  // too, so %s prints "(null)" for it.
  FormatArg(const void* p) noexcept : kind_(Kind::kPointer) { pointer_ = p; }
  FormatArg(std::nullptr_t) noexcept : kind_(Kind::kPointer), null_constant_(true) { pointer_ = nullptr; }

  Kind kind() const noexcept { return kind_; }
  long long signed_value() const noexcept { return signed_; }
  unsigned long long unsigned_value() const noexcept { return unsigned_; }
  double double_value() const noexcept { return double_; }
  const void* pointer() const noexcept { return pointer_; }
  bool is_null_constant() const noexcept { return null_constant_; }
  // The string's characters up to its first null (null pointer: nullopt).
  std::optional<std::string_view> text() const noexcept;
  std::optional<std::u16string_view> wide_text() const noexcept;

 private:
  static constexpr std::size_t kUnknownLength = static_cast<std::size_t>(-1);

  Kind kind_;
  bool null_constant_ = false;
  std::size_t length_ = 0;
  union {
    long long signed_;
    unsigned long long unsigned_;
    double double_;
    const char* text_;
    const char16_t* wide_text_;
    const void* pointer_;
  };
};

inline std::optional<std::string_view> FormatArg::text() const noexcept {
  if (text_ == nullptr) return std::nullopt;
  std::string_view s = length_ == kUnknownLength ? std::string_view(text_) : std::string_view(text_, length_);
  return s.substr(0, s.find('\0'));
}

inline std::optional<std::u16string_view> FormatArg::wide_text() const noexcept {
  if (wide_text_ == nullptr) return std::nullopt;
  std::u16string_view s =
      length_ == kUnknownLength ? std::u16string_view(wide_text_) : std::u16string_view(wide_text_, length_);
  return s.substr(0, s.find(u'\0'));
}

// The formatters over a prepared argument list.
QUORVIA_PLATFORM_API std::optional<std::u16string> FormatWideList(std::u16string_view format,
                                                                  std::span<const FormatArg> args);
QUORVIA_PLATFORM_API std::optional<std::string> FormatNarrowList(std::string_view format,
                                                                std::span<const FormatArg> args);

// FormatWide(u"%s has %d links", name, count): the formatted text, or
// nullopt when the format does not fit the arguments.
template <class... Args>
std::optional<std::u16string> FormatWide(std::u16string_view format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatWideList(format, list);
}

template <class... Args>
std::optional<std::string> FormatNarrow(std::string_view format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatNarrowList(format, list);
}

}  // namespace quorvia
