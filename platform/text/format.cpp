#include "platform/text/format.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text/convert.h"

namespace quorvia {
namespace {

// Sizes an integer conversion reads, in bits.
enum class Length { kNone, kHH, kH, kL, kLL, kBigL, kW, kI, kI32, kI64, kJ, kZ, kT };

struct Spec {
  bool minus = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  bool hash = false;
  std::size_t width = 0;
  bool has_precision = false;
  std::size_t precision = 0;
  Length length = Length::kNone;
  char conversion = 0;
};

// Stops the walk over the format at the first failure.
struct Failure {};

template <class Char>
class Formatter {
 public:
  Formatter(std::basic_string_view<Char> format, std::span<const FormatArg> args) : format_(format), args_(args) {
    // The format ends at its first null character, as a C string would.
    format_ = format_.substr(0, format_.find(Char(0)));
  }

  std::optional<std::basic_string<Char>> Run() {
    try {
      while (pos_ < format_.size()) {
        Char c = format_[pos_++];
        if (c != Char('%')) {
          Put(c);
          continue;
        }
        if (pos_ < format_.size() && format_[pos_] == Char('%')) {
          ++pos_;
          Put(Char('%'));
          continue;
        }
        Conversion(ParseSpec());
      }
    } catch (const Failure&) {
      return std::nullopt;
    }
    return std::move(out_);
  }

 private:
  static constexpr bool kWide = sizeof(Char) == 2;

  Char Peek() const { return pos_ < format_.size() ? format_[pos_] : Char(0); }

  const FormatArg& NextArg() {
    if (next_arg_ >= args_.size()) throw Failure{};
    return args_[next_arg_++];
  }

  // A width or precision written in digits; anything beyond the output
  // bound fails at once.
  std::size_t Number() {
    std::size_t v = 0;
    while (Peek() >= Char('0') && Peek() <= Char('9')) {
      v = v * 10 + static_cast<std::size_t>(Peek() - Char('0'));
      if (v > kMaxFormattedLength) throw Failure{};
      ++pos_;
    }
    return v;
  }

  // A * field: an integer argument.
  long long StarArg() {
    const FormatArg& a = NextArg();
    switch (a.kind()) {
      case FormatArg::Kind::kSigned:
      case FormatArg::Kind::kChar:
        return static_cast<int>(a.signed_value());
      case FormatArg::Kind::kUnsigned:
      case FormatArg::Kind::kWideChar:
        return static_cast<int>(a.unsigned_value());
      default:
        throw Failure{};
    }
  }

  Spec ParseSpec() {
    Spec s;
    for (;; ++pos_) {
      Char c = Peek();
      if (c == Char('-')) {
        s.minus = true;
      } else if (c == Char('+')) {
        s.plus = true;
      } else if (c == Char(' ')) {
        s.space = true;
      } else if (c == Char('0')) {
        s.zero = true;
      } else if (c == Char('#')) {
        s.hash = true;
      } else {
        break;
      }
    }
    if (Peek() == Char('*')) {
      ++pos_;
      long long w = StarArg();
      if (w < 0) {
        s.minus = true;
        w = -w;
      }
      if (w > static_cast<long long>(kMaxFormattedLength)) throw Failure{};
      s.width = static_cast<std::size_t>(w);
    } else {
      s.width = Number();
    }
    if (Peek() == Char('.')) {
      ++pos_;
      s.has_precision = true;
      if (Peek() == Char('*')) {
        ++pos_;
        long long p = StarArg();
        if (p < 0) {
          s.has_precision = false;  // a negative precision counts as none
        } else {
          if (p > static_cast<long long>(kMaxFormattedLength)) throw Failure{};
          s.precision = static_cast<std::size_t>(p);
        }
      } else {
        s.precision = Number();
      }
    }
    s.length = ParseLength();
    Char conv = Peek();
    // A lone % at the end, or no conversion letter.
    if (conv == Char(0) || static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(conv)) > 0x7F)
      throw Failure{};
    ++pos_;
    s.conversion = static_cast<char>(conv);
    return s;
  }

