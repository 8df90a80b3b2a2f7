// The record database server as an extension library: the form holds the databases beside the
// library's own file and answers every request on the extension engine, one at a time.
#include "platform/rtl/file_io.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/process.h"
#include "server/server_wiring.h"

void LibraryMain() {
  // What the library writes is its user's alone (see server/main.cpp).
  SetFileAccess(TFileAccess::Private);
  CreateServerForm(ExtractFilePath(GetModuleFileName()));
}
