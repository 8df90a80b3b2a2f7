// A barcode: turns a text into the bars of one of 23 symbologies and draws them on any canvas
// (screen, printer, preview page), optionally rotated, with the text or the symbology's name.
//
// Every encoder writes a string of bar characters, drawn left to right:
//   "0".."3"  space of module width 0..3
//   "5".."8"  full-height bar of module width 0..3
//   "A".."D"  bar of 2/5 height of module width 0..3
// Module width 0 is Modul, 1 is round(Modul x Ratio), 2 is width 1 x 3 / 2, 3 is width 1 x 2.
#pragma once

#include <array>
#include <string>

#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "print/barcode_checksum.h"

enum TBarcodeType {
  bcCode_2_5_interleaved, bcCode_2_5_industrial, bcCode_2_5_matrix, bcCode39, bcCode39Extended,
  bcCode128A, bcCode128B, bcCode128C, bcCode93, bcCode93Extended, bcCodeMSI, bcCodePostNet,
  bcCodeCodabar, bcCodeEAN8, bcCodeEAN13, bcCodeUPC_A, bcCodeUPC_E0, bcCodeUPC_E1,
  bcCodeUPC_Supp2, bcCodeUPC_Supp5, bcCodeEAN128A, bcCodeEAN128B, bcCodeEAN128C
};
inline constexpr int kBarcodeTypeCount = 23;

enum TBarcodeOption { bcoNone, bcoCode, bcoTyp, bcoBoth };
enum TShowTextPosition {
  stpTopLeft, stpTopRight, stpTopCenter, stpBottomLeft, stpBottomRight, stpBottomCenter
};

// One row of the symbology table: the name drawn for bcoTyp and whether the text is numeric.
struct TBCdata {
  const char* Name;
  bool Num;
};
const TBCdata& BarcodeTypeData(TBarcodeType type);

// The barcode errors: "Barcode must be numeric", "%s: wrong BarcodeType", the length checks ...
QN_DECLARE_EXCEPTION(EBarcodeError, Exception);

class TBarcodeSymbol : public TComponent {
public:
  explicit TBarcodeSymbol(TComponent* AOwner = nullptr);
  ~TBarcodeSymbol() override;

  // Copies every property of another barcode; other sources go to the base class.
  void Assign(const TPersistent* Source) override;

  int Height() const { return FHeight; }
  void SetHeight(int value);
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  int Top() const { return FTop; }
  void SetTop(int value);
  int Left() const { return FLeft; }
  void SetLeft(int value);
  // The narrowest bar: 1 to 49; other values are ignored.
  int Modul() const { return FModul; }
  void SetModul(int value);
  double Ratio() const { return FRatio; }
  void SetRatio(double value);
  TBarcodeType Typ() const { return FTyp; }
  void SetTyp(TBarcodeType value);
  bool Checksum() const { return FCheckSum; }
  void SetChecksum(bool value);
  TCheckSumMethod CheckSumMethod() const { return FCheckSumMethod; }
  void SetCheckSumMethod(TCheckSumMethod value);
  double Angle() const { return FAngle; }
  void SetAngle(double value);
  TBarcodeOption ShowText() const { return FShowText; }
  void SetShowText(TBarcodeOption value);
  TFont& ShowTextFont() { return FShowTextFont; }
  void SetShowTextFont(const TFont& value);
  TShowTextPosition ShowTextPosition() const { return FShowTextPosition; }
  void SetShowTextPosition(TShowTextPosition value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TColor ColorBar() const { return FColorBar; }
  void SetColorBar(TColor value);

  // Encodes and sums the element widths.
  int Width();
  // Modul := Modul x value / current width (when that width is above 0).
  void SetWidth(int value);

  // Draws the bars and, unless ShowText is bcoNone, the text; the canvas's font, pen and
  // brush are restored afterwards.
  void DrawOnCanvas(TCanvas& canvas);

  // The bar characters of the current text (encodes as Width and DrawOnCanvas do).
  std::string BarData();
  // The module widths of the bar characters 0..3, as the last encoding worked them out.
  const std::array<int, 4>& ModuleWidths() const { return FModules; }

  TNotifyEvent OnChange;

protected:
  virtual void DoChange();

private:
  std::string MakeData();
  void MakeModules();
  double EffectiveRatio() const;
  std::string CodeEAN8();
  std::string CodeEAN13();
  std::string CodeUPC_A();
  std::string CodeUPC_E(int numberSystem);
  std::string Code128();
  std::string Code93(bool extended);
  std::string Code39(bool extended);
  // The GS1-128 check digit, appended to Text once.
  void AppendGS1Check();
  [[noreturn]] void InternalError() const;

  int FHeight = 0;
  std::string FText;
  int FTop = 0;
  int FLeft = 0;
  int FModul = 1;
  double FRatio = 2.0;
  TBarcodeType FTyp = bcCodeEAN13;
  bool FCheckSum = false;
  TCheckSumMethod FCheckSumMethod = csmModulo10;
  double FAngle = 0.0;
  TBarcodeOption FShowText = bcoNone;
  TFont FShowTextFont;
  TShowTextPosition FShowTextPosition = stpTopLeft;
  TColor FColor = clWhite;
  TColor FColorBar = clBlack;
  std::array<int, 4> FModules{1, 2, 3, 4};
  // The text as the GS1-128 check digit left it, so that later encodings keep it.
  std::string FCheckedText;
  bool FHasCheckedText = false;
};
