#include "platform/ui/image.h"

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 105, 105);
  FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture.OnChange = nullptr; }

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  PictureChanged();
}

void TImage::SetAutoSize(bool value) {
  FAutoSize = value;
  if (value) Adjust();
}

void TImage::Adjust() {
  if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
}

void TImage::PictureChanged() {
  if (TGraphic* g = FPicture.Graphic()) g->SetTransparent(FTransparent);
  Adjust();
  Invalidate();
}

TRect TImage::DestRect() const {
  int w = FPicture.Width(), h = FPicture.Height();
  int cw = ClientWidth(), ch = ClientHeight();
  if (FStretch) {
    w = cw;
    h = ch;
  }
  int x = 0, y = 0;
  if (FCenter) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return Bounds(x, y, w, h);
}

void TImage::Paint() {
  TGraphic* g = FPicture.Graphic();
  if (!g || g->Empty()) return;
  Canvas().StretchDraw(DestRect(), *g);
}
