// What the programs of the X test scripts share (the scripts read what they write through
// tests/x11_common.sh): the event log, one line a write and flushed at once, and the lines that
// place a point ("at NAME X Y") or a control ("NAME X Y WIDTH HEIGHT") on the screen.
#pragma once

#include <fstream>
#include <string>

#include "platform/ui/controls.h"

class TEventLog {
public:
  explicit TEventLog(const char* Path) : FFile(Path, std::ios::trunc) {}
  void operator()(const std::string& Line) { FFile << Line << '\n' << std::flush; }

private:
  std::ofstream FFile;
};

inline std::string At(const std::string& Name, TPoint P) {
  return "at " + Name + " " + std::to_string(P.X) + " " + std::to_string(P.Y);
}

// The centre of a control.
inline std::string AtCentre(const std::string& Name, TControl& C) {
  return At(Name, C.ClientToScreen({C.Width() / 2, C.Height() / 2}));
}

// The control's top left corner on the screen and its size.
inline std::string Box(const std::string& Name, TControl& C) {
  const TPoint P = C.ClientToScreen({0, 0});
  return Name + " " + std::to_string(P.X) + " " + std::to_string(P.Y) + " " + std::to_string(C.Width()) + " " +
         std::to_string(C.Height());
}
