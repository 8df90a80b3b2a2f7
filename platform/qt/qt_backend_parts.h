// The parts of the Qt backend, one per service; InstallQtBackend calls each once, after the
// QApplication exists. Each is defined in the file of its service.
#pragma once

void InstallQtForms();        // form windows, the modal service, menus, hints, screen
void InstallQtStandardPeers(); // native edits, memos, lists, combo boxes, buttons, pickers
void InstallQtRichEdit();     // the rich edit peer and its document
void InstallQtClipboard();    // clipboard, drag and drop, shell
void InstallQtPrinting();     // printers, the "PDF" printer, font enumeration
void InstallQtPictures();     // system icons and image lists, resource cursors
void InstallQtModalKeys();    // keys typed while a modal window takes the keyboard
