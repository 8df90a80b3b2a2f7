// Speed buttons that toggle one character or paragraph format of a rich edit's selection and
// show whether the selection has it, with a third, mixed look when it has it only in part; and
// the routine that applies a font style to a selection character by character.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/speed_button.h"

// Adds (Add) or removes the styles on the selection, each character keeping its other styles;
// with an empty selection the style is set for the text typed next.
void SetFontStyle(TCustomRichEdit& RichEdit, TFontStyles Styles, bool Add);
// The consistent attribute of a style; "FontStyleToConsistentAttribute() Invalid style." for
// any other value.
TConsistentAttribute FontStyleToConsistentAttribute(TFontStyle Style);

// A glyph of the rich-text tool bar drawn with the buttons' own: "COPYTEXT" and "PASTETEXT" for
// the clipboard buttons beside them; null for a name it does not have.
const TBitmap* RichToolGlyph(const std::string& Name);

class TCustomRichButton : public TSpeedButton {
public:
  explicit TCustomRichButton(TComponent* AOwner);
  ~TCustomRichButton() override;

  TCustomRichEdit* RichEdit() const { return FRichEdit; }
  void SetRichEdit(TCustomRichEdit* value);
  bool Mixed() const { return FMixed; }
  // Reads the selection's format into Down and Mixed.
  void UpdateState();
  void SetParent(TWinControl* parent) override;
  void Click() override;
  // Set while a click is being applied (one for all buttons).
  static bool& Busy();

  virtual bool GetFontStyle(TFontStyle&) const { return false; }
  virtual bool GetAlignment(TAlignment&) const { return false; }
  virtual bool GetNumbering(TNumberingStyle&) const { return false; }

protected:
  void Paint() override;
  void PaintFrame(TCanvas& canvas, TRect& rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Loads the glyph from the program's bitmap resource.
  void LoadGlyph(const char* resource);

private:
  TCustomRichEdit* FRichEdit = nullptr;
  bool FMixed = false;
};

template <TFontStyle S>
class TRichStyleButton : public TCustomRichButton {
public:
  TRichStyleButton(TComponent* AOwner, const char* glyph) : TCustomRichButton(AOwner) { LoadGlyph(glyph); }
  bool GetFontStyle(TFontStyle& Style) const override { Style = S; return true; }
};

template <TAlignment A>
class TRichAlignButton : public TCustomRichButton {
public:
  TRichAlignButton(TComponent* AOwner, const char* glyph) : TCustomRichButton(AOwner) { LoadGlyph(glyph); }
  bool GetAlignment(TAlignment& Alignment) const override { Alignment = A; return true; }
};

class TBoldButton : public TRichStyleButton<fsBold> {
public:
  explicit TBoldButton(TComponent* AOwner) : TRichStyleButton(AOwner, "BOLD") {}
};
class TItalicButton : public TRichStyleButton<fsItalic> {
public:
  explicit TItalicButton(TComponent* AOwner) : TRichStyleButton(AOwner, "ITALIC") {}
};
class TUnderlineButton : public TRichStyleButton<fsUnderline> {
public:
  explicit TUnderlineButton(TComponent* AOwner) : TRichStyleButton(AOwner, "UNDERLINE") {}
};
class TStrikeoutButton : public TRichStyleButton<fsStrikeOut> {
public:
  explicit TStrikeoutButton(TComponent* AOwner) : TRichStyleButton(AOwner, "STRIKEOUT") {}
};
class TAlignLeftButton : public TRichAlignButton<taLeftJustify> {
public:
  explicit TAlignLeftButton(TComponent* AOwner) : TRichAlignButton(AOwner, "ALIGNLEFT") {}
};
class TAlignCenterButton : public TRichAlignButton<taCenter> {
public:
  explicit TAlignCenterButton(TComponent* AOwner) : TRichAlignButton(AOwner, "ALIGNCENTER") {}
};
class TAlignRightButton : public TRichAlignButton<taRightJustify> {
public:
  explicit TAlignRightButton(TComponent* AOwner) : TRichAlignButton(AOwner, "ALIGNRIGHT") {}
};
class TBulletButton : public TCustomRichButton {
public:
  explicit TBulletButton(TComponent* AOwner) : TCustomRichButton(AOwner) { LoadGlyph("BULLET"); }
  bool GetNumbering(TNumberingStyle& Numbering) const override { Numbering = nsBullet; return true; }
};
