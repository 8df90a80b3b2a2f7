#include "client/view.h"
#include "client/link_label.h"
#include "client/view_fields.h"
#include "client/view_grid_commands.h"
#include "client/view_tools.h"

#include "client/core/client_settings.h"
#include "client/core/local_server.h"
#include "client/view_layout.h"
#include "controls/calendar_popup.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"

using namespace view_layout;

TView::TView(TComponent* AOwner, TViewOptions Options) : TForm(AOwner) {
  SetName("View");
  SetCaption("Quillon Client");
  SetColor(clBtnFace);
  PaintFormBackground(this);
  SetBounds(0, 0, 634, 482);
  // Below this size the record page's fields no longer fit.
  Constraints().SetMinWidth(620);
  Constraints().SetMinHeight(470);
  SetPosition(poScreenCenter);
  BuildMainMenu();
  BuildHeader();
  BuildStatusLine();
  RecordBook = Make<TPageControl>(this, this, "RecordBook", 8, 62, 617, 349);
  BuildRecordPage();
  BuildItemPage();
  BuildGridPage(Grid3Page, 3);
  BuildGridPage(Grid4Page, 4);
  BuildNotesPage();
  BuildTextPage();
  BuildPicturePage();
  BuildComponents();
  RecordBook->SetActivePageIndex(0);
  FormResize(this);
  ProgramFolder = Options.ProgramFolder.empty() ? AppDirectory() : Options.ProgramFolder;
  CreateLogic(Options.Transport);
  WireEvents();
  Fields = std::make_unique<TViewFields>(*this);
  WirePageCommands();
  OnCreate = [this](TObject*) { FormCreate(); };
  AfterConstruction();
}

std::string TView::AppDirectory() { return IncludeTrailingBackslash(ExtractFilePath(ParamStr(0))); }

void TView::BuildHeader() {
  ToolBar = new TToolBar(this);
  ToolBar->SetName("ToolBar");
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetFlat(true);
  ToolBar->SetShowCaptions(true);
  ToolBar->SetButtonHeight(24);
  // Seventeen buttons in four groups fit the window at its least width, their captions a pixel
  // smaller than the window's text so that each shows whole.
  ToolBar->SetButtonWidth(34);
  ToolBar->Font().SetHeight(ToolBar->Font().Height() + 1);
  ToolBar->SetIndent(4);
  ToolBar->SetHeight(28);
  struct {
    TToolButton** button;
    const char* name;
    const char* caption;
    const char* hint;
  } const buttons[] = {
      {&PreviousTBtn, "PreviousTBtn", "Prev", "Previous Record"},
      {&NextTBtn, "NextTBtn", "Next", "Next Record"},
      {nullptr, "", "", ""},
      {&NewRecordTBtn, "NewRecordTBtn", "New", "New Record"},
      {&DeleteRecordTBtn, "DeleteRecordTBtn", "Delete", "Delete Record"},
      {&CopyRecordTBtn, "CopyRecordTBtn", "Copy", "Copy Record"},
      {&InsertRecordTBtn, "InsertRecordTBtn", "Insert", "Insert Record"},
      {nullptr, "", "", ""},
      {&SearchTBtn, "SearchTBtn", "Search", "Perform Search"},
      {&SearchRecordsTBtn, "SearchRecordsTBtn", "Find", "Search Records"},
      {&PreviousSearchTBtn, "PreviousSearchTBtn", "<<", "Previous Search List Record"},
      {&NextSearchTBtn, "NextSearchTBtn", ">>", "Next Search List Record"},
      {&SearchListTBtn, "SearchListTBtn", "List", "View the Search List"},
      {&GraphTBtn, "GraphTBtn", "Graph", "Generate Graph"},
      {&CalculatorTBtn, "CalculatorTBtn", "Calc", "Display Calculator"},
      {&CalendarTBtn, "CalendarTBtn", "Date", "Display Calendar"},
      {&CDTBtn, "CDTBtn", "CD", "Display CD Player"},
      {&BarcodeTBtn, "BarcodeTBtn", "Scan", "Scan Barcode"},
      {nullptr, "", "", ""},
      {&CloseTBtn, "CloseTBtn", "Close", "Close"},
  };
  int left = 0;
  for (const auto& b : buttons) {
    auto* tb = new TToolButton(this);
    if (*b.name) tb->SetName(b.name);
    if (!b.button) tb->SetStyle(tbsSeparator);
    tb->SetCaption(b.caption);
    tb->SetHint(b.hint);
    tb->SetShowHint(true);
    tb->SetLeft(left);
    tb->SetParent(ToolBar);
    left += 100;
    if (b.button) *b.button = tb;
  }

  HeaderPanel = MakePanel(this, this, "HeaderPanel", alTop, 32);
  HeaderPanel->SetTop(ToolBar->Top() + ToolBar->Height());  // below the tool bar
  NumberTitle = MakeCaptioned<TLabel>(this, HeaderPanel, "NumberTitle", "Record #", 8, 9, 52, 15);
  number = Make<TEdit>(this, HeaderPanel, "number", 62, 5, 76, kEditHeight);
  number->SetReadOnly(true);
  number->SetColor(clBtnFace);
  RecordTitle = MakeCaptioned<TLabel>(this, HeaderPanel, "RecordTitle", "Name", 148, 9, 34, 15);
  RecordName = Make<TEdit>(this, HeaderPanel, "RecordName", 184, 5, 250, kEditHeight);
  ReadonlyBox = MakeCaptioned<TCheckBox>(this, HeaderPanel, "ReadonlyBox", "Read Only", 440, 7, 80, 18);
  SearchListBox =
      MakeCaptioned<TCheckBox>(this, HeaderPanel, "SearchListBox", "Search List", 522, 7, 90, 18);
  // The idle refresh: a link that refreshes at once, and the idle seconds before it refreshes
  // by itself.
  IdleRefreshBtn = MakeLinkLabel(this, HeaderPanel, "IdleRefreshBtn", "Idle Refresh", 0, 4, 64, 23);
  IdleRefreshBtn->SetHint("Save and reload the record shown");
  IdleRefreshBtn->SetShowHint(true);
  EditIdle = Make<TSpinEdit>(this, HeaderPanel, "EditIdle", 0, 5, 50, kEditHeight);
  EditIdle->SetMinValue(30);
  EditIdle->SetMaxValue(720);
  EditIdle->SetValue(120);
  EditIdle->SetHint("Seconds without input before the record is refreshed");
  EditIdle->SetShowHint(true);
  ImportBTN = MakeCaptioned<TButton>(this, HeaderPanel, "ImportBTN", "Import", 0, 4, 60, 23);
}

