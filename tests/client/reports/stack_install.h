// An installation folder for the real stack: the web server launcher, the server program and
// the shipped definition, a database file of given bytes (none without a name), and private
// runtime and settings folders; and a free loopback port.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/rtl/file_io.h"
#include "tests/loopback_listener.h"

inline void InstallStack(const std::filesystem::path& R, const std::string& Database, const std::string& Bytes) {
  namespace fs = std::filesystem;
  fs::create_directories(R / "bin");
  fs::create_directories(R / "Data" / "database");
  fs::create_directories(R / "run");
  ::chmod((R / "run").c_str(), 0700);
  ::setenv("XDG_RUNTIME_DIR", (R / "run").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (R / "config").c_str(), 1);
  fs::copy_file(fs::path(QN_SOURCE_DIR) / "bin" / "hmserv", R / "bin" / "hmserv");
  fs::copy_file(QN_SERVER_PROGRAM, R / "Data" / "database" / "qnserver.exe");
  const fs::path Definitions = fs::path(QN_BINARY_DIR) / "data";
  for (const char* Ext : {".set", ".atr"})
    fs::copy_file(Definitions / (std::string("General") + Ext), R / "Data" / "database" / (std::string("General") + Ext));
  if (!Database.empty()) AtomicWriteFile((R / "Data" / "database" / (Database + ".qnd")).string(), Bytes);
}

inline int FreeLoopbackPort() {
  const TLoopbackListener L = OpenLoopbackListener();
  ::close(L.Fd);
  return L.Port;
}
