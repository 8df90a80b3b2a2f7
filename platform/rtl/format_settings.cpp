#include "platform/rtl/format_settings.h"

TFormatSettings FormatSettings;

TFormatSettings DefaultFormatSettings() { return TFormatSettings{}; }