void TView::BuildRecordPage() {
  RecordPage = new TTabSheet(this);
  RecordPage->SetName("RecordPage");
  RecordPage->SetPageControl(RecordBook);
  RecordPage->SetCaption("Record");

  auto* bottom = MakePanel(this, RecordPage, "OtherPanel", alBottom, 3 * kRow + 48);
  DetailPanel = MakePanel(this, RecordPage, "DetailPanel", alLeft, 300);
  Splitter1 = new TSplitter(this);
  Splitter1->SetName("Splitter1");
  Splitter1->SetParent(RecordPage);
  Splitter1->SetLeft(301);
  Splitter1->SetWidth(4);
  Splitter1->SetAlign(alLeft);
  Splitter1->SetMinSize(150);
  Splitter1->OnMoved = [this](TObject*) { LayoutRecordPage(); };
  DescriptionPanel = MakePanel(this, RecordPage, "DescriptionPanel", alClient, 0);

  for (int i = 0; i < 10; ++i) {
    const int top = 6 + i * kRow;
    sn[i] = MakeCaptioned<TLabel>(this, DetailPanel, "sn" + std::to_string(i),
                                  "Detail " + std::to_string(i + 1), 6, top + 3, 96, 15);
    Detail[i] = Make<TEdit>(this, DetailPanel, "Detail" + std::to_string(i), 104, top, 190, kEditHeight);
    Desc[i] = MakeCaptioned<TLabel>(this, DescriptionPanel, "Desc" + std::to_string(i + 1),
                                    "Description " + std::to_string(i), 6, top + 3, 96, 15);
    static const char* const kDescNames[] = {"DescOne", "DescTwo",   "DescThree", "DescFour",
                                             "DescFive", "DescSix",  "DescSeven", "DescEight",
                                             "DescNine", "DescTen"};
    DescEdit[i] = Make<TEdit>(this, DescriptionPanel, kDescNames[i], 104, top, 170, kEditHeight);
    DescEdit[i]->SetTag(i + 1);
    DescBtn[i] = Make<TSpeedButton>(this, DescriptionPanel, "DescBtn" + std::to_string(i + 1), 276, top,
                                    21, kEditHeight);
    DescBtn[i]->SetCaption("...");
    DescBtn[i]->SetTag(i + 1);
    DescBtn[i]->SetHint("Choose a value");
    DescBtn[i]->SetShowHint(true);
  }
  for (int i = 0; i < 6; ++i) {
    const int top = 4 + (i / 3) * kRow;
    OtherC[i] = MakeCaptioned<TLabel>(this, bottom, "OtherC" + std::to_string(i + 1),
                                      "Other " + std::to_string(i + 1), 6, top + 3, 70, 15);
    Other[i] = Make<TEdit>(this, bottom, "Other" + std::to_string(i + 1), 78, top, 120, kEditHeight);
  }
  boxname = MakeCaptioned<TGroupBox>(this, bottom, "boxname", "Status", 6, 2 * kRow + 8, 600, 42);
  CheckBox1 = MakeCaptioned<TCheckBox>(this, boxname, "CheckBox1", "", 10, 17, 150, 18);
  CheckBox2 = MakeCaptioned<TCheckBox>(this, boxname, "CheckBox2", "", 200, 17, 150, 18);
  CheckBox3 = MakeCaptioned<TCheckBox>(this, boxname, "CheckBox3", "", 390, 17, 150, 18);
}

