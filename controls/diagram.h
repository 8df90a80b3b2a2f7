// TDgDiagram: a scrolling surface of named boxes (items, each shown in a small captioned child
// window the user moves and sizes) joined by lines (links) that the diagram draws itself
// between the items' caption bars, with one selected item or link and a cache of the drawn
// links so that a change repaints only what moved.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/ui/grids.h"
#include "platform/ui/std_painted.h"

QN_DECLARE_EXCEPTION(EDgDiagram, Exception);

class TDgCustomDiagram;
class TDgDiagramItem;
class TDgDiagramLink;

enum TDgItemChange { icBounds, icCaption, icColor, icVisibility, icSyncing, icCreating };
using TDgItemChanges = TSet<TDgItemChange>;

// The window that shows one item: a small caption bar and a sizing frame.
class TDgDiagramItemPanel : public TCustomControl {
public:
  TDgDiagramItemPanel(TDgCustomDiagram* Owner, TDgDiagramItem* Item);
  TDgDiagramItem* Item() const { return FItem; }
  // The caption bar's height (border plus small caption).
  static int CaptionHeight();

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void BoundsChanged(bool resized) override;
  void DoEnter() override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void WndProc(TMessage& Message) override;

private:
  friend class TDgCustomDiagram;
  enum TDrag { dgNone, dgMove, dgSize };
  TDgDiagramItem* FItem;
  TDgCustomDiagram* FDiagram;
  TDrag FDrag = dgNone;
  TPoint FDragStart;
  TRect FStartBounds;
};

class TDgDiagramItem {
public:
  explicit TDgDiagramItem(TDgCustomDiagram& diagram);
  virtual ~TDgDiagramItem();

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  void SetBounds(int left, int top, int width, int height);
  const std::string& Name() const { return FName; }
  // "Invalid item name: %s" and "Item %s already exist" leave the name as it was.
  void SetName(const std::string& value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TDgDiagramItemPanel* Panel() const { return FPanel; }
  TDgItemChanges ChangeFlags() const { return FChanges; }
  int Index() const;
  std::string DisplayName() const { return FName.empty() ? "TDgDiagramItem" : FName; }

  virtual void ApplyToPanel(bool& Changed);
  virtual void MarkAllChanged() { FChanges = FChanges + TDgItemChanges{icBounds, icCaption, icColor, icVisibility}; }
  virtual void ClearChanges() { FChanges = FChanges - TDgItemChanges{icBounds, icCaption, icColor, icVisibility}; }
  virtual void AssignItem(const TDgDiagramItem& Source);
  virtual void SetSelected(bool Value);
  virtual void Focus();

private:
  friend class TDgDiagramItemPanel;
  friend class TDgCustomDiagram;
  friend class TDgDiagramItems;
  void Changed(TDgItemChange change);
  void SyncFromPanel();

  TDgCustomDiagram& FDiagram;
  int FLeft = 0, FTop = 0, FWidth = 89, FHeight = 89;
  std::string FName;
  std::string FCaption;
  TColor FColor = clBtnFace;
  bool FVisible = true;
  TDgDiagramItemPanel* FPanel = nullptr;
  TDgItemChanges FChanges;
};

class TDgDiagramLink {
public:
  explicit TDgDiagramLink(TDgCustomDiagram& diagram) : FDiagram(diagram) {}
  virtual ~TDgDiagramLink();
  const std::string& BeginItemName() const { return FBeginItemName; }
  void SetBeginItemName(const std::string& value);
  const std::string& EndItemName() const { return FEndItemName; }
  void SetEndItemName(const std::string& value);
  TDgDiagramItem* BeginItem() const { return FBeginItem; }
  TDgDiagramItem* EndItem() const { return FEndItem; }
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  int DrawIndex() const { return FDrawIndex; }
  int Index() const;
  std::string DisplayName() const;
  // Both items resolved, with panels, visible, and the link visible.
  virtual bool IsDrawable() const;
  virtual void AssignLink(const TDgDiagramLink& Source);
  void Resolve();

private:
  friend class TDgCustomDiagram;
  friend class TDgDiagramLinks;
  TDgCustomDiagram& FDiagram;
  std::string FBeginItemName, FEndItemName;
  TDgDiagramItem* FBeginItem = nullptr;
  TDgDiagramItem* FEndItem = nullptr;
  TColor FColor = clWindowText;
  bool FVisible = true;
  int FDrawIndex = -1;
};

// A drawn link, as the last paint made it.
class TDgLinkDrawInfo {
public:
  virtual ~TDgLinkDrawInfo() = default;
};

class TDgStdLinkDrawInfo : public TDgLinkDrawInfo {
public:
  TPoint BeginPoint, EndPoint, BeginBend, EndBend;
  bool LeftToRight = false;
  TColor Color = clWindowText;
  bool Selected = false;
};

// What the item and link lists share: the entries they own, their indexes, and updates that
// gather changes until the last one ends. TList deletes an entry (Delete) and brings the
// diagram up to date after an update (Update).
template <class T, class TList>
class TDgDiagramList {
public:
  explicit TDgDiagramList(TDgCustomDiagram& diagram) : FDiagram(diagram) {}
  int Count() const { return static_cast<int>(FEntries.size()); }
  T* Items(int index) const { return FEntries.at(static_cast<std::size_t>(index)).get(); }
  int IndexOf(const T* entry) const {
    for (std::size_t i = 0; i < FEntries.size(); ++i)
      if (FEntries[i].get() == entry) return static_cast<int>(i);
    return -1;
  }
  // Deletes every entry, the last first, in one update.
  void Clear() {
    BeginUpdate();
    while (Count() > 0) static_cast<TList&>(*this).Delete(Count() - 1);
    EndUpdate();
  }
  void BeginUpdate() { ++FUpdating; }
  void EndUpdate() {
    if (FUpdating > 0 && --FUpdating == 0) static_cast<TList&>(*this).Update();
  }
  bool Updating() const { return FUpdating > 0; }

protected:
  TDgCustomDiagram& FDiagram;
  std::vector<std::unique_ptr<T>> FEntries;
  int FUpdating = 0;
};

class TDgDiagramItems : public TDgDiagramList<TDgDiagramItem, TDgDiagramItems> {
public:
  using TDgDiagramList::TDgDiagramList;
  TDgDiagramItem* Add();
  void Delete(int index);
  // The first item whose Name equals `name` without regard to case; null when none.
  TDgDiagramItem* FindItem(const std::string& name) const;

private:
  friend class TDgDiagramList<TDgDiagramItem, TDgDiagramItems>;
  friend class TDgDiagramItem;
  friend class TDgCustomDiagram;
  // An item's change reaches its panel (all items without one).
  void Update(TDgDiagramItem* item = nullptr);
};

class TDgDiagramLinks : public TDgDiagramList<TDgDiagramLink, TDgDiagramLinks> {
public:
  using TDgDiagramList::TDgDiagramList;
  TDgDiagramLink* Add();
  void Delete(int index);
  // The first drawn link on the client point (X, Y); null when none.
  TDgDiagramLink* LinkAt(int X, int Y) const;

private:
  friend class TDgDiagramList<TDgDiagramLink, TDgDiagramLinks>;
  friend class TDgDiagramLink;
  friend class TDgCustomDiagram;
  void Update();
};

enum TDgDiagramStateItem { dsPaintChanges, dsSelecting, dsHideLinks, dsRebuildLinks };
using TDgDiagramState = TSet<TDgDiagramStateItem>;

using TDgItemEvent = std::function<void(TObject* Sender, TDgDiagramItem* AItem)>;
using TDgLinkEvent = std::function<void(TObject* Sender, TDgDiagramLink* ALink)>;

class TDgCustomDiagram : public TCustomPanel {
public:
  explicit TDgCustomDiagram(TComponent* AOwner);
  ~TDgCustomDiagram() override;

