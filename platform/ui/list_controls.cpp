#include "platform/ui/list_controls.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/sysutils.h"

namespace {

// The items of a list or combo box. Besides the strings they keep what changed since the peer
// last took them, so that the peer takes only the change: an item added to a long list costs
// the peer one item, and items added together (in one update) go to it in one call.
class TPeerItems : public TStringList {
public:
  struct TEdit {
    bool Insert;
    int Index;
    std::string Text;
  };

  int AddObject(const std::string& S, TObject* AObject) override {
    TUpdateScope<TStrings> update(*this);
    const int before = GetCount();
    int index = Known([&] { return TStringList::AddObject(S, AObject); });
    if (GetCount() > before) Log({true, index, S});
    return index;
  }
  void Insert(int Index, const std::string& S) override {
    TUpdateScope<TStrings> update(*this);
    Known([&] { TStringList::Insert(Index, S); return 0; });
    Log({true, Index, S});
  }
  void Delete(int Index) override {
    TUpdateScope<TStrings> update(*this);
    Known([&] { TStringList::Delete(Index); return 0; });
    Log({false, Index, {}});
  }
  void Clear() override {
    TStringList::Clear();
    FWhole = true;
    FEdits.clear();
  }
  // The objects are no business of the peer.
  void PutObject(int Index, TObject* AObject) override {
    Known([&] { TStringList::PutObject(Index, AObject); return 0; });
  }

  // True when the peer has to take the whole list (a change other than items put in or taken
  // out: a string replaced, a sort, an exchange); else Edits holds the changes in order.
  bool Whole() const { return FWhole; }
  const std::vector<TEdit>& Edits() const { return FEdits; }
  // The peer has what the list holds.
  void Taken() {
    FWhole = false;
    FEdits.clear();
  }

  // Hands the edits to a peer: runs of items put in one after another go in one call, runs of
  // items taken out at one place in another. True when every item stayed where it was.
  template <class P>
  bool Apply(P& peer) const {
    bool kept = true;
    std::size_t i = 0;
    while (i < FEdits.size()) {
      const TEdit& first = FEdits[i];
      std::size_t j = i + 1;
      if (first.Insert) {
        std::vector<std::string> run{first.Text};
        while (j < FEdits.size() && FEdits[j].Insert && FEdits[j].Index == first.Index + static_cast<int>(run.size()))
          run.push_back(FEdits[j++].Text);
        peer.InsertItems(first.Index, run);
        if (first.Index + static_cast<int>(run.size()) < FCountAfter[j - 1]) kept = false;
      } else {
        while (j < FEdits.size() && !FEdits[j].Insert && FEdits[j].Index == first.Index) ++j;
        peer.DeleteItems(first.Index, static_cast<int>(j - i));
        kept = false;
      }
      i = j;
    }
    return kept;
  }

protected:
  // Every change the edits do not describe makes the peer take the whole list.
  void Changing() override {
    if (!FKnown) FWhole = true;
    TStringList::Changing();
  }
  void SetUpdateState(bool Updating) override {
    Known([&] { TStringList::SetUpdateState(Updating); return 0; });
  }

private:
  template <class F>
  int Known(F&& change) {
    const bool known = FKnown;
    FKnown = true;
    struct TRestore {
      bool& Flag;
      bool Value;
      ~TRestore() { Flag = Value; }
    } restore{FKnown, known};
    return change();
  }
  void Log(TEdit edit) {
    if (FWhole) return;
    FEdits.push_back(std::move(edit));
    FCountAfter.resize(FEdits.size());
    FCountAfter.back() = GetCount();
  }

