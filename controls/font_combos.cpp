#include "controls/font_combos.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/gfx/colors.h"
#include "platform/gfx/fonts.h"
#include "controls/control_glyphs.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_painted.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TObject* ColorObject(TColor c) { return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(c))); }
TColor ObjectColor(TObject* o) { return static_cast<TColor>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(o))); }

}  // namespace

// ---- TVcMaxPixel -------------------------------------------------------------------------------

bool TVcMaxPixel::Test(std::string& text, const TFont& controlFont) {
  if (Length == 0) return false;
  TCanvas& c = MeasureCanvas(UseControlFont ? controlFont : FFont);
  if (c.TextWidth(text) <= Length) return false;
  MessageBeep(0);
  while (!text.empty() && c.TextWidth(text) > Length) text.erase(static_cast<std::size_t>(Utf8Prev(text, static_cast<int>(text.size()))));
  return true;
}

// ---- TVcRegAutoSave ------------------------------------------------------------------------------

namespace {

struct TRegValue {
  std::unique_ptr<TIniFile> Ini;
  std::string Section;
};

TRegValue OpenKey(const std::string& path) {
  TRegValue v;
  std::string file;
  RegistryKeyToIni(path, file, v.Section);
  v.Ini = std::make_unique<TIniFile>(file);
  return v;
}

}  // namespace

void TVcRegAutoSave::SaveInteger(int value) {
  if (!Usable()) return;
  TRegValue v = OpenKey(Path);
  v.Ini->WriteString(v.Section, Key, std::to_string(value));
}

bool TVcRegAutoSave::LoadInteger(int& value) {
  if (!Usable()) return false;
  TRegValue v = OpenKey(Path);
  if (!v.Ini->ValueExists(v.Section, Key)) return false;
  int n = 0;
  if (!TryStrToInt(v.Ini->ReadString(v.Section, Key, ""), n)) return false;
  value = n;
  return true;
}

void TVcRegAutoSave::SaveString(const std::string& value) {
  if (!Usable()) return;
  TRegValue v = OpenKey(Path);
  v.Ini->WriteString(v.Section, Key, value);
}

bool TVcRegAutoSave::LoadString(std::string& value) {
  if (!Usable()) return false;
  TRegValue v = OpenKey(Path);
  if (!v.Ini->ValueExists(v.Section, Key)) return false;
  value = v.Ini->ReadString(v.Section, Key, "");
  return true;
}

// ---- TVcCustomComboBox ----------------------------------------------------------------------------

TVcCustomComboBox::TVcCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  Clock = [] { return GetTickCount(); };
}

int TVcCustomComboBox::FindPrefix(const std::string& prefix) const {
  if (prefix.empty()) return -1;
  std::string p = Lower(prefix);
  auto& items = const_cast<TVcCustomComboBox*>(this)->Items();
  for (int i = 0; i < items.Count(); ++i)
    if (Lower(items.Strings(i)).rfind(p, 0) == 0) return i;
  return -1;
}

void TVcCustomComboBox::Loaded() {
  TCustomComboBox::Loaded();
  bool restored = false;
  if (Style() == csDropDownList || Style() == csOwnerDrawFixed || Style() == csOwnerDrawVariable) {
    int index = -1;
    if (FAutoSave.Registry().LoadInteger(index) && index >= -1 && index < Items().Count()) {
      SetItemIndex(index);
      restored = true;
    }
  } else {
    std::string text;
    if (FAutoSave.Registry().LoadString(text)) {
      SetText(text);
      restored = true;
    }
  }
  if (restored && OnRestored) OnRestored(this);
}

void TVcCustomComboBox::SaveChoice() {
  if (!FAutoSave.Active()) return;
  if (!Editable()) FAutoSave.Registry().SaveInteger(ItemIndex());
  else FAutoSave.Registry().SaveString(Text());
}

