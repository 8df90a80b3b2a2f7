// Combo boxes that pick rich-text formatting: font sizes that follow a font, font names, and
// colours with names and swatches; their base with type-ahead completion, a pixel-width limit
// for typed text and optional saving of the choice in the registry.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/enum_set.h"
#include "platform/gfx/graphics.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/list_controls.h"

// ---- Pixel-width limit ----------------------------------------------------------------------
class TVcMaxPixel {
public:
  int Length = 0;  // 0: no limit
  bool UseControlFont = true;
  TFont& Font() { return FFont; }
  // `text` trimmed (with one beep) until it measures at most Length pixels; true when it was cut.
  bool Test(std::string& text, const TFont& controlFont);

private:
  TFont FFont;
};

// ---- Registry auto-save -----------------------------------------------------------------------
class TVcRegAutoSave {
public:
  std::string Path;
  std::string Key;
  bool Active = false;  // the owning TVcAutoSave's switch
  void SaveInteger(int value);
  // False when the value does not exist or is not an integer (a value of another kind is
  // treated as not found rather than raising).
  bool LoadInteger(int& value);
  void SaveString(const std::string& value);
  bool LoadString(std::string& value);

private:
  bool Usable() const { return Active && !Path.empty() && !Key.empty(); }
};

class TVcAutoSave {
public:
  bool Active() const { return FRegistry.Active; }
  void SetActive(bool value) { FRegistry.Active = value; }
  TVcRegAutoSave& Registry() { return FRegistry; }

private:
  TVcRegAutoSave FRegistry;
};

// ---- The base combo box ------------------------------------------------------------------------
class TVcCustomComboBox : public TCustomComboBox {
public:
  explicit TVcCustomComboBox(TComponent* AOwner);

  bool AutoComplete = true;
  TVcMaxPixel& MaxPixel() { return FMaxPixel; }
  TVcAutoSave& AutoSave() { return FAutoSave; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  TColor HintColor = clInfoBk;
  // Milliseconds for the type-ahead pause (GetTickCount unless a test replaces it).
  std::function<DWORD()> Clock;

  void Loaded() override;
  void WndProc(TMessage& message) override;

  TNotifyEvent OnRestored;

protected:
  void Change() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  // Saves the choice through AutoSave (an index for a drop-down list, else the text).
  void SaveChoice();
  int FindPrefix(const std::string& prefix) const;
  // Owner drawing: OnDrawItem when assigned (null), else the canvas with the item's background.
  TCanvas* BeginItem(int index, const TRect& rect, TOwnerDrawState state, TColor hilite);

private:
  TVcMaxPixel FMaxPixel;
  TVcAutoSave FAutoSave;
  bool FReadOnly = false;
  WORD FLastKey = 0;
  DWORD FLastKeyTime = 0;
  bool FHaveKeyTime = false;
  bool FBusy = false;
  bool FMouseInside = false;
  TColor FSavedHintColor = clInfoBk;
  std::string FSearch;
};

// ---- Font sizes --------------------------------------------------------------------------------
class TFontSizeComboBox : public TComboBox {
public:
  explicit TFontSizeComboBox(TComponent* AOwner) : TComboBox(AOwner) {}
  const std::string& FontName() const { return FFontName; }
  // Rebuilds the size list.
  void SetFontName(const std::string& value);
  int PixelsPerInch() const { return FPixelsPerInch; }

private:
  void Rebuild();
  std::string FFontName;
  int FPixelsPerInch = 96;
};

// ---- Colours -----------------------------------------------------------------------------------
enum TColorComboOption { coText, coHex, coRGB, coSysColors, coCustomColors };
using TColorComboOptions = TSet<TColorComboOption>;

using TNewColorEvent = std::function<void(TObject* Sender, TColor Color, std::string& DisplayName, bool& AllowAdd)>;
using TGetDisplayNameEvent = std::function<void(TObject* Sender, int Index, TColor Color, std::string& DisplayName)>;

// The identifier of a colour (clBlack, clBtnFace, ...) or its hexadecimal form "$00BBGGRR".
std::string ColorToIdent(TColor color);
// The colour names the forms store with their colour boxes (58 "identifier=name" lines).
void FillColorNameMap(TStrings& map);

class TVcColorComboBox : public TVcCustomComboBox {
public:
  explicit TVcColorComboBox(TComponent* AOwner);

  TColor ColorValue() const { return FColorValue; }
  void SetColorValue(TColor value);
  TStringList& ColorNameMap() { return FColorNameMap; }
  const std::string& ColorDialogText() const { return FColorDialogText; }
  void SetColorDialogText(const std::string& value);
  std::string NewColorText = "Custom";
  int ColorWidth() const { return FColorWidth; }
  void SetColorWidth(int value) { FColorWidth = value; Invalidate(); }
  TColorComboOptions Options() const { return FOptions; }
  void SetOptions(TColorComboOptions value);
  TColor HiliteColor = clHighlight;
  TColor HiliteText = clHighlightText;

  // Refills the list.
  void GetColors();
  std::string DisplayName(int index, TColor color);
  TColor ItemColor(int index) const;
  // The index of the custom-colour entry, -1 when it is not shown.
  int CustomIndex() const;

  TNewColorEvent OnNewColor;
  TNewColorEvent OnInsertColor;
  TGetDisplayNameEvent OnGetDisplayName;
  TNotifyEvent OnBeforeCustom;

  void Loaded() override;

protected:
  virtual bool DoNewColor(TColor color, std::string& name);
  virtual bool DoInsertColor(TColor color, std::string& name);
  virtual void InsertColor(int index, TColor color, const std::string& name);
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void Select() override;
  // The items are as high as the font's text, plus a little room for the swatch's frame.
  void FontChanged() override;

private:
  int IndexOfColor(TColor color) const;
  void AddColor(TColor color);

  TColor FColorValue = clBlack;
  TStringList FColorNameMap;
  std::string FColorDialogText;
  int FColorWidth = 21;
  TColorComboOptions FOptions{coText};
  int FAddedCount = 0;
  bool FInDialog = false;
};

// A colour box set up as the forms store theirs: the colour names, "Custom..." for the
// custom-colour entry and "Custom" for the names of added colours; then loaded (its list
// built) and showing `color`.
void LoadFormColorBox(TVcColorComboBox& box, TColor color);

// ---- Font names --------------------------------------------------------------------------------
enum TFontDevice { fdScreen, fdPrinter, fdBoth };
enum TFontComboOption {
  foAnsiOnly, foTrueTypeOnly, foFixedPitchOnly, foNoOEMFonts, foOEMFontsOnly, foScalableOnly, foWysiWyg,
  foDisableVerify
};
using TFontComboOptions = TSet<TFontComboOption>;

class TVcFontComboBox : public TVcCustomComboBox {
public:
  explicit TVcFontComboBox(TComponent* AOwner);

  std::string FontName() const { return Text(); }
  void SetFontName(const std::string& value);
  TFontDevice Device() const { return FDevice; }
  void SetDevice(TFontDevice value);
  TFontComboOptions Options() const { return FOptions; }
  void SetOptions(TFontComboOptions value);
  bool UseImages = true;
  void SetSorted(bool value);
  TColor HiliteColor = clHighlight;
  TColor HiliteText = clHighlightText;

  // Refills the list, keeping the chosen name.
  void GetFonts();
  // The font type flags of an item (TRUETYPE_FONTTYPE, RASTER_FONTTYPE, DEVICE_FONTTYPE).
  int ItemFontType(int index) const;
  void Loaded() override;

protected:
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void Select() override;

private:
  TFontDevice FDevice = fdScreen;
  TFontComboOptions FOptions;
};
