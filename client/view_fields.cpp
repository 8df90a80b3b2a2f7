#include "client/view_fields.h"

#include <algorithm>

#include "client/bulk_forms.h"
#include "client/cd_form.h"
#include "client/core/data_import.h"
#include "client/core/relationship.h"
#include "client/core/replace_logic.h"
#include "client/relationship_form.h"
#include "client/reports/main_commands.h"
#include "client/view_reports.h"
#include "client/row_editor.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "client/view_layout.h"
#include "controls/calendar_popup.h"
#include "controls/grid/qn_grid.h"
#include "net/http_client.h"
#include "platform/gfx/bitmap.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

TViewFields::TViewFields(TView& View) : Fields(*View.Logic), Lines(*View.Logic), V(View) {
  GetDate = std::make_unique<TCalendarPopup>(nullptr);
  Lines.GridInput = [this](int G) { return GridInput(G); };
  Lines.OpenRowEditor = [this](int G, int Row) { return OpenRowEditor(G, Row); };
  Lines.SelectRow = [this](int G, int Row) {
    TQnStringGrid* Grid = G == 3 ? V.DirGrid : V.Grid4;
    if (Row > 0 && Row < Grid->RowCount()) Grid->SetRow(Row);
  };
  Lines.ReadOnly = [this] { return V.ReadonlyBox->Checked(); };
  Wire();
}

TViewFields::~TViewFields() = default;

