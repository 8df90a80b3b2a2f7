// List boxes and combo boxes: items, selection and the drop-down state live in fields. A user's
// choice fires OnClick (and for a combo box OnSelect, or OnChange without it); code setting
// ItemIndex fires nothing, as in the class library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/string_list.h"
#include "platform/ui/edits.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TNativeControl {
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  std::string WindowClass() const override { return "LISTBOX"; }

  TStrings& Items() { return *FItems; }
  void SetItems(const TStrings& value) { FItems->Assign(&value); }
  int Count() const { return FItems->Count(); }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool Selected(int index) const;
  void SetSelected(int index, bool value);
  int SelCount() const;
  bool Sorted() const { return FItems->Sorted(); }
  void SetSorted(bool value) { FItems->SetSorted(value); }
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  int TopIndex() const;
  void SetTopIndex(int value);
  // The item at a client point: -1 past the items when Existing, else Count.
  int ItemAtPos(TPoint pos, bool Existing) const;
  TRect ItemRect(int index) const;
  void Clear() { FItems->Clear(); }

  void WndProc(TMessage& message) override;
  int MeasureItem(int index) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  // Reports of a native peer: the user chose one item (single selection) or changed the set
  // of selected items (multiple selection, with the focused item).
  void PeerItemChosen(int index);
  void PeerSelectionChanged(const std::vector<bool>& selected, int focused);
  void PeerTopIndexChanged(int index) { FTopIndex = index; }

protected:
  void PushState() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void PaintHandler(TPainter& painter) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  // The choice of an item is the click (on the press); the release adds none.
  void UserClick() override {}

private:
  void ItemsChanged();
  int RowHeight(int index) const;
  void PushSelection();

  std::unique_ptr<TStringList> FItems;
  std::vector<bool> FSelected;
  int FItemIndex = -1;
  bool FMultiSelect = false;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16;
  int FTopIndex = 0;
};

class TListBox : public TCustomListBox {
public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TNativeControl {
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  std::string WindowClass() const override { return "COMBOBOX"; }

  TStrings& Items() { return *FItems; }
  void SetItems(const TStrings& value) { FItems->Assign(&value); }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  // Code setting the text fires nothing; a drop-down list takes the item of that text.
  void SetText(const std::string& value) override;
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  bool Sorted() const { return FItems->Sorted(); }
  void SetSorted(bool value) { FItems->SetSorted(value); }
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  int DroppedWidth() const { return FDroppedWidth; }
  bool DroppedDown() const { return FDroppedDown; }
  void SetDroppedDown(bool value);
  int MaxLength() const { return FEdit->MaxLength(); }
  void SetMaxLength(int value) { FEdit->SetMaxLength(value); }
  // The selection in the edit part.
  int SelStart() const { return FEdit->SelStart(); }
  int SelLength() const { return FEdit->SelLength(); }
  void SetSelStart(int value);
  void SetSelLength(int value);
  std::string SelText() const { return FEdit->SelText(); }
  void SelectAll();
  bool Editable() const { return FStyle == csDropDown || FStyle == csSimple; }
  void Clear();

  void WndProc(TMessage& message) override;
  int MeasureItem(int index) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  // Reports of a native peer.
  void PeerItemChosen(int index);
  void PeerTextEdited(const std::string& text, int caret);
  void PeerSelectionChanged(int anchor, int caret);
  void PeerDroppedDown(bool dropped);

protected:
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  void PushState() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void UserClick() override;

private:
  void ItemsChanged();
  void EditChanged();
  void ChooseItem(int index);
  void SetEditSilently(const std::string& text);

  std::unique_ptr<TStringList> FItems;
  std::unique_ptr<TCustomEdit> FEdit;  // the edit part's text and selection; never shown
  bool FSilent = false;
  int FItemIndex = -1;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  int FItemHeight = 16;
  int FDroppedWidth = 0;
  bool FDroppedDown = false;
};

class TComboBox : public TCustomComboBox {
public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