  bool FKnown = false;
  bool FWhole = false;
  std::vector<TEdit> FEdits;
  std::vector<int> FCountAfter;  // the count after each edit
};

TPeerItems& PeerItems(TStringList& items) { return static_cast<TPeerItems&>(items); }

std::vector<std::string> ItemTexts(const TStrings& items) { return items.ToVector(); }

// Brings the peer's items up to the list's; true when every item the peer had stayed where it
// was (only items added after them).
template <class P>
bool PushItems(P* peer, TStringList& list) {
  TPeerItems& items = PeerItems(list);
  bool kept = true;
  if (peer) {
    if (items.Whole()) {
      peer->SetItems(ItemTexts(items));
      kept = false;
    } else {
      kept = items.Apply(*peer);
    }
  }
  items.Taken();
  return kept;
}

// The items' Objects as the LB_/CB_ item data.
LRESULT ItemData(const TStrings& items, WPARAM index) {
  int i = static_cast<int>(index);
  if (i < 0 || i >= items.Count()) return -1;
  return reinterpret_cast<LRESULT>(items.Objects(i));
}

void DefaultDrawItem(TCanvas& canvas, const TRect& rect, const std::string& text) {
  canvas.FillRect(rect);
  canvas.TextOut(rect.Left + 2, rect.Top + 1, text);
}

}  // namespace

// ---- TCustomListBox -------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TNativeControl(AOwner), FItems(std::make_unique<TPeerItems>()) {
  SetBounds(0, 0, 121, 97);
  SetColor(clWindow);
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomListBox::~TCustomListBox() {
  FItems->OnChange = nullptr;
  DestroyHandle();
}

void TCustomListBox::ItemsChanged() {
  int n = FItems->Count();
  // The selection moves with the items put in and taken out.
  TPeerItems& items = PeerItems(*FItems);
  if (!items.Whole()) {
    for (const TPeerItems::TEdit& e : items.Edits()) {
      auto at = FSelected.begin() + std::clamp<std::ptrdiff_t>(e.Index, 0, static_cast<std::ptrdiff_t>(FSelected.size()));
      if (e.Insert) FSelected.insert(at, false);
      else if (at != FSelected.end()) FSelected.erase(at);
    }
  }
  FSelected.resize(static_cast<std::size_t>(n), false);
  if (FItemIndex >= n) FItemIndex = -1;
  FTopIndex = std::clamp(FTopIndex, 0, std::max(n - 1, 0));
  if (auto* peer = NativePeer<TListPeer>()) {
    // Items added after the others leave the selection as the peer has it.
    if (PushItems(peer, *FItems)) peer->SetItemIndex(FItemIndex);
    else PushSelection();
  } else {
    PeerItems(*FItems).Taken();
  }
  Invalidate();
}

void TCustomListBox::PushState() {
  auto* peer = NativePeer<TListPeer>();
  if (!peer) return;
  peer->SetMultiSelect(FMultiSelect);
  peer->SetOwnerDraw(FStyle != lbStandard, FItemHeight);
  peer->SetItems(ItemTexts(*FItems));
  PeerItems(*FItems).Taken();
  PushSelection();
  peer->SetTopIndex(FTopIndex);
}

void TCustomListBox::PushSelection() {
  auto* peer = NativePeer<TListPeer>();
  if (!peer) return;
  if (FMultiSelect) peer->SetSelected(FSelected);
  peer->SetItemIndex(FItemIndex);
}

void TCustomListBox::SetItemIndex(int value) {
  if (value < -1 || value >= FItems->Count()) value = -1;
  if (value == FItemIndex) return;
  FItemIndex = value;
  if (!FMultiSelect) std::fill(FSelected.begin(), FSelected.end(), false);
  if (value >= 0) FSelected[static_cast<std::size_t>(value)] = true;
  PushSelection();
  Invalidate();
}

void TCustomListBox::SetMultiSelect(bool value) {
  if (value == FMultiSelect) return;
  FMultiSelect = value;
  std::fill(FSelected.begin(), FSelected.end(), false);
  if (FItemIndex >= 0) FSelected[static_cast<std::size_t>(FItemIndex)] = true;
  if (auto* peer = NativePeer<TListPeer>()) peer->SetMultiSelect(value);
  PushSelection();
}

bool TCustomListBox::Selected(int index) const {
  if (index < 0 || index >= FItems->Count()) return false;
  return FMultiSelect ? FSelected[static_cast<std::size_t>(index)] : index == FItemIndex;
}

void TCustomListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= FItems->Count()) return;
  if (!FMultiSelect) {
    if (value) SetItemIndex(index);
    else if (index == FItemIndex) SetItemIndex(-1);
    return;
  }
  FSelected[static_cast<std::size_t>(index)] = value;
  if (value) FItemIndex = index;
  PushSelection();
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!FMultiSelect) return FItemIndex >= 0 ? 1 : 0;
  return static_cast<int>(std::count(FSelected.begin(), FSelected.end(), true));
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
  FStyle = value;
  if (auto* peer = NativePeer<TListPeer>()) peer->SetOwnerDraw(value != lbStandard, FItemHeight);
  Invalidate();
}

void TCustomListBox::SetItemHeight(int value) {
  if (value <= 0) return;
  FItemHeight = value;
  if (auto* peer = NativePeer<TListPeer>()) peer->SetOwnerDraw(FStyle != lbStandard, value);
  Invalidate();
}

int TCustomListBox::TopIndex() const {
  if (auto* peer = NativePeer<TListPeer>()) return peer->TopIndex();
  return FTopIndex;
}

void TCustomListBox::SetTopIndex(int value) {
  FTopIndex = std::clamp(value, 0, std::max(FItems->Count() - 1, 0));
  if (auto* peer = NativePeer<TListPeer>()) peer->SetTopIndex(FTopIndex);
  Invalidate();
}

int TCustomListBox::MeasureItem(int index) {
  int height = FItemHeight;
  if (FStyle == lbOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, index, height);
  return height;
}

int TCustomListBox::RowHeight(int index) const {
  return const_cast<TCustomListBox*>(this)->MeasureItem(index);
}

TRect TCustomListBox::ItemRect(int index) const {
  if (auto* peer = NativePeer<TListPeer>()) return peer->ItemRect(index);
  if (index < 0 || index > FItems->Count()) return {};
  int top = TopIndex();
  int y = 0;
  if (index >= top) {
    for (int i = top; i < index; ++i) y += RowHeight(i);
  } else {
    for (int i = index; i < top; ++i) y -= RowHeight(i);
  }
  return Rect(0, y, ClientWidth(), y + (index < FItems->Count() ? RowHeight(index) : FItemHeight));
}

int TCustomListBox::ItemAtPos(TPoint pos, bool Existing) const {
  int n = FItems->Count();
  int found = -1;
  if (auto* peer = NativePeer<TListPeer>()) {
    found = peer->ItemAtPos(pos);
  } else if (pos.X >= 0 && pos.X < ClientWidth() && pos.Y >= 0) {
    int y = 0;
    for (int i = TopIndex(); i < n; ++i) {
      int h = RowHeight(i);
      if (pos.Y < y + h) { found = i; break; }
      y += h;
    }
  }
  if (found >= 0) return found;
  return Existing ? -1 : n;
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) return OnDrawItem(this, index, rect, state);
  DefaultDrawItem(FCanvas, rect, (*FItems)[index]);
}

void TCustomListBox::PaintHandler(TPainter& painter) {
  // Without a native peer the list paints its items itself (the headless backend).
  TNativeControl::PaintHandler(painter);
  if (HasNativePeer()) return;
  for (int i = TopIndex(); i < FItems->Count(); ++i) {
    TRect r = ItemRect(i);
    if (r.Top >= ClientHeight()) break;
    TOwnerDrawState state;
    if (Selected(i)) state << odSelected;
    if (i == FItemIndex && Focused()) state << odFocused;
    if (!Enabled()) state << odDisabled;
    PeerDrawItem(i, painter, r, state);
  }
}

void TCustomListBox::PeerItemChosen(int index) {
  if (index < -1 || index >= FItems->Count() || index == FItemIndex) return;
  SetItemIndex(index);
  Click();
}