void TViewFields::Wire() {
  auto click = [](TControl* C, std::function<void()> F) { C->OnClick = [F](TObject*) { F(); }; };
  // A field's click is its left button released over it: a native edit reports no click of its
  // own, but every backend reports the release.
  auto fieldClick = [this](TEdit* E) {
    E->OnMouseUp = [this, E](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
      if (Button == mbLeft && X >= 0 && Y >= 0 && X < E->Width() && Y < E->Height()) Detail8Click(E);
    };
    E->OnEnter = [this, E](TObject*) { Detail0Enter(E); };
    TNotifyEvent Changed = E->OnChange;
    E->OnChange = [this, E, Changed](TObject* Sender) {
      if (Changed) Changed(Sender);
      MarkAmount(E);
    };
  };
  for (TEdit* E : V.Detail) fieldClick(E);
  for (TEdit* E : V.Other) fieldClick(E);
  for (int i = 0; i < 10; ++i) {
    click(V.Desc[i], [this, i] { CustomizeLabels(i); });
    click(V.sn[i], [this, i] { CustomizeDetailLabel(10 + i); });
  }
  for (int i = 0; i < 6; ++i) click(V.OtherC[i], [this, i] { CustomizeLabels(20 + i); });
  // A relational description pops its own menu.
  RelationMenu = new TPopupMenu(&V);
  RelationMenu->SetName("RelationMenu");
  view_layout::AddItem(&V, RelationMenu->Items(), "Diagram1", "Diagram");
  for (int i = 0; i < 10; ++i) {
    TNotifyEvent Menu = V.DescBtn[i]->OnClick;
    V.DescBtn[i]->OnClick = [this, i, Menu](TObject* Sender) {
      if (V.Logic->Buffers.Configuration.DescriptionKinds[i] != "Relational") {
        if (Menu) Menu(Sender);
        return;
      }
      RelationMenu->Items()->Items(0)->OnClick = [this, i](TObject*) { Diagram1Click(i); };
      // A read-only record's relation is shown (the diagram), never chosen or cleared.
      for (const char* Name : {"SelectRelated1", "ClearField1"})
        if (auto* Item = dynamic_cast<TMenuItem*>(V.Find(Name))) Item->SetEnabled(!V.ReadonlyBox->Checked());
      const TPoint P = V.DescBtn[i]->ClientToScreen({0, V.DescBtn[i]->Height()});
      RelationMenu->Popup(P.X, P.Y);
    };
  }
  if (TComponent* C = V.Find("SetURL1")) static_cast<TMenuItem*>(C)->OnClick = [this](TObject*) { SetURL1Click(); };
  if (TComponent* C = V.Find("JumptoURL1"))
    static_cast<TMenuItem*>(C)->OnClick = [this](TObject*) { JumptoURL1Click(); };
  // The item editor opens on a double click only while the record is editable.
  V.ItemList->OnDblClick = [this](TObject*) {
    if (!V.ReadonlyBox->Checked()) V.EditSkillBtnClick();
  };
  if (V.DateMenu->Items()->Count() >= 2) {
    V.DateMenu->Items()->Items(0)->OnClick = [this](TObject*) { SelectDate1Click(); };
    V.DateMenu->Items()->Items(1)->OnClick = [this](TObject*) { ClearDate1Click(); };
  }
  // Pictures.
  TNotifyEvent TabChange = V.ImageBook->OnChange;
  V.ImageBook->OnChange = [this, TabChange](TObject* Sender) {
    if (TabChange) TabChange(Sender);
    DisplayPicture();
  };
  TNotifyEvent TitleChange = V.ImageTitle->OnChange;
  V.ImageTitle->OnChange = [this, TitleChange](TObject* Sender) {
    if (TitleChange) TitleChange(Sender);
    const int Tab = V.ImageBook->TabIndex();
    if (Tab >= 0 && Tab < 6) V.Logic->Buffers.Current.Images[Tab].Title = V.ImageTitle->Text();
  };
  click(V.AutoSizeImage, [this] { DisplayPicture(); });
  click(V.SelectPicture, [this] { SelectPictureClick(); });
  click(V.ClearPicture, [this] { ClearPictureClick(); });
  click(V.SelectResumeBtn, [this] { SelectResumeBtnClick(); });
  click(V.ViewResumeBtn, [this] { ViewResumeBtnClick(); });
  click(V.ClearResumeBtn, [this] {
    if (V.ReadonlyBox->Checked()) return;
    V.Logic->ClearResumeBtnClick(V.Memo2->Lines().Count() > 0 ? V.Memo2->Lines()[0] : std::string(),
                                 V.Notes2Title->Caption());
  });
  // Grids 3 and 4.
  for (int G : {3, 4}) {
    TGridPage& P = G == 3 ? V.Grid3Page : V.Grid4Page;
    TQnStringGrid* Grid = P.Grid;
    click(P.InsertBtn, [this, G] { Lines.InsertClick(G); });
    click(P.EditBtn, [this, G, Grid] { Lines.EditClick(G, Grid->Row()); });
    click(P.RemoveBtn, [this, G, Grid] { Lines.RemoveClick(G, Grid->Row()); });
    click(P.MoveUpBtn, [this, G, Grid] { Lines.MoveClick(G, Grid->Row(), true); });
    click(P.MoveDownBtn, [this, G, Grid] { Lines.MoveClick(G, Grid->Row(), false); });
  }
  // The windows.
  V.SearchandReplace1->OnClick = [this](TObject*) { SearchandReplace1Click(); };
  V.ImportData1->OnClick = [this](TObject*) { ImportData1Click(); };
  click(V.ImportBTN, [this] { ImportBTNClick(); });
  click(V.CDTBtn, [this] { CDTBtnClick(); });
}

// ---- Fields -------------------------------------------------------------------------------------------

int TViewFields::TagOf(TEdit* Field) const {
  for (int i = 0; i < 10; ++i)
    if (V.Detail[i] == Field) return i;
  for (int i = 0; i < 6; ++i)
    if (V.Other[i] == Field) return 21 + i;
  return -1;
}

std::string TViewFields::KindOf(TEdit* Field) const {
  return GetFieldType(V.Logic->Buffers.Configuration, Field ? Field->Name() : std::string());
}

void TViewFields::MarkAmount(TEdit* Field) {
  const bool Unread = IsMoneyKind(KindOf(Field)) && !AmountRefusal(Field->Text(), "").empty();
  const auto Marked = FUnmarkedColours.find(Field);
  if (Unread && Marked == FUnmarkedColours.end()) {
    FUnmarkedColours[Field] = Field->Font().Color();
    Field->Font().SetColor(clRed);
  } else if (!Unread && Marked != FUnmarkedColours.end()) {
    Field->Font().SetColor(Marked->second);
    FUnmarkedColours.erase(Marked);
  }
}

