// The parts of the headless backend, one per service; InstallHeadlessBackend calls each once.
// Each is defined in the file of its service.
#pragma once

void InstallHeadlessForms();     // the scripted modal service, screen and system values
void InstallHeadlessRichEdit();  // the run-list rich-text document
void InstallHeadlessClipboard(); // the in-process clipboard table, drag source, shell record
void InstallHeadlessPrinting();  // the fixed font list; no printer until a test installs one
