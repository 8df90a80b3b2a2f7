// Conversion between the system's UTF-8 text and the OEM code page 437 of exchange files.
#pragma once

#include <string>

// UTF-8 -> code page 437; characters with no place in the code page (and malformed UTF-8
// bytes) become '?'.
std::string AnsiToOem(const std::string& s);
// Code page 437 -> UTF-8; every byte has a character.
std::string OemToAnsi(const std::string& s);
