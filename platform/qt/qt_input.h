// What every Qt peer does with the input state of an event: the keyboard's modifiers as our
// shift state, and the buttons and modifiers as the MK_ flags of a mouse message.
#pragma once

#include <Qt>

#include "platform/rtl/win_types.h"

void UpdateModifiers(Qt::KeyboardModifiers m);
UINT MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers m);