void TView::BuildItemPage() {
  ItemPage = new TTabSheet(this);
  ItemPage->SetName("ItemPage");
  ItemPage->SetPageControl(RecordBook);
  ItemPage->SetCaption("Items");
  auto* bottom = MakePanel(this, ItemPage, "ItemButtons", alBottom, 34);
  EditSkillBtn = MakeCaptioned<TButton>(this, bottom, "EditSkillBtn", "Edit Item", 6, 5, 120, 24);
  ItemList = new TListView(this);
  ItemList->SetName("ItemList");
  ItemList->SetParent(ItemPage);
  ItemList->SetAlign(alClient);
  ItemList->SetViewStyle(vsReport);
  ItemList->SetCheckboxes(true);
  ItemList->SetRowSelect(true);
  ItemList->SetGridLines(true);
  ItemList->SetReadOnly(true);
  for (const char* caption : {"Item", "Version/Model", "Notes"}) {
    TListColumn* column = ItemList->Columns().Add();
    column->SetCaption(caption);
    column->SetWidth(180);
  }
}

void TView::BuildGridPage(TGridPage& page, int n) {
  const std::string g = n == 3 ? "Grid3" : "Grid4";
  page.Sheet = new TTabSheet(this);
  page.Sheet->SetName(g + "Page");
  page.Sheet->SetPageControl(RecordBook);
  page.Sheet->SetCaption("Grid " + std::to_string(n));
  page.Buttons = MakePanel(this, page.Sheet, g + "Buttons", alRight, 84);
  struct {
    TButton** button;
    std::string name;
    const char* caption;
  } const buttons[] = {
      {&page.InsertBtn, "Insert" + g + "Btn", "Insert"},  {&page.RemoveBtn, "Remove" + g + "Btn", "Remove"},
      {&page.EditBtn, "Edit" + g + "Btn", "Edit"},        {&page.MoveUpBtn, g + "MoveUpBtn", "Move Up"},
      {&page.MoveDownBtn, g + "MoveDownBtn", "Move Down"}, {&page.FindBtn, "Find" + g + "Btn", "Find"},
      {&page.SummaryBtn, n == 3 ? "GridSummaryBtn" : "Grid4SummaryBtn", "Summary"},
      {&page.PrintBtn, n == 3 ? "PrintDir" : "PrintGrid4Btn", "Print"},
      {&page.EmailBtn, "Email" + g + "Btn", "Email"},
  };
  int top = 4;
  for (const auto& b : buttons) {
    *b.button = MakeCaptioned<TButton>(this, page.Buttons, b.name, b.caption, 6, top, 74, 24);
    top += 28;
  }
  page.EmailBtn->SetVisible(false);
  page.Grid = new TQnStringGrid(this);
  page.Grid->SetName(n == 3 ? "DirGrid" : "Grid4");
  page.Grid->SetParent(page.Sheet);
  page.Grid->SetAlign(alClient);
  page.Grid->SetColCount(2);
  page.Grid->SetRowCount(2);
  page.Grid->SetCells(0, 0, "LINE ID");
  page.Grid->SetColWidths(0, 50);
  if (n == 3) {
    DirGrid = page.Grid;
    EmailGrid3Btn = page.EmailBtn;
  } else {
    Grid4 = page.Grid;
    EmailGrid4Btn = page.EmailBtn;
  }
}

