// TAddDescription: the category tree editor of one description. It edits the tree of allowed
// values (categories and sub-categories) that the description's pop-up menu is built from; a
// value chosen here goes into the description field as the category's full name.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tree_view.h"

class TCustomIniFile;
struct TDescriptionTree;

class TAddDescription : public TForm {
public:
  explicit TAddDescription(TComponent* AOwner);
  ~TAddDescription() override;

  // ---- Set by the opener ----
  int Description = 1;                 // 1..10
  std::string DescriptionCaption;      // the caption of the description's label
  TDescriptionTree* Tree = nullptr;    // the description's value tree (read and stored here)
  std::string ProgramFolder;           // where "Make Default" writes, with a trailing separator
  // The settings key (the window's size); the client's key by default.
  std::function<std::unique_ptr<TCustomIniFile>()> OpenKey;
  // A node was inserted or added: its full name goes into the description field.
  std::function<void(const std::string& FullName)> OnUpdateRecord;
  // The last full name given to OnUpdateRecord ("" when none).
  std::string LastValue;
  // "Help": opens this help topic (the opener knows where the help pages are).
  static constexpr const char* HelpTopic = "Customizing the Software";
  std::function<void(const std::string& Topic)> OpenHelp;

  // ---- Controls ----
  TTreeView* DescriptionList = nullptr;
  TPanel* NamePanel = nullptr;
  TLabel* NameLabel = nullptr;
  TEdit* CategoryName = nullptr;
  TPanel* ButtonPanel = nullptr;
  TButton* InsertBtn = nullptr;
  TButton* AddChildBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* RenameBtn = nullptr;
  TButton* SortChildrenBtn = nullptr;
  TButton* SortEverythingBtn = nullptr;
  TButton* MakeDefaultBtn = nullptr;
  TButton* HelpBtn = nullptr;
  TButton* CloseFormBtn = nullptr;

  // ---- Handlers ----
  void FormActivate(TObject* Sender);
  void FormDeactivate(TObject* Sender);
  void InsertClick(TObject* Sender);
  void AddChildClick(TObject* Sender);
  void RemoveClick(TObject* Sender);
  void RenameClick(TObject* Sender);
  void SortChildrenClick(TObject* Sender);
  void MakeDefaultClick(TObject* Sender);
  void CloseFormClick(TObject* Sender);
  void HelpBtnClick(TObject* Sender);
  void FormResize(TObject* Sender);
  void UpdateRecord(TTreeNode* Node);
  // The node's text, then " : " and each parent's text up to the root.
  static std::string FullName(const TTreeNode* Node);
  // A drop of the selected node over Target is accepted (same level, another node).
  bool CanDrop(const TTreeNode* Target) const;
  // Moves the selected node in front of Target.
  void DropOn(TTreeNode* Target);

protected:
  void Resize() override;
  void Activate() override;
  void Deactivate() override;

private:
  void StoreTree();
  bool FActivated = false;
};
