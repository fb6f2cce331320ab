// SPDX-License-Identifier: MIT
#pragma once
// Registry functions: open, query, create, set, delete a value, close, and the expansion of
// environment references, in the shape of the Windows registry API (the "A" functions): every
// name and every text crosses as bytes in the locale's code page (see platform/shell/shell.h).
//
// On Windows these forward to advapi32/kernel32. Elsewhere they work on a per-user store:
//
//   $XDG_CONFIG_HOME/Quillet/registry.json   (XDG_CONFIG_HOME defaults to ~/.config)
//
// A JSON document, UTF-8:
//
//   { "format": "quillet-registry", "version": 1,
//     "roots": { "HKEY_CURRENT_USER": { "keys": { "<name>": <key>, ... } } } }
//
//   <key>   = { "values": [ { "name": "<name>", "type": <number>, "data": "<hex bytes>" }, ... ],
//               "keys":   { "<name>": <key>, ... } }
//
// Names keep the letter case they were created with and are compared without regard to case,
// as on Windows. A store file that cannot be read, is damaged, or has a newer version reads as an
// empty store; reading never writes it. Only a regular file (or a link to one) of at most 4 MiB
// is read, and opening it never waits. A write replaces a damaged file only after copying it
// aside ("registry.json.damaged-<time>"); a file of a newer version, or one that cannot be read
// (a device, a FIFO, a larger file), is never replaced (the write fails). Writes are atomic
// (temporary file, then rename) and serialised between processes by a lock file next to the store.
//
// Only HKEY_CURRENT_USER is kept. Its key "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" (and
// every key above it) always exists. String values (types 1 and 2) under that key are kept as
// XDG autostart entries, $XDG_CONFIG_HOME/autostart/<value name>.desktop, so that the desktop
// session starts the command at log-on; reading the value back returns exactly the text
// written. See autostart_entry.h for the entry's format.
#include <cstddef>
#include <cstdint>

namespace platform::registry {

// A key handle: one of the predefined root keys below, or a handle from OpenKey/CreateKey.
using Key = std::uintptr_t;
// The result of a call: 0 on success, otherwise a Windows system error code.
using Status = std::int32_t;

inline constexpr Key HkeyCurrentUser = 0x80000001u;

inline constexpr Status Success = 0;
inline constexpr Status FileNotFound = 2;         // key or value does not exist
inline constexpr Status AccessDenied = 5;         // the store or entry may not be replaced
inline constexpr Status InvalidHandle = 6;        // unknown or closed handle, unsupported root
inline constexpr Status InvalidParameter = 87;    // malformed key path or arguments
inline constexpr Status MoreData = 234;           // data buffer too small
inline constexpr Status RegistryIoFailed = 1016;  // the store could not be written

inline constexpr std::uint32_t RegNone = 0;
inline constexpr std::uint32_t RegSz = 1;
inline constexpr std::uint32_t RegExpandSz = 2;
inline constexpr std::uint32_t RegBinary = 3;
inline constexpr std::uint32_t RegDword = 4;
inline constexpr std::uint32_t RegDwordBigEndian = 5;
inline constexpr std::uint32_t RegMultiSz = 7;

// Opens an existing key below `key`. A null or empty sub-key opens `key` itself.
// Sub-key names are separated by "\"; one trailing "\" is allowed.
Status OpenKey(Key key, const char* subKey, Key* result);

// Opens a key below `key`, creating it and every missing key above it.
Status CreateKey(Key key, const char* subKey, Key* result);

// Reads a value. Any of type, data and size may be null (data needs size). With data null and
// size given, *size receives the data size. When *size is too small, returns MoreData and *size
// receives the size needed. A null or empty name means the key's default value. A missing value
// returns FileNotFound and leaves *type, data and *size untouched.
Status QueryValueEx(Key key, const char* valueName, std::uint32_t* type, unsigned char* data,
                    std::uint32_t* size);

// Writes a value of any type with the given data bytes, replacing an existing value of the same
// name (compared without regard to case).
Status SetValueEx(Key key, const char* valueName, std::uint32_t type, const unsigned char* data,
                  std::uint32_t size);

// Deletes a value; FileNotFound when it does not exist.
Status DeleteValue(Key key, const char* valueName);

// Releases a handle from OpenKey/CreateKey. Closing a root key does nothing.
Status CloseKey(Key key);

// Replaces every %NAME% in `source` by the value of the environment variable NAME; references to
// variables that are not set stay as they are. Writes the result with its terminating NUL into
// `destination` when it fits in `size` bytes. Returns the number of bytes the result needs,
// NUL included (so a result larger than `size` means nothing usable was written).
std::uint32_t ExpandEnvironment(const char* source, char* destination, std::uint32_t size);

}  // namespace platform::registry
