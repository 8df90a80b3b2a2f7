#include "controls/calculator.h"

#include <memory>

#include "platform/gfx/printer.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"

// ---- TCalculatorEngine --------------------------------------------------------------------------

TCalculatorEngine::TCalculatorEngine() {
  Show(0);
  TapeLine("Calculator");
  TapeLine("", true);
}

void TCalculatorEngine::Show(double value) {
  FShown = value;
  FDisplay = FloatToStrF(value, ffNumber, FMaxDigits, FDecimals) + " ";
}

void TCalculatorEngine::TapeLine(const std::string& text, bool rule) {
  std::string line = text;
  if (line.size() < 14) line.insert(0, 14 - line.size(), ' ');
  FTape.push_back(line);
  if (rule) FTape.push_back(std::string(14, '-'));
}

void TCalculatorEngine::ReadEntry() {
  double v = 0;
  std::string t = Trim(FTyped);
  FEntry = (!t.empty() && TryStrToFloat(t, v)) ? v : 0;
}

void TCalculatorEngine::Key(int key) {
  if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
  if (key == ckEnter) key = '=';
  if (key == 'C') key = ckClear;
  FPreviousKey = FKey;
  FKey = key;
  const char separator = FormatSettings.DecimalSeparator;
  if (key >= '0' && key <= '9') {
    // Only a digit that is taken counts as a typed decimal, so that Backspace gives room again.
    int decimals = FNoDecimal ? 0 : FTypedDecimals + 1;
    if (decimals <= FDecimals && FTyped.size() <= static_cast<std::size_t>(FMaxDigits)) {
      FTyped += static_cast<char>(key);
      FTypedDecimals = decimals;
    }
    ReadEntry();
    Show(FEntry);
  } else if (key == separator || key == '.') {
    if (FNoDecimal) {
      FNoDecimal = false;
      FTyped += separator;
    }
    ReadEntry();
    Show(FEntry);
  } else if (key == ckBack) {
    if (!FTyped.empty()) {
      char removed = FTyped.back();
      FTyped.pop_back();
      if (removed == separator) {
        FNoDecimal = true;
        FTypedDecimals = 0;
      }
      else if (!FNoDecimal && FTypedDecimals > 0) --FTypedDecimals;
    }
    ReadEntry();
    Show(FEntry);
  } else if (IsOperator(key)) {
    NewNumber();
    // An operator right after another one repeats the last entry ("2 + +" is 2 + 2); right after
    // "=" the entry is the result, which the tape shows as the next operation's first figure.
    if (IsOperator(FPreviousKey) && FPreviousKey != '=') FEntry = FLastEntry;
    if (FOperator != ' ') {
      TapeLine(FDisplay + " " + FOperator);
      switch (FOperator) {
        case '+': FAccumulator += FEntry; break;
        case '-': FAccumulator -= FEntry; break;
        case '*': FAccumulator *= FEntry; break;
        case '/': FAccumulator = FEntry == 0 ? 0 : FAccumulator / FEntry; break;
        default: break;
      }
    } else {
      TapeLine(FDisplay + "  ");
      FAccumulator = FEntry;
    }
    FLastEntry = FEntry;
    FEntry = key == '=' ? FAccumulator : 0;
    FTyped.clear();
    FOperator = key == '=' ? ' ' : static_cast<char>(key);
    Show(FAccumulator);
    if (key == '=') TapeLine(FDisplay + " =", true);
  } else if (key == '%' || key == ckPercent) {
    NewNumber();
    if (FOperator != ' ') {
      TapeLine(FDisplay + "%" + FOperator);
      switch (FOperator) {
        case '*': FAccumulator = FAccumulator * FEntry / 100; break;
        case '+': FAccumulator = FAccumulator + FAccumulator * FEntry / 100; break;
        case '-': FAccumulator = FAccumulator - FAccumulator * FEntry / 100; break;
        // A percentage of nothing is nothing, as "/" gives for a division by 0.
        case '/': FAccumulator = FEntry == 0 ? 0 : FAccumulator / FEntry / 100; break;
        default: break;
      }
    } else {
      TapeLine(FDisplay + "% ");
      FAccumulator = FEntry;
    }
    FOperator = ' ';
    FTyped.assign(1, ' ');
    Show(FAccumulator);
    FLastEntry = FEntry;
    FEntry = FAccumulator;
    FAccumulator = 0;
    TapeLine(FDisplay + "%=", true);
  } else if (key == ckClear) {
    NewNumber();
    if (FPreviousKey == ckClear) {
      FEntry = FLastEntry = FAccumulator = 0;
      Show(0);
      FOperator = ' ';
      FTyped.clear();
      TapeLine("C", true);
    } else {
      FEntry = 0;
      FTyped.clear();
      Show(0);
    }
  } else if (key == ckMC) {
    TapeLine("MC");
    FMemory = 0;
  } else if (key == ckMR) {
    // The recalled value is the number now entered, so that an operator after MR uses it.
    Show(FMemory);
    FEntry = FMemory;
    FTyped.clear();
    NewNumber();
    TapeLine(FDisplay + "MR");
  } else if (key == ckMPlus || key == ckMMinus) {
    FMemory += key == ckMPlus ? FShown : -FShown;
    TapeLine(FDisplay + (key == ckMPlus ? "M+" : "M-"));
    FOperator = ' ';
    FTyped.clear();
  } else if (key == ckOpt) {
    if (FOption == 1 && OnLeaveDecimals) SetDecimals(OnLeaveDecimals());
    FOption = (FOption + 1) % 3;
    Show(FShown);
  } else if (key == ckPrint) {
    if (OnPrint) OnPrint();
  } else if (key == ckUse || key == ckQuit) {
    FUse = key == ckUse;
    FClosed = true;
  }
}