void TView::BuildNotesPage() {
  NotesPage = new TTabSheet(this);
  NotesPage->SetName("NotesPage");
  NotesPage->SetPageControl(RecordBook);
  NotesPage->SetCaption("Notes");
  Notes1Title = MakeCaptioned<TLabel>(this, NotesPage, "Notes1Title", "Notes", 6, 6, 190, 15);
  Notes2Title = MakeCaptioned<TLabel>(this, NotesPage, "Notes2Title", "Attachment", 208, 6, 190, 15);
  Notes3Title = MakeCaptioned<TLabel>(this, NotesPage, "Notes3Title", "Address", 410, 6, 190, 15);
  Memo1 = Make<TMemo>(this, NotesPage, "Memo1", 6, 24, 196, 260);
  Memo2 = Make<TMemo>(this, NotesPage, "Memo2", 208, 24, 196, 230);
  Memo3 = Make<TMemo>(this, NotesPage, "Memo3", 410, 24, 196, 230);
  for (TMemo* m : {Memo1, Memo2, Memo3}) m->SetScrollBars(ssVertical);
  SelectResumeBtn = MakeCaptioned<TButton>(this, NotesPage, "SelectResumeBtn", "Attach", 208, 260, 62, 24);
  ViewResumeBtn = MakeCaptioned<TButton>(this, NotesPage, "ViewResumeBtn", "View", 275, 260, 62, 24);
  ClearResumeBtn = MakeCaptioned<TButton>(this, NotesPage, "ClearResumeBtn", "Clear", 342, 260, 62, 24);
  PrintAddressBTN = MakeCaptioned<TButton>(this, NotesPage, "PrintAddressBTN", "Print", 410, 260, 62, 24);
  PrintDetail = MakeCaptioned<TButton>(this, NotesPage, "PrintDetail", "Print Detail", 6, 260, 90, 24);
}

void TView::BuildTextPage() {
  TextPage = new TTabSheet(this);
  TextPage->SetName("TextPage");
  TextPage->SetPageControl(RecordBook);
  TextPage->SetCaption("Text");
  RichToolBar = MakePanel(this, TextPage, "RichToolBar", alTop, 30);
  RTF1Font = Make<TVcFontComboBox>(this, RichToolBar, "RTF1Font", 4, 4, 118, 22);
  // "Arial" is the rich text's own font (the desktop stands a like face in for it).
  RTF1Font->SetOptions(TFontComboOptions{foDisableVerify});
  RTF1Font->Loaded();
  RTF1Font->SetFontName("Arial");
  FontRTF1Size = Make<TFontSizeComboBox>(this, RichToolBar, "FontRTF1Size", 125, 4, 44, 22);
  FontRTF1Size->SetFontName("Arial");
  FontRTF1Size->SetText("10");
  RTFColor1 = Make<TVcColorComboBox>(this, RichToolBar, "RTFColor1", 172, 4, 84, 22);
  LoadFormColorBox(*RTFColor1, clBlack);
  int left = 260;
  auto place = [&](auto* button, const char* name, const char* hint) {
    button->SetName(name);
    button->SetParent(RichToolBar);
    button->SetBounds(left, 4, 23, 22);
    button->SetHint(hint);
    button->SetShowHint(true);
    button->SetFlat(true);
    left += 24;
    return button;
  };
  BoldBtn = place(new TBoldButton(this), "BoldBtn", "Bold");
  ItalicBtn = place(new TItalicButton(this), "ItalicBtn", "Italic");
  UnderlineBtn = place(new TUnderlineButton(this), "UnderlineBtn", "Underline");
  StrikeOutBtn = place(new TStrikeoutButton(this), "StrikeOutBtn", "Strike Out");
  LeftBtn = place(new TAlignLeftButton(this), "LeftBtn", "Align Left");
  CenterBtn = place(new TAlignCenterButton(this), "CenterBtn", "Center");
  RightBtn = place(new TAlignRightButton(this), "RightBtn", "Align Right");
  BulletBtn = place(new TBulletButton(this), "BulletBtn", "Bullets");
  CopyToClipboardBtn = place(new TSpeedButton(this), "CopyToClipboardBtn", "Copy to Clipboard");
  PasteFromClipboardBtn = place(new TSpeedButton(this), "PasteFromClipboardBtn", "Paste from Clipboard");
  if (const TBitmap* glyph = RichToolGlyph("COPYTEXT")) CopyToClipboardBtn->SetGlyph(*glyph);
  if (const TBitmap* glyph = RichToolGlyph("PASTETEXT")) PasteFromClipboardBtn->SetGlyph(*glyph);
  AddBtn = MakeCaptioned<TButton>(this, RichToolBar, "AddBtn", "Field", left + 4, 3, 42, 24);
  PrintRTF1Btn = MakeCaptioned<TButton>(this, RichToolBar, "PrintRTF1Btn", "Print", left + 48, 3, 42, 24);
  ItemDetails = new TRichEdit(this);
  ItemDetails->SetName("ItemDetails");
  ItemDetails->SetParent(TextPage);
  ItemDetails->SetAlign(alClient);
  const std::vector<TCustomRichButton*> Formats{BoldBtn, ItalicBtn, UnderlineBtn, StrikeOutBtn, LeftBtn, CenterBtn, RightBtn, BulletBtn};
  for (TCustomRichButton* b : Formats) b->SetRichEdit(ItemDetails);
  // The buttons show the format where the caret is.
  ItemDetails->OnSelectionChange = [Formats](TObject*) {
    for (TCustomRichButton* b : Formats) b->UpdateState();
  };
}

