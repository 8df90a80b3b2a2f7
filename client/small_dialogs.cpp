#include "client/small_dialogs.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "client/core/client_settings.h"
#include "client/tree_nodes.h"
#include "client/view_layout.h"
#include "controls/html_label.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/winsock.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/tree_view.h"
#include "records/description_tree.h"

using namespace view_layout;

std::string TodayText() { return FormatDateTime("yyyy/mm/dd", Date()); }

// ---- TSmallDialog --------------------------------------------------------------------------

TSmallDialog::TSmallDialog(TComponent* AOwner, const std::string& caption, int width, int height)
    : TForm(AOwner) {
  SetCaption(caption);
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  PaintFormBackground(this);
  SetBounds(0, 0, width, height);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 0, 0, 75, 25);
  OKBtn->SetDefault(true);
  OKBtn->OnClick = [this](TObject*) {
    if (Accept && !Accept()) return;
    Accepted = true;
    SetModalResult(mrOk);
  };
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 0, 0, 75, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  PlaceButtons(true);
}

void TSmallDialog::PlaceButtons(bool withCancel) {
  const int top = Height() - 25 - 12;
  CancelBtn->SetVisible(withCancel);
  CancelBtn->SetBounds(Width() - 75 - 12, top, 75, 25);
  OKBtn->SetBounds(withCancel ? Width() - 2 * 75 - 18 : Width() - 75 - 12, top, 75, 25);
}

TEdit* TSmallDialog::AddEditRow(const std::string& name, const std::string& caption, int top, int editLeft,
                               TLabel** label) {
  TLabel* l = MakeCaptioned<TLabel>(this, this, name + "Label", caption, 14, top + 3, editLeft - 18, 15);
  if (label) *label = l;
  return Make<TEdit>(this, this, name, editLeft, top, 236, 21);
}

void TSmallDialog::DoShow() {
  FActivated = false;
  TForm::DoShow();
}

void TSmallDialog::Activate() {
  TForm::Activate();
  if (!FActivated) {
    FActivated = true;
    if (Fill) Fill();
  }
}

// ---- Date format ---------------------------------------------------------------------------

TSelectDateFormatForm::TSelectDateFormatForm(TComponent* AOwner)
    : TSmallDialog(AOwner, "Select Date Format", 260, 130) {
  SetName("SelectDateFormatForm");
  MonthFirst = MakeCaptioned<TRadioButton>(this, this, "MonthFirst", "MM/DD/YYYY", 20, 16, 200, 20);
  DayFirst = MakeCaptioned<TRadioButton>(this, this, "DayFirst", "DD/MM/YYYY", 20, 42, 200, 20);
  Fill = [this] {
    if (DateFormat == "mm/dd/yyyy")
      MonthFirst->SetChecked(true);
    else
      DayFirst->SetChecked(true);
  };
  Accept = [this] {
    DateFormat = MonthFirst->Checked() ? "mm/dd/yyyy" : "dd/mm/yyyy";
    return true;
  };
}

// ---- Database information ------------------------------------------------------------------

