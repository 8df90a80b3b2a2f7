// TView: the main record window of the client. It holds every control of the record window
// (the record notebook and its pages, the fields and their labels, the grids, the item list,
// the rich text with its tool bar, the pictures, the tool bar, the main menu and the status
// line), lays them out, and wires their events to the client's logic.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/common_controls.h"
#include "platform/ui/containers.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/image.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/list_view.h"
#include "platform/ui/menus.h"
#include "platform/ui/page_control.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/scroll_box.h"
#include "platform/ui/speed_button.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tab_control.h"
#include "platform/ui/timer.h"
#include "platform/ui/tool_bar.h"
#include "platform/ui/tree_view.h"

#include "client/core/record_window.h"
#include "client/reports/report_windows.h"
#include "controls/font_combos.h"
#include "controls/rich_format_buttons.h"

class TQnStringGrid;
class TStringList;
class TNetHTTPClient;
class TLocalServer;
class TTemplateData;
struct TClientSettings;
class TViewFields;
class TViewTools;
class TProgressBar;  // its header and the grid's share enumerator names: kept apart
class TCalendarPopup;
class TGridPageCommands;

// The controls of one grid page (grid 3 or grid 4): the grid and its button panel.
struct TGridPage {
  TTabSheet* Sheet = nullptr;
  TQnStringGrid* Grid = nullptr;
  TPanel* Buttons = nullptr;
  TButton* InsertBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* EditBtn = nullptr;
  TButton* MoveUpBtn = nullptr;
  TButton* MoveDownBtn = nullptr;
  TButton* FindBtn = nullptr;
  TButton* SummaryBtn = nullptr;
  TButton* PrintBtn = nullptr;
  TButton* EmailBtn = nullptr;
};

// How the window reaches the world; the program takes the defaults, a test gives its own.
struct TViewOptions {
  // The transport of every request (the HTTP client Web when null).
  TServerTransport* Transport = nullptr;
  // The installation folder with a trailing separator (the program's folder when empty).
  std::string ProgramFolder;
};

class TView : public TForm, public TRecordView {
public:
  explicit TView(TComponent* AOwner, TViewOptions Options = {});
  ~TView() override;

  // The folder of the running program, with a trailing separator (the installation folder).
  static std::string AppDirectory();

  // ---- The record header ----
  TToolBar* ToolBar = nullptr;
  TToolButton* PreviousTBtn = nullptr;
  TToolButton* NextTBtn = nullptr;
  TToolButton* NewRecordTBtn = nullptr;
  TToolButton* DeleteRecordTBtn = nullptr;
  TToolButton* CopyRecordTBtn = nullptr;
  TToolButton* InsertRecordTBtn = nullptr;
  TToolButton* SearchTBtn = nullptr;
  TToolButton* SearchRecordsTBtn = nullptr;  // the search window too ("Search Records")
  TToolButton* PreviousSearchTBtn = nullptr;
  TToolButton* NextSearchTBtn = nullptr;
  TToolButton* SearchListTBtn = nullptr;
  TToolButton* GraphTBtn = nullptr;
  TToolButton* CalculatorTBtn = nullptr;
  TToolButton* CalendarTBtn = nullptr;
  TToolButton* CDTBtn = nullptr;
  TToolButton* CloseTBtn = nullptr;
  TToolButton* BarcodeTBtn = nullptr;

  TPanel* HeaderPanel = nullptr;
  TLabel* NumberTitle = nullptr;
  TEdit* number = nullptr;
  TLabel* RecordTitle = nullptr;
  TEdit* RecordName = nullptr;
  TCheckBox* ReadonlyBox = nullptr;
  TCheckBox* SearchListBox = nullptr;
  TCustomLabel* IdleRefreshBtn = nullptr;  // the "Idle Refresh" link
  TSpinEdit* EditIdle = nullptr;           // idle seconds before the refresh (30 to 720)
  TButton* ImportBTN = nullptr;

