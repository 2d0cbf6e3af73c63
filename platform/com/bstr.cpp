#include "platform/com/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

// The largest byte count a BSTR can carry: the length prefix is 32 bits
// and the block must still fit its prefix and terminator.
constexpr std::size_t kMaxBytes = std::numeric_limits<std::uint32_t>::max() - kPrefix - sizeof(OLECHAR) - 1;

// A block for byte_length bytes of characters; characters and terminator
// zeroed, prefix set.
BSTR AllocBlock(std::size_t byte_length) {
  if (byte_length > kMaxBytes) return nullptr;
  // One spare byte so an odd byte count still ends with a whole null
  // character.
  std::size_t total = kPrefix + byte_length + sizeof(OLECHAR) + 1;
  auto* block = static_cast<unsigned char*>(std::calloc(1, total));
  if (block == nullptr) return nullptr;
  auto len32 = static_cast<std::uint32_t>(byte_length);
  std::memcpy(block, &len32, kPrefix);
  return reinterpret_cast<BSTR>(block + kPrefix);
}

unsigned char* BlockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kPrefix; }

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (text == nullptr) return SysAllocStringLen(nullptr, 0);
  std::size_t n = std::char_traits<char16_t>::length(text);
  if (n > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
  std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  BSTR out = AllocBlock(bytes);
  if (out != nullptr && text != nullptr) std::memcpy(out, text, bytes);
  return out;
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) {
  BSTR out = AllocBlock(length);
  if (out != nullptr && bytes != nullptr) std::memcpy(out, bytes, length);
  return out;
}

INT SysReAllocString(BSTR* target, LPCOLESTR text) {
  if (target == nullptr) return FALSE;
  // Copy first, free afterwards: text may live inside *target.
  BSTR copy = SysAllocString(text);
  if (copy == nullptr) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* target, LPCOLESTR text, UINT length) {
  if (target == nullptr) return FALSE;
  BSTR copy = SysAllocStringLen(text, length);
  if (copy == nullptr) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(BlockOf(text));
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t len = 0;
  std::memcpy(&len, BlockOf(text), kPrefix);
  return len;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

namespace quorvia {

BSTR AllocBstr(std::u16string_view text) {
  if (text.size() > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace quorvia