void TVcCustomComboBox::Change() {
  if (!FBusy && AutoComplete) {
    std::string text = Text();
    if (FMaxPixel.Test(text, Font())) {
      FBusy = true;
      SetText(text);
      SetSelStart(static_cast<int>(text.size()));
      FBusy = false;
      return;
    }
    if (FLastKey != VK_BACK && FLastKey != VK_DELETE && FLastKey != VK_RETURN && Editable()) {
      int found = FindPrefix(text);
      if (found >= 0) {
        FBusy = true;
        std::string full = Items().Strings(found);
        SetItemIndex(found);
        SetText(full);
        SetSelStart(static_cast<int>(text.size()));
        SetSelLength(static_cast<int>(full.size() - text.size()));
        FBusy = false;
      }
    }
  }
  SaveChoice();
  TCustomComboBox::Change();
}

void TVcCustomComboBox::KeyDown(WORD& Key, TShiftState Shift) {
  FLastKey = Key;
  TCustomComboBox::KeyDown(Key, Shift);
}

void TVcCustomComboBox::KeyPress(char32_t& Key) {
  TCustomComboBox::KeyPress(Key);
  if (!AutoComplete || Key == 0 || Key == 8 || Key == 27) return;
  if (Key == '\r') FLastKey = VK_RETURN;
  if (Key < 0x20) return;
  DWORD now = Clock();
  std::string search;
  if (Editable()) {
    search = SelLength() > 0 ? Text().substr(0, static_cast<std::size_t>(SelStart())) : Text();
  } else {
    if (!FHaveKeyTime || now - FLastKeyTime >= 500) FSearch.clear();
    search = FSearch;
  }
  FLastKeyTime = now;
  FHaveKeyTime = true;
  FLastKey = 0;
  std::string typed = search;
  AppendUtf8(typed, Key);
  int found = FindPrefix(typed);
  if (!Editable()) FSearch = typed;
  if (found < 0) return;
  Key = 0;
  int before = ItemIndex();
  std::string full = Items().Strings(found);
  FBusy = true;
  SetItemIndex(found);
  if (Editable()) {
    SetText(full);
    SetSelStart(static_cast<int>(typed.size()));
    SetSelLength(static_cast<int>(full.size() - typed.size()));
  }
  FBusy = false;
  if (found != before) {
    Click();
    Change();
  }
}

TCanvas* TVcCustomComboBox::BeginItem(int index, const TRect& rect, TOwnerDrawState state, TColor hilite) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return nullptr;
  }
  TCanvas& canvas = Canvas();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(state.Contains(odSelected) ? hilite : Color());
  canvas.FillRect(rect);
  return &canvas;
}

void TVcCustomComboBox::WndProc(TMessage& message) {
  if (FReadOnly) {
    switch (message.Msg) {
      case WM_KEYDOWN: {
        WORD key = static_cast<WORD>(message.WParam);
        if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT || key == VK_F4) return;
        break;
      }
      case WM_SYSKEYDOWN:
        if (message.WParam == VK_UP || message.WParam == VK_DOWN) return;
        break;
      case WM_CHAR:
        message.Result = 1;
        return;
      case WM_LBUTTONDOWN:
        if (CanFocus()) SetFocus();
        return;
      case WM_LBUTTONDBLCLK:
        return;
      default:
        break;
    }
  }
  switch (message.Msg) {
    case CM_MOUSEENTER:
      if (Application) {
        FSavedHintColor = Application->HintColor();
        Application->SetHintColor(HintColor);
      }
      FMouseInside = true;
      break;
    case CM_MOUSELEAVE:
      if (Application && FMouseInside) Application->SetHintColor(FSavedHintColor);
      FMouseInside = false;
      break;
    default:
      break;
  }
  TCustomComboBox::WndProc(message);
}

// ---- TFontSizeComboBox ------------------------------------------------------------------------------

void TFontSizeComboBox::SetFontName(const std::string& value) {
  FFontName = value;
  Rebuild();
}