void TCustomListBox::PeerSelectionChanged(const std::vector<bool>& selected, int focused) {
  std::vector<bool> next = selected;
  next.resize(FSelected.size(), false);
  bool changed = next != FSelected || (focused != FItemIndex && focused < FItems->Count());
  if (!changed) return;
  FSelected = next;
  if (focused >= -1 && focused < FItems->Count()) FItemIndex = focused;
  Invalidate();
  Click();
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TNativeControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || HasNativePeer()) return;
  int i = ItemAtPos({X, Y}, true);
  if (i < 0) return;
  if (!CanFocus()) return;
  if (!Focused()) SetFocus();
  if (FMultiSelect) {
    std::vector<bool> next = FSelected;
    next[static_cast<std::size_t>(i)] = !next[static_cast<std::size_t>(i)];
    PeerSelectionChanged(next, i);
  } else {
    PeerItemChosen(i);
  }
}

void TCustomListBox::KeyDown(WORD& Key, TShiftState Shift) {
  TNativeControl::KeyDown(Key, Shift);
  int n = FItems->Count();
  if (Key == 0 || n == 0 || FMultiSelect) return;
  int page = std::max(ClientHeight() / std::max(FItemHeight, 1), 1);
  int i = FItemIndex;
  switch (Key) {
    case VK_UP: i = std::max(i - 1, 0); break;
    case VK_DOWN: i = std::min(i + 1, n - 1); break;
    case VK_HOME: i = 0; break;
    case VK_END: i = n - 1; break;
    case VK_PRIOR: i = std::max(i - page, 0); break;
    case VK_NEXT: i = std::min(i + page, n - 1); break;
    default: return;
  }
  Key = 0;
  PeerItemChosen(i);
  if (i < TopIndex()) SetTopIndex(i);
  else if (i >= TopIndex() + page) SetTopIndex(i - page + 1);
}

void TCustomListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case LB_GETCOUNT: m.Result = FItems->Count(); return;
    case LB_GETCURSEL: m.Result = FItemIndex; return;
    case LB_SETCURSEL:
      SetItemIndex(static_cast<int>(static_cast<intptr_t>(m.WParam)));
      m.Result = FItemIndex;
      return;
    case LB_GETSEL: m.Result = Selected(static_cast<int>(m.WParam)) ? 1 : 0; return;
    case LB_SETSEL: SetSelected(static_cast<int>(static_cast<intptr_t>(m.LParam)), m.WParam != 0); return;
    case LB_GETSELCOUNT: m.Result = FMultiSelect ? SelCount() : LB_ERR; return;
    case LB_GETTOPINDEX: m.Result = TopIndex(); return;
    case LB_SETTOPINDEX: SetTopIndex(static_cast<int>(m.WParam)); return;
    case LB_GETITEMDATA: m.Result = ItemData(*FItems, m.WParam); return;
    case LB_SETITEMDATA: {
      int i = static_cast<int>(m.WParam);
      if (i < 0 || i >= FItems->Count()) { m.Result = LB_ERR; return; }
      FItems->SetObjects(i, reinterpret_cast<TObject*>(m.LParam));
      return;
    }
    case LB_GETTEXTLEN: {
      int i = static_cast<int>(m.WParam);
      m.Result = i >= 0 && i < FItems->Count() ? static_cast<LRESULT>((*FItems)[i].size()) : LB_ERR;
      return;
    }
    case LB_GETTEXT: {
      int i = static_cast<int>(m.WParam);
      if (i < 0 || i >= FItems->Count() || !m.LParam) { m.Result = LB_ERR; return; }
      const std::string& s = (*FItems)[i];
      std::memcpy(reinterpret_cast<char*>(m.LParam), s.c_str(), s.size() + 1);
      m.Result = static_cast<LRESULT>(s.size());
      return;
    }
    case LB_ADDSTRING:
      m.Result = FItems->Add(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      return;
    case LB_DELETESTRING: {
      int i = static_cast<int>(m.WParam);
      if (i < 0 || i >= FItems->Count()) { m.Result = LB_ERR; return; }
      FItems->Delete(i);
      m.Result = FItems->Count();
      return;
    }
    case LB_RESETCONTENT: FItems->Clear(); return;
    case LB_GETITEMHEIGHT: m.Result = FItemHeight; return;
    case LB_SETITEMHEIGHT: SetItemHeight(static_cast<int>(m.LParam)); return;
    case LB_GETITEMRECT:
      if (m.LParam) *reinterpret_cast<TRect*>(m.LParam) = ItemRect(static_cast<int>(m.WParam));
      m.Result = static_cast<int>(m.WParam) < FItems->Count() ? 1 : LB_ERR;
      return;
    case LB_ITEMFROMPOINT: {
      int i = ItemAtPos({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}, true);
      m.Result = i < 0 ? MAKELPARAM(FItems->Count(), 1) : MAKELPARAM(i, 0);
      return;
    }
    default:
      TNativeControl::WndProc(m);
  }
}

