#include "client/category_tree_editor.h"

#include "client/core/client_settings.h"
#include "client/tree_nodes.h"
#include "client/view_layout.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/streams.h"
#include "platform/ui/application.h"
#include "records/description_tree.h"

using namespace view_layout;

TAddDescription::TAddDescription(TComponent* AOwner) : TForm(AOwner) {
  SetName("AddDescription");
  SetCaption("Add Category");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  PaintFormBackground(this);
  OpenKey = [] { return OpenSettingsKey(); };
  int width = 369, height = 393;
  ReadFormSize(*OpenKey(), "AddDesc", 369, 393, width, height);
  SetBounds(0, 0, std::max(300, width), std::max(300, height));

  DescriptionList = Make<TTreeView>(this, this, "DescriptionList", 8, 8, 100, 100);
  DescriptionList->SetHideSelection(false);
  DescriptionList->SetReadOnly(true);
  DescriptionList->SetDragMode(dmAutomatic);
  DescriptionList->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragState, bool& accept) {
    accept = source == DescriptionList && CanDrop(DescriptionList->GetNodeAt(x, y));
  };
  DescriptionList->OnDragDrop = [this](TObject*, TObject* source, int x, int y) {
    if (source == DescriptionList) DropOn(DescriptionList->GetNodeAt(x, y));
  };

  NamePanel = Make<TPanel>(this, this, "NamePanel", 0, 0, 330, 30);
  NamePanel->SetBevelOuter(bvNone);
  NamePanel->SetCaption("");
  NameLabel = MakeCaptioned<TLabel>(this, NamePanel, "NameLabel", "Category Name", 4, 7, 90, 15);
  CategoryName = Make<TEdit>(this, NamePanel, "CategoryName", 98, 4, 228, 21);

  ButtonPanel = Make<TPanel>(this, this, "ButtonPanel", 0, 0, 330, 124);
  ButtonPanel->SetBevelOuter(bvNone);
  ButtonPanel->SetCaption("");
  struct {
    TButton** button;
    const char* name;
    const char* caption;
    void (TAddDescription::*handler)(TObject*);
  } const buttons[] = {
      {&InsertBtn, "Insert", "Insert", &TAddDescription::InsertClick},
      {&AddChildBtn, "AddChild", "Add Child", &TAddDescription::AddChildClick},
      {&RemoveBtn, "Remove", "Remove", &TAddDescription::RemoveClick},
      {&RenameBtn, "Rename", "Rename", &TAddDescription::RenameClick},
      {&SortChildrenBtn, "SortChildren", "Sort Children", &TAddDescription::SortChildrenClick},
      {&SortEverythingBtn, "SortEverything", "Sort Everything", &TAddDescription::SortChildrenClick},
      {&MakeDefaultBtn, "MakeDefault", "Make Default", &TAddDescription::MakeDefaultClick},
      {&HelpBtn, "HelpBtn", "Help", &TAddDescription::HelpBtnClick},
      {&CloseFormBtn, "CloseForm", "Close", &TAddDescription::CloseFormClick},
  };
  int i = 0;
  for (const auto& b : buttons) {
    *b.button = MakeCaptioned<TButton>(this, ButtonPanel, b.name, b.caption, 4 + (i % 3) * 108, 4 + (i / 3) * 40,
                                      104, 32);
    auto handler = b.handler;
    (*b.button)->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
    ++i;
  }
  OnClose = [](TObject*, TCloseAction& action) { action = caHide; };
  AfterConstruction();
  FormResize(this);
}

TAddDescription::~TAddDescription() { BeforeDestruction(); }

void TAddDescription::Activate() {
  TForm::Activate();
  if (!FActivated) {
    FActivated = true;
    FormActivate(this);
  }
}

void TAddDescription::Deactivate() {
  TForm::Deactivate();
  FormDeactivate(this);
}

void TAddDescription::Resize() {
  TForm::Resize();
  FormResize(this);
}

void TAddDescription::FormActivate(TObject*) {
  SetCaption("Add " + DescriptionCaption + " Category");
  CategoryName->Clear();
  if (Tree)
    TreeToView(*Tree, *DescriptionList);
  else
    DescriptionList->Items().Clear();
}

