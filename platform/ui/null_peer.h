// The peer of a control when no backend shows windows: it keeps geometry, visibility, the
// marked area, focus, capture and timers, and paints into a bitmap of the window's size.
#pragma once

#include <map>
#include <memory>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/raster_painter.h"
#include "platform/ui/controls.h"

class TNullPeer : public TWindowPeer {
public:
  explicit TNullPeer(TWinControl& control);
  ~TNullPeer() override;

  void SetBounds(const TRect& bounds) override;
  void SetVisible(bool visible) override { FVisible = visible; }
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  void Invalidate(const TRect* r) override;
  void Update() override;
  void SetFocus() override;
  bool Focused() const override;
  void SetCapture(bool capture) override { FCapture = capture; }
  bool HasCapture() const override { return FCapture; }
  void SetCursor(TCursor cursor) override { FCursor = cursor; }
  bool SetTimer(UINT id, UINT ms) override;
  bool KillTimer(UINT id) override;
  TPoint ClientOrigin() const override;
  TPainter* BeginDraw() override;
  void EndDraw() override {}

  TWinControl& Control() const { return FControl; }
  const TRect& Bounds() const { return FBounds; }
  bool IsVisible() const { return FVisible; }
  bool IsEnabled() const { return FEnabled; }
  TCursor Cursor() const { return FCursor; }
  // The area marked for painting (empty when nothing is marked).
  const TRect& InvalidRect() const { return FInvalid; }
  // What the window shows: the pixels of the last paint.
  TBitmap& Image() { return FImage; }
  // Timers set on this window: id -> interval in milliseconds.
  const std::map<UINT, UINT>& Timers() const { return FTimers; }
  // Timers tick through the current event loop when there is one.
  // Sends WM_TIMER for `id` as a tick would; false when no such timer is set.
  bool FireTimer(UINT id);
  int PaintCount() const { return FPaintCount; }

protected:
  // The painter paint and BeginDraw use; the headless backend supplies a recording one.
  virtual TPainter& Painter();

private:
  TWinControl& FControl;
  TRect FBounds;
  bool FVisible = false;
  bool FEnabled = true;
  bool FCapture = false;
  TCursor FCursor = crDefault;
  TRect FInvalid;
  std::map<UINT, UINT> FTimers;
  std::map<UINT, unsigned> FLoopTimers;  // id -> the event loop's timer
  TBitmap FImage;
  std::unique_ptr<TRasterPainter> FPainter;
  int FPaintCount = 0;
};
