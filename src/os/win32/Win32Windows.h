// The Windows headers for the realisation's source files. Include it after the interface
// headers: several interface methods share their names with the headers' A/W macros
// (DeleteFile, GetUserName, CreateMutex, ...), so those macros are undone here and the ANSI
// functions are called by their full names. The interface's constants are macros there
// too; after this header the macros (same values) are what the code uses.
#pragma once

#include <windows.h>

#include <shellapi.h>
#include <winver.h>

#include <string>

#undef CreateMutex
#undef DeleteFile
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef GetModuleFileName
#undef GetPrivateProfileString
#undef GetSystemDirectory
#undef GetUserName
#undef GetOpenFileName
#undef GetVersionEx
#undef GetWindowsDirectory
#undef GlobalAddAtom
#undef LoadLibrary
#undef MessageBox
#undef PostMessage
#undef RegisterWindowMessage
#undef SendMessage
#undef Shell_NotifyIcon
#undef ShellExecute
#undef ShellExecuteEx
#undef VerLanguageName
#undef WritePrivateProfileString

// INVALID_HANDLE_VALUE casts to HANDLE, which inside namespace os is the interface's own type.
inline const ::HANDLE Win32InvalidHandle = INVALID_HANDLE_VALUE;

namespace os {

// The system's text for an error code, without the final period and line break (as the
// error boxes show it).
std::string Win32ErrorText(::DWORD code);

} // namespace os
