// Content types of file extensions: a built-in table for the types that change how a mail
// message is written, then the system's /etc/mime.types, then "application/octet-stream".
#pragma once

#include <map>
#include <string>

// Extension with its dot (".txt", any case) → content type.
std::string MimeTypeOfExtension(const std::string& extension);

// Tests fix the table: `builtIn` replaces the built-in entries (keys are lower-case extensions with
// their dot) and `systemFile` the path of the system table ("" reads none).
void SetMimeTypeTable(std::map<std::string, std::string> builtIn, std::string systemFile);
// Back to the built-in table and /etc/mime.types.
void ResetMimeTypeTable();
