// The checks that keep names taken from requests inside the program folder.
#pragma once

#include <string_view>

// A database or configuration name from a request: a plain name (IsPlainName), the same the
// client lets a person give.
bool IsSafeDatabaseName(std::string_view Name);
// A record code used as a file name: 1 to 8 ASCII letters or digits.
bool IsSafeRecordCode(std::string_view Code);
// A code the server gives a record: 8 characters, the first 'A' to 'Y', the others 'A' to 'Z'
// or '0' to '9'.
bool IsRecordCode(std::string_view Code);
