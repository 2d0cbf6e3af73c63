// Loaded libraries ("modules"), their exports, paths and embedded resources.
//
// The code keeps Windows module names ("HarbCore.dll"); the file behind a
// module name is found by ModuleFileNameFor, the one place that maps
// "Name.dll" to "libName.so".
//
// A module handle (HMODULE) is the address at which the library's file is
// mapped, so the handle LoadLibrary returns, the one GetModuleHandle finds and
// the one ModuleFromAddress derives from any address inside the library are
// the same value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/com/types.h"

// Resource identifiers: a small integer in the low 16 bits of a name pointer,
// as on Windows.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<std::uintptr_t>(p) >> 16) == 0)

// Standard resource types.
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_VGACOLOR = 0x0080;

// "Name.dll" -> "libName.so" (the extension in any letter case, a folder in
// front kept as it is); any other name is returned unchanged.
QUORVIA_PLATFORM_API std::string ModuleFileNameFor(const std::string& module_name);

// Loads a library by module name ("HarbCore.dll": searched beside the platform
// library, beside the program, then on the system's library path) or by path
// ("/x/y/Name.dll"). The file name is matched without regard to case when no
// file has the exact name. Null when it cannot be loaded. Every successful
// call must be paired with one FreeLibrary.
QUORVIA_PLATFORM_API HMODULE LoadLibraryW(LPCWSTR name_or_path);
QUORVIA_PLATFORM_API HMODULE LoadLibraryA(LPCSTR name_or_path);
// Drops one load made by LoadLibrary; FALSE for a module that has none left.
QUORVIA_PLATFORM_API BOOL FreeLibrary(HMODULE module);
// An export defined by the module itself (not one of its dependencies); null
// when missing. A null module means the main program.
QUORVIA_PLATFORM_API void* GetProcAddress(HMODULE module, LPCSTR export_name);
// The module already loaded under that name or path (null name: the main
// program); null when it is not loaded. Takes no reference.
QUORVIA_PLATFORM_API HMODULE GetModuleHandleW(LPCWSTR name);
// Full path of the module's file (null module: the program file); same return
// convention as Windows: the characters copied without the terminator, or
// `size` when the path was truncated (the buffer is still terminated); 0 on
// failure.
QUORVIA_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
QUORVIA_PLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The module that contains the given code or data address; null for an
// address outside every loaded file (stack, heap).
QUORVIA_PLATFORM_API HMODULE ModuleFromAddress(const void* address);

namespace quorvia {

// The module of the library whose code calls this. Defined inline with hidden
// visibility, so every library has its own copy and gets its own module.
__attribute__((visibility("hidden"))) inline HMODULE ThisModule() {
  return ModuleFromAddress(reinterpret_cast<const void*>(&ThisModule));
}

// The framework's "instance module": where the framework code of one library
// loads its resources from. Defaults to the library itself; the host makes it
// the core library. Setting null (or the owner itself) restores the default.
QUORVIA_PLATFORM_API HMODULE GetInstanceModule(HMODULE owner);
QUORVIA_PLATFORM_API void SetInstanceModule(HMODULE owner, HMODULE instance);

// The module name under which a library file is known: "libName.so" ->
// "Name.dll"; empty for any other file name.
QUORVIA_PLATFORM_API std::string ModuleNameForFile(const std::string& file_name);

// One embedded resource, as the resource compiler writes it into a library.
// A type or name is either a number (the text pointer null) or a text.
struct ResourceEntry {
  const char* type_name;
  WORD type_id;
  const char* name;
  WORD name_id;
  const void* data;
  std::size_t size;
};

// Called by the code the resource compiler generates, when the library that
// holds the table is loaded and unloaded. A module may register several tables.
QUORVIA_PLATFORM_API void RegisterResources(HMODULE module, const ResourceEntry* entries, std::size_t count);
QUORVIA_PLATFORM_API void UnregisterResources(HMODULE module, const ResourceEntry* entries);

// Resolves "res://Module.dll/[type/]name" to the resource's bytes. The module
// goes through the module-name mapping (loaded for the look-up when it is not
// loaded yet); the type defaults to HTML; "#123" is a numeric type or name;
// the standard type words (HTML, BITMAP, ...) also name their numeric types;
// "%XX" escapes are decoded; a "?query" is ignored. Types and names match
// without regard to case. False (bytes untouched) when anything is missing.
QUORVIA_PLATFORM_API bool LoadResAddress(std::u16string_view address, std::string& bytes);

}  // namespace quorvia

// Resources embedded by quorvia_add_resources(). Names and types are numbers
// (MAKEINTRESOURCEW, or a "#123" text) or texts matched without regard to
// case. A null module means the main program.
QUORVIA_PLATFORM_API HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
QUORVIA_PLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
QUORVIA_PLATFORM_API LPVOID LockResource(HGLOBAL data);
QUORVIA_PLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);

// Loads an embedded bitmap (IMAGE_BITMAP; cx and cy 0 for the stored size,
// otherwise the image is scaled to cx x cy); with LR_LOADFROMFILE `name` is
// the path of a .bmp file. Null when the resource is missing or is not a
// valid 24-bit BMP. Free with DeleteObject (platform/ui/bitmap.h).
QUORVIA_PLATFORM_API HANDLE LoadImageW(HMODULE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
