// TQnListView: sorting, links, clipboard, sub-item editing, cell drawing and column widths.
#include "controls/grid/qn_list_view.h"

#include <algorithm>
#include <unordered_map>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/rich_cell.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/shell.h"

namespace {

// A selected rich-text cell takes the selection's text colour on this many positions from its
// start; the rest keeps its own colours.
constexpr int kRichSelectionLength = 255;

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

int Sign(int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// A number after the prefix, the suffix and (grouped) the thousands separators are taken out;
// false when the text does not read. An empty text reads as 0.
bool ReadListNumber(std::string text, const std::string& prefix, const std::string& suffix, bool grouped,
                    double& value) {
  if (!prefix.empty())
    if (auto p = text.find(prefix); p != std::string::npos) text.erase(p, prefix.size());
  if (!suffix.empty())
    if (auto p = text.find(suffix); p != std::string::npos) text.erase(p, suffix.size());
  if (grouped && !RemoveThousandSeparators(text)) return false;
  if (FormatSettings.DecimalSeparator != '.')
    if (auto p = text.find(FormatSettings.DecimalSeparator); p != std::string::npos) text[p] = '.';
  text = Trim(text);
  if (text.empty()) {
    value = 0;
    return true;
  }
  return ReadPlainNumber(text, value);
}

}  // namespace

bool IsShellLink(const std::string& Link) {
  return StartsWithNoCase(Link, "http://") || StartsWithNoCase(Link, "https://") ||
         StartsWithNoCase(Link, "ftp://") || StartsWithNoCase(Link, "mailto:");
}

TQnListView::TQnListView(TComponent* AOwner)
    : TListView(AOwner),
      FPrintSettings(std::make_unique<TListViewPrintSettings>()),
      FHTMLSettings(std::make_unique<TListViewHTMLSettings>()),
      FColumnSize(std::make_unique<TListViewColumnSize>()),
      FSortUpGlyph(std::make_unique<TBitmap>()),
      FSortDownGlyph(std::make_unique<TBitmap>()),
      FWallpaper(std::make_unique<TBitmap>()) {
  SetViewStyle(vsReport);
  SetOwnerDraw(true);
  Header().SetFilterChangeTimeout(static_cast<unsigned>(FFilterTimeOut));
  FHeaderImagesLink.OnChange = [this](TObject*) { Header().Invalidate(); };
  HookOwnerForm();
}

TQnListView::~TQnListView() {
  UnhookOwnerForm();
  if (FHeaderImages) {
    FHeaderImages->UnRegisterChanges(&FHeaderImagesLink);
    FHeaderImages->RemoveFreeNotification(this);
  }
  if (FColumnSize->Save) {
    try {
      SaveColumnSizes();
    } catch (...) {
      // A destructor cannot report a settings write error.
    }
  }
}

void TQnListView::SaveColumnSizes() {
  if (FColumnSize->Key.empty() || FColumnSize->Section.empty()) return;
  std::unique_ptr<TCustomIniFile> store;
  if (FColumnSize->Storage == stInifile)
    store = std::make_unique<TIniFile>(FColumnSize->Key);
  else
    store = std::make_unique<TRegIniFile>(FColumnSize->Key);
  for (int i = 0; i < Columns().Count(); ++i)
    store->WriteInteger(FColumnSize->Section, "col" + std::to_string(i), Columns()[i]->Width());
}

void TQnListView::SetItemHeight(int Value) {
  if (Value < 1 || Value == FItemHeight) return;
  FItemHeight = Value;
  RemeasureItems();
}

// ---- cells ----

std::string TQnListView::CellText(int ItemIndex, int Column) const {
  if (ItemIndex < 0 || ItemIndex >= Items().Count()) return std::string();
  const TListItem* item = Items()[ItemIndex];
  if (Column <= 0) return item->Caption();
  const TStrings& sub = item->SubItems();
  return Column - 1 < sub.Count() ? sub[Column - 1] : std::string();
}

void TQnListView::SetCellText(int ItemIndex, int Column, const std::string& Value) {
  if (ItemIndex < 0 || ItemIndex >= Items().Count()) return;
  TListItem* item = Items()[ItemIndex];
  if (Column <= 0) {
    item->SetCaption(Value);
    return;
  }
  TStrings& sub = item->SubItems();
  while (sub.Count() < Column) sub.Add(std::string());
  sub.Put(Column - 1, Value);
}

// ---- sorting ----

void TQnListView::SetSortDirection(TSortDirection Value) {
  FSortDirection = Value;
  FSortSign = Value == sdAscending ? 1 : -1;
}

int TQnListView::CompareItems(TListItem* Item1, TListItem* Item2) {
  if (!Item1 || !Item2) return 0;
  const int s = FSortColumn - 1;
  const std::string t1 = CellText(Item1->Index(), FSortColumn);
  const std::string t2 = CellText(Item2->Index(), FSortColumn);
  TSortStyle style = sortText;
  std::string prefix, suffix;
  if (OnGetFormat) OnGetFormat(this, s, style, prefix, suffix);
  int res = 0;
  switch (style) {
    case sortText:
    case sortTextCase:
      res = Sign(t1.compare(t2));
      break;
    case sortTextNoCase:
      res = Sign(UpperCaseText(t1).compare(UpperCaseText(t2)));
      break;
    case sortNumber:
    case sortNumberGrouped: {
      double a = 0, b = 0;
      const bool grouped = style == sortNumberGrouped;
      if (ReadListNumber(t1, prefix, suffix, grouped, a) && ReadListNumber(t2, prefix, suffix, grouped, b))
        res = a > b ? 1 : a < b ? -1 : 0;
      break;
    }
    case sortDateTime: {
      TDateTime a = 0, b = 0;
      if (!TryStrToDateTime(t1, a)) a = 0;
      if (!TryStrToDateTime(t2, b)) b = 0;
      res = a > b ? 1 : a < b ? -1 : 0;
      break;
    }
    case sortDateDMY:
    case sortDateMDY: {
      const double a = ReadGridDate(t1, style == sortDateDMY), b = ReadGridDate(t2, style == sortDateDMY);
      res = a > b ? 1 : a < b ? -1 : 0;
      break;
    }
    case sortCustom:
      if (OnCustomCompare) OnCustomCompare(this, s, t1, t2, res);
      break;
    case sortRaw:
      if (OnRawCompare) OnRawCompare(this, s, Item1->Index(), Item2->Index(), res);
      break;
    default:
      // No rule: the two are equal, so the order stays as it is.
      res = 0;
      break;
  }
  return Sign(res) * FSortSign;
}

void TQnListView::SortItems() {
  const int n = Items().Count();
  if (n < 2) return;
  std::vector<int> order(static_cast<std::size_t>(n)), work(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  // A bottom-up merge sort over item indexes: every index it reads lies inside its runs, and each
  // pair is compared at most once per merge, whatever the comparison answers.
  for (int width = 1; width < n; width *= 2) {
    for (int lo = 0; lo < n; lo += 2 * width) {
      const int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      int i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        if (CompareItems(Items()[order[static_cast<std::size_t>(j)]], Items()[order[static_cast<std::size_t>(i)]]) < 0)
          work[static_cast<std::size_t>(k++)] = order[static_cast<std::size_t>(j++)];
        else
          work[static_cast<std::size_t>(k++)] = order[static_cast<std::size_t>(i++)];
      }
      while (i < mid) work[static_cast<std::size_t>(k++)] = order[static_cast<std::size_t>(i++)];
      while (j < hi) work[static_cast<std::size_t>(k++)] = order[static_cast<std::size_t>(j++)];
    }
    order.swap(work);
  }
  std::unordered_map<const TListItem*, int> rank;
  rank.reserve(static_cast<std::size_t>(n));
  for (int p = 0; p < n; ++p) rank[Items()[order[static_cast<std::size_t>(p)]]] = p;
  CustomSort([&rank](TListItem* a, TListItem* b, LPARAM) { return rank[a] - rank[b]; }, 0);
}

void TQnListView::SetSortColumn(int Value) {
  if (Value != FSortColumn && FSortColumn >= 0 && FSortColumn < Columns().Count() && SortShow)
    RemoveSortMark(FSortColumn);
  if (Value < 0 || Value >= Columns().Count()) return;
  FSortColumn = Value;
  if (SortShow) ShowSortMark(Value);
  SortItems();
}

void TQnListView::ColClick(TListColumn* Column) {
  TListView::ColClick(Column);
  if (!SortShow || !Column) return;
  const int index = Column->Index();
  if (index == FSortColumn) SetSortDirection(FSortDirection == sdAscending ? sdDescending : sdAscending);
  bool enable = true;
  if (OnSortStart) OnSortStart(this, index, enable);
  if (!enable) return;
  SetSortColumn(index);
  if (OnSortDone) OnSortDone(this, index);
}

// ---- links ----

TRect TQnListView::CellRect(int ItemIndex, int Column) {
  TRect r = GetSubItemRect(ItemIndex, Column, LVIR_BOUNDS);
  if (Column == 0 && Columns().Count() > 0) r.Right = r.Left + Columns()[0]->Width();
  return r;
}

std::string TQnListView::MarkupAnchorAt(const std::string& Text, const TRect& Cell, int X, int Y) {
  std::string anchor, strip;
  int xs = 0, ys = 0;
  TRect r = Cell;
  r.Left += 2;
  RenderCellMarkup(Canvas(), Text, r, SmallImages(), X, Y, true, false, false, false, false, 0, URLColor,
                   anchor, strip, xs, ys);
  return anchor;
}

std::string TQnListView::LinkAt(int X, int Y) {
  int sub = -1;
  const int item = SubItemHitTest(X, Y, &sub);
  if (item < 0 || sub < 0) return std::string();
  const std::string text = CellText(item, sub);
  if (text.find("</") != std::string::npos) return MarkupAnchorAt(text, CellRect(item, sub), X, Y);
  if (URLShow && IsURL(text)) return text;
  return std::string();
}

void TQnListView::ClickLink(const std::string& Link) {
  if (Link.empty()) return;
  if (IsShellLink(Link))
    ShellOpenOrTell(this, Link, "the link \"" + Link + "\"");
  else if (OnAnchorClick)
    OnAnchorClick(this, Link);
}

void TQnListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    int sub = -1;
    const int item = SubItemHitTest(X, Y, &sub);
    ClickLink(LinkAt(X, Y));
    if (ReArrangeItems) FDragItem = item;
    if (item >= 0 && Checkboxes() && X < 15) Items()[item]->SetChecked(!Items()[item]->Checked());
    FCurrentItem = item;
    FCurrentSubItem = (SubItemEdit || SubItemSelect) && sub >= 0 ? sub : 0;
  }
  TListView::MouseDown(Button, Shift, X, Y);
}

