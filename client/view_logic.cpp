// The record window's life: the local web server, the login, fitting the window to the
// database's definition, filling the window from a record and back, and the close.
#include <algorithm>

#include "client/category_tree_editor.h"
#include "client/core/client_settings.h"
#include "client/core/definition_template.h"
#include "client/core/local_server.h"
#include "client/password_form.h"
#include "client/small_dialogs.h"
#include "client/tree_nodes.h"
#include "client/view.h"
#include "client/view_grid_commands.h"
#include "client/view_fields.h"
#include "client/view_tools.h"
#include "controls/calendar_popup.h"
#include "client/view_commands.h"
#include "client/view_reports.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "controls/grid/qn_grid.h"
#include "net/http_client.h"
#include "platform/rtl/ascii_text.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

namespace {

bool Contains(const std::string& Text, const std::string& Part) {
  return LowerCase(Text).find(Part) != std::string::npos;
}

// Every editor the read-only state reaches.
template <typename F>
void ForEachEditor(TView& v, F f) {
  f(v.RecordName);
  for (TEdit* e : v.Detail) f(e);
  for (TEdit* e : v.DescEdit) f(e);
  for (TEdit* e : v.Other) f(e);
  f(v.ImageTitle);
}

}  // namespace

void TView::CreateLogic(TServerTransport* Transport) {
  Web = new TNetHTTPClient(this);
  Web->SetName("Web");
  Web->SetTimeOut(300);
  Web->OnTransferProgress = [this](TObject*, int, int bytes, int) { WebTransferProgress(bytes); };
  LocalServer = std::make_unique<TLocalServer>();
  const bool OverTheWeb = !Transport;
  if (!Transport) {
    FTransport = std::make_unique<THttpTransport>(*Web);
    Transport = FTransport.get();
  }
  Session = std::make_unique<TServerSession>(*Transport);
  // The web server this client started is started again at the next request once it has gone.
  if (OverTheWeb) Session->BeforeSend = [this](const std::string& URL) { LocalServer->Revive(URL); };
  Session->ScratchFolder = ProgramFolder + "Work/";
  // What crossed the wire last is kept there ("logsend.txt", "logdata.txt", "testdata.txt", ...).
  Session->WriteDiagnostics = true;
  Logic = std::make_unique<TRecordWindow>(*Session, *this);
  Settings = std::make_unique<TClientSettings>();
}

TView::~TView() {
  BeforeDestruction();
  // A window freed without its close (the program ended otherwise) still stops its server.
  if (LocalServer) LocalServer->Stop();
}