void TViewFields::Detail0Enter(TEdit* Field) {
  if (IsRecordCounter(KindOf(Field))) Field->SetReadOnly(true);
}

void TViewFields::Detail8Click(TEdit* Field) {
  if (V.ReadonlyBox->Checked()) return;
  const std::string Kind = KindOf(Field);
  const TPoint At = view_layout::MousePoint();
  switch (FieldClickOf(Kind)) {
    case TFieldClick::Date: {
      V.DateMenu->SetPopupComponent(Field);
      if (TComponent* R = V.Find("ReminderReport")) {
        auto* Item = static_cast<TMenuItem*>(R);
        const bool Reminder = Kind.find("Reminder") != std::string::npos;
        Item->SetVisible(Reminder);
        if (Reminder) {
          const int Tag = TagOf(Field);
          const auto& C = V.Logic->Buffers.Configuration;
          Item->SetCaption("Find " + (Tag < 10 ? C.DetailNames[Tag] : C.OtherNames[Tag - 21]));
          Item->SetTag(Tag);
        }
      }
      V.DateMenu->Popup(At.X, At.Y);
      break;
    }
    case TFieldClick::URL:
      FURLField = Field;
      V.FieldMenu->Popup(At.X, At.Y);
      break;
    case TFieldClick::Barcode: EditBarcodeField(Field); break;
    case TFieldClick::Quantity: {
      TEditQuantityForm Q(&V);
      Q.FieldName = V.QuantityWord;
      V.Logic->BeginModal();
      Q.ShowModal();
      V.Logic->EndModal();
      if (Q.Accepted && Q.Amount != 0) Fields.AddQuantity(TagOf(Field), Q.Amount);
      break;
    }
    case TFieldClick::RecordCounter: Field->SetReadOnly(true); break;
    default: break;
  }
}

void TViewFields::EditBarcodeField(TEdit* Field) {
  Fields.EditBarcode(
      Field->Text(), [Field](const std::string& Value) { Field->SetText(Value); },
      [this](const std::string& Value, TConfiguration& Config) {
        // The database's barcode settings travel as the configuration's two strings and flag:
        // the type, the checksum method and the checksum.
        TMainCommands C(ReportWindowsOf(V));
        C.BarcodeSettings.Checksum = Config.ConfigFlag;
        C.BarcodeSettings.Type = Config.ConfigString1;
        C.BarcodeSettings.Method = Config.ConfigString2;
        TBarcodeEdit E;
        E.Value = C.EditBarcode(Value, E.SettingsChanged);
        if (E.SettingsChanged) {
          Config.ConfigFlag = C.BarcodeSettings.Checksum;
          Config.ConfigString1 = C.BarcodeSettings.Type;
          Config.ConfigString2 = C.BarcodeSettings.Method;
        }
        return E;
      });
}

void TViewFields::SetURL1Click() {
  if (!FURLField) return;
  std::string Url = FURLField->Text();
  V.Logic->BeginModal();
  const bool Given = InputQuery("Enter URL", "Enter URL", Url);
  V.Logic->EndModal();
  if (Given) FURLField->SetText(Url);
}

void TViewFields::JumptoURL1Click() {
  if (FURLField) Fields.JumpToURL(FURLField->Text());
}

void TViewFields::SetReadOnlyState(bool ReadOnly) {
  // Grid lines change only through the line commands, which the server stores: a cell typed in
  // place would show an edit that no save keeps.
  V.DirGrid->SetOptions(V.DirGrid->Options() - goEditing);
  V.Grid4->SetOptions(V.Grid4->Options() - goEditing);
  // Nothing else a read-only record shows takes a change: its boxes, pictures, attached file,
  // items, the rich text's formatting and what a paste would put into it (a copy out of it stays).
  for (TControl* C : std::initializer_list<TControl*>{
           V.CheckBox1, V.CheckBox2, V.CheckBox3, V.SelectPicture, V.ClearPicture, V.SelectResumeBtn,
           V.ClearResumeBtn, V.EditSkillBtn, V.RTF1Font, V.FontRTF1Size, V.RTFColor1, V.BoldBtn, V.ItalicBtn,
           V.UnderlineBtn, V.StrikeOutBtn, V.LeftBtn, V.CenterBtn, V.RightBtn, V.BulletBtn,
           V.PasteFromClipboardBtn})
    if (C) C->SetEnabled(!ReadOnly);
  // Description values come only from their menus; the attachment's name only from its upload.
  for (TEdit* E : V.DescEdit) E->SetReadOnly(true);
  V.Memo2->SetReadOnly(true);
}

