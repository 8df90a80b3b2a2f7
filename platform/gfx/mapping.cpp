#include "platform/gfx/mapping.h"

#include <cmath>
#include <cstdlib>

namespace {

// Rounds half away from zero, as the system does when it maps.
int RoundAway(double v) { return static_cast<int>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5)); }

}  // namespace

void TMapping::SetResolution(int dpiX, int dpiY) {
  FDpiX = dpiX > 0 ? dpiX : 96;
  FDpiY = dpiY > 0 ? dpiY : 96;
  FixedExtents();
}

int TMapping::SetMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  int old = FMode;
  FMode = mode;
  // The scalable modes start from the extents of the mode before them.
  FixedExtents();
  return old;
}

void TMapping::FixedExtents() {
  // Units per inch of each fixed mode; y grows upwards in all but MM_TEXT.
  int units = 0;
  switch (FMode) {
    case MM_TEXT: FWindowExt = {1, 1}; FViewportExt = {1, 1}; return;
    case MM_LOMETRIC: units = 254; break;
    case MM_HIMETRIC: units = 2540; break;
    case MM_LOENGLISH: units = 100; break;
    case MM_HIENGLISH: units = 1000; break;
    case MM_TWIPS: units = 1440; break;
    default: return;
  }
  FWindowExt = {units, units};
  FViewportExt = {FDpiX, -FDpiY};
}

bool TMapping::SetWindowExt(TPoint e) {
  if (FMode != MM_ISOTROPIC && FMode != MM_ANISOTROPIC) return false;
  if (e.X == 0 || e.Y == 0) return false;
  FWindowExt = e;
  if (FMode == MM_ISOTROPIC) Isotropic();
  return true;
}

bool TMapping::SetViewportExt(TPoint e) {
  if (FMode != MM_ISOTROPIC && FMode != MM_ANISOTROPIC) return false;
  if (e.X == 0 || e.Y == 0) return false;
  FViewportExt = e;
  if (FMode == MM_ISOTROPIC) Isotropic();
  return true;
}

// One logical unit is as long in x as in y: the viewport extent with the larger scale shrinks.
void TMapping::Isotropic() {
  double sx = std::abs(double(FViewportExt.X) / FWindowExt.X);
  double sy = std::abs(double(FViewportExt.Y) / FWindowExt.Y);
  if (sx < sy) {
    int y = RoundAway(std::abs(FWindowExt.Y) * sx);
    FViewportExt.Y = FViewportExt.Y < 0 ? -y : y;
  } else if (sy < sx) {
    int x = RoundAway(std::abs(FWindowExt.X) * sy);
    FViewportExt.X = FViewportExt.X < 0 ? -x : x;
  }
}

bool TMapping::Identity() const {
  return FWindowExt.X == FViewportExt.X && FWindowExt.Y == FViewportExt.Y && FWindowOrg == TPoint{} &&
         FViewportOrg == TPoint{};
}

double TMapping::DeviceX(double x) const {
  return (x - FWindowOrg.X) * FViewportExt.X / FWindowExt.X + FViewportOrg.X;
}

double TMapping::DeviceY(double y) const {
  return (y - FWindowOrg.Y) * FViewportExt.Y / FWindowExt.Y + FViewportOrg.Y;
}

TPoint TMapping::ToDevice(TPoint p) const {
  if (FMode == MM_TEXT) return {p.X - FWindowOrg.X + FViewportOrg.X, p.Y - FWindowOrg.Y + FViewportOrg.Y};
  return {RoundAway(DeviceX(p.X)), RoundAway(DeviceY(p.Y))};
}

TPoint TMapping::ToLogical(TPoint p) const {
  if (FMode == MM_TEXT) return {p.X - FViewportOrg.X + FWindowOrg.X, p.Y - FViewportOrg.Y + FWindowOrg.Y};
  return {RoundAway(double(p.X - FViewportOrg.X) * FWindowExt.X / FViewportExt.X + FWindowOrg.X),
          RoundAway(double(p.Y - FViewportOrg.Y) * FWindowExt.Y / FViewportExt.Y + FWindowOrg.Y)};
}

int TMapping::DeviceWidth(int w) const {
  if (FMode == MM_TEXT) return w;
  return RoundAway(double(w) * std::abs(double(FViewportExt.X) / FWindowExt.X));
}

int TMapping::DeviceHeight(int h) const {
  if (FMode == MM_TEXT) return h;
  return RoundAway(double(h) * std::abs(double(FViewportExt.Y) / FWindowExt.Y));
}
