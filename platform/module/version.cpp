#include "platform/module/version.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/text/ascii.h"
#include "platform/module/module.h"

namespace {

// The version block of the library at `path`, copied out while the library is
// held loaded.
bool ReadVersionBlock(LPCWSTR path, std::string& block) {
  if (path == nullptr || *path == u'\0') return false;
  HMODULE module = LoadLibraryW(path);
  bool loaded = module != nullptr;
  if (!loaded) module = GetModuleHandleW(path);  // the main program cannot be loaded again
  if (module == nullptr) return false;
  bool found = false;
  if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION)) {
    const void* data = LockResource(LoadResource(module, resource));
    DWORD size = SizeofResource(module, resource);
    if (data != nullptr && size >= 6) {
      block.assign(static_cast<const char*>(data), size);
      found = true;
    }
  }
  if (loaded) FreeLibrary(module);
  return found;
}

WORD ReadWord(const unsigned char* p) {
  return static_cast<WORD>(p[0] | (p[1] << 8));
}

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

struct Node {
  std::size_t end = 0;
  WORD value_length = 0;
  WORD type = 0;
  std::u16string key;
  std::size_t value = 0;
  std::size_t children = 0;
};

// Reads the node at `offset`, which must lie wholly before `limit`.
bool ParseNode(const unsigned char* base, std::size_t offset, std::size_t limit, Node& node) {
  if (offset + 6 > limit) return false;
  WORD length = ReadWord(base + offset);
  if (length < 6 || offset + length > limit) return false;
  node.end = offset + length;
  node.value_length = ReadWord(base + offset + 2);
  node.type = ReadWord(base + offset + 4);
  node.key.clear();
  std::size_t pos = offset + 6;
  for (;;) {
    if (pos + 2 > node.end) return false;
    char16_t c = ReadWord(base + pos);
    pos += 2;
    if (c == u'\0') break;
    node.key.push_back(c);
  }
  node.value = Align4(pos);
  std::size_t value_bytes = node.type == 1 ? std::size_t{node.value_length} * 2 : node.value_length;
  if (node.value + value_bytes > node.end) return false;
  node.children = Align4(node.value + value_bytes);
  return true;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR path, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  std::string block;
  if (!ReadVersionBlock(path, block)) return 0;
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR path, DWORD, DWORD size, LPVOID data) {
  std::string block;
  if (data == nullptr || !ReadVersionBlock(path, block)) return FALSE;
  // A partial block would let VerQueryValueW follow lengths past the buffer.
  if (size < block.size()) return FALSE;
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, UINT* length) {
  if (block == nullptr || sub_block == nullptr || buffer == nullptr || length == nullptr) return FALSE;
  const auto* base = static_cast<const unsigned char*>(block);
  Node node;
  if (!ParseNode(base, 0, ReadWord(base), node)) return FALSE;

  std::u16string_view rest(sub_block);
  while (!rest.empty()) {
    std::size_t sep = rest.find(u'\\');
    std::u16string_view key = rest.substr(0, sep);
    rest = sep == std::u16string_view::npos ? std::u16string_view() : rest.substr(sep + 1);
    if (key.empty()) continue;
    bool found = false;
    for (std::size_t pos = node.children; pos < node.end;) {
      Node child;
      if (!ParseNode(base, pos, node.end, child)) return FALSE;
      if (quorvia::ascii::IEquals(std::u16string_view(child.key), key)) {
        node = std::move(child);
        found = true;
        break;
      }
      pos = Align4(child.end);
    }
    if (!found) return FALSE;
  }
  if (node.value_length == 0) return FALSE;
  *buffer = const_cast<unsigned char*>(base + node.value);
  *length = node.value_length;
  return TRUE;
}