// ---- TCustomComboBox ------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TNativeControl(AOwner), FItems(std::make_unique<TPeerItems>()), FEdit(std::make_unique<TCustomEdit>(nullptr)) {
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
  FEdit->SetAutoSelect(false);
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
  FEdit->OnChange = [this](TObject*) { EditChanged(); };
}

TCustomComboBox::~TCustomComboBox() {
  FItems->OnChange = nullptr;
  FEdit->OnChange = nullptr;
  DestroyHandle();
}

void TCustomComboBox::ItemsChanged() {
  if (FItemIndex >= FItems->Count()) FItemIndex = -1;
  auto* peer = NativePeer<TComboPeer>();
  PushItems(peer, *FItems);
  if (peer) {
    peer->SetItemIndex(FItemIndex);
    peer->SetEditText(Text());
  }
}

void TCustomComboBox::PushState() {
  auto* peer = NativePeer<TComboPeer>();
  if (!peer) return;
  peer->SetStyle(static_cast<int>(FStyle), FItemHeight);
  peer->SetItems(ItemTexts(*FItems));
  PeerItems(*FItems).Taken();
  peer->SetItemIndex(FItemIndex);
  peer->SetEditText(Text());
  peer->SetSelection(FEdit->SelStart(), FEdit->SelStart() + FEdit->SelLength());
  peer->SetDropDownCount(FDropDownCount);
  peer->SetDroppedWidth(FDroppedWidth);
}

void TCustomComboBox::SetEditSilently(const std::string& text) {
  FSilent = true;
  FEdit->SetText(text);
  FSilent = false;
  TControl::SetText(text);
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetEditText(text);
}

void TCustomComboBox::EditChanged() {
  if (FSilent) return;
  // The user typed in the edit part.
  TControl::SetText(FEdit->Text());
  if (auto* peer = NativePeer<TComboPeer>()) {
    peer->SetEditText(Text());
    peer->SetSelection(FEdit->Anchor(), FEdit->CaretPos());
  }
  Change();
}

void TCustomComboBox::SetItemIndex(int value) {
  if (value < -1 || value >= FItems->Count()) value = -1;
  FItemIndex = value;
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetItemIndex(value);
  SetEditSilently(value >= 0 ? (*FItems)[value] : std::string());
}

void TCustomComboBox::SetText(const std::string& value) {
  if (Editable()) {
    SetEditSilently(value);
    return;
  }
  // A drop-down list shows only its items.
  int i = FItems->IndexOf(value);
  if (i >= 0 || value.empty()) SetItemIndex(i);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  FStyle = value;
  if (!Editable() && FItemIndex < 0) SetEditSilently("");
  if (auto* peer = NativePeer<TComboPeer>()) {
    peer->SetStyle(static_cast<int>(value), FItemHeight);
    PushState();
  }
}

void TCustomComboBox::SetDropDownCount(int value) {
  FDropDownCount = std::max(value, 1);
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetDropDownCount(FDropDownCount);
}

void TCustomComboBox::SetItemHeight(int value) {
  if (value <= 0) return;
  FItemHeight = value;
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetStyle(static_cast<int>(FStyle), value);
}

void TCustomComboBox::SetDroppedDown(bool value) {
  if (value == FDroppedDown) return;
  if (value) DropDown();
  FDroppedDown = value;
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetDroppedDown(value);
  if (!value) CloseUp();
}

