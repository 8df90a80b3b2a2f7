// The outside programs that tests read our output with (poppler, zbarimg, unrtf, python3...).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Runs a shell command and returns what it wrote to its standard output; Status, when given,
// gets pclose's result.
inline std::string CaptureCommand(const std::string& Command, int* Status = nullptr) {
  std::string Out;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) return Out;
  char Buffer[4096];
  for (std::size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) Out.append(Buffer, N);
  const int Rc = pclose(Pipe);
  if (Status) *Status = Rc;
  return Out;
}

// Whether a program of that name is on the PATH.
inline bool HaveProgram(const std::string& Name) {
  return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0;
}
