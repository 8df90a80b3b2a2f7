// The image control: shows a picture at its own size, centred or stretched to the control.
#pragma once

#include "platform/gfx/picture.h"
#include "platform/ui/controls.h"

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture& Picture() { return FPicture; }
  void SetPicture(const TPicture* value) { FPicture.Assign(value); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  // Passed to the graphic: a transparent bitmap leaves out its key colour.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // The control takes the picture's size whenever the picture changes.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) override;

  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

protected:
  void Paint() override;

private:
  void PictureChanged();
  void Adjust();

  TPicture FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
  bool FAutoSize = false;
};
