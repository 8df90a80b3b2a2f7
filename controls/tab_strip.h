// TTabStripControl: a tab strip over the common tab control that draws its own tabs (separate
// colour and font for inactive tabs, hot tracking, an image per tab, vertical tabs with turned
// text), with tab buttons, dragging a tab to a new place, per-tab hints and accelerators.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/tab_control.h"

QN_DECLARE_EXCEPTION(EPropertyError, Exception);

enum TTabStripPosition { tpTopLeft, tpBottomRight };
enum TTextRotation { trHorizontal, trVertical };

class TCustomTabStripControl;

using TDrawTabStripEvent = std::function<void(TObject* Sender, const std::string& Text, int TabIndex,
                                              const TRect& Rect, bool Active)>;
using TTabStripTabTrackEvent = std::function<void(TObject* Sender, int TabIndex)>;

// The list behind Tabs: every operation is a message to the tab window; a refused message
// raises "Tab control access error\r\nViolation occured in " and the operation's name.
class TTabStrings : public TStrings {
public:
  explicit TTabStrings(TCustomTabStripControl& control) : FControl(control) {}
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCount() const override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;

protected:
  void SetUpdateState(bool Updating) override;

private:
  TCustomTabStripControl& FControl;
};

// The list behind ImageIndexes: one decimal image number per tab.
class TImageIndexStrings : public TStrings {
public:
  explicit TImageIndexStrings(TCustomTabStripControl& control) : FControl(control) {}
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int) const override { return nullptr; }
  void PutObject(int, TObject*) override {}
  int GetCount() const override;
  void Insert(int, const std::string&) override {}
  void Delete(int) override {}
  void Clear() override { FAddAt = 0; }
  int Add(const std::string& S) override;
  // Only another string list, entry by entry up to the shorter count.
  void Assign(const TPersistent* Source) override;

private:
  TCustomTabStripControl& FControl;
  int FAddAt = 0;
};

[[noreturn]] void TabAccessError(const std::string& operation);

class TCustomTabStripControl : public TCustomTabControl {
public:
  explicit TCustomTabStripControl(TComponent* AOwner);
  ~TCustomTabStripControl() override;

  TStrings& Tabs() { return FTabStrings; }
  void SetTabs(const TStrings& value) { FTabStrings.Assign(&value); }
  int TabIndex();
  void SetTabIndex(int value);
  TImageList* Images() const { return FImageList; }
  void SetImages(TImageList* value);
  int TabWidth() const { return FTabWidthValue; }
  void SetTabWidth(int value);
  int TabHeight() const { return FTabHeightValue; }
  void SetTabHeight(int value);

  TTabStripPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabStripPosition value);
  bool VerticalTabs() const { return FVerticalTabs; }
  void SetVerticalTabs(bool value);
  TTextRotation TextRotation() const { return FTextRotation; }
  void SetTextRotation(TTextRotation value) { FTextRotation = value; Invalidate(); }
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value);
  bool ScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value) { FMultiSelect = value; ApplyStyle(); }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { FHotTrack = value; ApplyStyle(); }
  bool FocusButtons() const { return FFocusButtons; }
  void SetFocusButtons(bool value) { FFocusButtons = value; ApplyStyle(); }
  bool ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(bool value);
  bool FlatButtons() const { return FFlatButtons; }
  void SetFlatButtons(bool value);
  bool FlatSeperators();
  void SetFlatSeperators(bool value);
  bool UseMSDrawing() const { return FUseMSDrawing; }
  void SetUseMSDrawing(bool value) { FUseMSDrawing = value; ApplyStyle(); }
  bool AllowTabShifting() const { return FAllowTabShifting; }
  void SetAllowTabShifting(bool value) { FAllowTabShifting = value; }
  TColor TabInactiveColor() const { return FTabInactiveColor; }
  void SetTabInactiveColor(TColor value) { FTabInactiveColor = value; Invalidate(); }
  TFont& TabInactiveFont() { return FTabInactiveFont; }
  void SetTabStop(bool value) { TCustomTabControl::SetTabStop(value); ApplyStyle(); }

  void WndProc(TMessage& Message) override;

  TDrawTabStripEvent OnDrawTab;
  TTabStripTabTrackEvent OnTabTrack;
  TNotifyEvent OnTabShift;

protected:
  void DrawTab(int TabIndex, const TRect& Rect, bool Active) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // The tab image for drawing (TCustomTabStripControl.DrawTab reads it from the window).
  int TabImageOf(int Index);
  virtual std::string TabHintOf(int) const { return ""; }
  virtual int TabHintCount() const { return 0; }
  void ApplyStyle();

private:
  friend class TTabStrings;
  void Relayout();
  int TabAt(int X, int Y);

  TTabStrings FTabStrings;
  TImageList* FImageList = nullptr;
  int FTabWidthValue = 0;
  int FTabHeightValue = 0;
  TTabStripPosition FTabPosition = tpTopLeft;
  bool FVerticalTabs = false;
  TTextRotation FTextRotation = trHorizontal;
  bool FMultiLine = false;
  bool FScrollOpposite = false;
  bool FMultiSelect = false;
  bool FHotTrack = false;
  bool FFocusButtons = false;
  bool FButtonStyle = false;
  bool FFlatButtons = false;
  bool FFlatSeperators = true;
  bool FUseMSDrawing = false;
  bool FAllowTabShifting = false;
  TColor FTabInactiveColor = RGB(160, 160, 164);
  TFont FTabInactiveFont;
  int FHot = -1;
  int FDragSource = -1;
  int FUpdating = 0;
};

class TTabStripControl : public TCustomTabStripControl {
public:
  explicit TTabStripControl(TComponent* AOwner);
  TStrings& ImageIndexes() { return FImageIndexes; }
  TStringList& TabHints() { return FTabHints; }

protected:
  std::string TabHintOf(int index) const override { return FTabHints.Strings(index); }
  int TabHintCount() const override { return FTabHints.Count(); }

private:
  TImageIndexStrings FImageIndexes;
  TStringList FTabHints;
};