TDatabaseInformationForm::TDatabaseInformationForm(TComponent* AOwner)
    : TSmallDialog(AOwner, "Please enter database information:", 400, 318) {
  SetName("DatabaseInformationForm");
  struct {
    TEdit** edit;
    TLabel** label;
    const char* name;
    const char* caption;
  } const rows[] = {
      {&DatabaseName, nullptr, "DatabaseName", "Database Name"},
      {&DatabaseAuthor, nullptr, "DatabaseAuthor", "Database Author"},
      {&DatabaseDescription, nullptr, "DatabaseDescription", "Database Description"},
      {&DateCreated, nullptr, "DateCreated", "Date Created"},
      {&DateUpdated, nullptr, "DateUpdated", "Date Updated"},
      {&DatabaseType, &TypeLabel, "DatabaseType", "Database Type"},
      {&FileCode, nullptr, "FileCode", "Tallowind Code"},
      {&Size, nullptr, "Size", "Size"},
  };
  int top = 14;
  for (const auto& r : rows) {
    *r.edit = AddEditRow(r.name, r.caption, top, 148, r.label);
    top += 29;
  }
  for (TEdit* e : {DateCreated, DateUpdated, FileCode, Size}) {
    e->SetReadOnly(true);
    e->SetColor(clBtnFace);
  }
  TypeLabel->Font().SetStyle({fsUnderline});
  TypeLabel->SetCursor(crHandPoint);
  TypeLabel->OnClick = [this](TObject* s) { TypeLabelClick(s); };
  Fill = [this] {
    // A date is stored as "yyyy/mm/dd" and shown as the database writes its dates.
    const auto Shown = [this](const std::string& Stored) {
      TDateTime D;
      return !DateFormat.empty() && TryStrToDate(Stored, D, "yyyy/mm/dd") ? FormatDateTime(DateFormat, D) : Stored;
    };
    DatabaseName->SetText(Info.Name);
    DatabaseAuthor->SetText(Info.Author);
    DatabaseDescription->SetText(Info.Description);
    DateCreated->SetText(Shown(Info.CDate));
    DateUpdated->SetText(Shown(Info.UDate));
    DatabaseType->SetText(Info.Type);
    FileCode->SetText(Info.FileCode);
    Size->SetText(Info.Size);
    DatabaseType->SetReadOnly(!DatabaseType->Text().empty() && Info.Type != "Blank" && Info.Type != "Fitness");
    // The code and the size are the database's own: nothing the user gives.
    FileCode->Clear();
    Size->Clear();
    FocusControl(DatabaseName);
  };
  Accept = [this] {
    if (DatabaseName->Text().empty()) {
      MessageDlg("Please enter a name for your database.", mtInformation, {mbOK});
      return false;
    }
    if (DatabaseType->Text().empty()) {
      MessageDlg("Please enter database type.", mtInformation, {mbOK});
      return false;
    }
    Info.Name = DatabaseName->Text();
    Info.Author = DatabaseAuthor->Text();
    Info.Description = DatabaseDescription->Text().empty() ? Info.Name : DatabaseDescription->Text();
    Info.Type = DatabaseType->Text();
    // The dates are the database's own and stay as stored.
    return true;
  };
}

void TDatabaseInformationForm::TypeLabelClick(TObject*) {
  std::string type = DatabaseType->Text();
  if (InputQuery("type", "type", type)) DatabaseType->SetText(type);
}

// ---- E-mail settings -----------------------------------------------------------------------

namespace {
struct TMailKey {
  TEdit* TEmailSettingsForm::*Edit;
  const char* Key;
};
const TMailKey kMailKeys[] = {
    {&TEmailSettingsForm::MailServer, "MailServer"},   {&TEmailSettingsForm::MailPort, "MailPort"},
    {&TEmailSettingsForm::SenderName, "SenderName"},   {&TEmailSettingsForm::SenderEmail, "SenderEmail"},
    {&TEmailSettingsForm::RecipientName, "RecipientName"}, {&TEmailSettingsForm::RecipientEmail, "RecipientEmail"},
};
}  // namespace

TEmailSettingsForm::TEmailSettingsForm(TComponent* AOwner) : TSmallDialog(AOwner, "Email Settings", 380, 252) {
  SetName("EmailSettingsForm");
  const char* captions[] = {"Mail Server", "Mail Port", "Sender Name", "Sender Email", "Recipient Name",
                            "Recipient Email"};
  int top = 14;
  for (int i = 0; i < 6; ++i) {
    this->*kMailKeys[i].Edit = AddEditRow(kMailKeys[i].Key, captions[i], top, 128);
    top += 29;
  }
  OpenKey = [] { return OpenSettingsKey(); };
  Fill = [this] {
    std::unique_ptr<TCustomIniFile> key = OpenKey();
    for (const TMailKey& k : kMailKeys) {
      std::string fallback;
      if (std::string(k.Key) == "MailServer") fallback = DefaultHost;
      if (std::string(k.Key) == "MailPort") fallback = DefaultPort;
      (this->*k.Edit)->SetText(key->ReadString("SETTINGS", k.Key, fallback));
    }
  };
  Accept = [this] {
    std::unique_ptr<TCustomIniFile> key = OpenKey();
    for (const TMailKey& k : kMailKeys) key->WriteString("SETTINGS", k.Key, (this->*k.Edit)->Text());
    key->UpdateFile();
    return true;
  };
}

// ---- Server settings -----------------------------------------------------------------------

