#include "controls/image_control.h"

#include <algorithm>

TEffectImage::TEffectImage(TComponent* AOwner) : TImage(AOwner) {
  SetBounds(0, 0, 105, 105);
  FOriginal.OnChange = [this](TObject*) { SourceChanged(); };
}

TEffectImage::~TEffectImage() { FOriginal.OnChange = nullptr; }

bool TEffectImage::HasSource() const {
  const TGraphic* g = FOriginal.Graphic();
  return g && !g->Empty();
}

void TEffectImage::SourceChanged() {
  if (FConverting) return;
  TGraphic* graphic = FOriginal.Graphic();
  if (!graphic) {
    Picture().SetGraphic(nullptr);
    return;
  }
  FConverting = true;
  try {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
      bitmap->SetPixelFormat(pf24bit);
      Picture().SetGraphic(bitmap);
    } else {
      // An icon, a metafile, a JPEG image ...: from now on the source is its 24-bit copy.
      TBitmap copy(graphic->Width(), graphic->Height(), pf24bit);
      if (!copy.Empty()) {
        copy.Canvas().Draw(0, 0, *graphic);
        copy.ReleaseCanvas();
      }
      FOriginal.SetGraphic(nullptr);
      Picture().SetGraphic(&copy);
      FOriginal.Assign(&Picture());
    }
  } catch (...) {
    FConverting = false;
    throw;
  }
  FConverting = false;
  FNoise.reset();
  FEffectBitmap.reset();
  ApplyEffects();
}

void TEffectImage::ApplyEffects() {
  auto* source = dynamic_cast<TBitmap*>(FOriginal.Graphic());
  auto* shown = dynamic_cast<TBitmap*>(Picture().Graphic());
  if (!source || !shown) return;
  if ((FColorNoise > 0 || FMonoNoise > 0) && !FNoise) BuildNoise();
  if (CurrentAreaEffect() != aeNone && !FEffectBitmap) BuildEffect();
  const TBitmap& s = FEffectBitmap ? *FEffectBitmap : *source;
  ApplyPixelEffects(s, FNoise.get(), FEffects, *shown);
  Invalidate();
}

// ---- Per-pixel properties -------------------------------------------------------------------

void TEffectImage::SetPicBrightness(int value) {
  FEffects.Brightness = std::clamp(value, -255, 255);
  ApplyEffects();
}
void TEffectImage::SetPicContrast(int value) {
  FEffects.Contrast = std::max(value, -255);
  ApplyEffects();
}
void TEffectImage::SetPicGrayScale(bool value) {
  FEffects.GrayScale = value;
  ApplyEffects();
}
void TEffectImage::SetPicLightness(int value) {
  FEffects.Lightness = std::min(value, 255);
  ApplyEffects();
}
void TEffectImage::SetPicDarkness(int value) {
  FEffects.Darkness = std::min(value, 255);
  ApplyEffects();
}
void TEffectImage::SetPicSaturation(int value) {
  FEffects.Saturation = std::max(value, -255);
  ApplyEffects();
}
void TEffectImage::SetPicSplitlight(int value) {
  FEffects.Splitlight = std::clamp(value, 0, 10);
  ApplyEffects();
}
void TEffectImage::SetPicInvert(bool value) {
  FEffects.Invert = value;
  ApplyEffects();
}
void TEffectImage::SetPicPosterize(int value) {
  FEffects.Posterize = std::max(value, 0);
  FEffects.Solorize = 0;
  ApplyEffects();
}
void TEffectImage::SetPicSolorize(int value) {
  FEffects.Solorize = std::clamp(value, 0, 255);
  FEffects.Posterize = 0;
  ApplyEffects();
}

// ---- Noise ----------------------------------------------------------------------------------

void TEffectImage::BuildNoise() {
  const int amplitude = FColorNoise > 0 ? FColorNoise : FMonoNoise;
  if (amplitude < 1 || !HasSource()) {
    FNoise.reset();
    return;
  }
  if (!FNoise) FNoise = std::make_unique<TBitmap>();
  FillNoise(*FNoise, FOriginal.Width(), FOriginal.Height(), amplitude, FColorNoise == 0);
}

void TEffectImage::NoiseSet() {
  BuildNoise();
  ApplyEffects();
}

void TEffectImage::SetPicColorNoise(int value) {
  FColorNoise = std::max(value, 0);
  FMonoNoise = 0;
  NoiseSet();
}

