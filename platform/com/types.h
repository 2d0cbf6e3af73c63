// The basic Windows-style types, handles and status codes the rest of the
// system is written against.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT = int;
using UINT = unsigned int;
using BOOL = int;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using WCHAR = char16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using COLORREF = DWORD;
using LCID = DWORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using VARIANT_BOOL = std::int16_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using ATOM = WORD;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Opaque handles: distinct pointer types so that one cannot be passed for
// another by mistake.
#define QUORVIA_DECLARE_HANDLE(name) \
  struct name##__;                   \
  using name = name##__*
QUORVIA_DECLARE_HANDLE(HWND);
QUORVIA_DECLARE_HANDLE(HKEY);
QUORVIA_DECLARE_HANDLE(HINSTANCE);
QUORVIA_DECLARE_HANDLE(HBITMAP);
QUORVIA_DECLARE_HANDLE(HMENU);
QUORVIA_DECLARE_HANDLE(HFONT);
QUORVIA_DECLARE_HANDLE(HRSRC);
QUORVIA_DECLARE_HANDLE(HGLOBAL);
QUORVIA_DECLARE_HANDLE(HDC);
QUORVIA_DECLARE_HANDLE(HBRUSH);
QUORVIA_DECLARE_HANDLE(HIMAGELIST);
QUORVIA_DECLARE_HANDLE(HICON);
QUORVIA_DECLARE_HANDLE(HCURSOR);
#undef QUORVIA_DECLARE_HANDLE
using HMODULE = HINSTANCE;
using HANDLE = void*;

// The value that handle-returning searches give on failure (not null).
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Longest path, in characters with the terminator, that fixed buffers hold.
constexpr DWORD MAX_PATH = 260;

// Points, sizes and rectangles in pixels. A rectangle includes its left and
// top edges and excludes its right and bottom edges.
struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD low, WORD high) {
  return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(MAKELONG(low, high)); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(MAKELONG(low, high)); }

// A point in time: 100-nanosecond intervals since 1601-01-01 (UTC).
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

constexpr HRESULT MakeHResult(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_HANDLE = MakeHResult(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201u);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHResult(0x8002802Bu);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Win32 error codes, as returned by the registry and kept by events.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_BAD_FORMAT = 11;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_NO_MORE_FILES = 18;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_READ_FAULT = 30;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MOD_NOT_FOUND = 126;
constexpr LONG ERROR_PROC_NOT_FOUND = 127;
constexpr LONG ERROR_ALREADY_EXISTS = 183;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr LONG ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr LONG ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_BADKEY = 1010;
constexpr LONG ERROR_CANTOPEN = 1011;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_TIMEOUT = 1460;

constexpr HRESULT HRESULT_FROM_WIN32(LONG err) {
  return err <= 0 ? static_cast<HRESULT>(err)
                  : static_cast<HRESULT>((static_cast<std::uint32_t>(err) & 0x0000FFFFu) | 0x80070000u);
}

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
