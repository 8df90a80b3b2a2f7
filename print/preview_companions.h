// The small controls beside a preview: the orientation or pages-per-sheet picture, the paper
// or printer list, and the page navigator's bar of paging and zoom buttons. Each registers with
// its preview and refreshes when the preview reports a change.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/list_controls.h"
#include "platform/ui/speed_button.h"
#include "print/preview.h"

enum TPgGraphicPropertyType { gmMultipageGraphic, gmOrientationGraphic };
enum TPgComboPropertyType { gmPaperList, gmPrinterList };
enum TPgNavigateBtn {
  gmFirstPage, gmPrevPage, gmNextPage, gmLastPage, gmAddPage, gmDeletePage, gmClear, gmZoomIn,
  gmZoomOut, gmActualSize, gmFitWidth, gmFitHeight, gmFitWholePage
};
inline constexpr int kPgNavButtonCount = 13;
using TPgNavigateBtns = TSet<TPgNavigateBtn>;

// The glyph resource, default hint and group of each button kind.
const char* NavButtonGlyph(TPgNavigateBtn kind);
const char* NavButtonHint(TPgNavigateBtn kind);
int NavButtonGroup(TPgNavigateBtn kind);

// Registers with a preview and forgets it when either goes away.
class TPgPreviewLink {
public:
  TPgPreviewLink(TComponent& owner) : FOwner(owner) {}
  ~TPgPreviewLink();
  TPgPreview* Preview() const { return FPreview; }
  // false when it is the same preview.
  bool Set(TPgPreview* preview);
  // From the owner's Notification.
  void Removed(TComponent* component);

private:
  TComponent& FOwner;
  TPgPreview* FPreview = nullptr;
};

class TPgWinControl : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::string About() const { return GetAboutText(this); }
};

class TPgPropertyGraphic : public TPgWinControl {
public:
  explicit TPgPropertyGraphic(TComponent* AOwner);
  ~TPgPropertyGraphic() override;
  TPgPreview* Preview() const { return FLink.Preview(); }
  void SetPreview(TPgPreview* value);
  TPgGraphicPropertyType PreviewProperty() const { return FProperty; }
  void SetPreviewProperty(TPgGraphicPropertyType value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool value);
  int ButtonSpacing() const { return FSpacing; }
  void SetButtonSpacing(int value);
  TPgShadow& Shadow() { return FShadow; }
  TPgOrientation CurrentOrientation() const { return FOrientation; }
  TPgPagesPerSheet CurrentPagesPerSheet() const { return FPagesPerSheet; }
  int ButtonCount() const { return FProperty == gmOrientationGraphic ? 2 : 3; }
  TSpeedButton& Button(int index) { return *FButtons[static_cast<std::size_t>(index)]; }
  // The paper picture's rectangle in the control.
  TRect PaperRect() const;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void Layout();
  void FromPreview();
  void Pressed(int index);
  TPgPreviewLink FLink{*this};
  TPgGraphicPropertyType FProperty = gmOrientationGraphic;
  bool FShowButtons = true;
  int FSpacing = 8;
  TPgShadow FShadow;
  TPgOrientation FOrientation = gmPortrait;
  TPgPagesPerSheet FPagesPerSheet = gmOnePage;
  std::array<std::unique_ptr<TSpeedButton>, 3> FButtons;
};

using TPgOnAddPropertyItem = std::function<void(TObject* Sender, const std::string& Item, bool& AddItem)>;

class TPgPropertyComboBox : public TComboBox {
public:
  explicit TPgPropertyComboBox(TComponent* AOwner);
  ~TPgPropertyComboBox() override;
  std::string About() const { return GetAboutText(this); }
  TPgPreview* Preview() const { return FLink.Preview(); }
  void SetPreview(TPgPreview* value);
  TPgComboPropertyType PreviewProperty() const { return FProperty; }
  void SetPreviewProperty(TPgComboPropertyType value);
  TPgOnAddPropertyItem OnAddItem;
  // Rebuilds the items from the preview.
  void Rebuild();
  void WndProc(TMessage& message) override;

protected:
  void Change() override;
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TPgPreviewLink FLink{*this};
  TPgComboPropertyType FProperty = gmPrinterList;
  bool FRebuilding = false;
};

class TPgNavButton : public TSpeedButton {
public:
  TPgNavButton(TComponent* AOwner, TPgNavigateBtn kind) : TSpeedButton(AOwner), Kind(kind) {}
  const TPgNavigateBtn Kind;
};

using TPgClickNavButtonEvent = std::function<void(TObject* Sender, TPgNavigateBtn Button)>;
using TPgGetNavButtonHint = std::function<void(TObject* Sender, TPgNavigateBtn Button, std::string& Hint)>;

class TPgPageNavigator : public TPgWinControl {
public:
  explicit TPgPageNavigator(TComponent* AOwner);
  ~TPgPageNavigator() override;
  TPgPreview* Preview() const { return FLink.Preview(); }
  void SetPreview(TPgPreview* value);
  bool NavAutoSize() const { return FAutoSize; }
  void SetNavAutoSize(bool value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  bool GroupButtons() const { return FGroupButtons; }
  void SetGroupButtons(bool value);
  int GroupSpacing() const { return FGroupSpacing; }
  void SetGroupSpacing(int value);
  bool ShowButtonHints() const { return FShowHints; }
  void SetShowButtonHints(bool value);
  TPgNavigateBtns VisibleButtons() const { return FVisible; }
  void SetVisibleButtons(TPgNavigateBtns value);
  TPgClickNavButtonEvent OnClickButton;
  TPgGetNavButtonHint OnGetButtonHint;

  TPgNavButton& Button(TPgNavigateBtn kind) { return *FButtons[static_cast<std::size_t>(kind)]; }
  // What pressing the button does (the button's click ends here).
  void Press(TPgNavigateBtn kind);
  void UpdateButtons();
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void Layout();
  void UpdateHints();
  TPgPreviewLink FLink{*this};
  bool FAutoSize = false;
  int FBorderWidth = 6;
  int FButtonWidth = 34;
  int FButtonHeight = 34;
  bool FFlat = false;
  bool FGroupButtons = true;
  int FGroupSpacing = 8;
  bool FShowHints = true;
  TPgNavigateBtns FVisible;
  std::array<std::unique_ptr<TPgNavButton>, kPgNavButtonCount> FButtons;
};
