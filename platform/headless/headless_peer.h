// Window peers of the headless backend: null windows that keep geometry, visibility, focus,
// capture and timers, and paint into a recording painter over an image of the window's size.
#pragma once

#include <memory>
#include <string>

#include "platform/headless/recording_painter.h"
#include "platform/ui/null_peer.h"

class THeadlessPeer : public TNullPeer {
public:
  explicit THeadlessPeer(TWinControl& control) : TNullPeer(control) {}
  // The calls of every paint and outside drawing since the last ClearCalls.
  TRecordingPainter& Recorder();

protected:
  TPainter& Painter() override { return Recorder(); }

private:
  std::unique_ptr<TRecordingPainter> FRecorder;
};

// Installs the headless peers and recording bitmap painters (and the poll event loop when no
// loop factory is installed yet).
void InstallHeadlessBackend();

// The headless peer of a control (made when needed); null when another backend made it.
THeadlessPeer* HeadlessPeer(TWinControl& control);

// Input as a user gives it, through the same messages the real backends send.
namespace HeadlessInput {
void MouseDown(TWinControl& control, int x, int y, TMouseButton button = mbLeft, TShiftState shift = {});
void MouseUp(TWinControl& control, int x, int y, TMouseButton button = mbLeft, TShiftState shift = {});
void MouseMove(TWinControl& control, int x, int y, TShiftState shift = {});
// Down and up at one point.
void Click(TWinControl& control, int x, int y, TShiftState shift = {});
// Down, up, double click, up: the order a real double click arrives in.
void DoubleClick(TWinControl& control, int x, int y, TShiftState shift = {});
void Wheel(TWinControl& control, int x, int y, int delta, TShiftState shift = {});
// WM_KEYDOWN (and WM_CHAR for keys that type a character), then WM_KEYUP.
void Key(TWinControl& control, WORD key, TShiftState shift = {});
// One WM_CHAR per code point of the UTF-8 text.
void Type(TWinControl& control, const std::string& text);
}  // namespace HeadlessInput
