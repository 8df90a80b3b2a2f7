#include "controls/grid/grid_io.h"

#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "platform/ui/application.h"

std::string ReadGridFile(const std::string& FileName) {
  try {
    TMemoryStream in;
    in.LoadFromFile(FileName);
    return in.DataString();
  } catch (const Exception&) {
    throw EQnGridError("Cannot open file " + FileName);
  }
}

void WriteGridFile(const TMemoryStream& Data, const std::string& FileName, const std::string& Message) {
  try {
    Data.SaveToFile(FileName);
  } catch (const Exception&) {
    throw EQnGridError(Message);
  }
}

void HandleGridMessages() {
  if (Application) Application->ProcessMessages();
}
