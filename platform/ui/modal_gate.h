// What every modal run passes through: ModalService() hands the program's modal runs to the
// installed service, letting go of every mouse capture first.
#pragma once

class TModalService;

// The service SetModalService installed (the standard-error one when none was).
TModalService& InstalledModalService();

// Lets go of the mouse wherever it is held: the windowed control's capture and the child without
// a window that a press routed the mouse to. Every modal run starts with it, so that a box opened
// from a click (a tool button runs its Click inside the release) takes the mouse.
void ReleaseEveryCapture();
