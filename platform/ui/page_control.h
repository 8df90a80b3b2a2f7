// The page control: a tab control whose tabs stand for its sheets (TTabSheet), one of which,
// ActivePage, shows in the display area. Sheets without a visible tab (TabVisible off) stay in
// Pages but get no tab. A user's change of tab asks OnChanging (which may veto) and then tells
// OnChange; setting ActivePage or ActivePageIndex in code asks and tells nobody.
#pragma once

#include <vector>

#include "platform/ui/tab_control.h"

class TPageControl;

class TTabSheet : public TCustomControl {
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return FPageControl; }
  // Moves the sheet into a page control (its parent becomes that control), or out of it.
  void SetPageControl(TPageControl* Value);
  // The position in Pages; setting it moves the sheet.
  int PageIndex() const;
  void SetPageIndex(int Value);
  // The position among the visible tabs, -1 when the sheet has no tab.
  int TabIndex() const;
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  void SetText(const std::string& Value) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  void Paint() override;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

class TPageControl : public TCustomTabControl {
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  // EListError "List index out of bounds (n)" for a bad index.
  TTabSheet* Pages(int Index) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  // Shows the sheet (nullptr hides all); a sheet of another control is ignored.
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // The next (previous) sheet after CurPage with a visible tab, wrapping round; nullptr when
  // there is none.
  TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible);
  // Moves to the next sheet as a user would: OnChanging may veto, OnChange tells.
  void SelectNextPage(bool GoForward, bool CheckTabVisible = true);

protected:
  bool CanChange() override;
  void Change() override;
  void Resize() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void MovePage(TTabSheet* Page, int NewIndex);
  // Rebuilds the tabs from the sheets with visible tabs, keeping the active sheet's tab.
  void UpdateTabs();
  void PlacePages();
  TTabSheet* PageForTab(int TabIndex) const;

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  bool FUpdatingTabs = false;
};