void TQnListView::MouseMove(TShiftState Shift, int X, int Y) {
  FMousePos = TPoint{X, Y};
  if (FHintItem >= 0) {
    // Another cell than the one the hint shows: the hint goes, the next shows that cell.
    int sub = -1;
    const int item = SubItemHitTest(X, Y, &sub);
    if (item != FHintItem || sub != FHintSubItem) {
      FHintItem = FHintSubItem = -1;
      GetApplication().CancelHint();
    }
  }
  const std::string anchor = FDragItem < 0 ? LinkAt(X, Y) : std::string();
  if (!anchor.empty()) {
    SetCursor(crHandPoint);
    if (!FAnchorEntered && anchor != FLastAnchor) {
      if (OnAnchorEnter) OnAnchorEnter(this, anchor);
      FLastAnchor = anchor;
      FAnchorEntered = true;
    }
  } else {
    if (FAnchorEntered) {
      if (OnAnchorExit) OnAnchorExit(this, FLastAnchor);
      FAnchorEntered = false;
      FLastAnchor.clear();
    }
    SetCursor(FDragItem >= 0 ? crDrag : crDefault);
  }
  TListView::MouseMove(Shift, X, Y);
}

void TQnListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && FDragItem >= 0 && ReArrangeItems) {
    TListItem* over = GetItemAt(X, Y);
    const int from = FDragItem;
    const int to = over ? over->Index() : Items().Count() - 1;
    FDragItem = -1;
    if (from != to && from < Items().Count()) {
      // Moving by rank keeps every item and its state; the dragged one lands at `to`.
      std::unordered_map<const TListItem*, int> rank;
      for (int i = 0; i < Items().Count(); ++i) {
        int r = i;
        if (i == from) r = to;
        else if (from < to && i > from && i <= to) r = i - 1;
        else if (from > to && i >= to && i < from) r = i + 1;
        rank[Items()[i]] = r;
      }
      TListItem* moved = Items()[from];
      CustomSort([&rank](TListItem* a, TListItem* b, LPARAM) { return rank[a] - rank[b]; }, 0);
      SetItemFocused(moved);
    }
  }
  FDragItem = -1;
  TListView::MouseUp(Button, Shift, X, Y);
}

