// Base64 with the standard alphabet, padded with "=". One coder for the mail messages, the HTTP
// credentials and the mail sender's attachments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string Base64Encode(std::string_view data);
// The encoding in lines of LineLength characters, each ended by LineEnd (the last one too,
// when there is one).
std::string Base64EncodeLines(std::string_view data, std::size_t LineLength, std::string_view LineEnd);
// Decodes whole groups of four characters (a shorter tail is ignored); "=" counts as zero, and
// up to two at the end of the last group are padding. False, with Out undefined, when a
// character is outside the alphabet.
bool Base64Decode(std::string_view text, std::string& Out);