void TView::BuildPicturePage() {
  PicturePage = new TTabSheet(this);
  PicturePage->SetName("PicturePage");
  PicturePage->SetPageControl(RecordBook);
  PicturePage->SetCaption("Pictures");
  ImageBook = new TTabControl(this);
  ImageBook->SetName("ImageBook");
  ImageBook->SetParent(PicturePage);
  ImageBook->SetHeight(24);
  ImageBook->SetAlign(alTop);
  for (int i = 1; i <= 6; ++i) ImageBook->Tabs().Add("Image " + std::to_string(i));
  ImageBook->SetTabIndex(0);
  auto* row = MakePanel(this, PicturePage, "ImageTitlePanel", alTop, 32);
  ImageTitleLabel = MakeCaptioned<TLabel>(this, row, "ImageTitleLabel", "Title", 6, 9, 30, 15);
  ImageTitle = Make<TEdit>(this, row, "ImageTitle", 40, 5, 250, kEditHeight);
  AutoSizeImage = MakeCaptioned<TCheckBox>(this, row, "AutoSizeImage", "Fit", 298, 7, 46, 18);
  AutoSizeImage->SetChecked(true);
  SelectPicture = MakeCaptioned<TButton>(this, row, "SelectPicture", "Select", 350, 4, 70, 24);
  ClearPicture = MakeCaptioned<TButton>(this, row, "ClearPicture", "Clear", 424, 4, 70, 24);
  QuickPrint = MakeCaptioned<TButton>(this, row, "QuickPrint", "Print", 498, 4, 70, 24);
  DisplayPanel = MakePanel(this, PicturePage, "DisplayPanel", alClient, 0);
  DisplayPanel->SetBevelOuter(bvLowered);
  ImageScroll = new TScrollBox(this);
  ImageScroll->SetName("ImageScroll");
  ImageScroll->SetParent(DisplayPanel);
  ImageScroll->SetAlign(alClient);
  ImageScroll->SetBorderStyle(bsNone);
  RecordImage = Make<TImage>(this, ImageScroll, "RecordImage", 0, 0, 100, 100);
  RecordImage->SetVisible(false);
  PicStat = MakeCaptioned<TLabel>(this, ImageScroll, "PicStat", "No Image File Selected", 10, 10, 300, 15);
}

