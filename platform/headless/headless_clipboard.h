// The headless clipboard, drag loop and shell: an in-process format table, drags that follow a
// script, and shell requests kept for tests to read.
#pragma once

#include <vector>

#include "platform/ui/clipboard.h"
#include "platform/ui/messages.h"
#include "platform/ui/ole_drag.h"
#include "platform/ui/shell.h"

// One scripted drag. With a target control the drag goes through the drop target registered on
// it (or on its nearest parent): DragEnter and DragOver at the point, then Drop when the button
// is released, and the effect is the target's. Without one, `Effect` is the answer.
struct THeadlessDrag {
  TWinControl* Target = nullptr;
  TPoint Point;                  // in the target's client coordinates
  DWORD KeyState = MK_LBUTTON;   // MK_SHIFT, MK_CONTROL held during the drag
  bool Escape = false;           // the user presses Escape before dropping
  DWORD Effect = DROPEFFECT_NONE;
};

// Queues a drag for the next DoDragDrop; an unscripted drag is cancelled.
void ScriptDragDrop(const THeadlessDrag& drag);
int PendingDragDrops();
// The in-process table the clipboard works on.
TClipboardTable& HeadlessClipboardTable();
// Every ShellExecute request since the last clear; each returned 42.
std::vector<TShellRequest>& HeadlessShellRequests();
