#include "platform/com/guid.h"

#include <array>

namespace {

// The 32 hex digits of a GUID in text order.
std::array<BYTE, 16> GuidBytes(REFGUID g) {
  std::array<BYTE, 16> b{};
  for (int i = 0; i < 4; ++i) b[i] = static_cast<BYTE>(g.Data1 >> (24 - 8 * i));
  b[4] = static_cast<BYTE>(g.Data2 >> 8);
  b[5] = static_cast<BYTE>(g.Data2);
  b[6] = static_cast<BYTE>(g.Data3 >> 8);
  b[7] = static_cast<BYTE>(g.Data3);
  for (int i = 0; i < 8; ++i) b[8 + i] = g.Data4[i];
  return b;
}

template <class Char>
std::basic_string<Char> Format(REFGUID g) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::basic_string<Char> out;
  out.reserve(kGuidStringLength);
  out.push_back(Char('{'));
  auto bytes = GuidBytes(g);
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back(Char('-'));
    out.push_back(Char(kHex[bytes[i] >> 4]));
    out.push_back(Char(kHex[bytes[i] & 0xF]));
  }
  out.push_back(Char('}'));
  return out;
}

template <class Char>
int Hex(Char c) {
  if (c >= Char('0') && c <= Char('9')) return static_cast<int>(c - Char('0'));
  if (c >= Char('a') && c <= Char('f')) return static_cast<int>(c - Char('a')) + 10;
  if (c >= Char('A') && c <= Char('F')) return static_cast<int>(c - Char('A')) + 10;
  return -1;
}

template <class Char>
bool Parse(std::basic_string_view<Char> text, GUID* out, bool allow_bare) {
  if (text.size() == 38 && text.front() == Char('{') && text.back() == Char('}')) {
    text = text.substr(1, 36);
  } else if (!allow_bare || text.size() != 36) {
    return false;
  }
  std::array<BYTE, 16> b{};
  std::size_t pos = 0;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      if (text[pos] != Char('-')) return false;
      ++pos;
    }
    int hi = Hex(text[pos]);
    int lo = Hex(text[pos + 1]);
    if (hi < 0 || lo < 0) return false;
    b[i] = static_cast<BYTE>((hi << 4) | lo);
    pos += 2;
  }
  if (out == nullptr) return true;
  GUID g{};
  g.Data1 = (DWORD{b[0]} << 24) | (DWORD{b[1]} << 16) | (DWORD{b[2]} << 8) | DWORD{b[3]};
  g.Data2 = static_cast<WORD>((b[4] << 8) | b[5]);
  g.Data3 = static_cast<WORD>((b[6] << 8) | b[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
  *out = g;
  return true;
}

HRESULT FromString(LPCOLESTR text, GUID* out, HRESULT malformed) {
  if (out == nullptr) return E_INVALIDARG;
  *out = GUID_NULL;
  if (text == nullptr) return malformed;
  // Read at most one character past the form's length, so that an
  // unterminated buffer is never read far.
  std::size_t n = 0;
  while (n <= static_cast<std::size_t>(kGuidStringLength) && text[n] != 0) ++n;
  if (!Parse(std::u16string_view(text, n), out, false)) return malformed;
  return S_OK;
}

}  // namespace

int StringFromGUID2(REFGUID guid, LPWSTR buffer, int size) {
  if (buffer == nullptr || size < kGuidStringLength + 1) return 0;
  std::u16string text = Format<char16_t>(guid);
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return kGuidStringLength + 1;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out) { return FromString(text, out, CO_E_CLASSSTRING); }

HRESULT IIDFromString(LPCOLESTR text, IID* out) { return FromString(text, out, E_INVALIDARG); }

namespace quorvia {

std::string GuidToString(REFGUID guid) { return Format<char>(guid); }
std::u16string GuidToWString(REFGUID guid) { return Format<char16_t>(guid); }

bool ParseGuid(std::u16string_view text, GUID* out, bool allow_bare) { return Parse(text, out, allow_bare); }
bool ParseGuid(std::string_view text, GUID* out, bool allow_bare) { return Parse(text, out, allow_bare); }

}  // namespace quorvia
