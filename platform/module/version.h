// Version information of a library, embedded with quorvia_add_version_resource().
//
// The block GetFileVersionInfoW copies out has the layout of a version
// resource: a tree of nodes, each with its length, value length, type (0
// binary, 1 text), a UTF-16 key and a value, 32-bit aligned. VerQueryValueW
// walks it by backslash-separated keys.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // VS_FFI_SIGNATURE
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;  // first part << 16 | second part
  DWORD dwFileVersionLS;  // third part << 16 | fourth part
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;

// Size of the version information of the library at `path` (a module name
// such as "HarbCore.dll" or a path, through the module-name mapping; the
// library is loaded for the look-up when it is not loaded yet); 0 when it has
// none. `handle`, when given, is set to 0.
QUORVIA_PLATFORM_API DWORD GetFileVersionInfoSizeW(LPCWSTR path, DWORD* handle);
// Copies the version information into `data`; FALSE when there is none or
// when `size` is smaller than GetFileVersionInfoSizeW reported.
QUORVIA_PLATFORM_API BOOL GetFileVersionInfoW(LPCWSTR path, DWORD handle, DWORD size, LPVOID data);
// Looks up a value in a block read by GetFileVersionInfoW: "\" gives the
// VS_FIXEDFILEINFO, "\VarFileInfo\Translation" the language and code page
// pairs (language in the low 16 bits), "\StringFileInfo\040904B0\FileVersion"
// a text. Keys match without regard to case. `*length` is in bytes for binary
// values and in characters (terminator included) for texts.
QUORVIA_PLATFORM_API BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, UINT* length);
