// The checks that keep names taken from requests inside the program folder.
#pragma once

#include <string_view>

// A database or configuration name from a request: 1 to 64 bytes, no "/", "\", NUL or other
// control byte, and not starting with ".".
bool IsSafeDatabaseName(std::string_view Name);
// A record code used as a file name: 1 to 8 ASCII letters or digits.
bool IsSafeRecordCode(std::string_view Code);
