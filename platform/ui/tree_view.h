// The tree view: TTreeNodes/TTreeNode (the nodes, usable without a window), and TTreeView, a
// control painted by our own code: buttons, lines, images, selection, keyboard, expanding,
// sorting, in-program drag with a drop target, the tab-indented text form and the binary
// "Items.Data" property of the component streams.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/streams.h"
#include "platform/ui/common_controls.h"

QN_DECLARE_EXCEPTION(ETreeViewError, Exception);

class TTreeNodes;
class TTreeView;

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

class TTreeNode : public TPersistent {
public:
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return FOwner; }
  TTreeView* TreeView() const;

  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }

  TTreeNode* Parent() const { return FParent; }
  // 0 for a top-level node.
  int Level() const;
  int Count() const { return FCount; }
  // The Index-th child; raises EListError "List index out of bounds (n)" when there is none.
  TTreeNode* Item(int Index) const;
  // The position among its siblings.
  int Index() const;
  // The position in the whole tree, depth first.
  int AbsoluteIndex() const;

  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  // Children exist, or the button was asked for without them.
  bool HasChildren() const { return FCount > 0 || FHasChildren; }
  void SetHasChildren(bool Value);
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const { return Selected(); }
  bool DropTarget() const;
  // Every parent expanded.
  bool IsVisible() const;

  TTreeNode* getFirstChild() const { return FFirst; }
  TTreeNode* GetLastChild() const { return FLast; }
  TTreeNode* getNextSibling() const { return FNext; }
  TTreeNode* getPrevSibling() const { return FPrev; }
  // The next node depth first, nullptr after the last.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  // The next node shown (its parents expanded).
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  bool HasAsParent(const TTreeNode* Value) const;

  // Moves this node (with its children) to Destination as Mode says; raises ETreeViewError
  // "Invalid node move" when Destination is the node or one of its children.
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);
  void Delete();
  void DeleteChildren();
  void MakeVisible();
  // The row of the node in the tree's client area (the text alone with TextOnly); empty when
  // the node is not shown.
  TRect DisplayRect(bool TextOnly) const;
  // Sorts the children by text (the tree's OnCompare when it has one).
  bool AlphaSort(bool Recurse = false);
  bool CustomSort(const std::function<int(TTreeNode*, TTreeNode*, LPARAM)>& SortProc, LPARAM Data,
                  bool Recurse = false);

  void Assign(const TPersistent* Source) override;

private:
  friend class TTreeNodes;
  friend class TTreeView;
  explicit TTreeNode(TTreeNodes* Owner) : FOwner(Owner) {}
  void Unlink();
  void LinkAt(TTreeNode* Parent, TTreeNode* Before);
  void SortChildren(const std::function<int(TTreeNode*, TTreeNode*)>& Compare, bool Recurse);

  TTreeNodes* FOwner;
  std::string FText;
  int FImageIndex = 0;
  int FSelectedIndex = 0;
  int FStateIndex = -1;
  int FOverlayIndex = -1;
  void* FData = nullptr;
  bool FExpanded = false;
  bool FHasChildren = false;
  TTreeNode* FParent = nullptr;
  TTreeNode* FFirst = nullptr;
  TTreeNode* FLast = nullptr;
  TTreeNode* FNext = nullptr;
  TTreeNode* FPrev = nullptr;
  int FCount = 0;
};

// All nodes of a tree. Nodes are made and freed only here; a pointer to a node stays good
// until the node is deleted.
class TTreeNodes : public TPersistent {
public:
  explicit TTreeNodes(TTreeView* Owner = nullptr);
  ~TTreeNodes() override;

  TTreeView* Owner() const { return FOwner; }

  // A new last sibling of Sibling (a new last top-level node when Sibling is nullptr).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  // A new first sibling of Sibling.
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr);
  // A new last (first) child of Parent; a top-level node when Parent is nullptr.
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr);
  // A new node right before Sibling (the last top-level node when Sibling is nullptr).
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
  TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  void Delete(TTreeNode* Node);
  void Clear();

  // Painting and sorting wait while updating.
  void BeginUpdate();
  void EndUpdate();

  TTreeNode* GetFirstNode() const { return FFirst; }
  // Every node of the tree.
  int Count() const { return FCount; }
  // The Index-th node depth first; EListError when there is none.
  TTreeNode* Item(int Index) const;
  int TopLevelCount() const { return FTopCount; }

  void Assign(const TPersistent* Source) override;
  // The binary "Data" property (the component stream writes it as "Items.Data").
  void DefineProperties(TFiler& Filer) override;
  // The property's bytes: a 4-byte count of top-level nodes, then each node depth first.
  void WriteData(TStream& Stream) const;
  // Replaces the nodes by the bytes; raises EReadError and keeps the tree as it was when the
  // bytes lie about a count or a length.
  void ReadData(TStream& Stream);

