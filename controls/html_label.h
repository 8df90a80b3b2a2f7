// TMarkupLabel: a label whose caption is mini-HTML kept in a string list: styled text,
// bullets, rules, pictures and anchors that open through the shell or reach the form.
#pragma once

#include <functional>
#include <string>

#include "controls/mini_html.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/std_painted.h"

enum TVAlignment { tvaTop, tvaCenter, tvaBottom };

using TAnchorClick = std::function<void(TObject* Sender, const std::string& Anchor)>;

class TMarkupLabel : public TCustomLabel {
public:
  explicit TMarkupLabel(TComponent* AOwner);
  ~TMarkupLabel() override;

  TStringList& HTMLText() { return FHTMLText; }
  void SetHTMLText(const TStrings& value) { FHTMLText.Assign(&value); }

  bool AnchorHint() const { return FAnchorHint; }
  void SetAnchorHint(bool value) { FAnchorHint = value; Invalidate(); }
  bool AutoSizing() const { return FAutoSizing; }
  void SetAutoSizing(bool value) { FAutoSizing = value; Invalidate(); }
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value) { FBevelInner = value; Invalidate(); }
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value) { FBevelOuter = value; Invalidate(); }
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value) { FBevelWidth = value; Invalidate(); }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value) { FBorderStyle = value; Invalidate(); }
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value) { FBorderWidth = value; Invalidate(); }
  bool Hover() const { return FHover; }
  void SetHover(bool value) { FHover = value; Invalidate(); }
  TColor HoverColor() const { return FHoverColor; }
  void SetHoverColor(TColor value) { FHoverColor = value; Invalidate(); }
  TColor HoverFontColor() const { return FHoverFontColor; }
  void SetHoverFontColor(TColor value) { FHoverFontColor = value; Invalidate(); }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor value) { FShadowColor = value; Invalidate(); }
  int ShadowOffset() const { return FShadowOffset; }
  void SetShadowOffset(int value) { FShadowOffset = value; Invalidate(); }
  TColor URLColor() const { return FURLColor; }
  void SetURLColor(TColor value);
  TVAlignment VAlignment() const { return FVAlignment; }
  void SetVAlignment(TVAlignment value);

  // The anchor (its href) under a client point and its rectangle; empty when none.
  std::string AnchorAt(int X, int Y, TRect* AnchorRect = nullptr);
  // The hovered anchor's number (counting from 1), -1 for none.
  int HoverAnchor() const { return FHoverIndex; }
  TWebPictureCache& Pictures() { return FPictures; }

  void Loaded() override;
  void WndProc(TMessage& message) override;

  TAnchorClick OnAnchorClick;
  TAnchorClick OnAnchorEnter;
  TAnchorClick OnAnchorExit;

protected:
  std::string GetLabelText() const override;
  void Paint() override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // The client rectangle inside the bevels and the border (drawing them when `canvas`).
  TRect TextRect(TCanvas* canvas);
  void InvalidateOnParent(const TRect& r);
  TMiniHTMLParams Params() const;
  // The text rectangle after AutoSizing and VAlignment.
  TRect PlaceText(TCanvas& canvas, const std::string& text, TRect r, const TMiniHTMLParams& params);

  TStringList FHTMLText;
  bool FAnchorHint = false;
  bool FAutoSizing = false;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvNone;
  int FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsNone;
  int FBorderWidth = 0;
  bool FHover = false;
  TColor FHoverColor = clNone;
  TColor FHoverFontColor = clNone;
  TImageList* FImages = nullptr;
  TColor FShadowColor = clGray;
  int FShadowOffset = 2;
  TColor FURLColor = clBlue;
  TVAlignment FVAlignment = tvaTop;

  TWebPictureCache FPictures;
  // The text laid out once for the paint's measure and draw and the mouse's hit tests.
  TMarkupLayout FLayout;
  std::string FHoverAnchor;
  int FHoverIndex = -1;
  int FFoundIndex = -1;  // the anchor number the last AnchorAt found
  TRect FHoverRect;
};