  TDgDiagramItems& Items() { return *FItems; }
  TDgDiagramLinks& Links() { return *FLinks; }
  // Take another diagram's items (names included) and links.
  void SetItems(const TDgDiagramItems& value);
  void SetLinks(const TDgDiagramLinks& value);
  int DiagramWidth() const { return FDiagramWidth; }
  void SetDiagramWidth(int value);
  int DiagramHeight() const { return FDiagramHeight; }
  void SetDiagramHeight(int value);
  int HorzPos() const { return FHorzPos; }
  int VertPos() const { return FVertPos; }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool ThumbTrack = false;
  bool AutoItemPos = true;
  TDgDiagramItem* SelectedItem() const { return FSelectedItem; }
  void SetSelectedItem(TDgDiagramItem* value);
  TDgDiagramLink* SelectedLink() const { return FSelectedLink; }
  void SetSelectedLink(TDgDiagramLink* value);
  TDgDiagramState DiagramState() const { return FState; }

  void ScrollDiagram(int DX, int DY);
  void ScrollInView(TDgDiagramItem* item);
  void UpdateLinks();
  void HideLinks();
  void UpdateScrollBars();
  // A free top-left corner for a W × H item, on the 20-pixel grid.
  TPoint FindFreePlace(int W, int H) const;
  // The drawings of the last paint, in link order.
  struct TDrawRecord {
    TDgDiagramLink* Link = nullptr;
    std::unique_ptr<TDgLinkDrawInfo> DrawInfo;
    TDgLinkDrawInfo* Previous = nullptr;
  };
  const std::vector<TDrawRecord>* LinkDrawCache() const { return FCache.get(); }

