// UTF-8 pieces shared by the text code: appending one code point.
#pragma once

#include <string>

// Appends the UTF-8 form of the code point (at most U+10FFFF).
void AppendUtf8(std::string& Out, char32_t CodePoint);
