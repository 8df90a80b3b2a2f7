// TQnListView's window: the header's styles, images, sort mark, filter bar and notifications,
// the wallpaper, the item height, cell hints and the scroll hint, the re-arranging scroll and
// the sizing with the owner form.
#include <algorithm>

#include "controls/grid/markup.h"
#include "controls/grid/qn_list_view.h"
#include "controls/grid/rich_cell.h"
#include "platform/ui/application.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"

// The owner form's resize handler while the list follows the form: the list's sizing first,
// then the handler the form had.
struct TQnListView::TFormResizeHook {
  TQnListView* List;
  void operator()(TObject* Sender) const {
    if (auto* form = dynamic_cast<TCustomForm*>(Sender)) List->FormResized(*form);
    if (List->FFormResize) {
      try {
        List->FFormResize(Sender);
      } catch (...) {
        // The form's own handler must not stop the sizing of its other controls.
      }
    }
  }
};

// ---- header ----

void TQnListView::SetHeaderDragDrop(bool Value) {
  SetExtendedStyle(Value ? ExtendedStyle() | LVS_EX_HEADERDRAGDROP : ExtendedStyle() & ~DWORD{LVS_EX_HEADERDRAGDROP});
}

void TQnListView::SetSubImages(bool Value) {
  SetExtendedStyle(Value ? ExtendedStyle() | LVS_EX_SUBITEMIMAGES : ExtendedStyle() & ~DWORD{LVS_EX_SUBITEMIMAGES});
  Invalidate();
}

void TQnListView::SetHeaderImages(TImageList* Value) {
  if (Value == FHeaderImages) return;
  if (FHeaderImages) {
    FHeaderImages->UnRegisterChanges(&FHeaderImagesLink);
    FHeaderImages->RemoveFreeNotification(this);
  }
  FHeaderImages = Value;
  if (FHeaderImages) {
    FHeaderImages->RegisterChanges(&FHeaderImagesLink);
    FHeaderImages->FreeNotification(this);
  }
  Header().SetImages(FHeaderImages);
}

void TQnListView::Notification(TComponent* AComponent, TOperation Operation) {
  TListView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FHeaderImages) {
    FHeaderImages = nullptr;
    Header().SetImages(nullptr);
  }
}

void TQnListView::SetHeaderFont(const TFont& Value) {
  FHeaderFont.Assign(Value);
  Header().SetParentFont(false);
  Header().Font().Assign(FHeaderFont);
  Header().Invalidate();
  Invalidate();
}

void TQnListView::SetFilterBar(bool Value) {
  if (Value == FilterBar()) return;
  Header().SetFilterBar(Value);
  Header().Invalidate();
  // The header is laid out again at the next paint; the items start below its new height.
  RemeasureItems();
}

void TQnListView::SetFilterTimeOut(int Value) {
  FFilterTimeOut = std::max(0, Value);
  Header().SetFilterChangeTimeout(static_cast<unsigned>(FFilterTimeOut));
}

void TQnListView::SetHoverTime(int Value) {
  if (Value < 0 || Value == HoverTime()) return;
  Perform(LVM_SETHOVERTIME, 0, Value);
}

void TQnListView::ShowSortMark(int Column) {
  if (Column < 0 || Column >= Columns().Count() || Column >= Header().SectionCount()) return;
  THeaderSection* s = Header().Sections(Column);
  const bool down = FSortDirection == sdDescending;
  if (!FSortUpGlyph->Empty() && !FSortDownGlyph->Empty()) {
    s->SetBitmap(down ? FSortDownGlyph.get() : FSortUpGlyph.get());
    s->SetImageOnRight(SortIndicator == siRight);
  } else if (FHeaderImages) {
    Columns()[Column]->SetImageIndex(down ? 1 : 0);
    s->SetImageOnRight(SortIndicator == siRight);
  }
}

void TQnListView::RemoveSortMark(int Column) {
  if (Column < 0 || Column >= Columns().Count() || Column >= Header().SectionCount()) return;
  THeaderSection* s = Header().Sections(Column);
  Columns()[Column]->SetImageIndex(-1);
  s->SetBitmap(nullptr);
  s->SetImageOnRight(false);
}

