#include "controls/pick_dialog.h"

#include <memory>

#include "platform/ui/screen.h"

TSelectForm::TSelectForm(TComponent* AOwner, TPickDialog& dialog, int width, int height, TButtonPosition position,
                         bool acceptDblClick)
    : TForm(AOwner), FDialog(dialog), FDesignedWidth(width), FDesignedHeight(height),
      FButtonPosition(position), FAcceptDblClick(acceptDblClick) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, width, height);
  title = new TLabel(this);
  title->SetParent(this);
  title->SetBounds(8, 8, width - 16, 13);
  SelectList = new TListBox(this);
  SelectList->SetParent(this);
  SelectList->SetBounds(8, 8 + 13 + 4, width - 16, height - 60);
  okbtn = new TButton(this);
  okbtn->SetParent(this);
  okbtn->SetCaption("OK");
  okbtn->SetDefault(true);
  okbtn->SetModalResult(mrOk);
  okbtn->SetBounds(0, 0, 75, 25);
  cancelbtn = new TButton(this);
  cancelbtn->SetParent(this);
  cancelbtn->SetCaption("Cancel");
  cancelbtn->SetCancel(true);
  cancelbtn->SetModalResult(mrCancel);
  cancelbtn->SetBounds(0, 0, 75, 25);
  okbtn->OnClick = [this](TObject*) { SetModalResult(mrOk); };
  cancelbtn->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
  SelectList->OnClick = [this](TObject*) {
    int i = SelectList->ItemIndex();
    if (FDialog.OnClickItem && i >= 0) FDialog.OnClickItem(&FDialog, i, SelectList->Items().Strings(i));
  };
  SelectList->OnDblClick = [this](TObject*) {
    int i = SelectList->ItemIndex();
    if (FAcceptDblClick) SetModalResult(mrOk);
    if (FDialog.OnDblClickItem && i >= 0) FDialog.OnDblClickItem(&FDialog, i, SelectList->Items().Strings(i));
  };
  AfterConstruction();
}

void TSelectForm::LayoutButtons() {
  if (!SelectList || !okbtn || !cancelbtn) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  const int bw = okbtn->Width(), bh = okbtn->Height();
  const int top = SelectList->Top();
  switch (FButtonPosition) {
    case bpBottom:
      SelectList->SetBounds(SelectList->Left(), top, cw - 16, ch - top - 16 - bh);
      cancelbtn->SetBounds(cw - bw - 8, ch - bh - 8, bw, bh);
      okbtn->SetBounds(cw - 2 * bw - 16, ch - bh - 8, bw, bh);
      break;
    case bpRight:
      SelectList->SetBounds(SelectList->Left(), top, cw - bw - 24, ch - top - 8);
      okbtn->SetBounds(cw - bw - 8, ch - bh - 8, bw, bh);
      cancelbtn->SetBounds(cw - bw - 8, ch - 2 * bh - 16, bw, bh);
      break;
    case bpNone:
      SelectList->SetBounds(8, top, cw - 16, ch - top - 8);
      okbtn->SetVisible(false);
      cancelbtn->SetVisible(false);
      break;
  }
}

void TSelectForm::Resize() {
  // A sizeable window never gets smaller than it was designed.
  if (Width() < FDesignedWidth || Height() < FDesignedHeight) {
    SetBounds(Left(), Top(), std::max(Width(), FDesignedWidth), std::max(Height(), FDesignedHeight));
    return;
  }
  TForm::Resize();
  LayoutButtons();
  Invalidate();
}

TRect TSelectForm::GripRect() {
  if (BorderStyle() != bsSizeable && BorderStyle() != bsSizeToolWin) return {};
  // A square of the scroll bar's size.
  int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
  return Rect(ClientWidth() - w, ClientHeight() - h, ClientWidth(), ClientHeight());
}

void TSelectForm::WndProc(TMessage& message) {
  if (message.Msg == WM_NCHITTEST) {
    // A press on the grip sizes the window from its bottom-right corner.
    TPoint p = ScreenToClient({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
    if (PtInRect(GripRect(), p)) {
      message.Result = HTBOTTOMRIGHT;
      return;
    }
  }
  TForm::WndProc(message);
}

void TSelectForm::Paint() {
  TForm::Paint();
  TRect r = GripRect();
  if (IsRectEmpty(r)) return;
  TCanvas& c = Canvas();
  int w = r.Width();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBtnFace);
  c.FillRect(r);
  for (int i = 4; i < w; i += 4) {
    c.Pen().SetColor(clBtnHighlight);
    c.MoveTo(r.Right - i, r.Bottom - 1);
    c.LineTo(r.Right - 1, r.Bottom - i);
    c.Pen().SetColor(clBtnShadow);
    c.MoveTo(r.Right - i + 1, r.Bottom - 1);
    c.LineTo(r.Right - 1, r.Bottom - i + 1);
  }
}

TPickDialog::TPickDialog(TComponent* AOwner) : TComponent(AOwner) {}

TModalResult TPickDialog::Execute() {
  auto form = std::make_unique<TSelectForm>(Owner(), *this, FWidth, FHeight, ButtonPosition, AcceptDblClick);
  switch (DialogPosition) {
    case fposCenter: form->SetPosition(poScreenCenter); break;
    case fposAbsolute:
      form->SetPosition(poDesigned);
      form->SetBounds(LeftPosition, TopPosition, FWidth, FHeight);
      break;
    case fposDefault: form->SetPosition(poDefault); break;
  }
  if (ToolWindow) form->SetBorderStyle(Sizeable ? bsSizeToolWin : bsToolWindow);
  else form->SetBorderStyle(Sizeable ? bsSizeable : bsSingle);
  form->SetCaption(Caption);
  form->okbtn->SetCaption(OkCaption);
  form->cancelbtn->SetCaption(CancelCaption);
  form->title->SetCaption(Title);
  TListBox& list = *form->SelectList;
  list.SetMultiSelect(MultiSel);
  list.SetSorted(Sort);
  list.Items().Assign(&FPickItems);
  if (list.Count() > 0) {
    int index = ItemIndex >= 0 && ItemIndex < list.Count() ? ItemIndex : 0;
    list.SetItemIndex(index);
    if (MultiSel) list.SetSelected(index, true);
  }
  if (!ShowTitle) {
    form->title->SetVisible(false);
    list.SetBounds(8, list.Top() - (form->title->Height() + 4), list.Width(), list.Height() + form->title->Height() + 4);
  }
  form->LayoutButtons();
  FForm = form.get();
  TModalResult result = mrCancel;
  try {
    result = form->ShowModal();
  } catch (...) {
    FForm = nullptr;
    throw;
  }
  FForm = nullptr;
  ItemIndex = list.ItemIndex();
  FSelectedText.clear();
  FSelectedData = nullptr;
  if (ItemIndex >= 0) {
    FSelectedText = list.Items().Strings(ItemIndex);
    FSelectedData = reinterpret_cast<TObject*>(list.Perform(LB_GETITEMDATA, static_cast<WPARAM>(ItemIndex)));
  }
  if (MultiSel) {
    FSelectedItems.Clear();
    for (int i = 0; i < list.Count(); ++i)
      if (list.Selected(i)) FSelectedItems.Add(list.Items().Strings(i));
  }
  return result;
}
