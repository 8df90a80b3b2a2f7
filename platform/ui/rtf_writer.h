// Our writer of rich text (RTF): the subset the reader takes. Characters of Windows-1252 above
// ASCII are written \'hh, all others \uN? (two for a character beyond the BMP).
#pragma once

#include <string>

#include "platform/ui/rich_text_document.h"

std::string WriteRtf(const TRichContent& content);
