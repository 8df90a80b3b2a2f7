// Dynamic libraries over dlopen, with a table of built-in modules that answers first.
#pragma once

#include <map>
#include <string>

#include "platform/rtl/win_types.h"

using HMODULE = HANDLE;
using HINSTANCE = HANDLE;
using FARPROC = void*;

// A ".dll" name is looked up in the built-in table (without case), then dlopen'ed as given,
// then with ".so" in place of ".dll". Null when nothing loads. Every successful load needs one
// FreeLibrary.
HMODULE LoadLibrary(const std::string& Name);
// Null when the module has no such entry.
FARPROC GetProcAddress(HMODULE Module, const std::string& ProcName);
bool FreeLibrary(HMODULE Module);

// Built-in modules: each entry maps a procedure name (with case) to its address.
// Registering a name again replaces its table; a module already loaded keeps the old one.
void RegisterBuiltinModule(const std::string& Name, const std::map<std::string, FARPROC>& Procs,
                           DWORD VersionMS = 0, DWORD VersionLS = 0);
// Adds or removes one entry of a registered module (tests remove one to see the "not found"
// path). RemoveBuiltinProc affects later loads only.
void RegisterBuiltinProc(const std::string& Module, const std::string& ProcName, FARPROC Proc);
void RemoveBuiltinProc(const std::string& Module, const std::string& ProcName);
void UnregisterBuiltinModule(const std::string& Name);
bool IsBuiltinModule(const std::string& Name);
// The file version of a built-in module (major << 16 | minor, build << 16 | release);
// false for other modules.
bool GetBuiltinModuleVersion(const std::string& Name, DWORD& VersionMS, DWORD& VersionLS);