TServerSettingsForm::TServerSettingsForm(TComponent* AOwner) : TSmallDialog(AOwner, "Server Settings", 460, 318) {
  SetName("ServerSettingsForm");
  URLLabel = MakeCaptioned<TLabel>(this, this, "URLLabel", "Online URL:", 14, 17, 120, 15);
  URLBox = Make<TEdit>(this, this, "URLBox", 14, 36, 346, 21);
  URLBox->SetReadOnly(true);
  CopyURLBtn = MakeCaptioned<TButton>(this, this, "CopyURLBtn", "Copy URL", 366, 34, 80, 25);
  CopyURLBtn->OnClick = [this](TObject* s) { CopyURLBtnClick(s); };
  Explanation = Make<TMarkupLabel>(this, this, "Explanation", 14, 68, 432, 110);
  MakeCaptioned<TLabel>(this, this, "AddressTitle", "This computer's addresses:", 14, 186, 200, 15);
  AddressList = Make<TListBox>(this, this, "AddressList", 14, 204, 200, 60);
  CancelBtn->SetVisible(false);
  PlaceButtons(false);
  const char* listen = std::getenv("QN_LISTEN");
  ListenAddress = listen && *listen ? listen : "127.0.0.1";
  LocalAddresses = [] {
    std::vector<std::string> addresses;
    char host[256] = {};
    if (winsock::gethostname(host, sizeof host - 1) != 0) return addresses;
    if (hostent* entry = winsock::gethostbyname(host))
      for (char** a = entry->h_addr_list; a && *a; ++a) {
        in_addr address;
        std::memcpy(&address, *a, sizeof address);
        addresses.push_back(winsock::inet_ntoa(address));
      }
    return addresses;
  };
  Fill = [this] {
    if (DatabaseType == "Library") URLLabel->SetCaption("Online Search URL:");
    std::string reply;
    if (!FetchPublicAddress || !FetchPublicAddress(reply)) reply.clear();
    URLBox->SetText(URLFromReply(reply));
    TStringList html;
    const std::string port = std::to_string(Port);
    if (ListenAddress.empty() || ListenAddress.rfind("127.", 0) == 0) {
      // The web server answers this computer alone: say so, and how to open it.
      // The heading a size above the text: bold alone hardly shows at the text's small size.
      html.Add("<font size=\"10\"><b>This server answers this computer only</b></font><br>");
      html.Add("The web server listens on the loopback address " + (ListenAddress.empty() ? std::string("127.0.0.1") : ListenAddress) +
               ", so other computers cannot reach it.  To open it to your network, start the program with "
               "QN_LISTEN set to one of this computer's addresses below (or 0.0.0.0 for all of them) and "
               "let port <b>" + port + "</b> through the firewall.");
    } else {
      html.Add("<font size=\"10\"><b>Reaching this server from other computers</b></font><br>");
      html.Add("The web server listens on " + ListenAddress + ", port " + port +
               ".  Other computers on your network reach it at one of this computer's addresses below.  To "
               "reach it from the Internet, your router must forward port <b>" + port +
               "</b> to this computer; the address above is then the one to give out.");
    }
    Explanation->SetHTMLText(html);
    AddressList->Items().Clear();
    if (LocalAddresses)
      for (const std::string& a : LocalAddresses()) AddressList->Items().Add(a);
  };
}

namespace {
// A host address as a URL takes it: letters, digits, "." and "-" (a name or dotted address), or
// hexadecimal digits with ":" (an IPv6 address, put in brackets); "" for anything else.
std::string URLHost(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t from = 0;
  while (from < text.size() && blank(text[from])) ++from;
  text.erase(0, from);
  if (text.empty() || text.size() > 253) return "";
  bool colon = false;
  for (char c : text) {
    colon = colon || c == ':';
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != ':') return "";
  }
  return colon ? "[" + text + "]" : text;
}

bool Loopback(const std::string& address) { return address.rfind("127.", 0) == 0 || address == "::1"; }
}  // namespace

