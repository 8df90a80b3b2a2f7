// The editors of a record window as plain fields: a record view that keeps what it is shown, so
// that a save reads it back.  Used by the client tests and the client benchmarks (no test
// framework here).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "client/core/record_window.h"

class TModelView : public TRecordView {
public:
  ItemRecord Editors;  // what the editors show (Descriptions unused)
  std::array<std::string, 10> DescriptionTexts;
  TConfiguration Shown;
  int Shows = 0;
  int Locks = 0;        // EnableForm(false) calls
  bool Locked = false;
  bool InsertMenu = false, InsertButton = false;
  std::function<void(bool Enable)> OnEnableForm;  // hears every lock and unlock

  void ShowRecord(const ItemRecord& R, const std::array<std::string, 10>& Texts) override {
    ++Shows;
    Editors = R;
    DescriptionTexts = Texts;
  }
  void ReadRecord(ItemRecord& R) override {
    R.Name = Editors.Name;
    R.ReadOnly = Editors.ReadOnly;
    R.Checks = Editors.Checks;
    R.Memos = Editors.Memos;
    R.Grid3Rows = Editors.Grid3Rows;
    R.Grid3 = Editors.Grid3;
    R.Grid4Rows = Editors.Grid4Rows;
    R.Grid4 = Editors.Grid4;
    R.Details = Editors.Details;
    R.Others = Editors.Others;
    R.RichText = Editors.RichText;
    R.ItemNames = Editors.ItemNames;
    R.ItemValues = Editors.ItemValues;
    R.ItemChecks = Editors.ItemChecks;
  }
  bool ReadOnlyChecked() override { return Editors.ReadOnly; }
  void ShowConfiguration(const TConfiguration& C) override { Shown = C; }
  void ShowDescription(int Index, const std::string& Text) override { DescriptionTexts[Index] = Text; }
  void SetMemo(int Index, const std::vector<std::string>& Lines) override { Editors.Memos[Index] = Lines; }
  void EnableForm(bool Enable) override {
    if (!Enable) ++Locks;
    Locked = !Enable;
    if (OnEnableForm) OnEnableForm(Enable);
  }
  void SetInsertEnabled(bool Menu, bool Button) override {
    InsertMenu = Menu;
    InsertButton = Button;
  }
};