void TFontSizeComboBox::Rebuild() {
  TStrings& items = Items();
  std::string current = Text();
  items.BeginUpdate();
  items.Clear();
  if (!FFontName.empty()) {
    FPixelsPerInch = Screen().PixelsPerInch() > 0 ? Screen().PixelsPerInch() : 96;
    auto scalable = [&] {
      for (const char* s : {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"})
        items.Add(s);
    };
    bool found = false;
    EnumFontFamilies(FFontName, [&](const TFontFamily& family, int type) {
      found = true;
      if (type & TRUETYPE_FONTTYPE) {
        scalable();
        return 0;
      }
      for (int points : family.RasterSizes) {
        // Each size as the system reports it: character height in pixels back to points.
        int charHeight = MulDiv(points, FPixelsPerInch, 72);
        int size = static_cast<int>(std::lround(charHeight * 72.0 / FPixelsPerInch));
        std::string text = std::to_string(size);
        if (items.IndexOf(text) >= 0) continue;
        int at = items.Count();
        for (int i = 0; i < items.Count(); ++i)
          if (StrToIntDef(items.Strings(i), 0) > size) {
            at = i;
            break;
          }
        items.Insert(at, text);
      }
      return 1;
    });
    // A face the desktop does not have is drawn in a scalable face it stands in for it.
    if (!found) scalable();
  }
  items.EndUpdate();
  TNotifyEvent change = OnChange;
  OnChange = nullptr;
  SetItemIndex(items.IndexOf(current));
  OnChange = change;
  if (OnChange) OnChange(this);
}

// ---- Colours ----------------------------------------------------------------------------------------

namespace {

struct TColorIdent {
  TColor Color;
  const char* Ident;
};

const std::vector<TColorIdent>& ColorIdents() {
  static const std::vector<TColorIdent> idents = {
      {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
      {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
      {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
      {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
      {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"}, {clMedGray, "clMedGray"},
      {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
      {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
      {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
      {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
      {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
      {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
      {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
      {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"},
      {SysColor(26), "clHotLight"}, {SysColor(27), "clGradientActiveCaption"},
      {SysColor(28), "clGradientInactiveCaption"}, {SysColor(29), "clMenuHighlight"}, {SysColor(30), "clMenuBar"},
      {clNone, "clNone"}, {clDefault, "clDefault"}};
  return idents;
}

const TColor kStandardColors[] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal,
                                  clGray, clSilver, clRed, clLime, clYellow, clBlue, clFuchsia,
                                  clAqua, clWhite, clMoneyGreen, clSkyBlue, clCream, clMedGray};

}  // namespace

std::string ColorToIdent(TColor color) {
  for (const auto& i : ColorIdents())
    if (i.Color == color) return i.Ident;
  return Format("$%.8X", {static_cast<unsigned>(color)});
}

void FillColorNameMap(TStrings& map) {
  static const char* kNames[] = {
      "clBlack=Black", "clMaroon=Maroon", "clGreen=Green", "clOlive=Olive", "clNavy=Navy", "clPurple=Purple",
      "clTeal=Teal", "clGray=Gray", "clSilver=Silver", "clRed=Red", "clLime=Lime", "clYellow=Yellow",
      "clBlue=Blue", "clFuchsia=Fuchsia", "clAqua=Aqua", "clLtGray=Light Gray", "clDkGray=Dark Gray",
      "clWhite=White", "clMoneyGreen=Money Green", "clSkyBlue=Sky Blue", "clCream=Cream",
      "clMedGray=Medium Gray", "clScrollBar=ScrollBar", "clBackground=Background",
      "clActiveCaption=Active Caption", "clInactiveCaption=Inactive Caption", "clMenu=Menu",
      "clWindow=Window", "clWindowFrame=Window Frame", "clMenuText=Menu Text", "clWindowText=Window Text",
      "clCaptionText=Caption Text", "clActiveBorder=Active Border", "clInactiveBorder=Inactive Border",
      "clAppWorkSpace=Application Workspace", "clHighlight=Highlight", "clHighlightText=Highlight Text",
      "clBtnFace=Button Face", "clBtnShadow=Button Shadow", "clGrayText=Gray Text", "clBtnText=Button Text",
      "clInactiveCaptionText=Inactive Caption Text", "clBtnHighlight=Button Highlight",
      "cl3DDkShadow=3D Dark Shadow", "cl3DLight=3D Light", "clInfoText=Info Text",
      "clInfoBk=Info Background", "clHotLight=Hot Light", "clGradientActiveCaption=Gradient Active Caption",
      "clGradientInactiveCaption=Gradient Inactive Caption", "clMenuHighlight=Menu Highlight",
      "clMenuBar=MenuBar", "clNone=None", "clDefault=Default"};
  map.BeginUpdate();
  map.Clear();
  for (const char* n : kNames) map.Add(n);
  map.EndUpdate();
}

TVcColorComboBox::TVcColorComboBox(TComponent* AOwner) : TVcCustomComboBox(AOwner) {
  AutoComplete = false;
  SetStyle(csOwnerDrawFixed);
}

void TVcColorComboBox::FontChanged() {
  TVcCustomComboBox::FontChanged();
  SetItemHeight(MeasureCanvas(Font()).TextHeight("gh") + 4);
  if (HandleAllocated()) RecreateWnd();
}

void TVcColorComboBox::Loaded() {
  TVcCustomComboBox::Loaded();
  int saved = 0;
  if (AutoSave().Registry().LoadInteger(saved)) FColorValue = static_cast<TColor>(saved);
  GetColors();
}

TColor TVcColorComboBox::ItemColor(int index) const {
  auto& items = const_cast<TVcColorComboBox*>(this)->Items();
  return index >= 0 && index < items.Count() ? ObjectColor(items.Objects(index)) : clNone;
}

int TVcColorComboBox::CustomIndex() const {
  if (!FOptions.Contains(coCustomColors)) return -1;
  auto& items = const_cast<TVcColorComboBox*>(this)->Items();
  return items.Count() > 0 ? items.Count() - 1 : -1;
}

int TVcColorComboBox::IndexOfColor(TColor color) const {
  auto& items = const_cast<TVcColorComboBox*>(this)->Items();
  int custom = CustomIndex();
  for (int i = 0; i < items.Count(); ++i)
    if (i != custom && ObjectColor(items.Objects(i)) == color) return i;
  return -1;
}

std::string TVcColorComboBox::DisplayName(int index, TColor color) {
  std::string name;
  if (OnGetDisplayName) {
    OnGetDisplayName(this, index, color, name);
    return name;
  }
  std::string ident = ColorToIdent(color);
  name = FColorNameMap.Values(ident);
  if (!name.empty()) return name;
  if (ident.size() >= 2 && std::tolower(static_cast<unsigned char>(ident[0])) == 'c' &&
      std::tolower(static_cast<unsigned char>(ident[1])) == 'l')
    return ident.substr(2);
  return ident;
}

void TVcColorComboBox::AddColor(TColor color) {
  Items().AddObject(DisplayName(Items().Count(), color), ColorObject(color));
}

void TVcColorComboBox::GetColors() {
  Items().BeginUpdate();
  Items().Clear();
  FAddedCount = 0;
  for (TColor c : kStandardColors) AddColor(c);
  if (FOptions.Contains(coSysColors))
    for (int i = 0; i <= COLOR_INFOBK; ++i) AddColor(SysColor(i));
  if (OnBeforeCustom) OnBeforeCustom(this);
  if (FOptions.Contains(coCustomColors)) Items().AddObject(FColorDialogText, ColorObject(clNone));
  Items().EndUpdate();
  SetColorValue(FColorValue);
}

bool TVcColorComboBox::DoNewColor(TColor color, std::string& name) {
  bool allow = IndexOfColor(color) < 0;
  if (OnNewColor) OnNewColor(this, color, name, allow);
  return allow;
}

bool TVcColorComboBox::DoInsertColor(TColor color, std::string& name) {
  bool allow = true;
  if (OnInsertColor) OnInsertColor(this, color, name, allow);
  return allow;
}

void TVcColorComboBox::InsertColor(int index, TColor color, const std::string& name) {
  std::string n = name;
  if (!DoInsertColor(color, n)) return;
  Items().InsertObject(index, n, ColorObject(color));
  ++FAddedCount;
}

void TVcColorComboBox::SetColorValue(TColor value) {
  int index = IndexOfColor(value);
  if (index >= 0) {
    FColorValue = value;
    SetItemIndex(index);
    Change();
    return;
  }
  std::string name = Format(NewColorText, {FAddedCount});
  int added = -1;
  if (FOptions.Contains(coCustomColors)) {
    int at = std::max(CustomIndex(), 0);
    int before = Items().Count();
    InsertColor(at, value, name);
    if (Items().Count() > before) added = at;
  } else if (DoNewColor(value, name)) {
    Items().AddObject(name, ColorObject(value));
    ++FAddedCount;
    added = Items().Count() - 1;
  }
  if (added < 0) return;  // refused: the list and ColorValue stay as they were
  FColorValue = value;
  SetItemIndex(added);
}

void TVcColorComboBox::SetColorDialogText(const std::string& value) {
  FColorDialogText = value;
  int custom = CustomIndex();
  if (custom >= 0) Items().SetStrings(custom, value);
}

void TVcColorComboBox::SetOptions(TColorComboOptions value) {
  int custom = CustomIndex();
  if (custom >= 0) Items().Delete(custom);
  FOptions = value;
  if (FOptions.Contains(coCustomColors)) Items().AddObject(FColorDialogText, ColorObject(clNone));
  Invalidate();
}

void TVcColorComboBox::Select() {
  int index = ItemIndex();
  if (index >= 0 && index == CustomIndex()) {
    if (FInDialog) return;
    FInDialog = true;
    TColorDialog dialog(nullptr);
    dialog.SetColor(FColorValue);
    dialog.SetOptions({cdFullOpen});
    bool ok = dialog.Execute();
    FInDialog = false;
    std::string name = Format(NewColorText, {FAddedCount});
    if (ok && DoNewColor(dialog.Color(), name)) {
      Items().InsertObject(index, name, ColorObject(dialog.Color()));
      ++FAddedCount;
      FColorValue = dialog.Color();
      SetItemIndex(index);
      SaveChoice();
      TVcCustomComboBox::Select();
      return;
    }
    SetColorValue(FColorValue);
    return;
  }
  if (index >= 0) FColorValue = ItemColor(index);
  SaveChoice();
  TVcCustomComboBox::Select();
}

void TVcColorComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  TCanvas* canvas = BeginItem(index, rect, state, HiliteColor);
  if (!canvas) return;
  bool selected = state.Contains(odSelected);
  TColor color = ItemColor(index);
  bool custom = index == CustomIndex();
  bool withText = FOptions.Contains(coText) || FOptions.Contains(coHex) || FOptions.Contains(coRGB) || custom;
  TRect swatch = rect;
  InflateRect(swatch, -2, -2);
  if (withText) {
    swatch.Right = swatch.Left + FColorWidth;
  } else {
    swatch = rect;
    InflateRect(swatch, -3, -3);
  }
  if (!custom) {
    canvas->Brush().SetColor(color);
    canvas->FillRect(swatch);
    canvas->Brush().SetColor(clBlack);
    canvas->FrameRect(swatch);
  }
  if (!withText) return;
  std::string text = Items().Strings(index);
  if (!custom) {
    COLORREF rgb = ColorToRGB(color);
    if (FOptions.Contains(coHex)) text = Format("0x%.6x", {static_cast<unsigned>(rgb)});
    else if (FOptions.Contains(coRGB)) text = Format("(%d,%d,%d)", {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)});
  }
  canvas->Brush().SetStyle(bsClear);
  canvas->Font().Assign(Font());
  canvas->Font().SetColor(selected ? HiliteText : clWindowText);
  TRect t = rect;
  t.Left = swatch.Right + 6;
  canvas->DrawText(text, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void LoadFormColorBox(TVcColorComboBox& box, TColor color) {
  FillColorNameMap(box.ColorNameMap());
  box.SetColorDialogText("Custom...");
  box.NewColorText = "Custom";
  box.Loaded();
  box.SetColorValue(color);
}

// ---- Font names ----------------------------------------------------------------------------------

TVcFontComboBox::TVcFontComboBox(TComponent* AOwner) : TVcCustomComboBox(AOwner) {
  AutoComplete = false;
  SetStyle(csOwnerDrawFixed);
}

int TVcFontComboBox::ItemFontType(int index) const {
  auto& items = const_cast<TVcFontComboBox*>(this)->Items();
  if (index < 0 || index >= items.Count()) return 0;
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(items.Objects(index)));
}

void TVcFontComboBox::GetFonts() {
  std::string current = Text();
  Items().BeginUpdate();
  Items().Clear();
  auto add = [&](const TFontFamily& f, int type) {
    if (FOptions.Contains(foAnsiOnly) && f.Charset != ANSI_CHARSET) return;
    if (FOptions.Contains(foTrueTypeOnly) && !(type & TRUETYPE_FONTTYPE)) return;
    if (FOptions.Contains(foFixedPitchOnly) && !f.FixedPitch) return;
    if (FOptions.Contains(foOEMFontsOnly) && f.Charset != OEM_CHARSET) return;
    if (FOptions.Contains(foNoOEMFonts) && f.Charset == OEM_CHARSET) return;
    if (FOptions.Contains(foScalableOnly) && (type & RASTER_FONTTYPE)) return;
    if (Items().IndexOf(f.Name) >= 0) return;
    Items().AddObject(f.Name, reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(type)));
  };
  // The printer offers the same families as the screen here, so both lists are one.
  EnumFontFamilies("", [&](const TFontFamily& f, int type) {
    add(f, type);
    return 1;
  });
  Items().EndUpdate();
  if (!current.empty()) SetFontName(current);
}

void TVcFontComboBox::Loaded() {
  TVcCustomComboBox::Loaded();
  GetFonts();
  std::string saved;
  if (AutoSave().Registry().LoadString(saved)) SetFontName(saved);
}

void TVcFontComboBox::SetFontName(const std::string& value) {
  int index = Items().IndexOf(value);
  if (index < 0 && FOptions.Contains(foDisableVerify) && !value.empty()) {
    Items().Add(value);
    index = Items().IndexOf(value);
  }
  SetItemIndex(index);
}

void TVcFontComboBox::SetDevice(TFontDevice value) {
  FDevice = value;
  GetFonts();
}

void TVcFontComboBox::SetOptions(TFontComboOptions value) {
  FOptions = value;
  GetFonts();
}

void TVcFontComboBox::SetSorted(bool value) {
  TVcCustomComboBox::SetSorted(value);
  GetFonts();
}

void TVcFontComboBox::Select() {
  AutoSave().Registry().SaveString(Text());
  TVcCustomComboBox::Select();
}

void TVcFontComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  TCanvas* canvas = BeginItem(index, rect, state, HiliteColor);
  if (!canvas) return;
  bool selected = state.Contains(odSelected);
  int x = rect.Left + 2;
  if (UseImages) {
    int type = ItemFontType(index);
    const char* name = (type & TRUETYPE_FONTTYPE) ? "TTF_FONT" : (type & DEVICE_FONTTYPE) ? "PRN_FONT" : "FIX_FONT";
    if (const TBitmap* b = ControlGlyph(name)) {
      TBitmap copy;
      copy.Assign(b);
      copy.SetTransparent(true);
      copy.SetTransparentColor(clFuchsia);
      canvas->Draw(x, rect.Top + (rect.Height() - copy.Height()) / 2, copy);
      x += copy.Width();
    }
  }
  canvas->Brush().SetStyle(bsClear);
  canvas->Font().Assign(Font());
  if (FOptions.Contains(foWysiWyg)) canvas->Font().SetName(Items().Strings(index));
  canvas->Font().SetColor(selected ? HiliteText : clWindowText);
  TRect t = rect;
  t.Left = x + 6;
  canvas->DrawText(Items().Strings(index), t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (state.Contains(odFocused)) canvas->DrawFocusRect(rect);
}
