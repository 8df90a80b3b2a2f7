// Helpers of the exchange tests: the output of an outside program.
#pragma once

#include <cstdio>
#include <string>

// Runs a shell command and returns what it wrote; `status` gets pclose's result.
inline std::string CaptureCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int rc = pclose(pipe);
  if (status) *status = rc;
  return out;
}
