#include "platform/sys/libraries.h"

#include <dlfcn.h>

#include <memory>
#include <mutex>

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

struct TBuiltin {
  std::map<std::string, FARPROC> Procs;
  DWORD VersionMS = 0;
  DWORD VersionLS = 0;
};

// A loaded module: a snapshot of a built-in table, or a dlopen handle.
struct TModule {
  std::shared_ptr<const TBuiltin> Builtin;
  void* Dl = nullptr;
};

std::mutex GLock;
std::map<std::string, std::shared_ptr<TBuiltin>>& Builtins() {
  static std::map<std::string, std::shared_ptr<TBuiltin>> table;
  return table;
}

void* TryDlopen(const std::string& name) {
  return ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

HMODULE LoadLibrary(const std::string& Name) {
  if (Name.empty()) return nullptr;
  {
    std::lock_guard<std::mutex> guard(GLock);
    auto it = Builtins().find(Lower(Name));
    if (it != Builtins().end()) {
      auto* module = new TModule;
      module->Builtin = std::make_shared<const TBuiltin>(*it->second);
      return module;
    }
  }
  void* dl = TryDlopen(Name);
  if (!dl && Name.size() > 4 && Lower(Name.substr(Name.size() - 4)) == ".dll")
    dl = TryDlopen(Name.substr(0, Name.size() - 4) + ".so");
  if (!dl) return nullptr;
  auto* module = new TModule;
  module->Dl = dl;
  return module;
}

FARPROC GetProcAddress(HMODULE Module, const std::string& ProcName) {
  auto* module = static_cast<TModule*>(Module);
  if (!module || ProcName.empty()) return nullptr;
  if (module->Builtin) {
    auto it = module->Builtin->Procs.find(ProcName);
    return it == module->Builtin->Procs.end() ? nullptr : it->second;
  }
  return module->Dl ? ::dlsym(module->Dl, ProcName.c_str()) : nullptr;
}

bool FreeLibrary(HMODULE Module) {
  auto* module = static_cast<TModule*>(Module);
  if (!module) return false;
  bool ok = true;
  if (module->Dl) ok = ::dlclose(module->Dl) == 0;
  delete module;
  return ok;
}

void RegisterBuiltinModule(const std::string& Name, const std::map<std::string, FARPROC>& Procs,
                           DWORD VersionMS, DWORD VersionLS) {
  auto entry = std::make_shared<TBuiltin>();
  entry->Procs = Procs;
  entry->VersionMS = VersionMS;
  entry->VersionLS = VersionLS;
  std::lock_guard<std::mutex> guard(GLock);
  Builtins()[Lower(Name)] = entry;
}

void RegisterBuiltinProc(const std::string& Module, const std::string& ProcName, FARPROC Proc) {
  std::lock_guard<std::mutex> guard(GLock);
  auto& entry = Builtins()[Lower(Module)];
  if (!entry) entry = std::make_shared<TBuiltin>();
  entry->Procs[ProcName] = Proc;
}

void RemoveBuiltinProc(const std::string& Module, const std::string& ProcName) {
  std::lock_guard<std::mutex> guard(GLock);
  auto it = Builtins().find(Lower(Module));
  if (it != Builtins().end()) it->second->Procs.erase(ProcName);
}

void UnregisterBuiltinModule(const std::string& Name) {
  std::lock_guard<std::mutex> guard(GLock);
  Builtins().erase(Lower(Name));
}

bool IsBuiltinModule(const std::string& Name) {
  std::lock_guard<std::mutex> guard(GLock);
  return Builtins().count(Lower(Name)) != 0;
}

bool GetBuiltinModuleVersion(const std::string& Name, DWORD& VersionMS, DWORD& VersionLS) {
  std::lock_guard<std::mutex> guard(GLock);
  auto it = Builtins().find(Lower(Name));
  if (it == Builtins().end()) return false;
  VersionMS = it->second->VersionMS;
  VersionLS = it->second->VersionLS;
  return true;
}