void TCustomComboBox::SetSelStart(int value) {
  FEdit->SetSelStart(value);
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(FEdit->SelStart(), FEdit->SelStart());
}

void TCustomComboBox::SetSelLength(int value) {
  FEdit->SetSelLength(value);
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(FEdit->SelStart(), FEdit->SelStart() + FEdit->SelLength());
}

void TCustomComboBox::SelectAll() {
  FEdit->SelectAll();
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(0, static_cast<int>(Text().size()));
}

void TCustomComboBox::Clear() {
  FItems->Clear();
  SetItemIndex(-1);
}

void TCustomComboBox::Change() { if (OnChange) OnChange(this); }

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::DropDown() { if (OnDropDown) OnDropDown(this); }
void TCustomComboBox::CloseUp() { if (OnCloseUp) OnCloseUp(this); }

void TCustomComboBox::ChooseItem(int index) {
  if (index < 0 || index >= FItems->Count()) return;
  if (index == FItemIndex && Text() == (*FItems)[index]) return;
  FItemIndex = index;
  if (auto* peer = NativePeer<TComboPeer>()) peer->SetItemIndex(index);
  SetEditSilently((*FItems)[index]);
  FEdit->SelectAll();
  Click();
  Select();
}

int TCustomComboBox::MeasureItem(int index) {
  int height = FItemHeight;
  if (FStyle == csOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, index, height);
  return height;
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem && (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable))
    return OnDrawItem(this, index, rect, state);
  DefaultDrawItem(FCanvas, rect, index >= 0 && index < FItems->Count() ? (*FItems)[index] : Text());
}

void TCustomComboBox::UserClick() {
  // A click on a closed drop-down box opens its list; on an open one it closes it.
  if (FStyle != csSimple) SetDroppedDown(!FDroppedDown);
}

void TCustomComboBox::KeyDown(WORD& Key, TShiftState Shift) {
  TNativeControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  bool alt = Shift.Contains(ssAlt);
  if (FStyle != csSimple && (Key == VK_F4 || (alt && (Key == VK_DOWN || Key == VK_UP)))) {
    SetDroppedDown(!FDroppedDown);
    Key = 0;
    return;
  }
  if (FDroppedDown && (Key == VK_RETURN || Key == VK_ESCAPE)) {
    SetDroppedDown(false);
    Key = 0;
    return;
  }
  int n = FItems->Count();
  if (n == 0) return;
  int i = FItemIndex;
  switch (Key) {
    case VK_UP: i = std::max(i - 1, 0); break;
    case VK_DOWN: i = std::min(i + 1, n - 1); break;
    case VK_PRIOR: i = std::max(i - FDropDownCount, 0); break;
    case VK_NEXT: i = std::min(i + FDropDownCount, n - 1); break;
    case VK_HOME: if (Editable()) return; i = 0; break;
    case VK_END: if (Editable()) return; i = n - 1; break;
    default: return;
  }
  Key = 0;
  ChooseItem(i);
}

void TCustomComboBox::PeerItemChosen(int index) { ChooseItem(index); }

void TCustomComboBox::PeerTextEdited(const std::string& text, int caret) {
  if (!Editable()) return;
  FEdit->SetSelection(0, static_cast<int>(FEdit->Text().size()));
  FEdit->SetSelText(text);
  FEdit->SetSelection(caret, caret);
}

void TCustomComboBox::PeerSelectionChanged(int anchor, int caret) { FEdit->PeerSelectionChanged(anchor, caret); }

void TCustomComboBox::PeerDroppedDown(bool dropped) {
  if (dropped == FDroppedDown) return;
  if (dropped) DropDown();
  FDroppedDown = dropped;
  if (!dropped) CloseUp();
}

void TCustomComboBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_KEYDOWN:
      TNativeControl::WndProc(m);
      if (m.Result == 0 && m.WParam && Editable()) m.Result = FEdit->Perform(WM_KEYDOWN, m.WParam, m.LParam);
      if (m.Result)
        if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(FEdit->Anchor(), FEdit->CaretPos());
      return;
    case WM_CHAR: {
      TNativeControl::WndProc(m);
      if (m.Result || !m.WParam) return;
      auto key = static_cast<char32_t>(m.WParam);
      if (Editable()) {
        m.Result = FEdit->Perform(WM_CHAR, m.WParam, m.LParam);
        if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(FEdit->Anchor(), FEdit->CaretPos());
        return;
      }
      if (key < 0x20) return;
      // A drop-down list jumps to the next item starting with the typed character.
      std::string typed = AnsiUpperCase(Utf8Encode(key));
      int n = FItems->Count();
      for (int k = 1; k <= n; ++k) {
        int i = (FItemIndex + k + n) % n;
        if (AnsiUpperCase((*FItems)[i]).rfind(typed, 0) == 0) {
          ChooseItem(i);
          break;
        }
      }
      m.Result = 1;
      return;
    }
    case WM_CUT: case WM_COPY: case WM_PASTE: case WM_CLEAR:
      if (Editable()) FEdit->Perform(m.Msg, m.WParam, m.LParam);
      return;
    case CB_GETCOUNT: m.Result = FItems->Count(); return;
    case CB_GETCURSEL: m.Result = FItemIndex; return;
    case CB_SETCURSEL:
      SetItemIndex(static_cast<int>(static_cast<intptr_t>(m.WParam)));
      m.Result = FItemIndex;
      return;
    case CB_GETITEMDATA: m.Result = ItemData(*FItems, m.WParam); return;
    case CB_SETITEMDATA: {
      int i = static_cast<int>(m.WParam);
      if (i < 0 || i >= FItems->Count()) { m.Result = CB_ERR; return; }
      FItems->SetObjects(i, reinterpret_cast<TObject*>(m.LParam));
      return;
    }
    case CB_ADDSTRING: m.Result = FItems->Add(m.LParam ? reinterpret_cast<const char*>(m.LParam) : ""); return;
    case CB_DELETESTRING: {
      int i = static_cast<int>(m.WParam);
      if (i < 0 || i >= FItems->Count()) { m.Result = CB_ERR; return; }
      FItems->Delete(i);
      m.Result = FItems->Count();
      return;
    }
    case CB_RESETCONTENT: Clear(); return;
    case CB_SHOWDROPDOWN: SetDroppedDown(m.WParam != 0); m.Result = 1; return;
    case CB_GETDROPPEDSTATE: m.Result = FDroppedDown ? 1 : 0; return;
    case CB_SETDROPPEDWIDTH:
      FDroppedWidth = std::max(static_cast<int>(m.WParam), 0);
      if (auto* peer = NativePeer<TComboPeer>()) peer->SetDroppedWidth(FDroppedWidth);
      m.Result = std::max(FDroppedWidth, Width());
      return;
    case CB_GETDROPPEDWIDTH: m.Result = std::max(FDroppedWidth, Width()); return;
    case CB_SETITEMHEIGHT: SetItemHeight(static_cast<int>(m.LParam)); return;
    case CB_GETITEMHEIGHT: m.Result = FItemHeight; return;
    case CB_LIMITTEXT: SetMaxLength(static_cast<int>(m.WParam)); m.Result = 1; return;
    case CB_GETEDITSEL:
      if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = SelStart();
      if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = SelStart() + SelLength();
      m.Result = MAKELPARAM(SelStart(), SelStart() + SelLength());
      return;
    case CB_SETEDITSEL: {
      int start = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(m.LParam)));
      int end = static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(m.LParam)));
      if (end < 0) end = static_cast<int>(Text().size());
      if (start < 0) start = end;
      FEdit->SetSelection(start, end);
      if (auto* peer = NativePeer<TComboPeer>()) peer->SetSelection(FEdit->SelStart(), FEdit->SelStart() + FEdit->SelLength());
      m.Result = 1;
      return;
    }
    case WM_SETTEXT:
      SetText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      m.Result = 1;
      return;
    default:
      TNativeControl::WndProc(m);
  }
}