  // ---- The record notebook ----
  TPageControl* RecordBook = nullptr;
  TTabSheet* RecordPage = nullptr;
  TPanel* DetailPanel = nullptr;
  TSplitter* Splitter1 = nullptr;
  TPanel* DescriptionPanel = nullptr;
  std::array<TLabel*, 10> sn{};        // sn0 ... sn9: the detail labels
  std::array<TEdit*, 10> Detail{};     // Detail0 ... Detail9
  std::array<TLabel*, 10> Desc{};      // Desc1 ... Desc10 (index 0 is Desc1)
  std::array<TEdit*, 10> DescEdit{};   // DescOne ... DescTen
  std::array<TSpeedButton*, 10> DescBtn{};  // the buttons that drop each description's menu
  std::array<TLabel*, 6> OtherC{};     // OtherC1 ... OtherC6
  std::array<TEdit*, 6> Other{};       // Other1 ... Other6
  TGroupBox* boxname = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TCheckBox* CheckBox2 = nullptr;
  TCheckBox* CheckBox3 = nullptr;

  TTabSheet* ItemPage = nullptr;
  TListView* ItemList = nullptr;
  TButton* EditSkillBtn = nullptr;

  TGridPage Grid3Page;  // DirGrid and its panel
  TGridPage Grid4Page;  // Grid4 and its panel
  TQnStringGrid* DirGrid = nullptr;
  TQnStringGrid* Grid4 = nullptr;
  TButton* EmailGrid3Btn = nullptr;
  TButton* EmailGrid4Btn = nullptr;

  TTabSheet* NotesPage = nullptr;
  TLabel* Notes1Title = nullptr;
  TLabel* Notes2Title = nullptr;
  TLabel* Notes3Title = nullptr;
  TMemo* Memo1 = nullptr;
  TMemo* Memo2 = nullptr;
  TMemo* Memo3 = nullptr;
  TButton* SelectResumeBtn = nullptr;
  TButton* ViewResumeBtn = nullptr;
  TButton* ClearResumeBtn = nullptr;
  TButton* PrintAddressBTN = nullptr;
  TButton* PrintDetail = nullptr;

  TTabSheet* TextPage = nullptr;
  TPanel* RichToolBar = nullptr;
  TVcFontComboBox* RTF1Font = nullptr;
  TFontSizeComboBox* FontRTF1Size = nullptr;
  TVcColorComboBox* RTFColor1 = nullptr;
  TBoldButton* BoldBtn = nullptr;
  TItalicButton* ItalicBtn = nullptr;
  TUnderlineButton* UnderlineBtn = nullptr;
  TStrikeoutButton* StrikeOutBtn = nullptr;
  TAlignLeftButton* LeftBtn = nullptr;
  TAlignCenterButton* CenterBtn = nullptr;
  TAlignRightButton* RightBtn = nullptr;
  TBulletButton* BulletBtn = nullptr;
  TSpeedButton* CopyToClipboardBtn = nullptr;
  TSpeedButton* PasteFromClipboardBtn = nullptr;
  TButton* AddBtn = nullptr;  // pops up the field menu
  TButton* PrintRTF1Btn = nullptr;
  TRichEdit* ItemDetails = nullptr;

  TTabSheet* PicturePage = nullptr;
  TTabControl* ImageBook = nullptr;
  TLabel* ImageTitleLabel = nullptr;
  TEdit* ImageTitle = nullptr;
  TPanel* DisplayPanel = nullptr;
  TScrollBox* ImageScroll = nullptr;  // scrolls a picture larger than the panel (Fit off)
  TImage* RecordImage = nullptr;
  TLabel* PicStat = nullptr;
  TCheckBox* AutoSizeImage = nullptr;
  TButton* SelectPicture = nullptr;
  TButton* ClearPicture = nullptr;
  TButton* QuickPrint = nullptr;  // the image report of the shown record

  // ---- The status line ----
  TPanel* StatusPanel = nullptr;
  TLabel* Status = nullptr;
  TProgressBar* Progress = nullptr;
  TLabel* DatabaseLabel = nullptr;

  // ---- Components without a window ----
  TTimer* IdleRefresh = nullptr;
  TCalendarPopup* Calendar = nullptr;
  TTreeView* DescriptionTree = nullptr;  // the hidden work tree of the value trees
  TOpenDialog* GetPicture = nullptr;
  TOpenDialog* SelectResume = nullptr;
  std::array<TPopupMenu*, 10> DescMenu{};  // DescMenu1 ... DescMenu10
  TPopupMenu* ritems = nullptr;            // the field menu of the rich text
  TPopupMenu* DateMenu = nullptr;
  TPopupMenu* FieldMenu = nullptr;
  TPopupMenu* GridPrintMenu = nullptr;