// The date menu writes into the box it was opened on: a date field of the record or a box of
// another window (the data summary's range).
TCustomEdit* TViewFields::DateTarget() const { return dynamic_cast<TCustomEdit*>(V.DateMenu->PopupComponent()); }

void TViewFields::SelectDate1Click() {
  TCustomEdit* Target = DateTarget();
  if (!Target) return;
  const TPoint At = view_layout::MousePoint();
  GetDate->SetDate(Date());
  GetDate->SetCalLeft(At.X + 10);
  GetDate->SetCalTop(At.Y + 10);
  V.Logic->BeginModal();
  const bool Chosen = GetDate->Execute();
  V.Logic->EndModal();
  if (!Chosen) return;
  std::string Format = V.Logic->Buffers.Configuration.DateFormat;
  if (Format.empty()) Format = "mm/dd/yyyy";
  Target->SetText(FormatDateTime(Format, EncodeDate(GetDate->Year(), GetDate->Month(), GetDate->Day())));
}

void TViewFields::ClearDate1Click() {
  if (TCustomEdit* Target = DateTarget()) Target->SetText("");
}

void TViewFields::CustomizeLabels(int Tag) {
  TLabel* L = Tag < 10 ? V.Desc[Tag] : V.OtherC[Tag - 20];
  if (Fields.CustomizeLabels(Tag, L->Caption())) {
    const auto& C = V.Logic->Buffers.Configuration;
    L->SetCaption(Tag < 10 ? C.DescriptionNames[Tag] : C.OtherNames[Tag - 20]);
  }
}

void TViewFields::CustomizeDetailLabel(int Tag) {
  const int i = Tag - 10;
  if (!V.Logic->LoadServerConfiguration()) return;
  TEditFieldForm F(&V);
  F.FieldName = V.sn[i]->Caption();
  F.FieldType = V.Logic->Buffers.Configuration.DetailKinds[i];
  V.Logic->BeginModal();
  F.ShowModal();
  V.Logic->EndModal();
  if (!F.Accepted) return;
  if (Fields.CustomizeDetailLabel(Tag, F.FieldName, F.FieldType)) V.sn[i]->SetCaption(F.FieldName);
}

// ---- Pictures and attachment -----------------------------------------------------------------------------

void TViewFields::RecordShown() { DisplayPicture(); }

void TViewFields::DisplayPicture() {
  const int Slot = std::clamp(V.ImageBook->TabIndex(), 0, 5) + 1;
  Fields.ImageWord = V.ImageWord;
  // A fitted picture fills the room inside the panel's bevel (the scroll box's).
  TPictureShow S = Fields.DisplayPicture(Slot, V.AutoSizeImage->Checked(), V.ImageScroll->ClientWidth(),
                                         V.ImageScroll->ClientHeight());
  if (S.State != TPictureShow::Shown) {
    V.RecordImage->SetVisible(false);
    V.PicStat->SetCaption(S.StatusText);
    V.PicStat->SetVisible(true);
    return;
  }
  V.PicStat->SetVisible(false);
  // A picture larger than the panel (Fit off) shows from its top left, with scroll bars.
  V.ImageScroll->HorzScrollBar().SetPosition(0);
  V.ImageScroll->VertScrollBar().SetPosition(0);
  V.RecordImage->SetBounds(0, 0, S.Bitmap->Width(), S.Bitmap->Height());
  V.RecordImage->Picture().Bitmap().Assign(std::move(*S.Bitmap));
  V.RecordImage->SetVisible(true);
}

