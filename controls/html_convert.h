// Converters to HTML: a colour to six hexadecimal digits and back, characters to entities and
// back through one fixed table, and a rich edit's text to an HTML page that keeps its fonts,
// colours, styles, paragraph alignment and bullets.
#pragma once

#include <string>

#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/rich_edit.h"

// The base of the converters; it adds nothing.
class TVcComponent : public TComponent {
public:
  using TComponent::TComponent;
};

class TVcRgbToHtml : public TVcComponent {
public:
  explicit TVcRgbToHtml(TComponent* AOwner = nullptr) : TVcComponent(AOwner) {}
  TColor RgbColor() const { return FRgbColor; }
  // System colours are resolved to their RGB value for HtmlColor.
  void SetRgbColor(TColor value);
  const std::string& HtmlColor() const { return FHtmlColor; }
  // Only six hexadecimal digits are taken; anything else changes nothing.
  void SetHtmlColor(const std::string& value);

private:
  TColor FRgbColor = 0;
  std::string FHtmlColor = "000000";
};

class TVcStrToHtml : public TVcComponent {
public:
  explicit TVcStrToHtml(TComponent* AOwner = nullptr) : TVcComponent(AOwner) {}
  // Each entity of the table (any case) back to its character.
  std::string TextToHtml(const std::string& text) const;
  // Each character of the table to its entity.
  std::string HtmlToText(const std::string& text) const;
  // The entity of one character (a code point), or the character itself.
  std::string CharToHtml(char32_t character) const;

  const std::string& Text() const { return FText; }
  void SetText(const std::string& value) { FHtml = TextToHtml(value); }
  const std::string& Html() const { return FHtml; }
  void SetHtml(const std::string& value) { FText = HtmlToText(value); }

private:
  std::string FText;
  std::string FHtml;
};

class TVcRichEditToHtml : public TVcComponent {
public:
  explicit TVcRichEditToHtml(TComponent* AOwner = nullptr);
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }

  void ConvertToHtml(TCustomRichEdit& richEdit, const std::string& fileName);
  void ConvertToHtmlStrings(TCustomRichEdit& richEdit, TStrings& lines);

private:
  std::string FontOpening(const TRichCharFormat& font);
  std::string ParagraphOpening(TRichAlignment alignment, bool bullet);

  std::string FTitle;
  TVcRgbToHtml* FColor;
  TVcStrToHtml* FStrings;
  std::string FFontClosing;
  std::string FParagraphClosing;
};