void TView::BuildComponents() {
  IdleRefresh = new TTimer(this);
  IdleRefresh->SetName("IdleRefresh");
  IdleRefresh->SetEnabled(false);
  IdleRefresh->SetInterval(1000);
  Calendar = new TCalendarPopup(this);
  Calendar->SetName("Calendar");
  DescriptionTree = Make<TTreeView>(this, this, "DescriptionTree", 0, 0, 10, 10);
  DescriptionTree->SetVisible(false);
  GetPicture = new TOpenDialog(this);
  GetPicture->SetName("GetPicture");
  GetPicture->SetFilter("Pictures|*.bmp;*.jpg;*.jpeg;*.gif;*.pcx|All files|*.*");
  SelectResume = new TOpenDialog(this);
  SelectResume->SetName("SelectResume");
  SelectResume->SetFilter("All files|*.*");
  for (int i = 0; i < 10; ++i) {
    DescMenu[i] = new TPopupMenu(this);
    DescMenu[i]->SetName("DescMenu" + std::to_string(i + 1));
  }
  ritems = new TPopupMenu(this);
  ritems->SetName("ritems");
  for (int i = 0; i < 23; ++i) AddItem(this, ritems->Items(), "", "Field " + std::to_string(i + 1), (i + 1) * 10);
  DateMenu = new TPopupMenu(this);
  DateMenu->SetName("DateMenu");
  AddItem(this, DateMenu->Items(), "SelectDate2", "Select Date");
  AddItem(this, DateMenu->Items(), "ClearDate2", "Clear Date");
  AddItem(this, DateMenu->Items(), "ReminderReport", "Report");
  FieldMenu = new TPopupMenu(this);
  FieldMenu->SetName("FieldMenu");
  AddItem(this, FieldMenu->Items(), "SetURL1", "Set URL");
  AddItem(this, FieldMenu->Items(), "JumptoURL1", "Jump to URL");
  GridPrintMenu = new TPopupMenu(this);
  GridPrintMenu->SetName("GridPrintMenu");
  AddItem(this, GridPrintMenu->Items(), "List1", "List");
  AddItem(this, GridPrintMenu->Items(), "SelectedAddress1", "Selected Address");
  AddItem(this, GridPrintMenu->Items(), "AllAddresses1", "All Addresses");
}

