// The record database server as an extension library: the form holds the databases beside the
// library's own file and answers every request on the extension engine, one at a time.
#include "platform/rtl/path_text.h"
#include "platform/sys/process.h"
#include "server/server_wiring.h"

void LibraryMain() { CreateServerForm(ExtractFilePath(GetModuleFileName())); }
