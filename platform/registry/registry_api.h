// The per-user registry: a tree of keys under three roots, each key holding
// typed values, kept in one SQLite database under QuorviaHome() that every
// process of the user shares.
//
// Keys are addressed by backslash-separated paths ("Software\Quorvia\Quorvia").
// Key and value names match without regard to ASCII case and keep the case
// they were first created with. The empty (or null) value name is the key's
// default value.
//
// Every call returns a Win32 error code: ERROR_SUCCESS, or the reason it
// failed. A database file that is not a valid store (foreign bytes, another
// program's database, a truncated or damaged file) makes every call fail with
// ERROR_BADDB, ERROR_REGISTRY_CORRUPT or ERROR_CANTOPEN; such a file is never
// written to.
//
// Narrow ("A") calls take UTF-8 names. String data (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) given to RegSetValueExA is stored as UTF-16, and
// RegQueryValueExA converts it back to UTF-8, so narrow and wide callers see
// the same values.
//
// Handles may be used from any thread; calls are serialised inside the
// process. The store is located afresh (from $QUORVIA_HOME) whenever a key is
// opened from one of the predefined roots; an opened key stays with the store
// it was opened in.
#pragma once

#include <cstdint>

#include "platform/api.h"
#include "platform/com/types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

// The predefined root keys.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

// Access rights of an opened key.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Key creation: options and the disposition reported back.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key. A null or empty sub_key opens another handle to
// `key` itself. ERROR_FILE_NOT_FOUND when the key does not exist. *result is
// null after a failure.
QUORVIA_PLATFORM_API LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM desired,
                                        PHKEY result);
QUORVIA_PLATFORM_API LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM desired,
                                        PHKEY result);

// Opens a key, creating it and every missing key on its path. `key_class` and
// `security` are accepted and ignored; `options` must be
// REG_OPTION_NON_VOLATILE. *disposition (optional) tells whether the key was
// created or already existed.
QUORVIA_PLATFORM_API LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved,
                                          LPCWSTR key_class, DWORD options, REGSAM desired,
                                          const void* security, PHKEY result, DWORD* disposition);
QUORVIA_PLATFORM_API LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved,
                                          LPCSTR key_class, DWORD options, REGSAM desired,
                                          const void* security, PHKEY result, DWORD* disposition);

// Reads a value. With data null, reports its type and size in *size. With a
// buffer smaller than the value, returns ERROR_MORE_DATA, reports the size
// needed and leaves the buffer untouched. A null or empty name reads the
// default value. ERROR_FILE_NOT_FOUND when the value does not exist.
QUORVIA_PLATFORM_API LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, DWORD* reserved,
                                           DWORD* type, BYTE* data, DWORD* size);
QUORVIA_PLATFORM_API LONG RegQueryValueExA(HKEY key, LPCSTR value_name, DWORD* reserved,
                                           DWORD* type, BYTE* data, DWORD* size);

// Creates or replaces a value with `size` bytes of data. Replacing keeps the
// name's original case.
QUORVIA_PLATFORM_API LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type,
                                         const BYTE* data, DWORD size);
QUORVIA_PLATFORM_API LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                                         const BYTE* data, DWORD size);

QUORVIA_PLATFORM_API LONG RegDeleteValueW(HKEY key, LPCWSTR value_name);
QUORVIA_PLATFORM_API LONG RegDeleteValueA(HKEY key, LPCSTR value_name);

// Deletes a key and its values. A key that still has subkeys is not deleted:
// ERROR_ACCESS_DENIED. Handles still open to a deleted key fail with
// ERROR_KEY_DELETED from then on.
QUORVIA_PLATFORM_API LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key);
QUORVIA_PLATFORM_API LONG RegDeleteKeyA(HKEY key, LPCSTR sub_key);

// Deletes a key with all its subkeys and values. With a null sub_key, deletes
// the subkeys and values of `key` and keeps `key` itself.
QUORVIA_PLATFORM_API LONG RegDeleteTreeW(HKEY key, LPCWSTR sub_key);

// The index-th subkey, in case-insensitive name order. `*name_size` holds the
// buffer's size in characters (terminator included) and receives the name's
// length (terminator excluded); ERROR_MORE_DATA (with the length needed) when
// the buffer is too small; ERROR_NO_MORE_ITEMS past the last subkey.
QUORVIA_PLATFORM_API LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* name_size,
                                        DWORD* reserved, LPWSTR key_class, DWORD* class_size,
                                        FILETIME* last_write_time);

// The index-th value, in the order the values were created. Name sizes as for
// RegEnumKeyExW, data as for RegQueryValueExW; ERROR_NO_MORE_ITEMS past the
// last value.
QUORVIA_PLATFORM_API LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name,
                                        DWORD* value_name_size, DWORD* reserved, DWORD* type,
                                        BYTE* data, DWORD* data_size);

// Counts and maxima of a key: subkeys, longest subkey name (characters),
// values, longest value name (characters), largest value data (bytes), and
// the time the key was last written. Classes and security descriptors are
// reported empty. Every output is optional.
QUORVIA_PLATFORM_API LONG RegQueryInfoKeyW(HKEY key, LPWSTR key_class, DWORD* class_size,
                                           DWORD* reserved, DWORD* sub_keys,
                                           DWORD* max_sub_key_len, DWORD* max_class_len,
                                           DWORD* values, DWORD* max_value_name_len,
                                           DWORD* max_value_len, DWORD* security_descriptor_size,
                                           FILETIME* last_write_time);

// Releases an opened key. Closing a predefined root is allowed and does
// nothing; an unknown or already closed handle: ERROR_INVALID_HANDLE.
QUORVIA_PLATFORM_API LONG RegCloseKey(HKEY key);