void TViewFields::SelectPictureClick() {
  V.Logic->BeginModal();
  const bool Chosen = V.GetPicture->Execute();
  V.Logic->EndModal();
  // A cancelled dialog does nothing.
  if (!Chosen) return;
  if (Fields.SelectPicture(std::clamp(V.ImageBook->TabIndex(), 0, 5) + 1, V.GetPicture->FileName())) DisplayPicture();
}

void TViewFields::ClearPictureClick() {
  V.RecordImage->SetVisible(false);
  V.GetPicture->SetFileName("");
  Fields.ClearPicture(std::clamp(V.ImageBook->TabIndex(), 0, 5) + 1);
  DisplayPicture();
}

void TViewFields::SelectResumeBtnClick() {
  V.Logic->BeginModal();
  const bool Chosen = V.SelectResume->Execute();
  V.Logic->EndModal();
  if (Chosen) Fields.SelectResume(V.SelectResume->FileName(), V.Notes2Title->Caption());
}

void TViewFields::ViewResumeBtnClick() {
  const bool Has = V.Memo2->Lines().Count() > 0;
  Fields.ViewResume(Has ? V.Memo2->Lines()[0] : std::string(), Has, V.Notes2Title->Caption());
}

// ---- Grids 3 and 4 --------------------------------------------------------------------------------------

TLineCommandInput TViewFields::GridInput(int GridNumber) {
  TQnStringGrid* Grid = GridNumber == 3 ? V.DirGrid : V.Grid4;
  TLineCommandInput In;
  In.RecordCode = V.Logic->Number();
  In.GridNumber = GridNumber;
  for (int r = 0; r < Grid->RowCount(); ++r) {
    In.Grid.emplace_back();
    for (int c = 0; c < Grid->ColCount(); ++c) In.Grid.back().push_back(Grid->Cells(c, r));
  }
  In.Defs = GridNumber == 3 ? V.Grid3Columns : V.Grid4Columns;
  In.FieldNumber = [this](const std::string& Caption) { return V.Logic->ReturnFieldString(Caption); };
  return In;
}

bool TViewFields::OpenRowEditor(int GridNumber, int Row) {
  TEditDirListingForm Editor(&V, Lines, GridInput(GridNumber), Row, V.Logic->Buffers.Configuration.DateFormat);
  RowEditor = &Editor;
  Editor.ShowModal();
  RowEditor = nullptr;
  return Editor.Sent;
}

// ---- Windows --------------------------------------------------------------------------------------------

void TViewFields::SearchandReplace1Click() {
  SearchandReplace(*V.Logic, [this] {
    TReplaceForm F(&V, V.Logic->Buffers.Configuration);
    F.ShowModal();
    return F.Choice;
  });
}

void TViewFields::ImportData1Click() {
  TImportForm F(&V, *V.Session, V.Logic->Buffers.Configuration, V.RecordTitle->Caption(), V.Session->ScratchFolder);
  F.SetTimeOut = [this](int S) { V.Web->SetTimeOut(S); };
  V.Session->ForceScratchFolder();
  V.Logic->BeginModal();
  F.ShowModal();
  V.Logic->EndModal();
}

void TViewFields::ImportBTNClick() {
  std::string Url;
  V.Logic->BeginModal();
  const bool Given = InputQuery("Import URL", "Library of Congress URL", Url);
  V.Logic->EndModal();
  if (!Given || Url.empty()) return;
  std::string Reply;
  try {
    TNetHTTPClient Import(nullptr);
    Import.SetTimeOut(60);
    Import.SetURL(Url);
    const int Status = Import.Get();
    if (Status < 200 || Status > 299) return;
    Reply = Import.Body().DataString();
  } catch (const std::exception&) {
    return;
  }
  const TBookFields B = ParseBookPage(BookPageText(Reply));
  V.RecordName->SetText(B.RecordName);
  for (int i = 0; i < 6; ++i) V.Detail[i]->SetText(B.Details[i]);
}

void TViewFields::Diagram1Click(int) {
  RelationshipDiagram(*V.Logic, [this](const TRelateData& Data) {
    TRelationshipForm F(&V, Data, V.RecordName->Text(), V.number->Text());
    F.ShowModal();
    return F.ReturnCode;
  });
}

void TViewFields::CDTBtnClick() { TCDForm::Display(&V); }