// ---- TTheCalculator ----------------------------------------------------------------------------

namespace {

// The print key's picture: a small printer, drawn for this program (magenta is clear).
void PaintPrinterGlyph(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(16, 14);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect(Rect(0, 0, 16, 14));
  c.Brush().SetColor(clWhite);
  c.FillRect(Rect(4, 0, 12, 5));    // the paper
  c.Brush().SetColor(clGray);
  c.FillRect(Rect(1, 5, 15, 11));   // the body
  c.Brush().SetColor(clBlack);
  c.FillRect(Rect(3, 11, 13, 13));  // the tray
  c.Brush().SetColor(clLime);
  c.FillRect(Rect(12, 6, 14, 7));   // the lamp
}

template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height) {
  auto* c = new T(parent);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

}  // namespace

TTheCalculator::TTheCalculator(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Calculator");
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu});
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetBounds(0, 0, 340, 250);
  SetColor(clBtnFace);

  Display = Place<TPanel>(this, 8, 8, 170, 26);
  Display->SetName("Display");
  Display->SetAlignment(taRightJustify);
  Display->SetColor(clWhite);
  Display->SetBevelOuter(bvLowered);
  ScreenTicket = Place<TMemo>(this, 186, 8, 146, 234);
  ScreenTicket->SetName("ScreenTicket");
  ScreenTicket->SetReadOnly(true);
  ScreenTicket->SetAlignment(taRightJustify);
  ScreenTicket->SetColor(clSilver);
  ScreenTicket->SetScrollBars(ssVertical);
  ScreenTicket->SetWordWrap(false);
  ScreenTicket->SetTabStop(false);
  Label1 = Place<TLabel>(this, 10, 14, 60, 16);
  Label1->SetCaption("# Decimals");
  Edit1 = Place<TEdit>(this, 80, 10, 40, 22);
  Edit1->SetText("0");
  UpDown1 = Place<TUpDown>(this, 120, 10, 16, 22);
  UpDown1->SetMin(0);
  UpDown1->SetMax(7);
  UpDown1->SetWrap(false);
  UpDown1->SetAssociate(Edit1);
  Button1 = Place<TButton>(this, 8, 8, 170, 26);
  Button1->SetCaption("Call for Help");
  // There is no help viewer: the help index asks nothing.
  Button1->OnClick = [](TObject*) { if (Application) Application->HelpContext(0); };
  for (TControl* c : std::initializer_list<TControl*>{Label1, Edit1, UpDown1, Button1}) c->SetVisible(false);
  PrintDialog = new TPrintDialog(this);

  struct TKeyButton { const char* Name; const char* Caption; int Tag; int Col; int Row; };
  static const TKeyButton kKeys[] = {
      {"Button_MC", "MC", ckMC, 0, 0},       {"Button_MR", "MR", ckMR, 1, 0},
      {"Button_MPlus", "M +", ckMPlus, 2, 0}, {"Button_MMinus", "M -", ckMMinus, 3, 0},
      {"Button_C", "C", ckClear, 0, 1},       {"Button_Opt", "Opt", ckOpt, 1, 1},
      {"Button_Percent", "%", '%', 2, 1},     {"Button_Div", "/", '/', 3, 1},
      {"Button_7", "7", '7', 0, 2},           {"Button_8", "8", '8', 1, 2},
      {"Button_9", "9", '9', 2, 2},           {"Button_Times", "*", '*', 3, 2},
      {"Button_4", "4", '4', 0, 3},           {"Button_5", "5", '5', 1, 3},
      {"Button_6", "6", '6', 2, 3},           {"Button_Minus", "-", '-', 3, 3},
      {"Button_1", "1", '1', 0, 4},           {"Button_2", "2", '2', 1, 4},
      {"Button_3", "3", '3', 2, 4},           {"Button_Plus", "+", '+', 3, 4},
      {"Button_0", "0", '0', 0, 5},           {"Button_Dec", ".", '.', 1, 5},
      {"Button_Print", "Print", ckPrint, 2, 5}, {"Button_Total", "=", '=', 3, 5},
      {"Button_Use", "Use", ckUse, 0, 6},     {"Button_Quit", "Quit", ckQuit, 2, 6}};
  for (const TKeyButton& k : kKeys) {
    int width = (k.Tag == ckUse || k.Tag == ckQuit) ? 82 : 40;
    auto* b = Place<TRoundButton>(this, 8 + k.Col * 43, 40 + k.Row * 29, width, 26);
    b->SetName(k.Name);
    b->SetCaption(k.Tag == ckPrint ? "" : k.Caption);
    b->SetTag(k.Tag);
    b->SetColor(clBtnFace);
    b->OnClick = [this, b](TObject*) { Send(static_cast<int>(b->Tag())); };
    FButtons.push_back(b);
  }
  Button_Print = ButtonFor(ckPrint);
  Button_Use = ButtonFor(ckUse);
  Button_MC = ButtonFor(ckMC);
  Button_MR = ButtonFor(ckMR);
  Button_Use->SetVisible(false);
  TBitmap glyph;
  PaintPrinterGlyph(glyph);
  Button_Print->SetGlyph(glyph);
  Button_Print->SetNumGlyphs(1);
  FEngine.OnPrint = [this] { PrintTape(); };
  FEngine.OnLeaveDecimals = [this] { return StrToIntDef(Trim(Edit1->Text()), FEngine.Decimals()); };
  Refresh();
  AfterConstruction();
}

