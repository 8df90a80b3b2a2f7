// The mapping of a device context: logical units to device pixels through a window (origin and
// extent) and a viewport (origin and extent), as the system's mapping modes define it.
#pragma once

#include "platform/rtl/win_types.h"

enum {
  MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
  MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8
};

class TMapping {
public:
  // Extents of the metric and English modes follow the device's resolution.
  void SetResolution(int dpiX, int dpiY);

  int Mode() const { return FMode; }
  // Returns the previous mode, 0 for an unknown one (which changes nothing).
  int SetMode(int mode);
  TPoint WindowOrg() const { return FWindowOrg; }
  TPoint WindowExt() const { return FWindowExt; }
  TPoint ViewportOrg() const { return FViewportOrg; }
  TPoint ViewportExt() const { return FViewportExt; }
  void SetWindowOrg(TPoint p) { FWindowOrg = p; }
  void SetViewportOrg(TPoint p) { FViewportOrg = p; }
  // Extents change only in MM_ISOTROPIC and MM_ANISOTROPIC; a zero extent is refused.
  bool SetWindowExt(TPoint e);
  bool SetViewportExt(TPoint e);

  bool Identity() const;
  TPoint ToDevice(TPoint p) const;
  TPoint ToLogical(TPoint p) const;
  // Device position of a logical one, unrounded.
  double DeviceX(double x) const;
  double DeviceY(double y) const;
  // Lengths: a logical width or height in device pixels (sign kept), and back.
  int DeviceWidth(int w) const;
  int DeviceHeight(int h) const;
  double ScaleX() const { return double(FViewportExt.X) / FWindowExt.X; }
  double ScaleY() const { return double(FViewportExt.Y) / FWindowExt.Y; }

private:
  void FixedExtents();
  void Isotropic();

  int FMode = MM_TEXT;
  int FDpiX = 96;
  int FDpiY = 96;
  TPoint FWindowOrg;
  TPoint FWindowExt{1, 1};
  TPoint FViewportOrg;
  TPoint FViewportExt{1, 1};
};
