// Runs requests through the standard CGI engine on files, as the resident instance does.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "server/engine/cgi_std_engine.h"
#include "tests/temp_path.h"

class EngineFixture : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = TempPath("engine_test_XXXXXX");
    Folder = mkdtemp(pattern.data());
    setenv("CGI_LOG_DIR", Folder.c_str(), 1);
    setenv("SERVER_SOFTWARE", "lighttpd/1.4", 1);
  }
  void TearDown() override {
    unsetenv("CGI_LOG_DIR");
    std::string command = "rm -rf '" + Folder + "'";
    (void)system(command.c_str());
  }

  // Runs one request with the given variables ("NAME=value") and body; returns the output.
  std::string Run(TCGIStdEngine& Engine, std::vector<std::string> Variables, const std::string& Body = "") {
    const std::string in = Folder + "/in", out = Folder + "/out";
    WriteWholeFile(in, Body);
    int input = ::open(in.c_str(), O_RDONLY);
    int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Engine.RunOn(input, output, &Variables);
    ::close(input);
    ::close(output);
    return ReadWholeFile(out);
  }

  std::string Log() { return ReadWholeFile(EngineLogFileName()); }

  std::string Folder;
};
