// The desktop backend as a program's main() uses it, without Qt's headers: the toolkit's
// application object over the program's arguments, with the backend installed.
#pragma once

#include <memory>

class TCustomForm;

class TQtProgram {
public:
  // Makes the toolkit's application (it reads its own options from the arguments, which must
  // outlive it) and installs the backend (InstallQtBackend).
  TQtProgram(int& argc, char** argv);
  // The toolkit's application goes: the windows must be gone before.
  ~TQtProgram();
  TQtProgram(const TQtProgram&) = delete;
  TQtProgram& operator=(const TQtProgram&) = delete;

private:
  struct TToolkit;
  std::unique_ptr<TToolkit> FToolkit;
};

// The form's window, shown next, is painted once another window has painted (within a second):
// a window that opens over it at once shows without waiting for the one behind it. The form's
// controls get their windows then too (each asked for its window before, at once); its menu bar
// comes with its window, so that it shows at its final size.
void PaintAfterOtherWindow(TCustomForm& form);