std::string TServerSettingsForm::URLFromReply(const std::string& Reply) const {
  // The reply's lines end at carriage returns; bytes below 16 are dropped.
  std::vector<std::string> lines(1);
  for (char c : Reply) {
    if (c == '\r')
      lines.emplace_back();
    else if (static_cast<unsigned char>(c) >= 16)
      lines.back() += c;
  }
  // The public address the echo page saw; without one, an address of this machine that other
  // computers of its network reach; without that, none is known.
  std::string host = lines.size() < 2 ? "" : URLHost(lines[1]);
  if (host.empty() && LocalAddresses)
    for (const std::string& a : LocalAddresses())
      if (!Loopback(a) && !(host = URLHost(a)).empty()) break;
  if (host.empty()) return "Not Available";
  std::string url = "http://" + host + ":" + std::to_string(Port) + "/database/qnserver.exe";
  if (DatabaseType == "Library")
    url += "?Catalog=Yes&Database=" + DatabaseName;
  else
    url += "?IM=Yes&F=N&Database=" + DatabaseName;
  return url;
}

void TServerSettingsForm::CopyURLBtnClick(TObject*) {
  URLBox->SelectAll();
  Clipboard().SetAsText(URLBox->Text());
}

// ---- Quantity --------------------------------------------------------------------------------

TEditQuantityForm::TEditQuantityForm(TComponent* AOwner) : TSmallDialog(AOwner, "Edit Quantity", 280, 150) {
  SetName("EditQuantityForm");
  FieldLabel = MakeCaptioned<TLabel>(this, this, "FieldLabel", "Amount", 14, 17, 90, 15);
  AmountBox = Make<TEdit>(this, this, "AmountBox", 108, 14, 150, 21);
  AddBtn = MakeCaptioned<TRadioButton>(this, this, "AddBtn", "Add", 108, 44, 70, 20);
  RemoveBtn = MakeCaptioned<TRadioButton>(this, this, "RemoveBtn", "Remove", 180, 44, 80, 20);
  AddBtn->SetChecked(true);
  Fill = [this] {
    SetCaption("Edit " + FieldName);
    FieldLabel->SetCaption(FieldName);
    Amount = 0;
    FocusControl(AmountBox);
  };
  Accept = [this] {
    const std::string text = (RemoveBtn->Checked() ? "-" : "") + AmountBox->Text();
    int value = 0;
    Amount = TryStrToInt(text, value) ? value : 0;
    return true;
  };
}

namespace {
// A label that wraps its caption within Width: the lines it needs, never wider than that.
TLabel* WrappedLabel(TForm* Form, const std::string& Name, const std::string& Caption, int Left, int Top, int Width) {
  auto* L = Make<TLabel>(Form, Form, Name, Left, Top, Width, 15);
  L->SetWordWrap(true);
  L->SetCaption(Caption);
  L->SetBounds(Left, Top, Width, L->Height());
  return L;
}
}  // namespace

// ---- Field name and type -------------------------------------------------------------------

TEditFieldForm::TEditFieldForm(TComponent* AOwner) : TSmallDialog(AOwner, "Edit Text Field", 330, 180) {
  SetName("EditFieldForm");
  MakeCaptioned<TLabel>(this, this, "NameLabel", "Field Name", 14, 17, 80, 15);
  NameBox = Make<TEdit>(this, this, "NameBox", 100, 14, 212, 21);
  MakeCaptioned<TLabel>(this, this, "TypeLabel", "Field Type", 14, 46, 80, 15);
  TypeBox = Make<TComboBox>(this, this, "TypeBox", 100, 43, 212, 21);
  // Every kind the record window reacts to; a reminder date is a date the reminder report finds.
  for (const char* kind : {"Text", "Date", "Reminder Date", "Money", "Quantity", "Desired Quantity", "Barcode",
                           "Email Address", "URL", "Record Counter"})
    TypeBox->Items().Add(kind);
  WrappedLabel(this, "Note", "Note: Field type should only be changed when the database is empty.", 14, 76, 300);
  Fill = [this] {
    NameBox->SetText(FieldName);
    TypeBox->SetText(FieldType);
    FocusControl(NameBox);
  };
  Accept = [this] {
    FieldName = NameBox->Text();
    FieldType = TypeBox->Text();
    return true;
  };
}

// ---- Item editing --------------------------------------------------------------------------

