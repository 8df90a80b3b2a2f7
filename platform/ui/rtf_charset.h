// Windows-1252, the code page of the \'hh characters that rich text carries.
#pragma once

// The character of a byte (0x80-0x9F by the code page's table; its five holes give U+FFFD;
// other bytes are Latin-1).
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte of a character; -1 when the code page has none.
int UnicodeToWindows1252(char32_t cp);