void TQnListView::EndColumnTrack(int Column) {
  if (OnEndColumnTrack) OnEndColumnTrack(this, Column);
  if (SortShow) {
    if (Column == FSortColumn) ShowSortMark(Column);
    else RemoveSortMark(Column);
  }
  if (OnColumnSized) OnColumnSized(this, Column);
}

void TQnListView::HeaderNotify(TMessage& Message, bool& Handled) {
  auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
  const auto* n = reinterpret_cast<const NMHEADER*>(h);
  switch (h->code) {
    case HDN_FILTERCHANGE:
      if (OnFilterChange) OnFilterChange(this, n->iItem);
      break;
    case HDN_FILTERBTNCLICK:
      if (OnFilterBtnClick) OnFilterBtnClick(this, reinterpret_cast<const NMHDFILTERBTNCLICK*>(h)->iItem);
      break;
    case HDN_BEGINTRACK: {
      bool allow = true;
      if (OnStartColumnTrack) OnStartColumnTrack(this, n->iItem, allow);
      Message.Result = allow ? 0 : 1;
      Handled = true;
      return;
    }
    case HDN_ENDTRACK:
      EndColumnTrack(n->iItem);
      break;
    case NM_RCLICK: {
      TPoint p;
      GetCursorPos(&p);
      p = Header().ScreenToClient(p);
      const int column = Header().HitTest(p.X, p.Y);
      if (column >= 0 && OnColumnRClick) OnColumnRClick(this, column);
      break;
    }
    default:
      break;
  }
}

// ---- wallpaper and item height ----

void TQnListView::SetWallpaper(const TBitmap& Value) {
  FWallpaper->Assign(Value);
  ApplyWallpaper();
}

void TQnListView::ApplyWallpaper() {
  if (!FWallpaper->Empty()) {
    SetBkColor(CLR_NONE);
    Brush().SetBitmap(FWallpaper.get());
  } else {
    SetBkColor(CLR_DEFAULT);
    Brush().SetBitmap(nullptr);
    Brush().SetColor(Color());
  }
  Invalidate();
}

void TQnListView::RemeasureItems() {
  // A size change makes the list measure its items again.
  SetBounds(Left(), Top(), Width(), Height() + 1);
  SetBounds(Left(), Top(), Width(), Height() - 1);
  Invalidate();
}

void TQnListView::Loaded() {
  TListView::Loaded();
  SetViewStyle(vsReport);
  RemeasureItems();
  ApplyWallpaper();
}

void TQnListView::CreateWnd() {
  TListView::CreateWnd();
  Header().SetImages(FHeaderImages);
  Header().SetFilterChangeTimeout(static_cast<unsigned>(FFilterTimeOut));
  SetTimer(kScrollTimer, 300);
  RemeasureItems();
}

void TQnListView::DestroyWnd() {
  KillTimer(kScrollTimer);
  if (FScrollHint) FScrollHint->ReleaseHandle();
  TListView::DestroyWnd();
}

// ---- hints ----

void TQnListView::HintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (!info || !AutoHint) return;
  int sub = -1;
  const int item = SubItemHitTest(info->CursorPos.X, info->CursorPos.Y, &sub);
  if (item < 0 || sub < 0 || sub >= Columns().Count()) return;
  std::string text = CellText(item, sub);
  if (text.rfind("{\\", 0) == 0) text = RichCellPlainText(text);
  else if (text.find("</") != std::string::npos) text = StripMarkup(text);
  if (text.empty()) return;
  Canvas().Font().Assign(Font());
  if (Columns()[sub]->Width() >= Canvas().TextWidth(text) + 4) return;
  const TRect cell = CellRect(item, sub);
  info->HintStr = text;
  info->HintPos = ClientToScreen(TPoint{cell.Left, cell.Top});
  info->CursorRect = cell;
  FHintItem = item;
  FHintSubItem = sub;
}

