#include "platform/gfx/paths.h"

#include <algorithm>
#include <cmath>

namespace {

void Flatten(std::vector<TPointD>& out, TPointD p0, TPointD c1, TPointD c2, TPointD p3) {
  double length = std::hypot(c1.X - p0.X, c1.Y - p0.Y) + std::hypot(c2.X - c1.X, c2.Y - c1.Y) +
                  std::hypot(p3.X - c2.X, p3.Y - c2.Y);
  int steps = std::clamp(static_cast<int>(length / 3), 4, 128);
  for (int i = 1; i <= steps; ++i) {
    double t = double(i) / steps, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back({a * p0.X + b * c1.X + c * c2.X + d * p3.X, a * p0.Y + b * c1.Y + c * c2.Y + d * p3.Y});
  }
}

}  // namespace

void TPath::MoveTo(TPointD p) {
  Points.push_back(p);
  Types.push_back(PT_MOVETO);
}

void TPath::LineTo(TPointD p) {
  if (Points.empty()) MoveTo(p);
  Points.push_back(p);
  Types.push_back(PT_LINETO);
}

void TPath::BezierTo(TPointD c1, TPointD c2, TPointD p) {
  if (Points.empty()) MoveTo(c1);
  for (TPointD q : {c1, c2, p}) {
    Points.push_back(q);
    Types.push_back(PT_BEZIERTO);
  }
}

void TPath::CloseFigure() {
  if (!Types.empty() && Types.back() != PT_MOVETO) Types.back() |= PT_CLOSEFIGURE;
}

void TPath::AddPolygon(const std::vector<TPointD>& points, bool closed) {
  if (points.empty()) return;
  MoveTo(points.front());
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i]);
  if (closed) CloseFigure();
}

void TPath::AddEllipse(double left, double top, double right, double bottom) {
  const double k = 0.5522847498;  // control distance of a quarter circle
  double cx = (left + right) / 2, cy = (top + bottom) / 2, rx = (right - left) / 2, ry = (bottom - top) / 2;
  MoveTo({cx + rx, cy});
  BezierTo({cx + rx, cy + k * ry}, {cx + k * rx, cy + ry}, {cx, cy + ry});
  BezierTo({cx - k * rx, cy + ry}, {cx - rx, cy + k * ry}, {cx - rx, cy});
  BezierTo({cx - rx, cy - k * ry}, {cx - k * rx, cy - ry}, {cx, cy - ry});
  BezierTo({cx + k * rx, cy - ry}, {cx + rx, cy - k * ry}, {cx + rx, cy});
  CloseFigure();
}

void TPath::Append(const TPath& other) {
  Points.insert(Points.end(), other.Points.begin(), other.Points.end());
  Types.insert(Types.end(), other.Types.begin(), other.Types.end());
}

void TPath::Transform(double scaleX, double scaleY, double offsetX, double offsetY) {
  for (auto& p : Points) p = {p.X * scaleX + offsetX, p.Y * scaleY + offsetY};
}

std::vector<TPathFigure> TPath::Figures() const {
  std::vector<TPathFigure> figures;
  for (std::size_t i = 0; i < Points.size(); ++i) {
    BYTE kind = Types[i] & ~PT_CLOSEFIGURE;
    if (kind == PT_MOVETO || figures.empty()) {
      figures.push_back({{Points[i]}, false});
    } else if (kind == PT_BEZIERTO && i + 2 < Points.size()) {
      Flatten(figures.back().Points, figures.back().Points.back(), Points[i], Points[i + 1], Points[i + 2]);
      i += 2;
    } else {
      figures.back().Points.push_back(Points[i]);
    }
    if (Types[i] & PT_CLOSEFIGURE) figures.back().Closed = true;
  }
  return figures;
}

TRegion TPath::ToRegion(TFillMode mode) const {
  std::vector<std::vector<TPointD>> polygons;
  for (auto& f : Figures()) polygons.push_back(std::move(f.Points));
  return TRegion::FromPolygons(polygons, mode);
}

TRect TPath::Bounds() const {
  if (Points.empty()) return {};
  double l = Points[0].X, t = Points[0].Y, r = l, b = t;
  for (const auto& p : Points) {
    l = std::min(l, p.X); r = std::max(r, p.X);
    t = std::min(t, p.Y); b = std::max(b, p.Y);
  }
  return {static_cast<int>(std::floor(l)), static_cast<int>(std::floor(t)), static_cast<int>(std::ceil(r)),
          static_cast<int>(std::ceil(b))};
}