TRoundButton* TTheCalculator::ButtonFor(int key) const {
  for (TRoundButton* b : FButtons)
    if (b->Tag() == key) return b;
  return nullptr;
}

void TTheCalculator::KeyPress(char32_t& Key) {
  TForm::KeyPress(Key);
  if (Key == 0 || Key > 0x7F) return;
  int key = static_cast<int>(Key);
  Key = 0;
  Send(key);
}

void TTheCalculator::Send(int key) {
  FEngine.Key(key);
  if (key == ckOpt && FEngine.OptionPanel() == 1) Edit1->SetText(std::to_string(FEngine.Decimals()));
  Refresh();
  if (FEngine.Closed()) SetModalResult(FEngine.Used() ? mrOk : mrCancel);
  SetActiveControl(nullptr);
}

void TTheCalculator::Refresh() {
  int panel = FEngine.OptionPanel();
  Display->SetVisible(panel == 0);
  for (TControl* c : std::initializer_list<TControl*>{Label1, Edit1, UpDown1}) c->SetVisible(panel == 1);
  Button1->SetVisible(panel == 2);
  Display->SetCaption(FEngine.Display());
  bool memory = FEngine.Memory() != 0;
  Button_MC->SetVisible(memory);
  Button_MR->SetVisible(memory);
  TStrings& lines = ScreenTicket->Lines();
  const auto& tape = FEngine.Tape();
  if (lines.Count() != static_cast<int>(tape.size())) {
    lines.BeginUpdate();
    for (int i = lines.Count(); i < static_cast<int>(tape.size()); ++i) lines.Add(tape[static_cast<std::size_t>(i)]);
    lines.EndUpdate();
  }
}

void TTheCalculator::PrintTape() {
  if (!PrintDialog->Execute()) return;
  PrintTextLines(Printer(), "Calculator", FEngine.Tape());
}

// ---- TCalculator ---------------------------------------------------------------------------------

bool TCalculator::Execute() {
  auto form = std::make_unique<TTheCalculator>(nullptr);
  FForm = form.get();
  TModalResult result = mrNone;
  try {
    result = form->ShowModal();
  } catch (...) {
    FForm = nullptr;
    throw;
  }
  FForm = nullptr;
  FValue = form->Engine().Shown();
  return result == mrOk && form->Engine().Used();
}