// ---- keys and clipboard ----

void TQnListView::KeyDown(WORD& Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
  if (SubItemEdit || SubItemSelect) {
    if (Key == VK_LEFT) { FCurrentSubItem = std::max(0, FCurrentSubItem - 1); Invalidate(); Key = 0; return; }
    if (Key == VK_RIGHT) {
      FCurrentSubItem = std::min(std::max(0, Columns().Count() - 1), FCurrentSubItem + 1);
      Invalidate();
      Key = 0;
      return;
    }
    if (Key == VK_SPACE && SubItemEdit && Selected()) {
      EditCell(Selected()->Index(), FCurrentSubItem);
      Key = 0;
      return;
    }
  }
  if (ClipboardEnable) {
    if ((ctrl && Key == 'C') || (ctrl && Key == VK_INSERT)) { CopyToClipboard(); Key = 0; return; }
    if ((ctrl && Key == 'V') || (shift && Key == VK_INSERT)) { PasteFromClipboard(); Key = 0; return; }
    if ((ctrl && Key == 'X') || (shift && Key == VK_DELETE)) { CutToClipboard(); Key = 0; return; }
  }
  TListView::KeyDown(Key, Shift);
}

void TQnListView::CopyToClipboard() {
  std::string text;
  for (int i = 0; i < Items().Count(); ++i) {
    const TListItem* item = Items()[i];
    if (!item->Selected()) continue;
    text += item->Caption();
    for (int s = 0; s < item->SubItems().Count(); ++s) text += "\t" + item->SubItems()[s];
    text += "\r\n";
  }
  Clipboard().SetAsText(text);
}

