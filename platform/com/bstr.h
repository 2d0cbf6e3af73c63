// BSTR: the counted wide string of COM interfaces.
//
// A BSTR points at the first character of a block laid out as
//   [4-byte length in bytes][characters][a null character]
// so it can be read as a null-terminated string and still carry embedded
// null characters. A null BSTR is the empty string (length 0).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/api.h"
#include "platform/com/guid.h"

using BSTR = OLECHAR*;

// A new BSTR with a copy of text (null text: an empty string). Null when
// out of memory.
QUORVIA_PLATFORM_API BSTR SysAllocString(LPCOLESTR text);
// A new BSTR of length characters, copied from text when text is not null,
// else all null characters.
QUORVIA_PLATFORM_API BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
// A new BSTR of length bytes, copied from bytes when not null; an odd byte
// count is allowed (the BSTR then holds length / 2 whole characters).
QUORVIA_PLATFORM_API BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
// Replace *target with a copy of text. text may point into *target. TRUE on
// success; on failure *target is unchanged.
QUORVIA_PLATFORM_API INT SysReAllocString(BSTR* target, LPCOLESTR text);
QUORVIA_PLATFORM_API INT SysReAllocStringLen(BSTR* target, LPCOLESTR text, UINT length);
QUORVIA_PLATFORM_API void SysFreeString(BSTR text);
// Length in characters and in bytes; 0 for a null BSTR.
QUORVIA_PLATFORM_API UINT SysStringLen(BSTR text);
QUORVIA_PLATFORM_API UINT SysStringByteLen(BSTR text);

namespace quorvia {

// The characters of a BSTR, embedded nulls included.
inline std::u16string_view BstrView(BSTR text) { return std::u16string_view(text, SysStringLen(text)); }
// A new BSTR holding text, embedded nulls included (an empty text gives an
// allocated empty BSTR, not a null one). Null when out of memory.
QUORVIA_PLATFORM_API BSTR AllocBstr(std::u16string_view text);

}  // namespace quorvia

// Owns one BSTR (possibly null) and frees it when destroyed.
class CComBSTR {
 public:
  CComBSTR() noexcept = default;
  explicit CComBSTR(LPCOLESTR text) : str_(text ? SysAllocString(text) : nullptr) {}
  CComBSTR(std::u16string_view text) : str_(quorvia::AllocBstr(text)) {}
  CComBSTR(const std::u16string& text) : str_(quorvia::AllocBstr(text)) {}
  CComBSTR(const CComBSTR& other) : str_(other.Copy()) {}
  CComBSTR(CComBSTR&& other) noexcept : str_(std::exchange(other.str_, nullptr)) {}
  ~CComBSTR() { SysFreeString(str_); }

  CComBSTR& operator=(const CComBSTR& other) {
    if (this != std::addressof(other)) {
      BSTR copy = other.Copy();
      SysFreeString(str_);
      str_ = copy;
    }
    return *this;
  }
  CComBSTR& operator=(CComBSTR&& other) noexcept {
    if (this != std::addressof(other)) {
      SysFreeString(str_);
      str_ = std::exchange(other.str_, nullptr);
    }
    return *this;
  }
  CComBSTR& operator=(std::u16string_view text) {
    BSTR copy = quorvia::AllocBstr(text);
    SysFreeString(str_);
    str_ = copy;
    return *this;
  }
  CComBSTR& operator=(const std::u16string& text) { return *this = std::u16string_view(text); }

  operator BSTR() const noexcept { return str_; }
  BSTR Get() const noexcept { return str_; }
  // Address for an out parameter: the current string must be freed first.
  BSTR* operator&() noexcept { return &str_; }
  UINT Length() const noexcept { return SysStringLen(str_); }
  UINT ByteLength() const noexcept { return SysStringByteLen(str_); }
  bool IsEmpty() const noexcept { return Length() == 0; }

  // A new BSTR with the same characters (null for a null string).
  BSTR Copy() const { return str_ ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(str_), ByteLength()) : nullptr; }
  HRESULT CopyTo(BSTR* out) const {
    if (out == nullptr) return E_POINTER;
    *out = Copy();
    return (*out == nullptr && str_ != nullptr) ? E_OUTOFMEMORY : S_OK;
  }
  void Attach(BSTR text) noexcept {
    SysFreeString(str_);
    str_ = text;
  }
  BSTR Detach() noexcept { return std::exchange(str_, nullptr); }
  void Empty() noexcept { Attach(nullptr); }

  std::u16string ToU16String() const { return std::u16string(quorvia::BstrView(str_)); }
  std::u16string_view View() const noexcept { return quorvia::BstrView(str_); }

 private:
  BSTR str_ = nullptr;
};
