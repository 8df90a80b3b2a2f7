// File name text: splitting and joining path names, with "/" as the delimiter.
#pragma once

#include <string>
#include <string_view>

inline constexpr char PathDelim = '/';
inline constexpr char DriveDelim = '\0';
inline constexpr char PathSep = ':';

// Everything up to and including the last "/" ("" when there is none).
std::string ExtractFilePath(const std::string& fileName);
// As ExtractFilePath without the trailing "/", except for the root "/".
std::string ExtractFileDir(const std::string& fileName);
// Everything after the last "/".
std::string ExtractFileName(const std::string& fileName);
// From the last "." of the name part on (".txt"); "" when the name has no ".".
std::string ExtractFileExt(const std::string& fileName);
// Replaces (or appends) the extension; extension includes its ".".
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// Absolute, with "." and ".." resolved as text (the file need not exist; links are kept).
std::string ExpandFileName(const std::string& fileName);
std::string IncludeTrailingPathDelimiter(const std::string& s);
std::string IncludeTrailingBackslash(const std::string& s);
std::string ExcludeTrailingPathDelimiter(const std::string& s);
std::string ExcludeTrailingBackslash(const std::string& s);

// A name that stands for one file of a folder and travels in a request header (a database or
// definition name): 1 to 64 bytes of UTF-8, no control character, none of / \ : ; * ? " < > |,
// and not starting with "." or "-".
bool IsPlainName(std::string_view Name);
