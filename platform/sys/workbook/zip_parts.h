// The zip container of a workbook file: its parts as names and bytes, in archive order.
#pragma once

#include <string>
#include <vector>

struct TZipPart {
  std::string Name;   // "xl/workbook.xml"; no leading "/"
  std::string Bytes;  // uncompressed
};

using TZipParts = std::vector<TZipPart>;

// Ceilings for what a file may hold before it is read into memory.
inline constexpr std::size_t kMaxZipEntries = 10000;
inline constexpr std::size_t kMaxPartBytes = 256u << 20;
inline constexpr std::size_t kMaxArchiveBytes = 512u << 20;

// True when the file starts with a zip signature, whatever its name.
bool IsZipFile(const std::string& fileName);
// Reads every part; a file that is missing, no zip, damaged or over a ceiling raises
// EOleException.
TZipParts ReadZipParts(const std::string& fileName);
// Writes the parts, deflated, to a temporary file beside `fileName` that then replaces it, so a
// failed save leaves the old file whole; failure raises EOleException.
void WriteZipParts(const std::string& fileName, const TZipParts& parts);