  Length ParseLength() {
    auto take = [&](std::string_view text) {
      if (format_.size() - pos_ < text.size()) return false;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (format_[pos_ + i] != Char(text[i])) return false;
      }
      pos_ += text.size();
      return true;
    };
    if (take("hh")) return Length::kHH;
    if (take("h")) return Length::kH;
    if (take("ll")) return Length::kLL;
    if (take("l")) return Length::kL;
    if (take("L")) return Length::kBigL;
    if (take("w")) return Length::kW;
    if (take("I64")) return Length::kI64;
    if (take("I32")) return Length::kI32;
    if (take("I")) return Length::kI;
    if (take("j")) return Length::kJ;
    if (take("z")) return Length::kZ;
    if (take("t")) return Length::kT;
    return Length::kNone;
  }

  void Conversion(const Spec& s) {
    switch (s.conversion) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        Integer(s);
        return;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
        Real(s);
        return;
      case 'c':
      case 'C':
        Character(s);
        return;
      case 's':
      case 'S':
        String(s);
        return;
      case 'p':
        Pointer(s);
        return;
      default:
        // %n (writing through an argument) and anything unknown.
        throw Failure{};
    }
  }

  static int IntegerBits(Length l) {
    switch (l) {
      case Length::kNone:
      case Length::kL:
      case Length::kI32:
        return 32;
      case Length::kHH:
        return 8;
      case Length::kH:
        return 16;
      case Length::kLL:
      case Length::kI64:
      case Length::kI:
      case Length::kJ:
      case Length::kZ:
      case Length::kT:
        return 64;
      default:
        throw Failure{};  // L, w
    }
  }

  // The bits of an integer or character argument.
  static unsigned long long IntegerBitsOf(const FormatArg& a) {
    switch (a.kind()) {
      case FormatArg::Kind::kSigned:
      case FormatArg::Kind::kChar:
        return static_cast<unsigned long long>(a.signed_value());
      case FormatArg::Kind::kUnsigned:
      case FormatArg::Kind::kWideChar:
        return a.unsigned_value();
      default:
        throw Failure{};
    }
  }

  static void AppendFlags(std::string& f, const Spec& s) {
    if (s.minus) f += '-';
    if (s.plus) f += '+';
    if (s.space) f += ' ';
    if (s.zero) f += '0';
    if (s.hash) f += '#';
  }

  // Runs snprintf on a checked conversion; fails when the text would pass
  // the output bound.
  template <class T>
  void Print(const Spec& s, const char* length, T value) {
    std::string f = "%";
    AppendFlags(f, s);
    if (s.width) f += std::to_string(s.width);
    if (s.has_precision) f += '.' + std::to_string(s.precision);
    f += length;
    f += s.conversion;
    int n = std::snprintf(nullptr, 0, f.c_str(), value);
    if (n < 0 || static_cast<std::size_t>(n) > kMaxFormattedLength - out_.size()) throw Failure{};
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::snprintf(buf.data(), buf.size(), f.c_str(), value);
    for (int i = 0; i < n; ++i) out_.push_back(static_cast<Char>(static_cast<unsigned char>(buf[i])));
  }

  void Integer(const Spec& s) {
    int bits = IntegerBits(s.length);
    unsigned long long raw = IntegerBitsOf(NextArg());
    if (bits < 64) raw &= (1ULL << bits) - 1;
    if (s.conversion == 'd' || s.conversion == 'i') {
      long long v = static_cast<long long>(raw);
      if (bits < 64 && (raw >> (bits - 1)) != 0) v = static_cast<long long>(raw) - static_cast<long long>(1ULL << bits);
      Print(s, "ll", v);
    } else {
      Print(s, "ll", raw);
    }
  }

  void Real(const Spec& s) {
    if (s.length != Length::kNone && s.length != Length::kL && s.length != Length::kBigL) throw Failure{};
    const FormatArg& a = NextArg();
    if (a.kind() != FormatArg::Kind::kDouble) throw Failure{};
    Print(s, "", a.double_value());
  }

  // Whether a %s or %c conversion takes its argument wide.
  static bool WideArgument(const Spec& s) {
    bool upper = s.conversion == 'S' || s.conversion == 'C';
    switch (s.length) {
      case Length::kNone:
        return kWide != upper;
      case Length::kH:
        return false;
      case Length::kL:
      case Length::kW:
        return true;
      default:
        throw Failure{};
    }
  }

  // Pads text to the width and appends it.
  void PutField(const Spec& s, std::basic_string_view<Char> text) {
    std::size_t pad = s.width > text.size() ? s.width - text.size() : 0;
    if (pad + text.size() > kMaxFormattedLength - out_.size()) throw Failure{};
    if (!s.minus) out_.append(pad, s.zero ? Char('0') : Char(' '));
    out_.append(text);
    if (s.minus) out_.append(pad, Char(' '));
  }

  static std::basic_string<Char> FromNarrow(std::string_view text) {
    if constexpr (kWide) {
      return Utf8ToUtf16(text);
    } else {
      return std::string(text);
    }
  }
  static std::basic_string<Char> FromWide(std::u16string_view text) {
    if constexpr (kWide) {
      return std::u16string(text);
    } else {
      return Utf16ToUtf8(text);
    }
  }

  // The first n characters of text, without cutting a character that takes
  // several code units in half.
  static std::basic_string_view<Char> Prefix(std::basic_string_view<Char> text, std::size_t n) {
    if (n >= text.size()) return text;
    if constexpr (kWide) {
      if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    } else {
      while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    return text.substr(0, n);
  }

  void String(const Spec& s) {
    bool wide = WideArgument(s);
    const FormatArg& a = NextArg();
    std::basic_string<Char> text;
    bool null = false;
    if (a.kind() == FormatArg::Kind::kPointer && a.is_null_constant()) {
      null = true;
    } else if (wide) {
      if (a.kind() != FormatArg::Kind::kWideString) throw Failure{};
      auto w = a.wide_text();
      null = !w;
      if (w) text = FromWide(*w);
    } else {
      if (a.kind() != FormatArg::Kind::kString) throw Failure{};
      auto n = a.text();
      null = !n;
      if (n) text = FromNarrow(*n);
    }
    if (null) text = FromNarrow("(null)");
    std::basic_string_view<Char> view = text;
    if (s.has_precision) view = Prefix(view, s.precision);
    PutField(s, view);
  }

  void Character(const Spec& s) {
    bool wide = WideArgument(s);
    unsigned long long raw = IntegerBitsOf(NextArg());
    std::basic_string<Char> text;
    if (wide) {
      char16_t c = static_cast<char16_t>(raw);
      text = FromWide(std::u16string_view(&c, 1));
    } else {
      char c = static_cast<char>(raw);
      text = FromNarrow(std::string_view(&c, 1));
    }
    PutField(s, text);
  }

  void Pointer(const Spec& s) {
    if (s.length != Length::kNone) throw Failure{};
    const FormatArg& a = NextArg();
    if (a.kind() != FormatArg::Kind::kPointer) throw Failure{};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(a.pointer())));
    Spec field = s;
    field.zero = false;
    PutField(field, FromNarrow(buf));
  }

  void Put(Char c) {
    if (out_.size() >= kMaxFormattedLength) throw Failure{};
    out_.push_back(c);
  }

  std::basic_string_view<Char> format_;
  std::span<const FormatArg> args_;
  std::size_t pos_ = 0;
  std::size_t next_arg_ = 0;
  std::basic_string<Char> out_;
};

}  // namespace

std::optional<std::u16string> FormatWideList(std::u16string_view format, std::span<const FormatArg> args) {
  return Formatter<char16_t>(format, args).Run();
}

std::optional<std::string> FormatNarrowList(std::string_view format, std::span<const FormatArg> args) {
  return Formatter<char>(format, args).Run();
}

}  // namespace quorvia
