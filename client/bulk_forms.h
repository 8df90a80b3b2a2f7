// The search-and-replace window and the data import window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/core/data_import.h"
#include "client/core/replace_logic.h"
#include "platform/ui/containers.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/page_control.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

class TQnStringGrid;

// "Search and Replace": replace a value, load a default, or load a value where a condition holds.
class TReplaceForm : public TForm {
public:
  TReplaceForm(TComponent* AOwner, const TConfiguration& Config);
  TPageControl* Book = nullptr;
  TComboBox* Field = nullptr;
  TEdit* OldValue = nullptr;
  TEdit* NewValue = nullptr;
  TButton* OKBtn = nullptr;
  TComboBox* DefaultField = nullptr;
  TEdit* DefaultValue = nullptr;
  TButton* OKDefault = nullptr;
  TComboBox* ConditionalField = nullptr;
  TEdit* Conditional = nullptr;
  TComboBox* LoadField = nullptr;
  TEdit* LoadValue = nullptr;
  TButton* ConditionalOK = nullptr;
  TButton* CancelBtn = nullptr;
  TReplaceChoice Choice;

private:
  void Accept(bool Done);
  TReplaceChecks FChecks;
};

// "Import Data": a delimited file or an HTML table into the grid, a field for each column, one
// request for the whole grid.
class TImportForm : public TForm {
public:
  TImportForm(TComponent* AOwner, TServerSession& Session, const TConfiguration& Config,
              const std::string& RecordTitle, const std::string& Folder);
  ~TImportForm() override;

  TPanel* GridPanel = nullptr;
  TQnStringGrid* ImportGrid = nullptr;
  TPanel* ControlPanel = nullptr;
  TButton* SelectImportFileBtn = nullptr;
  TButton* PerformImportBtn = nullptr;
  TButton* ClearImportBtn = nullptr;
  TButton* CloseImportDatabtn = nullptr;
  TPanel* TablePanel = nullptr;
  TButton* IMport = nullptr;
  TButton* BitBtn1 = nullptr;
  TButton* BitBtn2 = nullptr;
  TMemo* html = nullptr;
  TLabel* Lines = nullptr;
  TPopupMenu* FieldMenu = nullptr;
  std::unique_ptr<TImportLogic> Logic;
  // The HTTP client's time-out, set around the import.
  std::function<void(int Seconds)> SetTimeOut;

  void FormActivate();
  void SelectImportFileBtnClick();
  void ImportGridClickCell(int Row, int Col, TPoint Screen);
  void SetFieldMenuEnableState();
  void IMportClick();
  void EnableForm(bool Enable);
  void FormResize();

protected:
  void Resize() override;

private:
  void Loaded(bool Any);
  std::vector<std::string> MemoLines() const;
  void SetMemoLines(const std::vector<std::string>& L);
  std::vector<TImportFieldItem> FItems;
  std::string FFolder;
  int FColumn = -1;
};
