// Containers painted by our own code: the splitter that resizes its neighbour, the notebook of
// named pages, and the scroll box that scrolls its children.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/string_list.h"
#include "platform/ui/controls.h"

// ---- TSplitter ------------------------------------------------------------------------------
// Dragging it resizes the control aligned on the same side just before it; neither that
// control nor the space left for the client-aligned rest gets smaller than MinSize.
class TSplitter : public TGraphicControl {
public:
  explicit TSplitter(TComponent* AOwner);
  int MinSize() const { return FMinSize; }
  void SetMinSize(int value) { FMinSize = value < 1 ? 1 : value; }
  bool Beveled() const { return FBeveled; }
  void SetBeveled(bool value);
  // The control the splitter resizes now (null when none sits next to it).
  TControl* ResizedControl() const;
  TNotifyEvent OnMoved;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  void AlignChanged();
  bool Horizontal() const;  // alTop / alBottom: it moves up and down
  int MaxSize(const TControl* target) const;
  int FMinSize = 30;
  bool FBeveled = false;
  TControl* FTarget = nullptr;
  TPoint FDownAt;
  int FStartSize = 0;
  bool FMoved = false;
  TAlign FLastAlign = alNone;
};

// ---- TNotebook ------------------------------------------------------------------------------
class TNotebook;

// One page of a notebook: put controls on it by making it their parent.
class TPage : public TCustomControl {
public:
  explicit TPage(TNotebook& notebook);
  void Paint() override;
};

class TNotebook : public TCustomControl {
public:
  explicit TNotebook(TComponent* AOwner);
  ~TNotebook() override;

  // The page names; adding, deleting and renaming a name adds, frees and renames its page.
  TStrings& Pages();
  int PageCount() const { return static_cast<int>(FPageList.size()); }
  TPage* Page(int index) const;
  // The shown page: by index (-1 for none) or by name (ignoring case).
  int PageIndex() const { return FPageIndex; }
  void SetPageIndex(int value);
  std::string ActivePage() const;
  void SetActivePage(const std::string& name);
  TNotifyEvent OnPageChanged;

protected:
  void Paint() override;

private:
  class TPageNames;
  friend class TPageNames;
  std::unique_ptr<TPageNames> FPages;
  std::vector<TPage*> FPageList;
  int FPageIndex = -1;
};
