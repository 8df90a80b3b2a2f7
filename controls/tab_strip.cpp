#include "controls/tab_strip.h"

#include <cstring>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_painted.h"

void TabAccessError(const std::string& operation) {
  throw EListError("Tab control access error\r\nViolation occured in " + operation);
}

// ---- TTabStrings ------------------------------------------------------------------------------

int TTabStrings::GetCount() const { return static_cast<int>(FControl.Perform(TCM_GETITEMCOUNT)); }

std::string TTabStrings::Get(int Index) const {
  std::vector<char> buffer(4096, '\0');
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  if (FControl.Perform(TCM_GETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TTabStrings.Get");
  return buffer.data();
}

TObject* TTabStrings::GetObject(int Index) const {
  TCITEM item;
  item.mask = TCIF_PARAM;
  if (FControl.Perform(TCM_GETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TTabStrings.GetObject");
  return reinterpret_cast<TObject*>(item.lParam);
}

void TTabStrings::Put(int Index, const std::string& S) {
  std::string text = S;
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  if (FControl.Perform(TCM_SETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TTabStrings.Put");
  FControl.Relayout();
}

void TTabStrings::PutObject(int Index, TObject* AObject) {
  TCITEM item;
  item.mask = TCIF_PARAM;
  item.lParam = reinterpret_cast<LPARAM>(AObject);
  if (FControl.Perform(TCM_SETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TTabStrings.PutObject");
}

void TTabStrings::Insert(int Index, const std::string& S) {
  std::string text = S;
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  if (FControl.Perform(TCM_INSERTITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) < 0)
    TabAccessError("TTabStrings.Insert");
  FControl.Relayout();
}

void TTabStrings::Delete(int Index) {
  if (FControl.Perform(TCM_DELETEITEM, static_cast<WPARAM>(Index)) == 0) TabAccessError("TTabStrings.Delete");
  FControl.Relayout();
}

void TTabStrings::Clear() {
  if (FControl.Perform(TCM_DELETEALLITEMS) == 0) TabAccessError("TTabStrings.Clear");
  FControl.Relayout();
}

void TTabStrings::SetUpdateState(bool Updating) {
  FControl.Perform(WM_SETREDRAW, Updating ? 0 : 1);
  FControl.FUpdating += Updating ? 1 : -1;
  if (!Updating) {
    FControl.Relayout();
    FControl.Invalidate();
  }
}

// ---- TImageIndexStrings -----------------------------------------------------------------------

int TImageIndexStrings::GetCount() const { return static_cast<int>(FControl.Perform(TCM_GETITEMCOUNT)); }

std::string TImageIndexStrings::Get(int Index) const {
  TCITEM item;
  item.mask = TCIF_IMAGE;
  if (FControl.Perform(TCM_GETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TImageIndexStrings.Get");
  return std::to_string(item.iImage);
}

void TImageIndexStrings::Put(int Index, const std::string& S) {
  if (Index >= GetCount()) return;
  TCITEM item;
  item.mask = TCIF_IMAGE;
  item.iImage = StrToIntDef(S, -1);
  if (item.iImage < 0) item.iImage = -1;
  if (FControl.Perform(TCM_SETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TImageIndexStrings.Put");
  FControl.Invalidate();
}

int TImageIndexStrings::Add(const std::string& S) {
  int at = FAddAt++;
  Put(at, S);
  return at;
}

void TImageIndexStrings::Assign(const TPersistent* Source) {
  const auto* list = dynamic_cast<const TStrings*>(Source);
  if (!list)
    throw EConvertError("Can't assign " + std::string(Source ? Source->ClassName() : "nil") + " to " +
                        ClassName() + ".");
  int n = std::min(list->Count(), GetCount());
  for (int i = 0; i < n; ++i) Put(i, list->Strings(i));
}

// ---- TCustomTabStripControl ------------------------------------------------------------------

TCustomTabStripControl::TCustomTabStripControl(TComponent* AOwner)
    : TCustomTabControl(AOwner), FTabStrings(*this) {
  SetBounds(Left(), Top(), 289, 193);
  TCustomTabControl::SetTabStop(true);
  FTabInactiveFont.OnChange = [this](TGraphicsObject*) { Invalidate(); };
  ApplyStyle();
  SetExtendedStyle(TCS_EX_FLATSEPARATORS);
}

TCustomTabStripControl::~TCustomTabStripControl() = default;

void TCustomTabStripControl::ApplyStyle() {
  DWORD style = 0;
  if (FButtonStyle) style |= TCS_BUTTONS;
  if (FVerticalTabs) style |= TCS_VERTICAL;
  if (FTabPosition == tpBottomRight) style |= TCS_BOTTOM;
  if (FMultiLine) style |= TCS_MULTILINE;
  if (FScrollOpposite) style |= TCS_SCROLLOPPOSITE;
  if (FTabWidthValue != 0) style |= TCS_FIXEDWIDTH;
  if (FFlatButtons) style |= TCS_FLATBUTTONS;
  if (FMultiSelect) style |= TCS_MULTISELECT;
  if (FHotTrack) style |= TCS_HOTTRACK;
  if (FFocusButtons) style |= TCS_FOCUSONBUTTONDOWN;
  if (!TabStop()) style |= TCS_FOCUSNEVER;
  if (!FUseMSDrawing) style |= TCS_OWNERDRAWFIXED;
  SetStyle(style);
}

void TCustomTabStripControl::Relayout() {
  if (FUpdating > 0) return;
  Perform(WM_SIZE, 0, MAKELPARAM(Width(), Height()));
  Realign();
  Invalidate();
}

int TCustomTabStripControl::TabIndex() { return static_cast<int>(Perform(TCM_GETCURSEL)); }

void TCustomTabStripControl::SetTabIndex(int value) { Perform(TCM_SETCURSEL, static_cast<WPARAM>(value)); }

void TCustomTabStripControl::SetImages(TImageList* value) {
  FImageList = value;
  Perform(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value));
  Invalidate();
}

void TCustomTabStripControl::SetTabWidth(int value) {
  if (value < 0 || value > 0xFFFF) throw EPropertyError("Property value out of range");
  bool restyle = (FTabWidthValue == 0) != (value == 0);
  FTabWidthValue = value;
  Perform(TCM_SETITEMSIZE, 0, MAKELPARAM(FTabWidthValue, FTabHeightValue));
  if (restyle) ApplyStyle();
}

void TCustomTabStripControl::SetTabHeight(int value) {
  if (value < 0 || value > 0xFFFF) throw EPropertyError("Property value out of range");
  FTabHeightValue = value;
  Perform(TCM_SETITEMSIZE, 0, MAKELPARAM(FTabWidthValue, FTabHeightValue));
}

void TCustomTabStripControl::SetTabPosition(TTabStripPosition value) {
  if (FButtonStyle && value != FTabPosition)
    throw EInvalidOperation("Buttons are only supported when aligned along the top");
  FTabPosition = value;
  ApplyStyle();
}

void TCustomTabStripControl::SetVerticalTabs(bool value) {
  if (FButtonStyle && value != FVerticalTabs)
    throw EInvalidOperation("Buttons are only supported when aligned along the top");
  FVerticalTabs = value;
  ApplyStyle();
}

void TCustomTabStripControl::SetMultiLine(bool value) {
  FMultiLine = value;
  if (!value) FScrollOpposite = false;
  ApplyStyle();
}

void TCustomTabStripControl::SetScrollOpposite(bool value) {
  FScrollOpposite = value;
  if (value) FMultiLine = true;
  ApplyStyle();
}

void TCustomTabStripControl::SetButtonStyle(bool value) {
  FButtonStyle = value;
  FVerticalTabs = false;
  FTabPosition = tpTopLeft;
  ApplyStyle();
}

void TCustomTabStripControl::SetFlatButtons(bool value) {
  FFlatButtons = value;
  ApplyStyle();
  SetFlatSeperators(FFlatSeperators);
}

bool TCustomTabStripControl::FlatSeperators() {
  return (Perform(TCM_GETEXTENDEDSTYLE) & TCS_EX_FLATSEPARATORS) != 0;
}

void TCustomTabStripControl::SetFlatSeperators(bool value) {
  FFlatSeperators = value;
  Perform(TCM_SETEXTENDEDSTYLE, TCS_EX_FLATSEPARATORS, value ? LPARAM{TCS_EX_FLATSEPARATORS} : LPARAM{0});
  Invalidate();
}

int TCustomTabStripControl::TabImageOf(int Index) {
  TCITEM item;
  item.mask = TCIF_IMAGE;
  if (Perform(TCM_GETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) == 0)
    TabAccessError("TCustomTabStripControl.DrawTab");
  return item.iImage;
}

void TCustomTabStripControl::DrawTab(int TabIndex, const TRect& Rect, bool Active) {
  TCanvas& c = Canvas();
  c.SaveDC();
  c.Font().Assign(Font());
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBtnFace);
  // The tab's frame is the tab control's: the owner draws inside it.
  TRect r = Rect;
  InflateRect(r, -2, -2);
  if (!FButtonStyle && !Active) {
    if (!FVerticalTabs) OffsetRect(r, 0, FTabPosition == tpTopLeft ? 1 : -2);
    else OffsetRect(r, FTabPosition == tpTopLeft ? 1 : -2, 0);
  }
  std::string caption = Trim(FTabStrings.Get(TabIndex));
  if (OnDrawTab) {
    OnDrawTab(this, caption, TabIndex, r, Active);
    c.RestoreDC(-1);
    return;
  }
  if (Active) {
    c.Brush().SetColor(Color());
    c.Font().Assign(Font());
  } else {
    c.Brush().SetColor(FTabInactiveColor);
    c.Font().Assign(FTabInactiveFont);
  }
  if (FHotTrack && TabIndex == FHot) c.Font().SetColor(clHighlight);
  c.FillRect(r);
  c.Brush().SetStyle(bsClear);
  int image = FImageList ? TabImageOf(TabIndex) : -1;
  int shift = Active ? 1 : 0;
  int textLeft = r.Left + 5 + shift;
  int textTop = r.Top + 5;
  if (image >= 0 && FImageList) {
    if (FVerticalTabs) {
      int x = r.Left + (r.Width() - FImageList->Width()) / 2 + shift;
      FImageList->Draw(c, x, r.Top + 5, image, Enabled());
      textTop = r.Top + 5 + FImageList->Height() + 5;
    } else {
      int y = r.Top + (r.Height() - FImageList->Height()) / 2;
      FImageList->Draw(c, r.Left + 5 + shift, y, image, Enabled());
      textLeft = r.Left + 5 + shift + FImageList->Width() + 5;
    }
  }
  if (FTextRotation == trHorizontal) {
    TRect t = r;
    if (FVerticalTabs) t.Top = textTop;
    else t.Left = textLeft;
    c.DrawText(caption, t, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_EXPANDTABS);
  } else {
    // Turned by 90 degrees (read upwards) on the left or top, 270 on the right or bottom, and
    // centred in the room below the image.
    TRect room = r;
    if (FVerticalTabs) room.Top = std::min(textTop, r.Bottom);
    else room.Left = std::min(textLeft, r.Right);
    bool up = FTabPosition == tpTopLeft;
    c.Font().SetOrientation(up ? 900 : 2700);
    int tw = c.TextWidth(caption), th = c.TextHeight(caption);
    int cx = room.Left + room.Width() / 2, cy = room.Top + room.Height() / 2;
    if (up) c.TextOut(cx - th / 2, cy + tw / 2, caption);
    else c.TextOut(cx + th / 2, cy - tw / 2, caption);
  }
  c.RestoreDC(-1);
}

int TCustomTabStripControl::TabAt(int X, int Y) {
  TCHITTESTINFO info;
  info.pt = {X, Y};
  int index = static_cast<int>(Perform(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
  return (info.flags & TCHT_ONITEM) ? index : -1;
}

void TCustomTabStripControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  int before = TCustomTabControl::TabIndex();
  int at = TabAt(X, Y);
  TCustomTabControl::MouseDown(Button, Shift, X, Y);
  if (FAllowTabShifting && Button == mbLeft && at >= 0 && at == before) FDragSource = at;
}

void TCustomTabStripControl::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomTabControl::MouseMove(Shift, X, Y);
  int at = TabAt(X, Y);
  if (at != FHot) {
    int old = FHot;
    FHot = at;
    if (OnTabTrack) OnTabTrack(this, at);
    if (Application) Application->CancelHint();
    if (at >= 0 && at < TabHintCount()) SetHint(Trim(TabHintOf(at)));
    if (FHotTrack) {
      TRect r;
      if (old >= 0 && Perform(TCM_GETITEMRECT, static_cast<WPARAM>(old), reinterpret_cast<LPARAM>(&r))) InvalidateRect(r);
      if (at >= 0 && Perform(TCM_GETITEMRECT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&r))) InvalidateRect(r);
    }
  }
  if (FDragSource >= 0 && Shift.Contains(ssLeft)) {
    if (at < 0) SetCursor(crNoDrop);
    else if (at == FDragSource) SetCursor(crDefault);
    else SetCursor(crDrag);
  }
}

void TCustomTabStripControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomTabControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || FDragSource < 0) return;
  int source = FDragSource;
  FDragSource = -1;
  SetCursor(crDefault);
  int at = TabAt(X, Y);
  if (at < 0 || at == source) return;
  FTabStrings.Move(source, at);
  SetTabIndex(at);
  if (OnTabShift) OnTabShift(this);
}

void TCustomTabStripControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: {
      char32_t key = static_cast<char32_t>(Message.WParam);
      if (key < 0x80) key = static_cast<char32_t>(std::toupper(static_cast<int>(key)));
      for (int i = 0; i < FTabStrings.Count(); ++i) {
        if (key != 0 && AccelChar(FTabStrings.Get(i)) == key && CanFocus()) {
          SelectTabByUser(i);
          Message.Result = 1;
          return;
        }
      }
      break;
    }
    case CM_MOUSELEAVE:
      if (FHot >= 0) Invalidate();
      FHot = -1;
      break;
    default:
      break;
  }
  TCustomTabControl::WndProc(Message);
}

// ---- TTabStripControl -------------------------------------------------------------------------

TTabStripControl::TTabStripControl(TComponent* AOwner) : TCustomTabStripControl(AOwner), FImageIndexes(*this) {}