void TQnListView::ScrollHintMessage(WPARAM WParam) {
  const WORD code = LOWORD(WParam);
  if (code == SB_ENDSCROLL) {
    if (FScrollHint) FScrollHint->ReleaseHandle();
    return;
  }
  if (code != SB_THUMBTRACK) return;
  const int index = ScrollActionPos(this, SB_VERT, WParam);
  if (index < 0 || index >= Items().Count()) return;
  const std::string text = Items()[index]->Caption();
  if (!FScrollHint) FScrollHint = std::make_unique<THintWindow>(nullptr);
  FScrollHint->SetColor(GetApplication().HintColor());
  TRect r = FScrollHint->CalcHintRect(100, text);
  TPoint cursor;
  GetCursorPos(&cursor);
  OffsetRect(r, cursor.X + 10, cursor.Y);
  FScrollHint->ActivateHint(r, text);
}

// ---- re-arranging scroll ----

void TQnListView::AutoScrollTick() {
  if (FDragItem < 0) return;
  if (FMousePos.Y < HeaderHeight() + FItemHeight) Perform(WM_VSCROLL, SB_LINEUP, 0);
  else if (FMousePos.Y > ClientHeight() - FItemHeight) Perform(WM_VSCROLL, SB_LINEDOWN, 0);
}

// ---- sizing with the form ----

void TQnListView::HookOwnerForm() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form || HasState(csDesigning)) return;
  FOwnerForm = form;
  FFormResize = form->OnResize;
  form->OnResize = TFormResizeHook{this};
  FFormWidth = form->Width();
  FFormHeight = form->Height();
}

void TQnListView::UnhookOwnerForm() {
  if (!FOwnerForm) return;
  // Only while the form still calls this list: a handler set since then stays.
  const auto* hook = FOwnerForm->OnResize.target<TFormResizeHook>();
  if (hook && hook->List == this) FOwnerForm->OnResize = FFormResize;
  FOwnerForm = nullptr;
}

void TQnListView::FormResized(TCustomForm& Form) {
  if (!SizeWithForm || HasState(csDesigning)) return;
  const int w = Width() + Form.Width() - FFormWidth, h = Height() + Form.Height() - FFormHeight;
  if (w <= 0 || h <= 0) return;
  SetBounds(Left(), Top(), w, h);
  FFormWidth = Form.Width();
  FFormHeight = Form.Height();
}

// ---- messages ----

void TQnListView::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
      if (h && h->hwndFrom == &Header()) {
        bool handled = false;
        HeaderNotify(Message, handled);
        if (handled) return;
      }
      break;
    }
    case CN_NOTIFY: {
      const auto* h = reinterpret_cast<const NMHDR*>(Message.LParam);
      if (h && h->hwndFrom == this) {
        const auto* n = reinterpret_cast<const NMLISTVIEW*>(h);
        if (h->code == NM_CLICK && n->iItem >= 0) DoLeftClickCell(n->iItem, n->iSubItem);
        else if (h->code == NM_RCLICK && n->iItem >= 0) DoRightClickCell(n->iItem, n->iSubItem);
        else if (h->code == LVN_ITEMCHANGED && (n->uChanged & LVIF_STATE) && (n->uNewState & LVIS_SELECTED))
          ItemSelected(n->iItem);
      }
      break;
    }
    case CN_MEASUREITEM: {
      TListView::WndProc(Message);
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      if (m && FItemHeight > 0) m->itemHeight = static_cast<UINT>(FItemHeight);
      return;
    }
    case WM_TIMER:
      if (Message.WParam == kScrollTimer) {
        AutoScrollTick();
        return;
      }
      break;
    case WM_VSCROLL:
      if (ScrollHint) ScrollHintMessage(Message.WParam);
      TListView::WndProc(Message);
      if (!FWallpaper->Empty() && FWallpaper->Height() != FItemHeight) Invalidate();
      return;
    case CM_HINTSHOW:
      TListView::WndProc(Message);
      HintShow(Message);
      return;
    case CM_MOUSELEAVE:
      // A drag that leaves the list moves nothing.
      FDragItem = -1;
      break;
    default:
      break;
  }
  TListView::WndProc(Message);
}