private:
  friend class TTreeNode;
  friend class TTreeView;
  TTreeNode* AddNode(TTreeNode* Parent, TTreeNode* Before, const std::string& S, void* Ptr);
  void Changed();
  void NodeRemoved(TTreeNode* Node);
  const std::vector<TTreeNode*>& Flat() const;

  TTreeView* FOwner;
  TTreeNode* FFirst = nullptr;
  TTreeNode* FLast = nullptr;
  int FTopCount = 0;
  int FCount = 0;
  int FUpdateCount = 0;
  mutable std::vector<TTreeNode*> FFlat;
  mutable bool FFlatValid = false;
};

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent = std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2,
                                           LPARAM Data, int& Compare)>;
using TTVDeletionEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

class TTreeView : public TCustomControl {
public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;

  TTreeNodes& Items() { return *FItems; }
  const TTreeNodes& Items() const { return *FItems; }
  void SetItems(const TTreeNodes& Value) { FItems->Assign(&Value); }

  TTreeNode* Selected() const { return FSelected; }
  void SetSelected(TTreeNode* Node);
  TTreeNode* DropTarget() const { return FDropTarget; }
  void SetDropTarget(TTreeNode* Node);
  TTreeNode* TopItem() const { return FTopItem; }
  void SetTopItem(TTreeNode* Node);
  // The node on the row at a client point; nullptr over no row.
  TTreeNode* GetNodeAt(int X, int Y) const;
  // Rows shown fully.
  int VisibleCount() const;

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  TImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TImageList* Value);
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value);
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool AutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool Value) { FAutoExpand = Value; }
  // The height of a row (the font's line plus 3, at least the images' height).
  int ItemHeight();

  // With stText or stBoth the nodes are kept sorted by text as they are added.
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);
  bool AlphaSort(bool Recurse = true);
  bool CustomSort(const std::function<int(TTreeNode*, TTreeNode*, LPARAM)>& SortProc, LPARAM Data,
                  bool Recurse = true);
  void FullExpand();
  void FullCollapse();

  // In-program drag (drag.h): with dmAutomatic a press and a move of a few pixels start it;
  // while it runs over the tree DropTarget follows the mouse, and OnDragOver decides.
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  // DragOver answering what OnDragOver accepted.
  bool DragOver(TObject* Source, int X, int Y, TDragState State);

  // One line per node, indented by a tab per level, CR LF after each.
  void SaveToStream(TStream& Stream) const;
  void SaveToFile(const std::string& FileName) const;
  // Replaces the nodes by the lines; a line indented more than one level below the one before
  // raises ETreeViewError and keeps the tree as it was.
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);

  TTVChangingEvent OnChanging;
  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVCompareEvent OnCompare;
  TTVDeletionEvent OnDeletion;

protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void DoEndDrag(TObject* Target, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void WndProc(TMessage& Message) override;

  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual bool CanExpand(TTreeNode* Node);
  virtual void Expand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);

private:
  friend class TTreeNode;
  friend class TTreeNodes;
  // Rows shown, from the first node: the visible nodes in order.
  std::vector<TTreeNode*> VisibleNodes() const;
  int RowOf(const TTreeNode* Node) const;  // -1 when not shown
  int NodeLeft(const TTreeNode* Node) const;
  int CompareNodes(TTreeNode* A, TTreeNode* B);
  void NodeDeleting(TTreeNode* Node);
  void NodesChanged();
  void ScrollBy(int Rows);
  // The vertical window scroll bar shows the rows: one unit a row, a page the rows that fit.
  void UpdateScrollBars();
  void Select(TTreeNode* Node);
  bool ToggleNode(TTreeNode* Node);
  void SortNewNode(TTreeNode* Node);

  std::unique_ptr<TTreeNodes> FItems;
  TTreeNode* FSelected = nullptr;
  TTreeNode* FDropTarget = nullptr;
  TTreeNode* FTopItem = nullptr;
  TImageList* FImages = nullptr;
  TImageList* FStateImages = nullptr;
  int FIndent = 19;
  bool FShowButtons = true;
  bool FShowLines = true;
  bool FShowRoot = true;
  bool FHideSelection = true;
  bool FReadOnly = false;
  bool FRowSelect = false;
  bool FAutoExpand = false;
  TSortType FSortType = stNone;
};

// Registers TTreeView and TTreeNodes for the component streams (done once, also by the first
// tree view made).
void RegisterTreeViewClasses();
