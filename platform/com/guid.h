// Globally unique identifiers: interface and class identifiers, their
// registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", and the way
// an interface type carries its identifier.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/api.h"
#include "platform/com/types.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr bool IsEqualGUID(REFGUID a, REFGUID b) noexcept {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
constexpr bool IsEqualIID(REFIID a, REFIID b) noexcept { return IsEqualGUID(a, b); }
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) noexcept { return IsEqualGUID(a, b); }
constexpr bool operator==(REFGUID a, REFGUID b) noexcept { return IsEqualGUID(a, b); }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;

// Number of characters of the braced text form, without the terminator.
inline constexpr int kGuidStringLength = 38;

// Writes the braced, upper-case text form and its terminator into buffer.
// Returns the characters written including the terminator (39), or 0 when
// buffer is null or holds fewer than 39 characters.
QUORVIA_PLATFORM_API int StringFromGUID2(REFGUID guid, LPWSTR buffer, int size);

// Parse the braced text form (hex digits of either case). Malformed text,
// a null text or a null out pointer gives an error and leaves *out zeroed
// (when out is not null).
QUORVIA_PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out);
QUORVIA_PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* out);

// The status CLSIDFromString and IIDFromString give for malformed text.
constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3u);

namespace quorvia {

// The braced text form as a narrow and as a wide string.
QUORVIA_PLATFORM_API std::string GuidToString(REFGUID guid);
QUORVIA_PLATFORM_API std::u16string GuidToWString(REFGUID guid);
// Parses the braced text form, or the bare form without braces when
// allow_bare is set. False for anything else; *out is then unchanged.
QUORVIA_PLATFORM_API bool ParseGuid(std::u16string_view text, GUID* out, bool allow_bare = false);
QUORVIA_PLATFORM_API bool ParseGuid(std::string_view text, GUID* out, bool allow_bare = false);

namespace guid_detail {

constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Used only in constant evaluation: throwing there stops the build.
struct BadGuidLiteral {};

constexpr unsigned long long HexField(std::string_view text, std::size_t pos, std::size_t digits) {
  unsigned long long v = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    int h = HexValue(text[pos + i]);
    if (h < 0) throw BadGuidLiteral{};
    v = (v << 4) | static_cast<unsigned>(h);
  }
  return v;
}

}  // namespace guid_detail

// A GUID from a literal "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (braces
// allowed), checked at compile time.
consteval GUID MakeGuid(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') throw guid_detail::BadGuidLiteral{};
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    throw guid_detail::BadGuidLiteral{};
  GUID g{};
  g.Data1 = static_cast<DWORD>(guid_detail::HexField(text, 0, 8));
  g.Data2 = static_cast<WORD>(guid_detail::HexField(text, 9, 4));
  g.Data3 = static_cast<WORD>(guid_detail::HexField(text, 14, 4));
  g.Data4[0] = static_cast<BYTE>(guid_detail::HexField(text, 19, 2));
  g.Data4[1] = static_cast<BYTE>(guid_detail::HexField(text, 21, 2));
  for (std::size_t i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(guid_detail::HexField(text, 24 + 2 * i, 2));
  return g;
}

// The identifier of an interface type. Every interface declares its own
// with QUORVIA_INTERFACE_ID inside its body; the check on ThisInterface
// stops an interface that forgot it from silently answering with the
// identifier of its base.
template <class I>
constexpr const IID& IIDOf() noexcept {
  static_assert(std::is_same_v<typename I::ThisInterface, I>,
                "interface does not declare its own identifier (QUORVIA_INTERFACE_ID)");
  return I::iid;
}

}  // namespace quorvia

// Inside an interface's body: gives the interface its identifier.
#define QUORVIA_INTERFACE_ID(Interface, text) \
  using ThisInterface = Interface;            \
  static constexpr IID iid = ::quorvia::MakeGuid(text)

namespace quorvia {
template <class T>
void** PpvArg(T** pp) noexcept {
  return reinterpret_cast<void**>(pp);
}
}  // namespace quorvia

// The identifier and out pointer of a QueryInterface call, from a typed
// out pointer: obj->QueryInterface(IID_PPV_ARGS(&ptr)).
#define IID_PPV_ARGS(pp)                                                                         \
  ::quorvia::IIDOf<std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>>(), \
      ::quorvia::PpvArg(pp)
