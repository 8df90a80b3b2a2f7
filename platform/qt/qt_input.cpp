#include "platform/qt/qt_input.h"

#include "platform/ui/controls.h"

void UpdateModifiers(Qt::KeyboardModifiers m) {
  TShiftState s;
  if (m & Qt::ShiftModifier) s << ssShift;
  if (m & Qt::ControlModifier) s << ssCtrl;
  if (m & Qt::AltModifier) s << ssAlt;
  SetKeyboardShiftState(s);
}

UINT MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers m) {
  UINT k = 0;
  if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  if (m & Qt::ShiftModifier) k |= MK_SHIFT;
  if (m & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}
