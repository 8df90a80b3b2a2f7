#include "platform/ui/std_buttons.h"

#include <algorithm>

#include "platform/ui/forms.h"

// ---- TButtonControl -------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TNativeControl(AOwner) { SetColor(clBtnFace); }

void TButtonControl::SetText(const std::string& value) {
  if (value == Text()) return;
  TNativeControl::SetText(value);
  if (auto* peer = NativePeer<TButtonPeer>()) peer->SetCaption(value);
}

void TButtonControl::PushState() {
  if (auto* peer = NativePeer<TButtonPeer>()) {
    peer->SetCaption(Text());
    peer->SetCheckState(CheckState());
  }
}

void TButtonControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
      TNativeControl::WndProc(m);
      // Space clicks when it is released.
      if (m.Result == 0 && m.WParam == VK_SPACE) m.Result = 1;
      return;
    case WM_KEYUP:
      TNativeControl::WndProc(m);
      if (m.WParam == VK_SPACE && Enabled()) {
        m.Result = 1;
        UserClick();
      }
      return;
    case WM_CHAR:
      TNativeControl::WndProc(m);
      if (m.WParam == ' ') m.Result = 1;
      return;
    case BM_CLICK:
      if (Enabled()) UserClick();
      return;
    case BM_GETCHECK: m.Result = CheckState(); return;
    default:
      TNativeControl::WndProc(m);
  }
}

// ---- TButton --------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 75, 25); }

TButton::~TButton() { DestroyHandle(); }

void TButton::SetDefault(bool value) {
  FDefault = value;
  if (auto* peer = NativePeer<TButtonPeer>()) peer->SetDefault(value);
}

void TButton::PushState() {
  TButtonControl::PushState();
  if (auto* peer = NativePeer<TButtonPeer>()) peer->SetDefault(FDefault);
}

void TButton::Click() {
  TButtonControl::Click();
  // A button with a ModalResult ends the modal run of its form.
  if (FModalResult == mrNone) return;
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
}

void TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_DIALOGKEY: {
      // Enter presses the default button, Escape the cancel button.
      WORD key = static_cast<WORD>(m.WParam);
      if (((key == VK_RETURN && (FDefault || Focused())) || (key == VK_ESCAPE && FCancel)) &&
          KeyboardShiftState().Empty() && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      TButtonControl::WndProc(m);
      return;
    }
    case WM_KEYDOWN:
      TButtonControl::WndProc(m);
      if (m.Result == 0 && m.WParam == VK_RETURN && Enabled()) {
        m.Result = 1;
        Click();
      }
      return;
    default:
      TButtonControl::WndProc(m);
  }
}

// ---- TCustomCheckBox ------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 97, 17);
  SetParentColor(true);
}

TCustomCheckBox::~TCustomCheckBox() { DestroyHandle(); }

void TCustomCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  if (auto* peer = NativePeer<TButtonPeer>()) peer->SetCheckState(static_cast<int>(value));
  Invalidate();
  Click();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

// ---- TRadioButton ---------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 113, 17);
  SetParentColor(true);
}

TRadioButton::~TRadioButton() { DestroyHandle(); }

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) {
    // The peer may have changed its look on its own (a click on a checked button).
    if (auto* peer = NativePeer<TButtonPeer>()) peer->SetCheckState(value ? 1 : 0);
    return;
  }
  FChecked = value;
  SetTabStop(value);
  if (auto* peer = NativePeer<TButtonPeer>()) peer->SetCheckState(value ? 1 : 0);
  Invalidate();
  if (!value) return;
  // The radio buttons on the same parent form one group.
  if (TWinControl* parent = Parent())
    for (int i = 0; i < parent->ControlCount(); ++i)
      if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
        sibling->SetChecked(false);
  Click();
}

// ---- TCustomGroupBox ------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 105);
  SetColor(clBtnFace);
}

TRect TCustomGroupBox::InnerRect() {
  TBitmap scratch(1, 1);
  scratch.Canvas().Font().Assign(Font());
  int h = scratch.Canvas().TextHeight("0");
  scratch.ReleaseCanvas();
  return Rect(2, h + 2, std::max(Width() - 2, 2), std::max(Height() - 2, h + 2));
}

