#pragma once

// The one way into <windows.h> for the Windows files (*-win32.cpp): the
// settings that must come before it, and the headers that depend on it in
// the order they need. Nothing outside *-win32.cpp includes this.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef STRICT
#define STRICT
#endif
// Windows 7 and later: the restart manager's registration is there.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601  // NOLINT(bugprone-reserved-identifier)
#endif

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
// clang-format on

// The agent calls the ANSI functions by their own names: the generic names,
// which pick ANSI or wide by a macro, are taken away so that they do not compile.
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetModuleFileName
#undef GetWindowsDirectory
#undef GetPrivateProfileString
#undef OpenPrinter
#undef GetPrinter
#undef EnumJobs
// CFileFind has a member of this name.
#undef FindNextFile