  // ---- The main menu ----
  TMainMenu* MainMenu = nullptr;
  TMenuItem* ConnectMenu = nullptr;
  TMenuItem* SelectServer1 = nullptr;
  TMenuItem* SetServerName1 = nullptr;
  TMenuItem* DatabaseInformation1 = nullptr;
  TMenuItem* LocalServerSettings1 = nullptr;
  TMenuItem* Close1 = nullptr;
  TMenuItem* EditMenu = nullptr;
  TMenuItem* NewRecord = nullptr;
  TMenuItem* Cut = nullptr;
  TMenuItem* CopyRecord1 = nullptr;
  TMenuItem* InsertRecord = nullptr;
  TMenuItem* SearchandReplace1 = nullptr;
  TMenuItem* ShortDescriptionValues1 = nullptr;
  TMenuItem* ReportMenu = nullptr;
  TMenuItem* QuickOrderReport1 = nullptr;
  TMenuItem* QuickFinancialReport1 = nullptr;
  TMenuItem* Grid3DataSummary = nullptr;
  TMenuItem* Grid4DataSummary = nullptr;
  TMenuItem* ViewtheSearchWindow1 = nullptr;
  TMenuItem* ViewtheSpreadSheet1 = nullptr;
  TMenuItem* QuickRecordPrint1 = nullptr;
  TMenuItem* UtilitiesMenu = nullptr;
  TMenuItem* Calculator1 = nullptr;
  TMenuItem* Calander1 = nullptr;
  TMenuItem* Email1 = nullptr;
  TMenuItem* Email2 = nullptr;
  TMenuItem* Email3 = nullptr;
  TMenuItem* EmailSettings1 = nullptr;
  TMenuItem* ImportData1 = nullptr;
  TMenuItem* PrintAddressLabels1 = nullptr;
  TMenuItem* AllRecords1 = nullptr;
  TMenuItem* SearchListRecords1 = nullptr;
  TMenuItem* Grid3Address1 = nullptr;
  TMenuItem* Grid4Address1 = nullptr;
  TMenuItem* ResetApplication1 = nullptr;
  TMenuItem* ScanBarcode1 = nullptr;
  TMenuItem* SetDateFormat1 = nullptr;
  TMenuItem* HelpMenu = nullptr;
  TMenuItem* Contents1 = nullptr;
  TMenuItem* GettingStarted1 = nullptr;
  TMenuItem* ContactHarrowmere1 = nullptr;
  TMenuItem* AboutMenu = nullptr;
  TMenuItem* DisplayAbout = nullptr;

  // ---- State ----
  std::string ProgramFolder;
  TNetHTTPClient* Web = nullptr;
  std::unique_ptr<TServerSession> Session;
  std::unique_ptr<TRecordWindow> Logic;
  std::unique_ptr<TLocalServer> LocalServer;
  std::unique_ptr<TClientSettings> Settings;
  // The field clicks, pictures, line commands and tool windows.
  std::unique_ptr<TViewFields> Fields;
  // The help links, the calculator, calendar and reset.
  std::unique_ptr<TViewTools> Tools;
  bool LoginFlag = false;       // the login has completed
  std::string TemplateName;     // the definition found at start, without extension
  std::string DatabaseType;     // the template's first attribute string
  std::string ImageWord = "Image";
  std::string QuantityWord = "Quantity";
  std::array<int, 3> EmailFields{-1, -1, -1};  // field numbers of the e-mail fields
  // The four strings of each grid column (caption and three attributes of the line editor).
  std::array<std::array<std::string, 4>, 10> Grid3Columns{}, Grid4Columns{};
  std::vector<std::string> Grid3Captions, Grid4Captions;
  // The search and report windows (client/view_reports.cpp); freed before the session.
  std::unique_ptr<TReportWindows> Reports;
  // The grid pages' print, address and find buttons and the relational select
  // (client/view_grid_commands.cpp).
  std::unique_ptr<TGridPageCommands> GridCommands;

  // ---- Lifecycle ----
  void FormCreate();
  void FormActivate();
  void DatabaseLogin();
  // The login window's result: 0 when the user gave up.
  int GetLoginPassword();
  void SetupDataArea();
  // Rebuilds the pop-up menu of description Index (1-10) from its value tree.
  void MakeMenu(TPopupMenu*& Menu, int Index);
  // Fits the window to the definition: captions, grid columns, buttons, menu items.
  void FitWindow(const TTemplateData& Template);
  void FormCloseQuery(bool& CanClose);
  void FreeDatabase();
  void ServerShutDown();
  void QuitClick();
  // The field number of the N-th field (details 0-9, then others 21-26) of Kind (lower case), or -1.
  int FindField(const std::string& Kind, int N) const;

