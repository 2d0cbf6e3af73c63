#include "platform/module/module.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/text/ascii.h"
#include "platform/sync/last_error.h"
#include "platform/text/convert.h"

namespace {

using quorvia::ascii::IEndsWith;
using quorvia::ascii::IEquals;

constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

// Everything up to the last "/" (without it); empty when there is none.
std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string MakeAbsolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

// The file `file` in `folder` ("" is the root), by its exact name or, when no
// file has that name, by the first entry whose name differs only in letter
// case. Empty when there is neither.
std::string FindInFolder(const std::string& folder, const std::string& file) {
  if (file.empty()) return std::string();
  std::string exact = folder + "/" + file;
  if (IsRegularFile(exact)) return exact;
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return std::string();
  std::string found;
  while (const dirent* entry = readdir(dir)) {
    if (!IEquals(entry->d_name, file)) continue;
    std::string candidate = folder + "/" + entry->d_name;
    if (IsRegularFile(candidate)) {
      found = std::move(candidate);
      break;
    }
  }
  closedir(dir);
  return found;
}

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

// The mapping address of the object behind a dlopen handle: the same value
// dladdr reports as the base of any address inside that object.
HMODULE BaseOfHandle(void* handle) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_ld == nullptr) return nullptr;
  Dl_info info{};
  if (dladdr(map->l_ld, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE MainProgramBase() {
  static const HMODULE base = [] {
    void* self = dlopen(nullptr, RTLD_NOW);
    if (self == nullptr) return HMODULE{};
    HMODULE b = BaseOfHandle(self);
    dlclose(self);
    return b;
  }();
  return base;
}

// The folder of this platform library: libraries named by a bare module name
// are looked for here first, since the build and the installation keep every
// library of the system side by side.
std::string PlatformFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&PlatformFolder), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  return FolderOf(MakeAbsolute(info.dli_fname));
}

struct LoadedObject {
  std::string path;
  HMODULE base;
};

// Every library of the process with a file (the main program excluded).
std::vector<LoadedObject> LoadedLibraries() {
  std::vector<LoadedObject> objects;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) -> int {
        if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0' || info->dlpi_phdr == nullptr) return 0;
        Dl_info where{};
        if (dladdr(info->dlpi_phdr, &where) == 0 || where.dli_fbase == nullptr) return 0;
        static_cast<std::vector<LoadedObject>*>(data)->push_back(
            {info->dlpi_name, static_cast<HMODULE>(where.dli_fbase)});
        return 0;
      },
      &objects);
  return objects;
}

bool SameFile(const struct stat& a, const std::string& path) {
  struct stat b {};
  return stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The module for a name that has already been through ModuleFileNameFor.
HMODULE FindLoaded(const std::string& file_name) {
  if (file_name.find('/') != std::string::npos) {
    std::string absolute = MakeAbsolute(file_name);
    std::string path = FindInFolder(FolderOf(absolute), FileNameOf(absolute));
    struct stat target {};
    if (path.empty() || stat(path.c_str(), &target) != 0) return nullptr;
    for (const LoadedObject& object : LoadedLibraries()) {
      if (SameFile(target, object.path)) return object.base;
    }
    return SameFile(target, ProgramPath()) ? MainProgramBase() : nullptr;
  }
  for (const LoadedObject& object : LoadedLibraries()) {
    if (IEquals(FileNameOf(object.path), file_name)) return object.base;
  }
  return IEquals(FileNameOf(ProgramPath()), file_name) ? MainProgramBase() : nullptr;
}

// Where to look for a module, best first.
std::vector<std::string> Candidates(const std::string& file_name) {
  std::vector<std::string> candidates;
  auto add = [&candidates](std::string path) {
    if (!path.empty() && std::find(candidates.begin(), candidates.end(), path) == candidates.end()) {
      candidates.push_back(std::move(path));
    }
  };
  if (file_name.find('/') != std::string::npos) {
    std::string absolute = MakeAbsolute(file_name);
    add(FindInFolder(FolderOf(absolute), FileNameOf(absolute)));
    add(absolute);
    return candidates;
  }
  for (const LoadedObject& object : LoadedLibraries()) {
    if (IEquals(FileNameOf(object.path), file_name)) add(object.path);
  }
  add(FindInFolder(PlatformFolder(), file_name));
  add(FindInFolder(FolderOf(ProgramPath()), file_name));
  add(file_name);  // the system's own library search
  return candidates;
}

// The loads made through LoadLibrary, per module: each holds one dlopen
// reference, dropped by FreeLibrary.
struct LoadRecord {
  void* handle = nullptr;
  long loads = 0;
};

std::mutex& TableLock() {
  static auto* lock = new std::mutex;  // never destroyed: used from library destructors at exit
  return *lock;
}

std::map<HMODULE, LoadRecord>& LoadTable() {
  static auto* table = new std::map<HMODULE, LoadRecord>;
  return *table;
}

std::map<HMODULE, HMODULE>& InstanceTable() {
  static auto* table = new std::map<HMODULE, HMODULE>;
  return *table;
}

std::string ModulePath(HMODULE module) {
  if (module == nullptr || module == MainProgramBase()) return ProgramPath();
  Dl_info info{};
  if (dladdr(module, &info) == 0 || info.dli_fbase != module || info.dli_fname == nullptr) return std::string();
  return info.dli_fname;
}

template <typename Char>
DWORD CopyOut(const std::basic_string<Char>& text, Char* buffer, DWORD size) {
  if (text.empty() || buffer == nullptr || size == 0) return 0;
  if (text.size() < size) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = Char();
    return static_cast<DWORD>(text.size());
  }
  std::size_t n = size - 1;
  if constexpr (sizeof(Char) == 1) {
    // Never cut a UTF-8 sequence in two.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  } else {
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  }
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
  buffer[n] = Char();
  return size;
}

}  // namespace