void TQnListView::CutToClipboard() {
  CopyToClipboard();
  BeginUpdate();
  for (int i = Items().Count() - 1; i >= 0; --i)
    if (Items()[i]->Selected()) Items().Delete(i);
  EndUpdate();
}

void TQnListView::PasteFromClipboard() {
  if (!Clipboard().HasFormat(CF_TEXT)) return;
  const std::string text = Clipboard().AsText();
  if (SubItemEdit || SubItemSelect) {
    if (Selected()) SetCellText(Selected()->Index(), FCurrentSubItem, text);
    return;
  }
  const std::vector<std::vector<std::string>> lines = SplitTabbedLines(text);
  if (lines.empty()) return;
  BeginUpdate();
  TListItem* last = nullptr;
  for (const auto& fields : lines) {
    while (static_cast<int>(fields.size()) > Columns().Count()) Columns().Add();
    TListItem* item = Items().Add();
    item->SetCaption(fields[0]);
    for (std::size_t f = 1; f < fields.size(); ++f) item->SubItems().Add(fields[f]);
    item->SetSelected(true);
    last = item;
  }
  EndUpdate();
  if (last) {
    last->MakeVisible(false);
    SetItemFocused(last);
  }
}

// ---- sub-item editing ----

bool TQnListView::EditCell(int ItemIndex, int Column) {
  if (!SubItemEdit || ItemIndex < 0 || ItemIndex >= Items().Count()) return false;
  FCurrentItem = ItemIndex;
  FCurrentSubItem = std::max(0, Column);
  if (!EditCaption(Items()[ItemIndex])) return false;
  if (FCurrentSubItem > 0 && EditControl()) {
    // The edit stands over the cell, not over the caption.
    const TRect r = GetSubItemRect(ItemIndex, FCurrentSubItem, LVIR_LABEL);
    EditControl()->SetBounds(r.Left, r.Top, std::max(r.Width(), 20), r.Height());
    EditControl()->SetText(CellText(ItemIndex, FCurrentSubItem));
    EditControl()->SelectAll();
  }
  return true;
}

