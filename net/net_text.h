// Text routines of the internet client library: header parameters, words, numbers and quotes.
#pragma once

#include <cstdint>
#include <string>

class TStream;

// Bytes up to ' ' cut from both ends.
std::string TrimBlanks(const std::string& s);
std::string UpperCaseAscii(std::string s);
std::string LowerCaseAscii(std::string s);
// The mail library's texts hold at most 255 characters.
std::string Cut255(const std::string& s);
// Whole text as a decimal number (blanks around and a sign allowed); false when it is none.
bool ParseDecimalNumber(const std::string& s, std::int64_t& value);
// Whole text as a hexadecimal number; false when it is none (a chunk extension included).
bool ParseHexNumber(const std::string& s, std::int64_t& value);
// Every byte of a stream, from its start.
std::string ReadWholeStream(TStream& stream);
// Replaces CR and LF by blanks, so that a text cannot break a header or a command line.
std::string OneLine(const std::string& s);

// The value of parameter `name` in a header line ("name=value", "name="quoted""); "" when absent.
std::string GetHeaderParameter(const std::string& line, const std::string& name);
// Skips `n` blank-separated words and gives the next one.
std::string GetWord(const std::string& line, int n);
// GetWord as a decimal number, -1 when it is not one.
int GetWordNumber(const std::string& line, int n);
// Trimmed, without double quotes at its start and end.
std::string StripQuotes(const std::string& text);
// The characters up to the first blank or ";", trimmed.
std::string FirstWord(const std::string& text);
