#pragma once

#include <QString>
#include <QtGlobal>

// The few registry calls the about dialog needs to find the system-information
// tool, shaped like the Windows ones they wrap (open key, query value, close key;
// results are Windows error codes, 0 meaning success).
//
// On Windows they are RegOpenKeyExA, RegQueryValueExA and RegCloseKey, with the
// texts in the ANSI code page.
//
// Elsewhere there is no registry, so the same questions are answered from a text
// file in the program's settings folder, registryStandInPath():
//   $XDG_CONFIG_HOME/Vornix-Downloader/registry.ini  (usually ~/.config/...)
// It is read anew at every open, so edits take effect at once. Layout:
//   ; comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO]
//   PATH=/usr/bin/hardinfo
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools Location]
//   MSINFO=/opt/msinfo
// A section is "<root name>\<key path>"; key paths and value names match without
// regard to case, as in the registry; "@" names the key's default value. A value
// is text (REG_SZ, stored with its terminating zero, like the registry does)
// unless it is written as in .reg files:
//   dword:0000012a             REG_DWORD, 4 bytes, least significant first
//   hex:41,42,00               REG_BINARY with these bytes
//   hex(7):41,00,00            type 7 (any type number, in hex) with these bytes
// A malformed dword/hex value is left out. No file means no keys at all.
namespace Registry {

using Key = quintptr;

inline constexpr quint32 HKeyClassesRoot = 0x80000000u;
inline constexpr quint32 HKeyCurrentUser = 0x80000001u;
inline constexpr quint32 HKeyLocalMachine = 0x80000002u;
inline constexpr quint32 HKeyUsers = 0x80000003u;
inline constexpr quint32 HKeyCurrentConfig = 0x80000005u;

inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;
inline constexpr long InvalidHandle = 6;
inline constexpr long MoreData = 234;

inline constexpr quint32 TypeText = 1;   // REG_SZ
inline constexpr quint32 TypeBinary = 3; // REG_BINARY
inline constexpr quint32 TypeDword = 4;  // REG_DWORD

long openKey(quint32 root, const QString &subKey, quint32 access, Key *key);
// *size: the room in data on entry, the value's length on return (also when
// the room is too small, which answers MoreData).
long queryValue(Key key, const QString &valueName, quint32 *type, char *data, quint32 *size);
long closeKey(Key key);

QString registryStandInPath();
// Keys opened and not yet closed; lets tests see that none is left open.
int openKeyCount();

} // namespace Registry