void TEffectImage::SetPicMonoNoise(int value) {
  FMonoNoise = std::max(value, 0);
  FColorNoise = 0;
  NoiseSet();
}

// ---- Area effects ---------------------------------------------------------------------------

void TEffectImage::ClearAreaEffects(TAreaEffect keep) {
  if (keep != aeEmboss) FEmboss = false;
  if (keep != aeMosaic) FMosaic = 0;
  if (keep != aeSplitBlur) FSplitBlur = 0;
  if (keep != aeGaussianBlur) FGaussianBlur = 0;
  if (keep != aeAntiAlias) FAntiAlias = 0;
  if (keep != aeTrace) FTrace = 0;
  if (keep != aeTile) FTile = 0;
}

TEffectImage::TAreaEffect TEffectImage::CurrentAreaEffect() const {
  if (FEmboss) return aeEmboss;
  if (FMosaic > 0) return aeMosaic;
  if (FSplitBlur > 0) return aeSplitBlur;
  if (FGaussianBlur > 0) return aeGaussianBlur;
  if (FAntiAlias > 0) return aeAntiAlias;
  if (FTrace > 0) return aeTrace;
  if (FTile > 0) return aeTile;
  return aeNone;
}

void TEffectImage::BuildEffect() {
  const TAreaEffect effect = CurrentAreaEffect();
  auto* source = dynamic_cast<TBitmap*>(FOriginal.Graphic());
  if (effect == aeNone || !source || source->Empty()) {
    FEffectBitmap.reset();
    return;
  }
  if (!FEffectBitmap) FEffectBitmap = std::make_unique<TBitmap>();
  FEffectBitmap->Assign(*source);
  TBitmap& b = *FEffectBitmap;
  switch (effect) {
    case aeEmboss: EmbossBitmap(b); break;
    case aeMosaic: MosaicBitmap(b, FMosaic); break;
    case aeSplitBlur: SplitBlurBitmap(b, FSplitBlur); break;
    case aeGaussianBlur: GaussianBlurBitmap(b, FGaussianBlur); break;
    case aeAntiAlias: AntiAliasBitmap(b, FAntiAlias); break;
    case aeTrace: TraceBitmap(b, FTrace); break;
    case aeTile: TileBitmap(b, *source, FTile); break;
    case aeNone: break;
  }
}

void TEffectImage::AreaSet() {
  BuildEffect();
  ApplyEffects();
}

void TEffectImage::SetPicEmboss(bool value) {
  ClearAreaEffects(aeEmboss);
  FEmboss = value;
  AreaSet();
}

void TEffectImage::SetPicMosaic(int value) {
  ClearAreaEffects(aeMosaic);
  value = std::max(value, 0);
  if (HasSource()) value = std::min(value, std::max(FOriginal.Width(), FOriginal.Height()));
  FMosaic = value;
  AreaSet();
}

void TEffectImage::SetPicSplitBlur(int value) {
  ClearAreaEffects(aeSplitBlur);
  FSplitBlur = std::clamp(value, 0, 255);
  AreaSet();
}

void TEffectImage::SetPicGaussianBlur(int value) {
  ClearAreaEffects(aeGaussianBlur);
  FGaussianBlur = std::clamp(value, 0, 50);
  AreaSet();
}

void TEffectImage::SetPicAntiAlias(int value) {
  ClearAreaEffects(aeAntiAlias);
  FAntiAlias = std::clamp(value, 0, 50);
  AreaSet();
}

void TEffectImage::SetPicTrace(int value) {
  ClearAreaEffects(aeTrace);
  FTrace = std::clamp(value, 0, 10);
  AreaSet();
}

void TEffectImage::SetPicTile(int value) {
  ClearAreaEffects(aeTile);
  FTile = value > 0 ? value : 0;
  AreaSet();
}

// ---- Mouse ----------------------------------------------------------------------------------

void TEffectImage::WndProc(TMessage& message) {
  if (message.Msg == CM_MOUSEENTER) FMouseInside = true;
  if (message.Msg == CM_MOUSELEAVE) {
    FMouseInside = false;
    if (OnMouseExit) OnMouseExit(this);
  }
  TImage::WndProc(message);
}

void TEffectImage::MouseMove(TShiftState Shift, int X, int Y) {
  FMouseInside = true;
  TImage::MouseMove(Shift, X, Y);
}
