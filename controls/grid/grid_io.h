// File and message helpers shared by the grid's text file and CSV forms.
#pragma once

#include <string>

class TMemoryStream;

// The whole file; EQnGridError "Cannot open file <name>" when it cannot be read.
std::string ReadGridFile(const std::string& FileName);
// Replaces the file with the stream's bytes; EQnGridError with the message on failure.
void WriteGridFile(const TMemoryStream& Data, const std::string& FileName, const std::string& Message);
// Lets the application handle its pending messages (when there is an application).
void HandleGridMessages();
