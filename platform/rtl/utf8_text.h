// UTF-8 pieces shared by the text code: appending one code point, and stepping over the
// code points of a text by byte offsets.
#pragma once

#include <string>

// Appends the UTF-8 form of the code point; surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& Out, char32_t CodePoint);
// The code point at `at` (advanced past it); U+FFFD for a malformed byte.
char32_t Utf8Decode(const std::string& Text, std::size_t& At);
// The UTF-8 bytes of a code point, as AppendUtf8 writes them.
std::string Utf8Encode(char32_t CodePoint);
// The code point boundary at or before `Offset` (clamped to the text).
int Utf8Floor(const std::string& S, int Offset);
// The boundary after / before the code point at `Offset`.
int Utf8Next(const std::string& S, int Offset);
int Utf8Prev(const std::string& S, int Offset);