void TView::BuildMainMenu() {
  MainMenu = new TMainMenu(this);
  MainMenu->SetName("MainMenu");
  TMenuItem* root = MainMenu->Items();

  ConnectMenu = AddItem(this, root, "ConnectMenu", "&Connect");
  SelectServer1 = AddItem(this, ConnectMenu, "SelectServer1", "Database Login");
  SetServerName1 = AddItem(this, ConnectMenu, "SetServerName1", "Set Server Name");
  SetServerName1->SetVisible(false);
  DatabaseInformation1 = AddItem(this, ConnectMenu, "DatabaseInformation1", "Database Information");
  LocalServerSettings1 = AddItem(this, ConnectMenu, "LocalServerSettings1", "Local Server Settings");
  AddLine(this, ConnectMenu);
  Close1 = AddItem(this, ConnectMenu, "Close1", "Close");

  EditMenu = AddItem(this, root, "EditMenu", "&Edit");
  NewRecord = AddItem(this, EditMenu, "NewRecord", "New Record");
  Cut = AddItem(this, EditMenu, "Cut", "Delete Record");
  CopyRecord1 = AddItem(this, EditMenu, "CopyRecord1", "Copy Record");
  InsertRecord = AddItem(this, EditMenu, "InsertRecord", "Insert Record");
  AddLine(this, EditMenu);
  SearchandReplace1 = AddItem(this, EditMenu, "SearchandReplace1", "Search and Replace");
  ShortDescriptionValues1 = AddItem(this, EditMenu, "ShortDescriptionValues1", "Short Description Values");

  ReportMenu = AddItem(this, root, "ReportMenu", "&Report and View");
  QuickOrderReport1 = AddItem(this, ReportMenu, "QuickOrderReport1", "Quick Order Report");
  AddItem(this, QuickOrderReport1, "QuickOrderAll1", "All Records", 1);
  AddItem(this, QuickOrderReport1, "QuickOrderSearch1", "Search List Records", 2);
  QuickFinancialReport1 = AddItem(this, ReportMenu, "QuickFinancialReport1", "Quick Financial Report");
  AddItem(this, QuickFinancialReport1, "TotalMoneyAll1", "All Records", 1);
  AddItem(this, QuickFinancialReport1, "TotalMoneySearch1", "Search List Records", 2);
  Grid3DataSummary = AddItem(this, ReportMenu, "Grid3DataSummary", "Grid3Summary");
  AddItem(this, Grid3DataSummary, "Grid3SummaryAll1", "All Records", 1);
  AddItem(this, Grid3DataSummary, "Grid3SummarySearch1", "Search List Records", 2);
  Grid4DataSummary = AddItem(this, ReportMenu, "Grid4DataSummary", "Grid 4 Summary");
  AddItem(this, Grid4DataSummary, "Grid4SummaryAll1", "All Records", 1);
  AddItem(this, Grid4DataSummary, "Grid4SummarySearch1", "Search List Records", 2);
  AddLine(this, ReportMenu);
  ViewtheSearchWindow1 = AddItem(this, ReportMenu, "ViewtheSearchWindow1", "View the Search Window");
  ViewtheSpreadSheet1 = AddItem(this, ReportMenu, "ViewtheSpreadSheet1", "View the Search List");
  QuickRecordPrint1 = AddItem(this, ReportMenu, "QuickRecordPrint1", "Quick Record Print");

  UtilitiesMenu = AddItem(this, root, "UtilitiesMenu", "&Utilities");
  Calculator1 = AddItem(this, UtilitiesMenu, "Calculator1", "Calculator");
  Calander1 = AddItem(this, UtilitiesMenu, "Calander1", "Calendar");
  AddLine(this, UtilitiesMenu);
  Email1 = AddItem(this, UtilitiesMenu, "Email1", "Email 1");
  Email2 = AddItem(this, UtilitiesMenu, "Email2", "Email 2");
  Email3 = AddItem(this, UtilitiesMenu, "Email3", "Email 3");
  EmailSettings1 = AddItem(this, UtilitiesMenu, "EmailSettings1", "Email Account Settings");
  AddLine(this, UtilitiesMenu);
  ImportData1 = AddItem(this, UtilitiesMenu, "ImportData1", "Import Data");
  PrintAddressLabels1 = AddItem(this, UtilitiesMenu, "PrintAddressLabels1", "Print Address Labels");
  AllRecords1 = AddItem(this, PrintAddressLabels1, "AllRecords1", "All Records", 1);
  SearchListRecords1 = AddItem(this, PrintAddressLabels1, "SearchListRecords1", "Search List Records", 2);
  Grid3Address1 = AddItem(this, PrintAddressLabels1, "Grid3Address1", "Grid3Address");
  Grid4Address1 = AddItem(this, PrintAddressLabels1, "Grid4Address1", "Grid4Address");
  AddLine(this, UtilitiesMenu);
  SetDateFormat1 = AddItem(this, UtilitiesMenu, "SetDateFormat1", "Select Date Format");
  ResetApplication1 = AddItem(this, UtilitiesMenu, "ResetApplication1", "Reset Application");
  AddLine(this, UtilitiesMenu);
  // The scanner station (jump to a scanned record, or add to or take from its stock).
  ScanBarcode1 = AddItem(this, UtilitiesMenu, "ScanBarcode1", "Scan Barcode");

  HelpMenu = AddItem(this, root, "HelpMenu", "&Help Manual");
  Contents1 = AddItem(this, HelpMenu, "Contents1", "Contents");
  GettingStarted1 = AddItem(this, HelpMenu, "GettingStarted1", "Getting Started");
  ContactHarrowmere1 = AddItem(this, HelpMenu, "ContactHarrowmere1", "Contact Harrowmere");

  AboutMenu = AddItem(this, root, "AboutMenu", "&About");
  DisplayAbout = AddItem(this, AboutMenu, "DisplayAbout", "App Name");
  SetMenu(MainMenu);
}

void TView::Resize() {
  TForm::Resize();
  FormResize(this);
}

void TView::FormResize(TObject*) {
  if (FLayingOut || !RecordBook) return;
  FLayingOut = true;
  const TRect client = ClientRect();
  const int width = client.Width();
  const int top = HeaderPanel->Top() + HeaderPanel->Height() + 2;
  const int bottom = StatusPanel->Top() - 4;
  RecordBook->SetBounds(8, top, std::max(200, width - 17), std::max(150, bottom - top));
  // The header: the name takes what the fixed parts leave.
  const int right = width - 8;
  ImportBTN->SetLeft(right - ImportBTN->Width());
  EditIdle->SetLeft(ImportBTN->Visible() ? ImportBTN->Left() - 4 - EditIdle->Width() : right - EditIdle->Width());
  IdleRefreshBtn->SetLeft(EditIdle->Left() - 2 - IdleRefreshBtn->Width());
  SearchListBox->SetLeft(IdleRefreshBtn->Left() - 92);
  ReadonlyBox->SetLeft(SearchListBox->Left() - 82);
  RecordName->SetWidth(std::max(80, ReadonlyBox->Left() - 8 - RecordName->Left()));
  DatabaseLabel->SetWidth(std::max(50, width - DatabaseLabel->Left() - 8));
  LayoutRecordPage();
  FLayingOut = false;
  // The least size keeps every row of the record page in view, whatever the desktop draws inside
  // the window above the client area (the menu bar).
  const int least = std::max(470, LeastClientHeight() + Height() - client.Height());
  if (Constraints().MinHeight() != least) Constraints().SetMinHeight(least);
}