bool TQnListView::CanEdit(TListItem* Item) {
  if (!SubItemEdit) return TListView::CanEdit(Item);
  if (!Item) return false;
  bool allow = true;
  if (OnCanEditCell) OnCanEditCell(this, Item->Index(), FCurrentSubItem, allow);
  if (!allow) return false;
  FCurrentItem = Item->Index();
  FSavedCaption = Item->Caption();
  FEditingCell = true;
  return true;
}

void TQnListView::Edit(TListItem* Item, std::string& S) {
  if (FEditingCell && Item) {
    FEditingCell = false;
    if (FCurrentSubItem > 0) {
      SetCellText(Item->Index(), FCurrentSubItem, S.substr(0, 256));
      S = FSavedCaption;
    }
  }
  TListView::Edit(Item, S);
}

// ---- drawing ----

void TQnListView::DoDrawItemProp(int ItemIndex, int SubItemIndex, const std::string& Text, TFont& AFont,
                                 TBrush& ABrush, TOwnerDrawState State) {
  if (OnDrawItemProp) OnDrawItemProp(this, ItemIndex, SubItemIndex, State, ABrush, AFont, Text);
}

void TQnListView::DoLeftClickCell(int ItemIndex, int SubItem) {
  if (OnLeftClickCell) OnLeftClickCell(this, ItemIndex, SubItem);
}

void TQnListView::DoRightClickCell(int ItemIndex, int SubItem) {
  if (OnRightClickCell) OnRightClickCell(this, ItemIndex, SubItem);
}

void TQnListView::DrawItem(TListItem* Item, const TRect& Rect, TOwnerDrawState State) {
  if (!Item) return;
  DrawItemCells(Canvas(), Item->Index(), Rect, State);
  // The list's own drawing of the item would paint the raw texts over the cells.
  if (OnDrawItem) OnDrawItem(this, Item, Rect, State);
}

bool TQnListView::DrawRichCellText(TCanvas& C, const std::string& Text, const TRect& R, TColor TextColor) {
  const int dpi = C.DeviceCaps(LOGPIXELSX);
  const int offset = 2 * (dpi > 0 ? dpi : 96) / 96;
  const TPoint origin = C.DPtoLP(TPoint{0, 0}), moved = C.DPtoLP(TPoint{offset, offset});
  TRect r = R;
  OffsetRect(r, moved.X - origin.X, moved.Y - origin.Y);
  return DrawRichTextCell(C, Text, r, TextColor, kRichSelectionLength);
}

