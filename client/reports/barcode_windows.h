// The scanner station (jump to the record of a scanned code, or add 1 to or remove 1 from its
// stock) and the barcode editor of a record (value, drawing, database-wide settings, the
// duplicate test).  The windows hold these as their logic.
#pragma once

#include <array>
#include <string>

#include "client/reports/report_common.h"

class TBarcodeSymbol;

class TBarcodeScan {
public:
  explicit TBarcodeScan(TReportHost& Host) : FHost(Host) {}
  enum TMode { Jump, AddStock, RemoveStock, NoMode };
  enum TResult { Nothing, Jumped, StockChanged, NotFound };

  static constexpr const char* NoBarcodeText = "No barcode field is defined.";
  static constexpr const char* NoQuantityText = "No quantity field is defined.";

  TMode Mode = Jump;
  std::string BarcodeField, QuantityField;  // field numbers as decimal text
  // What the window shows after a scan.
  std::string ItemName, Quantity;
  bool ItemNameRed = false;

  // Looks both fields up (both messages shown when missing); false: the window closes.
  bool Setup(const TConfiguration& Config);
  // The Enter key in the code box with Code in it.  An empty (trimmed) code sends nothing.
  TResult Enter(const std::string& Code);

private:
  TReportHost& FHost;
};

// The barcode settings of the database (they travel in the configuration).
struct TBarcodeSettings {
  bool Checksum = false;
  std::string Method = "None";
  std::string Type = "bcCode_2_5_interleaved";
};

class TEditBarcode {
public:
  explicit TEditBarcode(TReportHost& Host, TBarcodeSettings& Database) : FHost(Host), FDatabase(Database) {}

  static const std::array<const char*, 23> TypeNames;
  static constexpr const char* InUseText =
      "The barcode value you have entered is already in use.  Previous barcode will be restored.";
  static constexpr const char* InvalidText = "The entered barcode is not valid.";
  static constexpr const char* EnterFirstText = "Please enter a barcode value first.";
  static constexpr const char* ProblemText = "There was a problem with the request.  Please try again.";

  std::string CurrentBarcode;  // in: the field's value; out: the value taken
  std::string Value;           // the value box
  bool EnsureUnique = true;
  std::string Checksum = "No", Type = "bcCode_2_5_interleaved", Method = "None";  // the combos
  bool SettingsChanged = false;

  // The combos from the database's settings (texts that are no item of their list stay).
  void LoadSettings();
  // The duplicate test of Value.  True when the value is in use, and also when the server gave
  // no usable answer (the problem message then); either way Value is restored while EnsureUnique.
  bool DuplicateBarCode();
  // The OK button: takes the value when allowed, then the settings and their change flag.
  void OKBtnClick();
  // Draws Value on Symbol's settings (type, checksum, method from the combos); false with the
  // "not valid" message when the value cannot be drawn.
  bool Configure(TBarcodeSymbol& Symbol, int Height);

private:
  TReportHost& FHost;
  TBarcodeSettings& FDatabase;
};