int TView::LeastClientHeight() const {
  const int page = Detail[9]->Top() + Detail[9]->Height() + 4 + boxname->Parent()->Height();
  const int tabs = std::max(0, RecordBook->Height() - RecordPage->Height());  // the tabs and the frame
  const int status = ClientHeight() - StatusPanel->Top();
  return HeaderPanel->Top() + HeaderPanel->Height() + 2 + tabs + page + 4 + status;
}

void TView::LayoutRecordPage() {
  // The editors follow the width of their panels beside the splitter.
  const int detailWidth = DetailPanel->Width();
  for (int i = 0; i < 10; ++i) Detail[i]->SetWidth(std::max(40, detailWidth - Detail[i]->Left() - 6));
  const int descWidth = DescriptionPanel->Width();
  for (int i = 0; i < 10; ++i) {
    DescBtn[i]->SetLeft(std::max(60, descWidth - 6 - DescBtn[i]->Width()));
    DescEdit[i]->SetWidth(std::max(40, DescBtn[i]->Left() - 2 - DescEdit[i]->Left()));
  }
  // The other fields: three to a row across the page.
  const int pageWidth = std::max(300, RecordPage->Width());
  const int cell = (pageWidth - 6) / 3;
  for (int i = 0; i < 6; ++i) {
    const int left = 6 + (i % 3) * cell;
    OtherC[i]->SetLeft(left);
    Other[i]->SetBounds(left + 74, Other[i]->Top(), std::max(40, cell - 80), kEditHeight);
  }
  boxname->SetWidth(pageWidth - 12);
  const int third = (boxname->Width() - 20) / 3;
  CheckBox1->SetBounds(10, 17, third - 4, 18);
  CheckBox2->SetBounds(10 + third, 17, third - 4, 18);
  CheckBox3->SetBounds(10 + 2 * third, 17, third - 4, 18);
  // The item list's third column takes what the first two leave.
  if (ItemList->Columns().Count() == 3) {
    const int w = ItemList->Width() - ItemList->Columns()[0]->Width() - ItemList->Columns()[1]->Width() - 24;
    ItemList->Columns()[2]->SetWidth(std::max(60, w));
  }
  // The notes: three columns of equal width.
  const int notesWidth = std::max(300, NotesPage->Width());
  const int notesHeight = std::max(120, NotesPage->Height());
  const int column = (notesWidth - 24) / 3;
  TLabel* titles[] = {Notes1Title, Notes2Title, Notes3Title};
  TMemo* memos[] = {Memo1, Memo2, Memo3};
  for (int i = 0; i < 3; ++i) {
    const int left = 6 + i * (column + 6);
    titles[i]->SetBounds(left, 6, column, 15);
    memos[i]->SetBounds(left, 24, column, notesHeight - 24 - 36);
  }
  const int buttonTop = notesHeight - 30;
  const int small = (column - 8) / 3;
  SelectResumeBtn->SetBounds(Memo2->Left(), buttonTop, small, 24);
  ViewResumeBtn->SetBounds(Memo2->Left() + small + 4, buttonTop, small, 24);
  ClearResumeBtn->SetBounds(Memo2->Left() + 2 * (small + 4), buttonTop, small, 24);
  PrintAddressBTN->SetBounds(Memo3->Left(), buttonTop, small, 24);
  PrintDetail->SetBounds(Memo1->Left(), buttonTop, std::min(column, 2 * small), 24);
  // The picture's label sits in the middle of its panel.
  PicStat->SetBounds(10, std::max(10, DisplayPanel->Height() / 2 - 8), std::max(100, DisplayPanel->Width() - 20), 15);
  PicStat->SetAlignment(taCenter);
}