TEditSkillForm::TEditSkillForm(TComponent* AOwner) : TSmallDialog(AOwner, "Edit Skill", 380, 300) {
  SetName("EditSkillForm");
  SkillTitle = MakeCaptioned<TLabel>(this, this, "SkillTitle", "Skill Title", 14, 12, 350, 20);
  SkillTitle->Font().SetSize(11);
  SkillTitle->Font().SetStyle({fsBold, fsUnderline});
  SkillTitle->OnDblClick = [this](TObject* s) { SkillTitleDblClick(s); };
  Value1Label = MakeCaptioned<TLabel>(this, this, "Value1Label", "Version/Model", 14, 42, 350, 15);
  Value1Box = Make<TEdit>(this, this, "Value1Box", 14, 60, 350, 21);
  Value2Label = MakeCaptioned<TLabel>(this, this, "Value2Label", "Notes", 14, 88, 350, 15);
  Value2Box = Make<TMemo>(this, this, "Value2Box", 14, 106, 350, 80);
  FlagBox = MakeCaptioned<TCheckBox>(this, this, "FlagBox", "Uses Product/Service", 14, 192, 250, 20);
  auto* hint = MakeCaptioned<TLabel>(this, this, "Hint",
                                     "To change title double-click underlined area at the top of this window.",
                                     14, 216, 350, 15);
  hint->Font().SetColor(clGray);
  Fill = [this] {
    SkillTitle->SetCaption(ItemName);
    FlagBox->SetChecked(Flag);
    Value1Box->SetText(Value1);
    Value2Box->SetText(Value2);
    // Each part is named as the item list names its column: the check mark is the first column's
    // (the item is selected), the two strings are the second and third columns.
    if (ColumnCaptions.size() > 0) FlagBox->SetCaption("Select " + ColumnCaptions[0]);
    if (ColumnCaptions.size() > 1) Value1Label->SetCaption(ColumnCaptions[1]);
    if (ColumnCaptions.size() > 2) Value2Label->SetCaption(ColumnCaptions[2]);
  };
  Accept = [this] {
    Value1 = Value1Box->Text();
    Value2 = Value2Box->Text();
    Flag = FlagBox->Checked();
    return true;
  };
}

void TEditSkillForm::SkillTitleDblClick(TObject*) {
  std::string name = SkillTitle->Caption();
  if (!InputQuery("Skill Name:", "Enter New Skill Name", name)) return;
  SkillTitle->SetCaption(name);
  ItemName = name;
  if (OnRename) OnRename(name);
}

// ---- Drop-down choices ---------------------------------------------------------------------

TDropDownMenuForm::TDropDownMenuForm(TComponent* AOwner)
    : TSmallDialog(AOwner, "Edit Drop Down Menu Options", 380, 360) {
  SetName("DropDownMenuForm");
  WrappedLabel(this, "Instructions",
               "Instructions:  Enter each menu choice on a separate line.  Indent sub-items with <TAB>.", 14, 10,
               350);
  Choices = Make<TMemo>(this, this, "Choices", 14, 46, 350, 230);
  Choices->SetWantTabs(true);
  Choices->SetScrollBars(ssBoth);
  TreeViewBtn = MakeCaptioned<TButton>(this, this, "TreeViewBtn", "Tree View", 14, 0, 90, 25);
  TreeViewBtn->SetTop(OKBtn->Top());
  TreeViewBtn->OnClick = [this](TObject* s) { TreeViewBtnClick(s); };
  Fill = [this] { LoadChoices(); };
  Accept = [this] {
    if (Tree) *Tree = TreeFromLines(Choices->Text());
    return true;
  };
}

void TDropDownMenuForm::LoadChoices() {
  Choices->Lines().Clear();
  if (Tree) Choices->SetText(TreeToLines(*Tree));
}

void TDropDownMenuForm::TreeViewBtnClick(TObject*) {
  // The tree opens from the lines as typed: what was typed is not lost on the way.
  if (Tree) *Tree = TreeFromLines(Choices->Text());
  if (OnTreeView) OnTreeView();
  LoadChoices();
}

// ---- About -----------------------------------------------------------------------------------

TAboutBox::TAboutBox(TComponent* AOwner) : TSmallDialog(AOwner, "About", 300, 150) {
  SetName("AboutBox");
  ProductName = MakeCaptioned<TLabel>(this, this, "ProductName", "", 20, 20, 260, 22);
  ProductName->Font().SetSize(13);
  ProductName->Font().SetStyle({fsBold});
  Version = MakeCaptioned<TLabel>(this, this, "Version", "", 20, 52, 260, 15);
  CancelBtn->SetVisible(false);
  PlaceButtons(false);
  Fill = [this] {
    ProductName->SetCaption(Title);
    Version->SetCaption("Version 1.05 " + ProgramName);
  };
}

