// Loaded libraries ("modules"), their exports, paths and embedded resources.
//
// The code keeps Windows module names ("HarbCore.dll"); the file behind a
// module name is found by ModuleFileNameFor, the one place that maps
// "Name.dll" to "libName.so".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/api.h"
#include "platform/com/types.h"

// Resource identifiers: a small integer in the low 16 bits of a name pointer,
// as on Windows.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<std::uintptr_t>(p) >> 16) == 0)

// Standard resource types.
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_VGACOLOR = 0x0080;

// "Name.dll" -> "libName.so"; any other name is returned unchanged.
QUORVIA_PLATFORM_API std::string ModuleFileNameFor(const std::string& module_name);

QUORVIA_PLATFORM_API HMODULE LoadLibraryW(LPCWSTR name_or_path);
QUORVIA_PLATFORM_API HMODULE LoadLibraryA(LPCSTR name_or_path);
QUORVIA_PLATFORM_API BOOL FreeLibrary(HMODULE module);
QUORVIA_PLATFORM_API void* GetProcAddress(HMODULE module, LPCSTR export_name);
// The module already loaded under that name (null: the main program).
QUORVIA_PLATFORM_API HMODULE GetModuleHandleW(LPCWSTR name);
// Full path of the module's file; same return convention as Windows
// (characters copied, or size when truncated).
QUORVIA_PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
QUORVIA_PLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The module that contains the given code or data address.
QUORVIA_PLATFORM_API HMODULE ModuleFromAddress(const void* address);

namespace quorvia {

// The module of the library whose code calls this. Defined inline with hidden
// visibility, so every library has its own copy and gets its own module.
__attribute__((visibility("hidden"))) inline HMODULE ThisModule() {
  return ModuleFromAddress(reinterpret_cast<const void*>(&ThisModule));
}

// The framework's "instance module": where the framework code of one library
// loads its resources from. Defaults to the library itself; the host makes it
// the core library.
QUORVIA_PLATFORM_API HMODULE GetInstanceModule(HMODULE owner);
QUORVIA_PLATFORM_API void SetInstanceModule(HMODULE owner, HMODULE instance);

}  // namespace quorvia

// Resources embedded by quorvia_add_resources().
QUORVIA_PLATFORM_API HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
QUORVIA_PLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
QUORVIA_PLATFORM_API LPVOID LockResource(HGLOBAL data);
QUORVIA_PLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);

// Loads an embedded bitmap; null when the resource is missing or is not a
// valid 24-bit BMP. Free with DeleteObject.
QUORVIA_PLATFORM_API HANDLE LoadImageW(HMODULE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