void TView::WireEvents() {
  auto click = [](TControl* c, std::function<void()> f) { c->OnClick = [f](TObject*) { f(); }; };
  auto item = [](TMenuItem* m, std::function<void()> f) { m->OnClick = [f](TObject*) { f(); }; };
  click(NextTBtn, [this] { Logic->nextClick(); });
  click(PreviousTBtn, [this] { Logic->PreviousClick(); });
  click(NewRecordTBtn, [this] { Logic->NewRecordClick(); });
  item(NewRecord, [this] { Logic->NewRecordClick(); });
  click(DeleteRecordTBtn, [this] { Logic->CutClick(); });
  item(Cut, [this] { Logic->CutClick(); });
  click(CopyRecordTBtn, [this] { Logic->CopyRecordClick(); });
  item(CopyRecord1, [this] { Logic->CopyRecordClick(); });
  click(InsertRecordTBtn, [this] { Logic->InsertRecordClick(); });
  item(InsertRecord, [this] { Logic->InsertRecordClick(); });
  click(CloseTBtn, [this] { QuitClick(); });
  item(Close1, [this] { QuitClick(); });
  click(NextSearchTBtn, [this] { NextSearchClick(); });
  click(PreviousSearchTBtn, [this] { PreviousSearchClick(); });
  click(AddBtn, [this] { AddBtnClick(); });
  RecordBook->OnChange = [this](TObject*) { RecordBookChange(); };
  // Item captions are edited through the item editor, never in place.
  ItemList->OnEditing = [](TObject*, TListItem*, bool& AllowEdit) { AllowEdit = false; };
  click(IdleRefreshBtn, [this] { Logic->IdleRefreshBtnClick(); });
  // The idle seconds take effect at the next tick and are kept in the settings.
  EditIdle->OnChange = [this](TObject*) {
    if (!Logic) return;
    Logic->SetEditIdle(EditIdle->Value());
    Settings->EditIdle = Logic->EditIdle();
  };
  item(ShortDescriptionValues1, [this] {
    Logic->ShortDescriptionValues1Click();
    ShortDescriptionValues1->SetChecked(Logic->ShortDescriptionValues());
  });
  item(SetDateFormat1, [this] { SetDateFormat1Click(); });
  item(DatabaseInformation1, [this] { DatabaseInformation1Click(); });
  item(EmailSettings1, [this] { EmailSettings1Click(); });
  item(LocalServerSettings1, [this] { LocalServerSettings1Click(); });
  item(SetServerName1, [this] { SetServerName1Click(); });
  item(SelectServer1, [this] { SelectServer1Click(); });
  item(DisplayAbout, [this] { DisplayAboutClick(); });
  click(EditSkillBtn, [this] { EditSkillBtnClick(); });
  IdleRefresh->OnTimer = [this](TObject*) { Logic->IdleRefreshTimer(); };
  WireReportWindows(*this);
  WireMainCommands(*this);

  // The change handlers: each flags its field in the record's change mask.
  auto changed = [this](std::function<void()> f) {
    return [this, f](TObject*) {
      if (!FShowing && Logic) f();
    };
  };
  for (int i = 0; i < 10; ++i) {
    Detail[i]->OnChange = changed([this, i] { Logic->Detail8Change(i); });
    DescEdit[i]->OnChange = changed([this, i] { Logic->DescChange(i + 1); });
    DescBtn[i]->OnClick = [this, i](TObject*) {
      // A read-only record's values are not chosen.
      if (ReadonlyBox->Checked()) return;
      if (!DescMenu[i] || DescMenu[i]->Items()->Count() == 0) return;
      const TPoint p = DescBtn[i]->ClientToScreen({0, DescBtn[i]->Height()});
      DescMenu[i]->Popup(p.X, p.Y);
    };
  }
  for (int i = 0; i < 6; ++i) Other[i]->OnChange = changed([this, i] { Logic->OtherChange(21 + i); });
  RecordName->OnChange = changed([this] { Logic->RecordChange(); });
  Memo1->OnChange = changed([this] { Logic->Memo1Change(); });
  Memo2->OnChange = changed([this] { Logic->Memo2Change(); });
  Memo3->OnChange = changed([this] { Logic->Memo3Change(); });
  ImageTitle->OnChange = changed([this] { Logic->ImageTitleChange(ImageBook->TabIndex()); });
  CheckBox1->OnClick = changed([this] { Logic->CheckBoxClick(1); });
  CheckBox2->OnClick = changed([this] { Logic->CheckBoxClick(2); });
  CheckBox3->OnClick = changed([this] { Logic->CheckBoxClick(3); });
  ItemDetails->OnChange = changed([this] { Logic->DetailChangeClick(); });
  // The rich text's tool bar: the font, size and colour of the selection and of the text typed
  // next, the styles, and the clipboard.
  RTF1Font->OnChange = changed([this] {
    const std::string name = RTF1Font->FontName();
    FontRTF1Size->SetFontName(name);
    if (FontRTF1Size->Items().IndexOf(FontRTF1Size->Text()) < 0 && FontRTF1Size->Items().Count() > 0)
      FontRTF1Size->SetItemIndex(0);
    ItemDetails->SelAttributes().SetName(name);
    ItemDetails->DefAttributes().SetName(name);
    // A new font is a change of the text like any other: without the flag it would never be saved.
    Logic->DetailChangeClick();
  });
  FontRTF1Size->OnChange = changed([this] {
    // A size picked from the list or typed as a whole number.
    const int size = StrToIntDef(Trim(FontRTF1Size->Text()), 0);
    if (size <= 0 || size > 400) return;
    ItemDetails->SelAttributes().SetSize(size);
    ItemDetails->DefAttributes().SetSize(size);
    Logic->DetailChangeClick();
  });
  RTFColor1->OnChange = changed([this] {
    ItemDetails->SelAttributes().SetColor(RTFColor1->ColorValue());
    ItemDetails->DefAttributes().SetColor(RTFColor1->ColorValue());
    Logic->DetailChangeClick();
  });
  for (TCustomRichButton* b : std::initializer_list<TCustomRichButton*>{BoldBtn, ItalicBtn, UnderlineBtn, StrikeOutBtn,
                                                                         LeftBtn, CenterBtn, RightBtn, BulletBtn})
    b->OnClick = changed([this] { Logic->DetailChangeClick(); });
  PasteFromClipboardBtn->OnClick = changed([this] {
    ItemDetails->PasteFromClipboard();
    Logic->DetailChangeClick();
  });
  CopyToClipboardBtn->OnClick = [this](TObject*) {
    ItemDetails->SelectAll();
    ItemDetails->CopyToClipboard();
  };
  ItemList->OnChange = [this](TObject*, TListItem* item, TItemChange change) {
    if (FShowing || !Logic || !item) return;
    const int n = item->Index();
    if (change == ctState && n >= 0 && n < 100) {
      // Selection changes the state too: only a mark that changed counts.
      if (item->Checked() == FItemMarks[n]) return;
      if (ReadonlyBox->Checked()) {
        // A read-only record's marks stay as they are.
        FShowing = true;
        item->SetChecked(FItemMarks[n]);
        FShowing = false;
        return;
      }
      FItemMarks[n] = item->Checked();
    }
    Logic->ItemListChange(n);
  };
  ReadonlyBox->OnClick = changed([this] { ReadonlyBoxClick(); });
  SearchListBox->OnClick = changed([this] { SearchListBoxClick(); });
  ImageBook->OnChange = [this](TObject*) {
    const int tab = ImageBook->TabIndex();
    FShowing = true;
    if (tab >= 0 && tab < 6) ImageTitle->SetText(Logic->Buffers.Current.Images[tab].Title);
    FShowing = false;
  };
  // A key or the mouse over the window puts the idle refresh off.
  SetKeyPreview(true);
  OnKeyDown = [this](TObject*, WORD&, TShiftState) { Logic->UserActivity(); };
  OnMouseMove = [this](TObject*, TShiftState, int, int) { Logic->UserActivity(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
  OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
}

// ---- Start-up and login ----------------------------------------------------------------------

namespace {
// The room a window manager's frame and title bar take beside and above a window.
constexpr int kWindowFrameRoom = 16, kWindowTitleRoom = 48;
}  // namespace

void TView::FormCreate() {
  LocalServer->Start(ProgramFolder, TLocalServer::PortFromEnvironment());
  SetColor(clBtnFace);
  int width = 634, height = 482;
  ReadWindowSize(*OpenSettingsKey(), width, height);
  // A size kept from a larger screen (or from a maximized window) fits this screen's work area
  // with room for the window manager's title bar and frame.
  const TRect Work = Screen().WorkArea();
  if (Work.Width() > 0 && Work.Height() > 0) {
    width = std::min(width, Work.Width() - kWindowFrameRoom);
    height = std::min(height, Work.Height() - kWindowTitleRoom);
  }
  SetBounds(Left(), Top(), std::max(400, width), std::max(300, height));
  RecordBook->SetActivePageIndex(0);
  Calendar->SetDate(Date());
  LoginFlag = false;
  SetupDataArea();
  DisplayAbout->SetCaption("Quillon");
}

void TView::SetupDataArea() {
  for (int i = 0; i < 10; ++i) {
    sn[i]->SetCaption("Detail " + std::to_string(i + 1));
    Desc[i]->SetCaption("Description " + std::to_string(i));
  }
  for (int i = 0; i < 6; ++i) OtherC[i]->SetCaption("Other " + std::to_string(i + 1));
  SetDefaultFieldNames(Logic->Buffers.Configuration);
  Logic->Buffers.Current = EmptyRecord();
  Logic->Buffers.Spare = EmptyRecord();
}

void TView::Activate() {
  TForm::Activate();
  FormActivate();
}

void TView::FormActivate() {
  // The login runs once the activation is over, so that the main window is up behind it.
  // The activation that follows the login window's close must not start another one.
  if (LoginFlag || FLoginPosted || FLoginRunning) return;
  FLoginPosted = true;
  GetApplication().Loop().Post([this] {
    FLoginPosted = false;
    if (!LoginFlag && !FLoginRunning) DatabaseLogin();
  });
}

void TView::DatabaseLogin() {
  FLoginRunning = true;
  struct TRunning {
    bool& Flag;
    ~TRunning() { Flag = false; }
  } running{FLoginRunning};
  TemplateName = GetDatabaseFileName(ProgramFolder);
  TTemplateData definition(TemplateName);
  DatabaseType = definition.AttributeA(1);
  GetApplication().SetTitle("Quillon Server");
  SetServerName1->SetVisible(true);
  ImportBTN->SetVisible(false);
  FormResize(this);
  LoadSettings(*OpenSettingsKey(), *Settings);
  Logic->SetShortDescriptionValues(Settings->ShortDescriptionValues);
  ShortDescriptionValues1->SetChecked(Settings->ShortDescriptionValues);
  EditIdle->SetValue(Settings->EditIdle);
  Logic->SetEditIdle(Settings->EditIdle);
  if (GetLoginPassword() == 0) {
    // Giving up the login ends the program: no record was shown, so nothing is saved.
    FreeDatabase();
    ServerShutDown();
    GetApplication().Terminate();
    return;
  }
  if (!Logic->OpenDatabase([this, &definition] { FitWindow(definition); })) {
    // The database did not open; the window stays for another login.
    return;
  }
  LoginFlag = true;
  SearchPosition = -1;
  SetCaption(GetApplication().Title());
  DatabaseLabel->SetCaption(Session->DatabaseName + "  -  " + Session->ServerURL);
  Show();
  SearchandReplace1->SetVisible(false);
  ImportData1->SetVisible(false);
  IdleRefresh->SetEnabled(true);
}

int TView::GetLoginPassword() {
  EnableForm(false);
  auto* form = new TPasswordForm(this);
  form->Mode = 1;
  form->TitleWord = "Yes";
  form->Session = Session.get();
  form->WorkTree = DescriptionTree;
  form->DatabaseName = Settings->Database;
  // Another machine's server, once logged in to, is offered again at the next start.
  form->ServerAddress = TLocalServer::LoginAddress(
      Settings->Server, TLocalServer::ServerURL(LocalServer->Port() ? LocalServer->Port() : TLocalServer::PortFromEnvironment()));
  form->Definition = ExtractFileName(TemplateName);
  form->DefinitionBase = TemplateName;
  form->DateFormat = "YYYY/MM/DD";
  form->DatabaseType = DatabaseType;
  form->ProgramFolder = ProgramFolder;
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  const int result = form->ModalResult() == mrOk ? form->Result : 0;
  if (result == 1) {
    Session->ServerURL = form->ServerAddress;
    Session->DatabaseName = form->DatabaseName;
    Settings->Server = Session->ServerURL;
    Settings->Database = Session->DatabaseName;
  }
  delete form;
  SaveSettings(*OpenSettingsKey(), *Settings);
  EnableForm(true);
  return result;
}

void TView::FitWindow(const TTemplateData& Template) {
  for (int i = 0; i < 10; ++i) MakeMenu(DescMenu[i], i + 1);
  SetInsertEnabled(false, false);
  CheckBox1->SetCaption(Template.CheckBoxCaptions()[0]);
  CheckBox2->SetCaption(Template.CheckBoxCaptions()[1]);
  CheckBox3->SetCaption(Template.CheckBoxCaptions()[2]);
  const std::string status = Template.Configuration().StatusWord;
  if (!status.empty()) boxname->SetCaption(status);
  for (int page = 0; page < 7 && page < RecordBook->PageCount(); ++page) {
    const std::string caption = Template.AttributeA(page + 2);
    if (!caption.empty()) RecordBook->Pages(page)->SetCaption(caption);
  }
  Grid3DataSummary->SetCaption(RecordBook->Pages(2)->Caption() + " Summary");
  Grid4DataSummary->SetCaption(RecordBook->Pages(3)->Caption() + " Summary");
  Notes1Title->SetCaption(Template.AttributeA(9));
  Notes3Title->SetCaption(Template.AttributeA(10));
  Notes2Title->SetCaption(Template.AttributeA(11));
  ImageWord = Template.AttributeA(12).empty() ? "Image" : Template.AttributeA(12);
  for (int i = 0; i < 6; ++i) ImageBook->SetTabText(i, ImageWord + " " + std::to_string(i + 1));
  for (int c = 0; c < 3; ++c) {
    const std::string caption = Template.AttributeA(13 + c);
    if (!caption.empty()) ItemList->Columns()[c]->SetCaption(caption);
  }
  EditSkillBtn->SetCaption("Edit " + RecordBook->Pages(1)->Caption());
  QuantityWord = Template.AttributeA(16).empty() ? "Quantity" : Template.AttributeA(16);
  QuickOrderReport1->SetCaption("Quick " + QuantityWord + " Report");

  // The grids take the definition's columns.
  struct {
    TQnStringGrid* grid;
    int count;
    const std::array<std::array<std::string, 4>, 10>& columns;
    std::array<std::array<std::string, 4>, 10>& kept;
    std::vector<std::string>& captions;
    TButton* email;
    TMenuItem* address;
    int page;
  } const grids[] = {
      {DirGrid, Template.Grid3ColumnCount(), Template.Grid3Columns(), Grid3Columns, Grid3Captions, EmailGrid3Btn,
       Grid3Address1, 2},
      {Grid4, Template.Grid4ColumnCount(), Template.Grid4Columns(), Grid4Columns, Grid4Captions, EmailGrid4Btn,
       Grid4Address1, 3},
  };
  for (const auto& g : grids) {
    const int count = std::clamp(g.count, 0, 10);
    g.kept = g.columns;
    g.captions.clear();
    g.grid->SetColCount(count + 1);
    g.grid->SetRowCount(2);
    g.grid->SetCells(0, 0, "LINE ID");
    bool email = false, address = false;
    for (int c = 0; c < count; ++c) {
      const std::string& caption = g.columns[c][0];
      g.captions.push_back(caption);
      g.grid->SetCells(c + 1, 0, caption);
      email = email || Contains(caption, "email");
      address = address || Contains(caption, "address");
    }
    g.email->SetVisible(email);
    g.address->SetVisible(address);
    g.address->SetCaption("Print " + RecordBook->Pages(g.page)->Caption() + " Addresses");
  }

  // The e-mail commands follow the fields of the kind "email address".
  TMenuItem* emailItems[] = {Email1, Email2, Email3};
  const TConfiguration& config = Logic->Buffers.Configuration;
  for (int n = 0; n < 3; ++n) {
    EmailFields[n] = FindField("email address", n + 1);
    const int f = EmailFields[n];
    emailItems[n]->SetVisible(f >= 0);
    if (f >= 0) emailItems[n]->SetCaption("Generate " + (f < 10 ? config.DetailNames[f] : config.OtherNames[f - 21]));
  }
  RecordBook->SetVisible(true);
  // Date fields are edited through the date picker (definitions write the kind in any case).
  for (int i = 0; i < 10; ++i) FDateDetail[i] = Contains(config.DetailKinds[i], "date");
  for (int i = 0; i < 6; ++i) FDateOther[i] = Contains(config.OtherKinds[i], "date");
  SetReadOnlyState(false);
  FormResize(this);
}

int TView::FindField(const std::string& Kind, int N) const {
  const TConfiguration& config = Logic->Buffers.Configuration;
  int seen = 0;
  for (int i = 0; i < 10; ++i)
    if (LowerCase(config.DetailKinds[i]) == Kind && ++seen == N) return i;
  for (int i = 0; i < 6; ++i)
    if (LowerCase(config.OtherKinds[i]) == Kind && ++seen == N) return 21 + i;
  return -1;
}

void TView::MakeMenu(TPopupMenu*& Menu, int Index) {
  delete Menu;
  Menu = new TPopupMenu(this);
  const TConfiguration& config = Logic->Buffers.Configuration;
  const int i = Index - 1;
  if (config.DescriptionKinds[i] == "Relational") return;
  auto add = [this, Index](TMenuItem* parent, const std::string& caption, std::function<void()> f) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    item->SetTag(Index);
    item->OnClick = [f](TObject*) { f(); };
    parent->Add(item);
    return item;
  };
  add(Menu->Items(), "ADD NEW " + UpperCase(Desc[i]->Caption()) + " CATEGORY", [this, Index] { DescOneEnter(Index); });
  add(Menu->Items(), "CLEAR FIELD", [this, i] { Logic->ClearFieldClick(i); });
  std::function<void(TMenuItem*, const std::vector<TDescriptionNode>&, std::vector<std::string>)> fill;
  fill = [&](TMenuItem* parent, const std::vector<TDescriptionNode>& nodes, std::vector<std::string> path) {
    for (const TDescriptionNode& node : nodes) {
      std::vector<std::string> here = path;
      here.push_back(node.Text);
      TMenuItem* item = add(parent, node.Text, [this, i, here] {
        Logic->ChooseDescriptionValue(i, TRecordWindow::MenuPathValue(here));
      });
      fill(item, node.Children, here);
    }
  };
  fill(Menu->Items(), config.DescriptionTrees[i].Nodes, {});
}

// ---- Close -----------------------------------------------------------------------------------

void TView::QuitClick() { Close(); }

void TView::FormCloseQuery(bool& CanClose) {
  CanClose = true;
  IdleRefresh->SetEnabled(false);
  TCloseSteps steps;
  steps.CloseSearchWindow = [this] {
    if (Reports) Reports->Search().Close();
  };
  steps.WriteSettings = [this] { WriteSettings(); };
  steps.FreeDatabase = [this] { FreeDatabase(); };
  steps.StopLocalServer = [this] { ServerShutDown(); };
  // A quit from outside (the desktop's logout) cannot wait for an answer.
  if (!Logic->CloseSequence(steps, !GetApplication().QuitPending())) {
    CanClose = false;
    IdleRefresh->SetEnabled(true);
    return;
  }
  LoginFlag = false;
}

void TView::FreeDatabase() {
  Logic->Buffers.Current = EmptyRecord();
  Logic->Buffers.Spare = EmptyRecord();
  for (const char* page : {"RPHTML.HTM", "go.htm", "SHTML.htm"}) DeleteFile(Session->ScratchFolder + page);
}

void TView::ServerShutDown() { LocalServer->Stop(); }

// ---- Filling the window ----------------------------------------------------------------------

// (The name, the details and the check boxes are not emptied first: the record sets every one,
// and an editor that is set to the text it shows already is not painted again.)
void TView::LoadDefaults() {
  PicStat->SetCaption("No " + ImageWord + " File Selected");
  PicStat->SetVisible(true);
  RecordImage->SetVisible(false);
  GetPicture->SetFileName("");
}

void TView::LoadGrid(TQnStringGrid& Grid, int Rows, const std::string& Text, const std::vector<std::string>& Captions) {
  Grid.ClearRect(0, 0, Grid.ColCount() - 1, Grid.RowCount() - 1);
  Grid.SetRowCount(std::max(2, Rows));
  if (!Text.empty()) {
    TMemoryStream stream;
    stream.WriteBuffer(Text.data(), static_cast<long>(Text.size()));
    stream.SetPosition(0);
    Grid.LoadFromStream(stream);
  }
  TStringList headers;
  headers.Add("LINE ID");
  for (const std::string& c : Captions) headers.Add(c);
  Grid.SetColumnHeaders(headers);
  Grid.SetColWidths(0, 50);
}

void TView::ShowRecord(const ItemRecord& Record, const std::array<std::string, 10>& DescriptionTexts) {
  IdleRefresh->SetEnabled(false);
  FShowing = true;
  LoadDefaults();
  SetCaption(GetApplication().Title());
  number->SetText(Record.Code);
  ReadonlyBox->SetChecked(Record.ReadOnly);
  const int tab = std::clamp(ImageBook->TabIndex(), 0, 5);
  ImageTitle->SetText(Record.Images[tab].Title);
  for (int i = 0; i < 10; ++i) DescEdit[i]->SetText(DescriptionTexts[i]);
  RecordName->SetText(Record.Name);
  for (int i = 0; i < 10; ++i) Detail[i]->SetText(Record.Details[i]);
  for (int i = 0; i < 6; ++i) Other[i]->SetText(Record.Others[i]);
  CheckBox1->SetChecked(Record.Checks[0]);
  CheckBox2->SetChecked(Record.Checks[1]);
  CheckBox3->SetChecked(Record.Checks[2]);
  TMemo* memos[] = {Memo1, Memo2, Memo3};
  for (int m = 0; m < 3; ++m) SetMemo(m, Record.Memos[m]);
  (void)memos;
  LoadGrid(*DirGrid, Record.Grid3Rows, Record.Grid3, Grid3Captions);
  LoadGrid(*Grid4, Record.Grid4Rows, Record.Grid4, Grid4Captions);
  if (!Record.RichText.empty()) {
    TMemoryStream rich;
    rich.WriteBuffer(Record.RichText.data(), static_cast<long>(Record.RichText.size()));
    rich.SetPosition(0);
    const bool plain = ItemDetails->PlainText();
    ItemDetails->SetPlainText(false);
    ItemDetails->Lines().LoadFromStream(rich);
    ItemDetails->SetPlainText(plain);
  } else {
    // A record without rich text shows an empty page, not the text of the record shown before.
    ItemDetails->Clear();
  }
  // The format buttons show this record's format at the caret, not the one left pressed on the
  // record shown before (the caret may sit where it was, so no selection change tells them).
  if (ItemDetails->OnSelectionChange) ItemDetails->OnSelectionChange(ItemDetails);
  const TConfiguration& config = Logic->Buffers.Configuration;
  ItemList->Items().BeginUpdate();
  if (ItemList->Items().Count() != 100) {
    ItemList->Items().Clear();
    for (int n = 0; n < 100; ++n) ItemList->Items().Add();
  }
  for (int n = 0; n < 100; ++n) {
    TListItem* item = ItemList->Items()[n];
    item->SetCaption(config.ItemNames[n]);
    item->SubItems().Clear();
    item->SubItems().Add(Record.ItemNames[n]);
    item->SubItems().Add(Record.ItemValues[n]);
    item->SetChecked(Record.ItemChecks[n]);
    FItemMarks[n] = Record.ItemChecks[n];
  }
  ItemList->Items().EndUpdate();
  SearchListBox->SetChecked(InSearchList(Record.Code));
  SetReadOnlyState(Record.ReadOnly);
  FShowing = false;
  if (Fields) Fields->RecordShown();
  IdleRefresh->SetEnabled(true);
}

void TView::ReadRecord(ItemRecord& Record) {
  Record.Name = RecordName->Text();
  Record.ReadOnly = ReadonlyBox->Checked();
  Record.Checks = {CheckBox1->Checked(), CheckBox2->Checked(), CheckBox3->Checked()};
  TMemo* memos[] = {Memo1, Memo2, Memo3};
  for (int m = 0; m < 3; ++m) Record.Memos[m] = memos[m]->LineTexts();
  Record.Grid3Rows = DirGrid->RowCount();
  Record.Grid3 = GridText(*DirGrid);
  Record.Grid4Rows = Grid4->RowCount();
  Record.Grid4 = GridText(*Grid4);
  for (int i = 0; i < 10; ++i) Record.Details[i] = Detail[i]->Text();
  for (int i = 0; i < 6; ++i) Record.Others[i] = Other[i]->Text();
  {
    TMemoryStream rich;
    const bool plain = ItemDetails->PlainText();
    ItemDetails->SetPlainText(false);
    ItemDetails->Lines().SaveToStream(rich);
    ItemDetails->SetPlainText(plain);
    // An empty page is no rich text at all, as a record that never had any.
    Record.RichText = ItemDetails->Text().empty() ? std::string() : rich.DataString();
  }
  for (int n = 0; n < 100 && n < ItemList->Items().Count(); ++n) {
    TListItem* item = ItemList->Items()[n];
    Record.ItemNames[n] = item->SubItems().Count() > 0 ? item->SubItems()[0] : std::string();
    Record.ItemValues[n] = item->SubItems().Count() > 1 ? item->SubItems()[1] : std::string();
    Record.ItemChecks[n] = item->Checked();
  }
}

bool TView::ReadOnlyChecked() { return ReadonlyBox->Checked(); }

void TView::ShowConfiguration(const TConfiguration& Config) {
  const bool showing = FShowing;
  FShowing = true;
  for (int i = 0; i < 10; ++i) {
    sn[i]->SetCaption(Config.DetailNames[i]);
    Desc[i]->SetCaption(Config.DescriptionNames[i]);
  }
  for (int i = 0; i < 6; ++i) OtherC[i]->SetCaption(Config.OtherNames[i]);
  if (!Config.StatusWord.empty()) boxname->SetCaption(Config.StatusWord);
  for (int n = 0; n < 100 && n < ItemList->Items().Count(); ++n) ItemList->Items()[n]->SetCaption(Config.ItemNames[n]);
  FShowing = showing;
}

void TView::ShowDescription(int Index, const std::string& Text) {
  if (Index < 0 || Index >= 10) return;
  const bool showing = FShowing;
  FShowing = true;
  DescEdit[Index]->SetText(Text);
  FShowing = showing;
}

void TView::SetMemo(int Index, const std::vector<std::string>& Lines) {
  TMemo* memos[] = {Memo1, Memo2, Memo3};
  if (Index < 0 || Index >= 3) return;
  memos[Index]->SetLineTexts(Lines);
}

void TView::EnableForm(bool Enable) {
  ToolBar->SetEnabled(Enable);
  for (int i = 0; i < MainMenu->Items()->Count(); ++i) MainMenu->Items()->Items(i)->SetEnabled(Enable);
  if (Enable)
    SetReadOnlyState(ReadonlyBox->Checked());
  else
    ForEachEditor(*this, [](TEdit* e) { e->SetReadOnly(true); });
  ResetProgress();
  Status->SetCaption(Enable ? "Ready" : "Wait");
  Status->Font().SetColor(Enable ? clGreen : clRed);
}

void TView::SetReadOnlyState(bool ReadOnly) {
  // A read-only record's fields are drawn on the button face, as the toolkit draws a pane that
  // takes no typing; the window's lock during a request makes them read-only too, but keeps their
  // colour (a request does not make the record read-only).
  const TColor Face = ReadOnly ? clBtnFace : clWindow;
  ForEachEditor(*this, [ReadOnly, Face](TEdit* e) {
    e->SetReadOnly(ReadOnly);
    e->SetColor(Face);
  });
  for (int i = 0; i < 10; ++i) Detail[i]->SetReadOnly(ReadOnly || FDateDetail[i]);
  for (int i = 0; i < 6; ++i) Other[i]->SetReadOnly(ReadOnly || FDateOther[i]);
  for (TMemo* m : {Memo1, Memo2, Memo3}) {
    m->SetReadOnly(ReadOnly);
    m->SetColor(Face);
  }
  ItemDetails->SetReadOnly(ReadOnly);
  ItemDetails->SetColor(Face);
  if (Fields) Fields->SetReadOnlyState(ReadOnly);
}

void TView::SetInsertEnabled(bool MenuItem, bool ToolButton) {
  InsertRecord->SetEnabled(MenuItem);
  InsertRecordTBtn->SetEnabled(ToolButton);
}

// ---- Small dialogs ---------------------------------------------------------------------------

void TView::SetDateFormat1Click() {
  Logic->LoadServerConfiguration();
  auto* form = new TSelectDateFormatForm(this);
  form->DateFormat = Logic->Buffers.Configuration.DateFormat;
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  Logic->Buffers.Configuration.DateFormat = form->DateFormat;
  delete form;
  Logic->SaveServerConfiguration();
}

void TView::DatabaseInformation1Click() {
  Logic->LoadServerConfiguration();
  auto& info = Logic->Buffers.Configuration.DatabaseInfo;
  auto* form = new TDatabaseInformationForm(this);
  form->Info = {info[diName], info[diAuthor], info[diDescription], info[diType],
                info[diCDate], info[diUDate], info[diRecords], info[diFileCode]};
  form->DateFormat = Logic->Buffers.Configuration.DateFormat;
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  if (form->Accepted) {
    info[diName] = form->Info.Name;
    info[diAuthor] = form->Info.Author;
    info[diDescription] = form->Info.Description;
    info[diType] = form->Info.Type;
  }
  delete form;
  Logic->SaveServerConfiguration();
}

void TView::EmailSettings1Click() {
  auto* form = new TEmailSettingsForm(this);
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  delete form;
}

void TView::LocalServerSettings1Click() {
  auto* form = new TServerSettingsForm(this);
  form->DatabaseName = Session->DatabaseName;
  form->DatabaseType = Logic->Buffers.Configuration.DatabaseInfo[diType];
  form->Port = LocalServer->Port() ? LocalServer->Port() : 6777;
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  delete form;
}

void TView::SetServerName1Click() {
  std::string name = Settings->ServerName;
  if (!InputQuery("Enter Server Name", "Enter Server Name:", name)) return;
  Settings->ServerName = name;
  // The login reads the key again: a login before the close keeps the name only from there.
  OpenSettingsKey()->WriteString("SETTINGS", "SERVERNAME", name);
}

void TView::SelectServer1Click() {
  if (LoginFlag && !Logic->SaveRecord(Logic->Buffers.Current, true)) return;
  // The login reads the settings again: what this session changed is written first.
  if (LoginFlag) WriteSettings();
  LoginFlag = false;
  DatabaseLogin();
}

void TView::WriteSettings() {
  // A maximized (or minimized) window's size is the screen's: the size kept is the window's own.
  if (WindowState() == wsNormal) {
    Settings->ViewW = Width();
    Settings->ViewH = Height();
  }
  Settings->ShortDescriptionValues = Logic->ShortDescriptionValues();
  SaveSettings(*OpenSettingsKey(), *Settings);
}

void TView::DisplayAboutClick() {
  auto* form = new TAboutBox(this);
  form->Title = GetApplication().Title();
  form->ProgramName = ExtractFileName(ParamStr(0));
  Logic->BeginModal();
  form->ShowModal();
  Logic->EndModal();
  delete form;
}

void TView::EditSkillBtnClick() {
  TListItem* selected = ItemList->Selected();
  if (!selected) return;
  const int n = selected->Index();
  if (!Logic->SaveRecord(Logic->Buffers.Current, true)) return;
  Logic->Buffers.RecordMask.Set(4, n + 1);
  auto* form = new TEditSkillForm(this);
  form->ItemName = selected->Caption();
  form->Flag = selected->Checked();
  form->Value1 = selected->SubItems().Count() > 0 ? selected->SubItems()[0] : std::string();
  form->Value2 = selected->SubItems().Count() > 1 ? selected->SubItems()[1] : std::string();
  form->ColumnCaptions.clear();
  for (int c = 0; c < ItemList->Columns().Count(); ++c) form->ColumnCaptions.push_back(ItemList->Columns()[c]->Caption());
  form->OnRename = [this, n](const std::string& name) {
    Logic->LoadServerConfiguration();
    Logic->Buffers.Configuration.ItemNames[n] = name;
    Logic->Buffers.ConfigMask.Set(ConfigMask::ItemNames, n + 1);
    Logic->SaveServerConfiguration();
  };
  Logic->BeginModal();
  const bool ok = form->ShowModal() == mrOk;
  Logic->EndModal();
  selected->SetCaption(form->ItemName);
  if (ok) {
    selected->SetChecked(form->Flag);
    selected->SubItems().Clear();
    selected->SubItems().Add(form->Value1);
    selected->SubItems().Add(form->Value2);
  }
  delete form;
}

void TView::DescOneEnter(int Index) {
  const int i = Index - 1;
  TDescriptionTree& tree = Logic->Buffers.Configuration.DescriptionTrees[i];
  auto* form = new TDropDownMenuForm(this);
  form->Description = Index;
  form->Tree = &tree;
  std::string lastValue;
  bool treeEdited = false;  // the tree editor stores its tree whenever it closes
  form->OnTreeView = [this, &tree, &lastValue, &treeEdited, Index, i] {
    treeEdited = true;
    auto* editor = new TAddDescription(this);
    editor->Description = Index;
    editor->DescriptionCaption = Desc[i]->Caption();
    editor->Tree = &tree;
    editor->ProgramFolder = Session->ScratchFolder;
    editor->OnUpdateRecord = [this, i](const std::string& value) { ShowDescription(i, value); };
    editor->OpenHelp = [this](const std::string& topic) { Tools->OpenLink(TViewTools::HelpTopicURL(topic)); };
    editor->ShowModal();
    lastValue = editor->LastValue;
    delete editor;
    MakeMenu(DescMenu[i], Index);
    if (!lastValue.empty()) Logic->ChooseDescriptionValue(i, lastValue);
  };
  Logic->BeginModal();
  const bool ok = form->ShowModal() == mrOk;
  Logic->EndModal();
  delete form;
  // The edited choices reach the server at once, so that the next configuration load keeps them.
  if (ok || treeEdited) {
    Logic->Buffers.ConfigMask.Set(ConfigMask::Trees, Index);
    Logic->SaveServerConfiguration();
  }
  MakeMenu(DescMenu[i], Index);
}