  // ---- Small dialogs ----
  void SetDateFormat1Click();
  void DatabaseInformation1Click();
  void EmailSettings1Click();
  void LocalServerSettings1Click();
  void SetServerName1Click();
  void SelectServer1Click();
  // Writes the session's settings (window size, short values, idle seconds, ...) to the key.
  void WriteSettings();
  void DisplayAboutClick();
  void EditSkillBtnClick();
  void DescOneEnter(int Index);

  // ---- What the record logic shows ----
  void ShowRecord(const ItemRecord& Record, const std::array<std::string, 10>& DescriptionTexts) override;
  void ReadRecord(ItemRecord& Record) override;
  bool ReadOnlyChecked() override;
  void ShowConfiguration(const TConfiguration& Config) override;
  void ShowDescription(int Index, const std::string& Text) override;
  void SetMemo(int Index, const std::vector<std::string>& Lines) override;
  void EnableForm(bool Enable) override;
  void SetInsertEnabled(bool MenuItem, bool ToolButton) override;
  // Empties the editors.
  void LoadDefaults();
  // The progress bar back to 0.
  void ResetProgress();
  // The HTTP client's progress: the bar shows the bytes moved.
  void WebTransferProgress(int ByteCount);
  // The editors follow the read-only state (date fields stay read-only: the date picker edits them).
  void SetReadOnlyState(bool ReadOnly);

  // The field layout: places the controls for the window's size (also on every resize).
  void FormResize(TObject* Sender);

  // ---- The search list (client/view_search_list.cpp) ----
  // The list row the search list buttons showed last; -1 (none) after the login.
  int SearchPosition = -1;
  void NextSearchClick();
  void PreviousSearchClick();
  // The "Search List" box: the shown record put on the list or taken off it.
  void SearchListBoxClick();
  // List emptied, sorted, then column 0 of every row of the search list (header and empty row too).
  void FillSearchList(TStringList& List);
  bool InSearchList(const std::string& Code);
  void ReadonlyBoxClick();
  // The notebook's page change: the "HTML" page's field menu takes the field names
  // (client/view_page_commands.cpp).
  void RecordBookChange();
  // Pops the rich text's field menu up at the mouse cursor.
  void AddBtnClick();
  // The three memos, line by line, to the default printer as plain text.
  void PrintDetailClick();
  void ViewRecordClick();
  // "View the Search List": the search results window, or the record window while the client
  // runs without one (no search or report window has been opened yet)
  // (client/view_search_list.cpp).
  void ViewtheSpreadSheet1Click();
  // Help: the help file is set, then its topic is opened (there is no help viewer here: the
  // topics open as the pages of the help menu).
  void HelpBtnClick();
  void TableofContents1Click();
  void ReferenceManual1Click();
  // Binds the notes page's print and the help key.
  void WirePageCommands();

  // A named control or menu item, for the command bindings and the tests.
  TComponent* Find(const std::string& name) const { return FindComponent(name); }

protected:
  void Resize() override;
  void Activate() override;

private:
  void BuildHeader();
  void BuildRecordPage();
  void BuildItemPage();
  void BuildGridPage(TGridPage& page, int number);
  void BuildNotesPage();
  void BuildTextPage();
  void BuildPicturePage();
  void BuildStatusLine();
  void BuildComponents();
  void BuildMainMenu();
  void LayoutRecordPage();
  // The least client height at which every row of the record page shows.
  int LeastClientHeight() const;
  void WireEvents();
  void CreateLogic(TServerTransport* Transport);
  // One step (+1 or -1) through the search list, wrapping at its ends.
  void StepSearchList(int Direction);
  void LoadGrid(TQnStringGrid& Grid, int Rows, const std::string& Text, const std::vector<std::string>& Captions);

  bool FLayingOut = false;
  bool FShowing = false;        // the window is being filled: the editors' events are not changes
  bool FLoginPosted = false;
  bool FLoginRunning = false;  // the login step is under way (its windows activate this one)
  std::unique_ptr<TServerTransport> FTransport;
  std::array<bool, 10> FDateDetail{};
  std::array<bool, 100> FItemMarks{};  // the item list's check marks as last shown or changed
  std::array<bool, 6> FDateOther{};
};