void TCustomGroupBox::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  c.Font().Assign(Font());
  int h = c.TextHeight("0");
  TRect frame = Rect(0, h / 2, Width(), Height());
  c.DrawEdge(frame, EDGE_ETCHED, BF_RECT);
  if (!Caption().empty()) {
    // The caption breaks the frame line: its background is cleared first.
    c.FillRect(Rect(6, 0, 10 + c.TextWidth(Caption()), h));
    if (!Enabled()) c.Font().SetColor(clGrayText);
    c.TextOut(8, 0, Caption());
  }
}

// ---- TCustomRadioGroup ----------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner)
    : TCustomGroupBox(AOwner), FItems(std::make_unique<TStringList>()) {
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomRadioGroup::~TCustomRadioGroup() {
  FItems->OnChange = nullptr;
  for (TRadioButton* b : FButtons) b->OnClick = nullptr;
}

TRadioButton* TCustomRadioGroup::Buttons(int index) const {
  return index >= 0 && index < ButtonCount() ? FButtons[static_cast<std::size_t>(index)] : nullptr;
}

void TCustomRadioGroup::ItemsChanged() {
  FUpdating = true;
  int n = FItems->Count();
  while (ButtonCount() > n) {
    TRadioButton* b = FButtons.back();
    FButtons.pop_back();
    delete b;  // a component: it leaves its owner's list
  }
  while (ButtonCount() < n) {
    auto* b = new TRadioButton(this);
    b->SetParent(this);
    b->OnClick = [this](TObject* sender) { ButtonClicked(static_cast<TRadioButton*>(sender)); };
    FButtons.push_back(b);
    if (HandleAllocated()) b->HandleNeeded();
  }
  for (int i = 0; i < n; ++i) FButtons[static_cast<std::size_t>(i)]->SetCaption((*FItems)[i]);
  if (FItemIndex >= n) FItemIndex = -1;
  for (int i = 0; i < n; ++i) FButtons[static_cast<std::size_t>(i)]->SetChecked(i == FItemIndex);
  FUpdating = false;
  ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
  int n = ButtonCount();
  if (n == 0) return;
  TRect inner = InnerRect();
  int columns = std::max(FColumns, 1);
  int rows = (n + columns - 1) / columns;
  int columnWidth = std::max((inner.Width() - 8) / columns, 1);
  int rowHeight = std::max(inner.Height() / rows, 1);
  for (int i = 0; i < n; ++i) {
    int col = i / rows, row = i % rows;
    int h = std::min(rowHeight, 17);
    FButtons[static_cast<std::size_t>(i)]->SetBounds(inner.Left + 6 + col * columnWidth,
                                                     inner.Top + row * rowHeight + (rowHeight - h) / 2,
                                                     columnWidth, h);
  }
}

void TCustomRadioGroup::CreateWnd() {
  TCustomGroupBox::CreateWnd();
  for (TRadioButton* b : FButtons) b->HandleNeeded();
}

void TCustomRadioGroup::Resize() {
  TCustomGroupBox::Resize();
  ArrangeButtons();
}

void TCustomRadioGroup::SetColumns(int value) {
  FColumns = std::clamp(value, 1, 16);
  ArrangeButtons();
}

void TCustomRadioGroup::SetItemIndex(int value) {
  value = std::clamp(value, -1, ButtonCount() - 1);
  if (value == FItemIndex) return;
  if (value < 0) {
    // No button stays checked; the group's click reports the change.
    FUpdating = true;
    if (TRadioButton* b = Buttons(FItemIndex)) b->SetChecked(false);
    FUpdating = false;
    FItemIndex = -1;
    Click();
    return;
  }
  // Checking the button clicks it, and its click sets ItemIndex and clicks the group.
  FButtons[static_cast<std::size_t>(value)]->SetChecked(true);
}

void TCustomRadioGroup::ButtonClicked(TRadioButton* button) {
  if (FUpdating) return;
  auto it = std::find(FButtons.begin(), FButtons.end(), button);
  if (it == FButtons.end()) return;
  FItemIndex = static_cast<int>(it - FButtons.begin());
  Click();
}
