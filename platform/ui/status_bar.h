// The status bar: panels of text side by side, or one simple text, with a size grip.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/lists.h"
#include "platform/ui/controls.h"

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TStatusPanelStyle { psText, psOwnerDraw };

class TStatusPanel : public TCollectionItem {
public:
  explicit TStatusPanel(TCollection* ACollection);
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle value);

private:
  std::string FText;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  TStatusPanelBevel FBevel = pbLowered;
  TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public TCollection {
public:
  explicit TStatusPanels(TStatusBar& bar);
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }
  TStatusPanel* operator[](int index) const { return Items(index); }
  void Update(TCollectionItem* Item) override;

private:
  TStatusBar& FBar;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TCustomControl {
public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  TStatusPanels& Panels() { return *FPanels; }
  // One text over the whole bar instead of the panels.
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  // The rectangle of panel `index`: the panels lie left to right, the last one reaching the
  // right edge (short of the grip).
  TRect PanelRect(int index) const;
  // The canvas an OnDrawPanel handler draws on.
  TDrawPanelEvent OnDrawPanel;

protected:
  void Paint() override;

private:
  std::unique_ptr<TStatusPanels> FPanels;
  bool FSimplePanel = false;
  std::string FSimpleText;
  bool FSizeGrip = true;
};