void TAddDescription::StoreTree() {
  if (Tree) *Tree = TreeFromView(*DescriptionList);
}

void TAddDescription::FormDeactivate(TObject*) {
  if (!FActivated) return;
  StoreTree();
  std::unique_ptr<TCustomIniFile> key = OpenKey();
  WriteFormSize(*key, "AddDesc", Width(), Height());
  key->UpdateFile();
}

std::string TAddDescription::FullName(const TTreeNode* Node) {
  std::string name;
  for (const TTreeNode* n = Node; n; n = n->Parent()) {
    if (!name.empty()) name += " : ";
    name += n->Text();
  }
  return name;
}

void TAddDescription::UpdateRecord(TTreeNode* Node) {
  if (!Node) return;
  LastValue = FullName(Node);
  if (OnUpdateRecord) OnUpdateRecord(LastValue);
}

void TAddDescription::InsertClick(TObject*) {
  const std::string text = CategoryName->Text();
  if (text.empty()) return;
  TTreeNode* node = DescriptionList->Items().Add(DescriptionList->Selected(), text);
  DescriptionList->SetSelected(node);
  UpdateRecord(node);
}

void TAddDescription::AddChildClick(TObject*) {
  const std::string text = CategoryName->Text();
  if (text.empty()) return;
  TTreeNode* parent = DescriptionList->Selected();
  TTreeNode* node = DescriptionList->Items().AddChild(parent, text);
  if (parent) parent->Expand(false);
  DescriptionList->SetSelected(node);
  UpdateRecord(node);
}

void TAddDescription::RemoveClick(TObject*) {
  TTreeNode* node = DescriptionList->Selected();
  if (!node) return;
  node->DeleteChildren();
  node->Delete();
}

void TAddDescription::RenameClick(TObject*) {
  TTreeNode* node = DescriptionList->Selected();
  const std::string text = CategoryName->Text();
  if (!node || text.empty()) return;
  node->SetText(text);
}

void TAddDescription::SortChildrenClick(TObject* Sender) {
  if (Sender == SortEverythingBtn) {
    DescriptionList->AlphaSort(true);
    return;
  }
  if (TTreeNode* node = DescriptionList->Selected()) node->AlphaSort(false);
}

void TAddDescription::MakeDefaultClick(TObject*) {
  TFileStream file(ProgramFolder + "description" + std::to_string(Description) + ".def", fmCreate);
  DescriptionList->SaveToStream(file);
}

void TAddDescription::CloseFormClick(TObject*) { Close(); }

void TAddDescription::HelpBtnClick(TObject*) {
  GetApplication().SetHelpFile(ProgramFolder + "Vellumry.hlp");
  if (OpenHelp) OpenHelp(HelpTopic);
}

bool TAddDescription::CanDrop(const TTreeNode* Target) const {
  const TTreeNode* dragged = DescriptionList->Selected();
  return dragged && Target && Target != dragged && Target->Level() == dragged->Level();
}

void TAddDescription::DropOn(TTreeNode* Target) {
  if (!CanDrop(Target)) return;
  DescriptionList->Selected()->MoveTo(Target, naInsert);
}

void TAddDescription::FormResize(TObject*) {
  if (!DescriptionList || !ButtonPanel) return;
  // The tree fills the window less 17 by 15; the button and name panels sit at fixed heights
  // above its bottom edge, centred; the list itself leaves them room below it.
  const TRect client = ClientRect();
  const int treeWidth = std::max(100, client.Width() - 17);
  const int treeHeight = std::max(200, client.Height() - 15);
  const int bottom = 8 + treeHeight;
  ButtonPanel->SetBounds(8 + (treeWidth - ButtonPanel->Width()) / 2, bottom - 137, ButtonPanel->Width(),
                         ButtonPanel->Height());
  NamePanel->SetBounds(8 + (treeWidth - NamePanel->Width()) / 2, bottom - 169, NamePanel->Width(),
                       NamePanel->Height());
  DescriptionList->SetBounds(16, 8, std::max(80, treeWidth - 16), std::max(40, treeHeight - 192));
}
