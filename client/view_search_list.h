// The main window's walk through the search list: the "<<" and ">>" buttons, the "in search
// list" check box, and the search helpers over lists of lines.
#pragma once

#include <string>

class TView;
class TStrings;

// The index of the first line at or after Start whose lower-case text holds the lower-case Text;
// -1 when none.
int SearchList(const std::string& Text, const TStrings& List, int Start);
// The link target behind Marker in Text (both compared in lower case): from the marker's start
// (IncludeMarker) or just behind it, up to the first '"', blank or '>' (or the end).  False, and
// Result empty, when Text holds no Marker.
bool ReturnURL(const std::string& Text, bool IncludeMarker, const std::string& Marker, std::string& Result);
