#include "client/reports/barcode_windows.h"

#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/reminder_report.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"
#include "print/barcode.h"

// ---- Scanner station -------------------------------------------------------------------------

bool TBarcodeScan::Setup(const TConfiguration& Config) {
  Mode = Jump;
  const int B = FindFieldOfKind(Config, "barcode"), Q = FindFieldOfKind(Config, "quantity");
  if (B < 0) MessageDlg(NoBarcodeText, mtInformation, TMsgDlgButtons{mbOK});
  if (Q < 0) MessageDlg(NoQuantityText, mtInformation, TMsgDlgButtons{mbOK});
  BarcodeField = std::to_string(B);
  QuantityField = std::to_string(Q);
  return B >= 0 && Q >= 0;
}

TBarcodeScan::TResult TBarcodeScan::Enter(const std::string& Code) {
  if (Mode == NoMode || Trim(Code).empty()) return Nothing;
  TServerSession& S = *FHost.Session;
  S.InitializeRequest();
  S.SetParameter("Barcode", Code, true);
  if (Mode == Jump) {
    S.SetParameter("BarcodeField", BarcodeField, false);
    S.SetParameter("Function", "Jump", false);
    std::string JumpCode;
    if (S.GetServerPath() && S.CheckResult("Jump", nullptr, &JumpCode)) {
      if (FHost.Record) {
        FHost.Record->SetNumber(JumpCode);
        FHost.Record->GetRecord("G" + FHost.Record->Number());
      }
      return Jumped;
    }
  } else {
    const int Amount = Mode == AddStock ? 1 : -1;
    S.SetParameter("QuantityField", QuantityField, false);
    S.SetParameter("BarcodeField", BarcodeField, false);
    S.SetParameter("Function", "Add", false);
    S.SetParameter("Amount", std::to_string(Amount), false);
    if (S.GetServerPath() && S.CheckResult("Quantity")) {
      // The reply names the stock before the change ("AT ADD " + value).
      std::string Before;
      for (const auto& L : SplitReplyLines(S.Body()))
        if (L.rfind("AT ADD ", 0) == 0) Before = L.substr(7);
      long long Old = 0;
      Quantity = std::to_string(TryStrToInt64(Before, Old) ? Old + Amount : Amount);
      ItemName = Code;
      ItemNameRed = false;
      return StockChanged;
    }
  }
  ItemName = "Not Found";
  ItemNameRed = true;
  return NotFound;
}

// ---- Barcode editor --------------------------------------------------------------------------

const std::array<const char*, 23> TEditBarcode::TypeNames = {
    "bcCode_2_5_interleaved", "bcCode_2_5_industrial", "bcCode_2_5_matrix", "bcCode39", "bcCode39Extended",
    "bcCode128A", "bcCode128B", "bcCode128C", "bcCode93", "bcCode93Extended", "bcCodeMSI", "bcCodePostNet",
    "bcCodeCodabar", "bcCodeEAN8", "bcCodeEAN13", "bcCodeUPC_A", "bcCodeUPC_E0", "bcCodeUPC_E1",
    "bcCodeUPC_Supp2", "bcCodeUPC_Supp5", "bcCodeEAN128A", "bcCodeEAN128B", "bcCodeEAN128C"};

void TEditBarcode::LoadSettings() {
  Checksum = FDatabase.Checksum ? "Yes" : "No";
  for (const char* N : TypeNames)
    if (FDatabase.Type == N) Type = N;
  if (FDatabase.Method == "csmModulo10" || FDatabase.Method == "None") Method = FDatabase.Method;
}

bool TEditBarcode::DuplicateBarCode() {
  TServerSession& S = *FHost.Session;
  const TConfiguration* Config = FHost.Record ? &FHost.Record->Buffers.Configuration : nullptr;
  S.InitializeRequest();
  S.SetParameter("BarcodeField", std::to_string(Config ? FindFieldOfKind(*Config, "barcode") : -1), true);
  S.SetParameter("BarcodeValue", Value, false);
  S.SetParameter("Record", FHost.Record ? FHost.Record->Number() : std::string(), false);
  S.SetParameter("Function", "DuplicateBarcode", false);
  const bool Sent = S.GetServerPath();
  // A reply without its answer line is no proof that the value is unique.
  if (!Sent || SplitReplyLines(S.Body()).size() < 4) {
    MessageDlg(ProblemText, mtError, TMsgDlgButtons{mbOK});
    if (EnsureUnique) Value = CurrentBarcode;
    return true;
  }
  const bool Duplicate = S.CheckResult("DuplicateBarcode");
  if (Duplicate && EnsureUnique) {
    MessageDlg(InUseText, mtError, TMsgDlgButtons{mbOK});
    Value = CurrentBarcode;
  }
  return Duplicate;
}

void TEditBarcode::OKBtnClick() {
  if (Value != CurrentBarcode && (!EnsureUnique || !DuplicateBarCode())) CurrentBarcode = Value;
  SettingsChanged = (Checksum == "Yes") != FDatabase.Checksum || Type != FDatabase.Type || Method != FDatabase.Method;
  FDatabase.Checksum = Checksum == "Yes";
  FDatabase.Type = Type;
  FDatabase.Method = Method;
}

bool TEditBarcode::Configure(TBarcodeSymbol& Symbol, int Height) {
  int T = 0;
  for (int i = 0; i < 23; ++i)
    if (Type == TypeNames[static_cast<std::size_t>(i)]) T = i;
  try {
    Symbol.SetText(Value);
    Symbol.SetTop(0);
    Symbol.SetLeft(0);
    Symbol.SetAngle(0);
    Symbol.SetHeight(Height);
    Symbol.SetTyp(static_cast<TBarcodeType>(T));
    Symbol.SetChecksum(Checksum == "Yes");
    Symbol.SetCheckSumMethod(Method == "csmModulo10" ? csmModulo10 : csmNone);
    Symbol.BarData();  // encodes: an invalid value raises here
    return true;
  } catch (const std::exception&) {
    MessageDlg(InvalidText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
}