std::string ModuleFileNameFor(const std::string& module_name) {
  std::size_t slash = module_name.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string_view file(module_name.data() + start, module_name.size() - start);
  if (file.size() > 4 && IEndsWith(file, ".dll")) {
    return module_name.substr(0, start) + "lib" + std::string(file.substr(0, file.size() - 4)) + ".so";
  }
  return module_name;
}

HMODULE LoadLibraryA(LPCSTR name_or_path) {
  if (name_or_path == nullptr || *name_or_path == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* handle = nullptr;
  for (const std::string& candidate : Candidates(ModuleFileNameFor(name_or_path))) {
    handle = dlopen(candidate.c_str(), kOpenFlags);
    if (handle != nullptr) break;
  }
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HMODULE base = BaseOfHandle(handle);
  if (base == nullptr) {
    dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // The lock is not held across dlopen: a library's initialisation may load
  // further libraries.
  std::lock_guard<std::mutex> guard(TableLock());
  LoadRecord& record = LoadTable()[base];
  record.handle = handle;
  ++record.loads;
  return base;
}

HMODULE LoadLibraryW(LPCWSTR name_or_path) {
  if (name_or_path == nullptr) return nullptr;
  return LoadLibraryA(quorvia::Utf16ToUtf8(name_or_path).c_str());
}

BOOL FreeLibrary(HMODULE module) {
  void* handle = nullptr;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = LoadTable().find(module);
    if (it == LoadTable().end()) return FALSE;
    handle = it->second.handle;
    if (--it->second.loads == 0) LoadTable().erase(it);
  }
  // Outside the lock: the library's destructors may free other libraries.
  return dlclose(handle) == 0 ? TRUE : FALSE;
}

void* GetProcAddress(HMODULE module, LPCSTR export_name) {
  // Small values would be export ordinals, which libraries here do not have.
  if (export_name == nullptr || reinterpret_cast<std::uintptr_t>(export_name) < 0x10000) return nullptr;
  if (module == nullptr) module = MainProgramBase();
  if (module == nullptr) return nullptr;
  void* handle = nullptr;
  bool own_reference = false;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = LoadTable().find(module);
    if (it != LoadTable().end()) handle = it->second.handle;
  }
  if (handle == nullptr) {
    if (module == MainProgramBase()) {
      handle = dlopen(nullptr, RTLD_NOW);
    } else {
      std::string path = ModulePath(module);
      if (path.empty()) return nullptr;
      handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    if (handle == nullptr) return nullptr;
    own_reference = true;
  }
  void* symbol = dlsym(handle, export_name);
  // dlsym also searches the library's dependencies; only the library's own
  // exports count.
  if (symbol != nullptr && ModuleFromAddress(symbol) != module) symbol = nullptr;
  if (own_reference) dlclose(handle);
  if (symbol == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return symbol;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  if (name == nullptr) return MainProgramBase();
  std::string file_name = ModuleFileNameFor(quorvia::Utf16ToUtf8(name));
  if (file_name.empty()) return nullptr;
  return FindLoaded(file_name);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::string path = ModulePath(module);
  if (path.empty()) return 0;
  return CopyOut(quorvia::Utf8ToUtf16(path), buffer, size);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  return CopyOut(ModulePath(module), buffer, size);
}

HMODULE ModuleFromAddress(const void* address) {
  if (address == nullptr) return nullptr;
  Dl_info info{};
  if (dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

namespace quorvia {

HMODULE GetInstanceModule(HMODULE owner) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = InstanceTable().find(owner);
  return it == InstanceTable().end() ? owner : it->second;
}

void SetInstanceModule(HMODULE owner, HMODULE instance) {
  std::lock_guard<std::mutex> guard(TableLock());
  if (instance == nullptr || instance == owner) {
    InstanceTable().erase(owner);
  } else {
    InstanceTable()[owner] = instance;
  }
}

std::string ModuleNameForFile(const std::string& file_name) {
  if (file_name.size() > 6 && file_name.compare(0, 3, "lib") == 0 &&
      file_name.compare(file_name.size() - 3, 3, ".so") == 0 && file_name.find('/') == std::string::npos) {
    return file_name.substr(3, file_name.size() - 6) + ".dll";
  }
  return std::string();
}

}  // namespace quorvia
