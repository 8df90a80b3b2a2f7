// The one composition of the record server on the web engine, as the program (server/main.cpp)
// and the extension library (server/qnserver_library.cpp) both run it.
#pragma once

#include <functional>
#include <string>

class TQNServerForm;

// Starts the headless application, makes the form that holds the databases of Folder and its
// engine component with the server's settings and events, calls BeforeStart (when given) and
// then starts the engine (Loaded), which serves the requests of this kind of process.
TQNServerForm* CreateServerForm(const std::string& Folder,
                                const std::function<void(TQNServerForm& Form)>& BeforeStart = {});
