// The picture control with effects: it keeps the picture the program assigns
// (PictureOriginal, made a 24-bit bitmap) and shows that picture through a fixed pipeline: an
// optional noise layer, at most one area effect (emboss, mosaic, split blur, gaussian blur,
// anti-alias, trace or tile) and the per-pixel colour transform. Every effect property reruns
// the pipeline; the noise layer and the area effect are rebuilt only when their own property
// is set or the picture changes. Otherwise it is the plain image control (stretch, centre,
// transparency, automatic size).
#pragma once

#include <memory>
#include <string>

#include "controls/picture_effects.h"
#include "platform/ui/image.h"

class TEffectImage : public TImage {
public:
  explicit TEffectImage(TComponent* AOwner);
  ~TEffectImage() override;

  // The assigned picture; any load or assignment into it reruns the whole pipeline.
  TPicture& PictureOriginal() { return FOriginal; }
  void SetPictureOriginal(const TPicture* value) { FOriginal.Assign(value); }

  int PicBrightness() const { return FEffects.Brightness; }
  void SetPicBrightness(int value);
  int PicContrast() const { return FEffects.Contrast; }
  void SetPicContrast(int value);
  bool PicGrayScale() const { return FEffects.GrayScale; }
  void SetPicGrayScale(bool value);
  int PicLightness() const { return FEffects.Lightness; }
  void SetPicLightness(int value);
  int PicDarkness() const { return FEffects.Darkness; }
  void SetPicDarkness(int value);
  int PicSaturation() const { return FEffects.Saturation; }
  void SetPicSaturation(int value);
  int PicSplitlight() const { return FEffects.Splitlight; }
  void SetPicSplitlight(int value);
  bool PicInvert() const { return FEffects.Invert; }
  void SetPicInvert(bool value);
  int PicPosterize() const { return FEffects.Posterize; }
  void SetPicPosterize(int value);
  int PicSolorize() const { return FEffects.Solorize; }
  void SetPicSolorize(int value);

  int PicColorNoise() const { return FColorNoise; }
  void SetPicColorNoise(int value);
  int PicMonoNoise() const { return FMonoNoise; }
  void SetPicMonoNoise(int value);

  // Area effects: setting one clears the others.
  bool PicEmboss() const { return FEmboss; }
  void SetPicEmboss(bool value);
  int PicMosaic() const { return FMosaic; }
  void SetPicMosaic(int value);
  int PicSplitBlur() const { return FSplitBlur; }
  void SetPicSplitBlur(int value);
  int PicGaussianBlur() const { return FGaussianBlur; }
  void SetPicGaussianBlur(int value);
  int PicAntiAlias() const { return FAntiAlias; }
  void SetPicAntiAlias(int value);
  int PicTrace() const { return FTrace; }
  void SetPicTrace(int value);
  int PicTile() const { return FTile; }
  void SetPicTile(int value);

  // Stored with the form; used for nothing else.
  const std::string& PictureEffects() const { return FPictureEffects; }
  void SetPictureEffects(const std::string& value) { FPictureEffects = value; }
  bool IncrementalDisplay() const { return FIncrementalDisplay; }
  void SetIncrementalDisplay(bool value) { FIncrementalDisplay = value; }

  bool MouseInside() const { return FMouseInside; }
  // The work bitmaps (nullptr when not in use).
  const TBitmap* NoiseBitmap() const { return FNoise.get(); }
  const TBitmap* EffectBitmap() const { return FEffectBitmap.get(); }

  // Runs the per-pixel transform from the source (or the area effect's bitmap) into the shown
  // picture; nothing without bitmaps in both pictures.
  void ApplyEffects();

  TNotifyEvent OnProgress;
  TNotifyEvent OnMouseExit;

  void WndProc(TMessage& message) override;

protected:
  void MouseMove(TShiftState Shift, int X, int Y) override;

private:
  enum TAreaEffect { aeNone, aeEmboss, aeMosaic, aeSplitBlur, aeGaussianBlur, aeAntiAlias, aeTrace, aeTile };
  void SourceChanged();
  bool HasSource() const;
  // Clears every area effect but `keep`.
  void ClearAreaEffects(TAreaEffect keep);
  TAreaEffect CurrentAreaEffect() const;
  // (Re)builds or frees the work bitmaps.
  void BuildNoise();
  void BuildEffect();
  void NoiseSet();
  void AreaSet();

  TPicture FOriginal;
  TPixelEffects FEffects;
  int FColorNoise = 0;
  int FMonoNoise = 0;
  bool FEmboss = false;
  int FMosaic = 0;
  int FSplitBlur = 0;
  int FGaussianBlur = 0;
  int FAntiAlias = 0;
  int FTrace = 0;
  int FTile = 0;
  std::string FPictureEffects;
  bool FIncrementalDisplay = false;
  bool FMouseInside = false;
  bool FConverting = false;
  std::unique_ptr<TBitmap> FNoise;
  std::unique_ptr<TBitmap> FEffectBitmap;
};