  // The overridable parts.
  virtual std::unique_ptr<TDgLinkDrawInfo> CreateLinkDrawInfo(TDgDiagramLink* ALink);
  virtual bool IsEqualDrawInfos(const TDgLinkDrawInfo* A, const TDgLinkDrawInfo* B);
  virtual bool IsOnLink(const TDgLinkDrawInfo* Info, int X, int Y);
  virtual void PaintLink(TCanvas& Canvas, const TDgLinkDrawInfo* Info, bool Clear);
  virtual void PaintItem(TDgDiagramItemPanel* Panel);
  virtual void DoChangeSelection();
  virtual void DoChange();
  virtual void DoInsertItem(TDgDiagramItem* item) { if (OnInsertItem) OnInsertItem(this, item); }
  virtual void DoDeleteItem(TDgDiagramItem* item) { if (OnDeleteItem) OnDeleteItem(this, item); }
  virtual void DoInsertLink(TDgDiagramLink* link) { if (OnInsertLink) OnInsertLink(this, link); }
  virtual void DoDeleteLink(TDgDiagramLink* link) { if (OnDeleteLink) OnDeleteLink(this, link); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChangeSelection;
  TDgItemEvent OnInsertItem, OnDeleteItem;
  TDgLinkEvent OnInsertLink, OnDeleteLink;

  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void Resize() override;
  void CreateWnd() override;

private:
  friend class TDgDiagramItem;
  friend class TDgDiagramLink;
  friend class TDgDiagramItems;
  friend class TDgDiagramLinks;
  friend class TDgDiagramItemPanel;
  // Runs a change of the selection; the outermost one (an item's selection drops the link's and
  // the other way round) reports the new selection once, when it went through.
  void ChangeSelection(const std::function<void()>& Change);
  void Scroll(int bar, int code, int track);
  void TabTo(bool forward);
  void LinkGone(TDgDiagramLink* link);
  void ResolveLinks();
  bool FocusInside() const;

  std::unique_ptr<TDgDiagramItems> FItems;
  std::unique_ptr<TDgDiagramLinks> FLinks;
  int FDiagramWidth = 1000, FDiagramHeight = 1000;
  int FHorzPos = 0, FVertPos = 0;
  TScrollStyle FScrollBars = ssBoth;
  TDgDiagramItem* FSelectedItem = nullptr;
  TDgDiagramLink* FSelectedLink = nullptr;
  TDgDiagramState FState;
  std::unique_ptr<std::vector<TDrawRecord>> FCache;
  bool FDestroying = false;
};

using TDgCreateLinkDrawInfoEvent = std::function<void(TObject* Sender, TDgDiagramLink* ALink,
                                                      std::unique_ptr<TDgLinkDrawInfo>& ADrawInfo)>;
using TDgIsEqualDrawInfosEvent = std::function<void(TObject* Sender, const TDgLinkDrawInfo* ADrawInfo1,
                                                    const TDgLinkDrawInfo* ADrawInfo2, bool& AIsEqual)>;
using TDgIsOnLinkEvent = std::function<void(TObject* Sender, const TDgLinkDrawInfo* ADrawInfo, int AX, int AY,
                                            bool& AIsOnLink)>;
using TDgPaintLinkEvent = std::function<void(TObject* Sender, const TDgLinkDrawInfo* ADrawInfo, bool AClear)>;
using TDgPaintItemEvent = std::function<void(TObject* Sender, TDgDiagramItemPanel* APanel)>;

class TDgDiagram : public TDgCustomDiagram {
public:
  explicit TDgDiagram(TComponent* AOwner) : TDgCustomDiagram(AOwner) {}
  bool CustomDrawItems() const { return FCustomDrawItems; }
  void SetCustomDrawItems(bool value);
  bool CustomDrawLinks() const { return FCustomDrawLinks; }
  void SetCustomDrawLinks(bool value);

  std::unique_ptr<TDgLinkDrawInfo> CreateLinkDrawInfo(TDgDiagramLink* ALink) override;
  bool IsEqualDrawInfos(const TDgLinkDrawInfo* A, const TDgLinkDrawInfo* B) override;
  bool IsOnLink(const TDgLinkDrawInfo* Info, int X, int Y) override;
  void PaintLink(TCanvas& Canvas, const TDgLinkDrawInfo* Info, bool Clear) override;
  void PaintItem(TDgDiagramItemPanel* Panel) override;

  TDgCreateLinkDrawInfoEvent OnCreateLinkDrawInfo;
  TDgIsEqualDrawInfosEvent OnIsEqualDrawInfos;
  TDgIsOnLinkEvent OnIsOnLink;
  TDgPaintLinkEvent OnPaintLink;
  TDgPaintItemEvent OnPaintItem;

private:
  bool FCustomDrawItems = false;
  bool FCustomDrawLinks = false;
};
