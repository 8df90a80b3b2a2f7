// The multipart/form-data reader: turns a request body into a field text and upload files.
#pragma once

#include <string>
#include <vector>

// Reads "CONTENT_LENGTH" bytes of body through the hook table and appends, per part, to
// FieldText: "name=value&" for a plain part; "name_CONTENT_TYPE=type&" for a part with a
// content type; "name=client file name&name_FILENAME=upload path&" for a file part, whose data
// goes to a new file in TempDir (relative to the program folder) that UploadList receives.
// A body that cannot be read whole clears FieldText.
void ReadMultipartBody(std::string& FieldText, const std::string& TempDir,
                       std::vector<std::string>& UploadList);

// The part of a client's file name that is safe in an upload file name: no folders, no "..",
// no control bytes.
std::string SafeUploadName(const std::string& ClientName);