void TQnListView::DrawItemCells(TCanvas& C, int ItemIndex, const TRect& Rect, TOwnerDrawState State) {
  TListItem* item = Items()[ItemIndex];
  const std::vector<int> order = ColumnOrder();
  const bool selected = State.Contains(odSelected) || item->Selected();
  int left = Rect.Left;
  TRect focusRect = Rect;
  for (std::size_t p = 0; p < order.size(); ++p) {
    const int c = order[p];
    const int s = c - 1;
    std::string text = CellText(ItemIndex, c);
    C.Font().Assign(Font());
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(Color());
    const bool currentCell = static_cast<int>(p) == FCurrentSubItem;
    if (selected) {
      C.Brush().SetColor(SelectionColor);
      C.Font().SetColor(SelectionTextColor);
    }
    if (selected && !RowSelect() && !(p == 0 && !(SubItemEdit || SubItemSelect)) &&
        !((SubItemEdit || SubItemSelect) && currentCell)) {
      C.Brush().SetColor(Color());
      C.Font().SetColor(Font().Color());
    }
    DoDrawItemProp(ItemIndex, s, text, C.Font(), C.Brush(), State);
    if (selected && (RowSelect() || ((SubItemEdit || SubItemSelect) && currentCell))) {
      C.Brush().SetColor(SelectionColor);
      C.Font().SetColor(SelectionTextColor);
    }
    const bool rich = text.rfind("{\\", 0) == 0;
    const bool markup = text.find("</") != std::string::npos;
    if (URLShow && !markup && !rich && IsURL(text)) {
      if (!(selected && RowSelect())) {
        C.Font().SetColor(URLColor);
        C.Font().SetStyle(C.Font().Style() + fsUnderline);
      }
      if (!URLFull) StripURLProtocol(text);
    }
    const int width = c < Columns().Count() ? Columns()[c]->Width() : 0;
    TRect cell{left, Rect.Top, left + width, Rect.Bottom};
    left += width;
    if (currentCell && !RowSelect()) focusRect = cell;
    C.Pen().SetColor(C.Brush().Color());
    if (Brush().Bitmap()) C.SetBkMode(TRANSPARENT);
    else C.FillRect(cell);
    TRect area = cell;
    if (p == 0 && Checkboxes()) {
      const TRect box{area.Left + 2, area.Top + (area.Height() - 14) / 2, area.Left + 16, area.Top + (area.Height() - 14) / 2 + 14};
      C.DrawFrameControl(box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (item->Checked() ? UINT{DFCS_CHECKED} : 0u));
      area.Left += 18;
    }
    if (SmallImages()) {
      const int image = c == 0 ? item->ImageIndex() : (SubImages() ? item->SubItemImages(s) : -1);
      if (image >= 0 && image <= 65534) {
        const int ih = SmallImages()->Height();
        int top = area.Top;
        if (VAlignment == vtaCenter) top += (area.Height() - ih) / 2;
        else if (VAlignment == vtaBottom) top = area.Bottom - ih;
        SmallImages()->Draw(C, area.Left, top, image);
        area.Left += SmallImages()->Width();
      }
    }
    // Rich text: its own fonts and colours over the cell's fill; where the cell shows the
    // selection, in the selection's text colour unless SelectionRTFKeep keeps its own. Only on
    // the list's own canvas: a copy drawn elsewhere keeps its colours.
    const bool selectionLook =
        selected && (RowSelect() || ((SubItemEdit || SubItemSelect) ? currentCell : p == 0));
    const TColor richColor =
        rich && selectionLook && !SelectionRTFKeep && &C == &Canvas() ? C.Font().Color() : clNone;
    if (rich && DrawRichCellText(C, text, area, richColor)) {
      // Drawn with its own fonts, sizes and paragraph alignment.
    } else if (markup) {
      std::string anchor, strip;
      int xs = 0, ys = 0;
      TRect r = area;
      r.Left += 2;
      RenderCellMarkup(C, text, r, SmallImages(), 0, 0, false, false, false, false, true, 0, URLColor, anchor,
                       strip, xs, ys);
    } else {
      TRect r = area;
      r.Left += 2;
      r.Right -= 2;
      UINT flags = DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL;
      if (text.find('\r') == std::string::npos) flags |= DT_END_ELLIPSIS;
      flags |= WordWrap ? DT_WORDBREAK : DT_SINGLELINE;
      flags |= VAlignment == vtaTop ? DT_TOP : VAlignment == vtaBottom ? DT_BOTTOM : DT_VCENTER;
      const TAlignment a = c < Columns().Count() ? Columns()[c]->Alignment() : taLeftJustify;
      flags |= a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
      C.SetBkMode(TRANSPARENT);
      C.DrawText(text, r, flags);
    }
  }
  if (State.Contains(odFocused) && selected && Focused()) C.DrawFocusRect(RowSelect() ? Rect : focusRect);
}
