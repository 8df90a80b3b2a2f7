// TPickDialog: a list of texts in a small modal window (TSelectForm); the chosen entry (or
// entries) come back in its properties. The window is built at every Execute, shown modally
// and freed before it returns.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/string_list.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

enum TButtonPosition { bpBottom, bpRight, bpNone };
enum TDialogPosition { fposCenter, fposAbsolute, fposDefault };

using TClickItemEvent = std::function<void(TObject* Sender, int Index, const std::string& Text)>;
using TDblClickItemEvent = std::function<void(TObject* Sender, int Index, const std::string& Text)>;

class TPickDialog;

class TSelectForm : public TForm {
public:
  TSelectForm(TComponent* AOwner, TPickDialog& dialog, int width, int height, TButtonPosition position,
              bool acceptDblClick);
  TLabel* title = nullptr;
  TListBox* SelectList = nullptr;
  TButton* okbtn = nullptr;
  TButton* cancelbtn = nullptr;
  // Places the list and the buttons for the client size.
  void LayoutButtons();

  // The size grip in the bottom-right corner, in client coordinates; empty when the window
  // cannot be sized.
  TRect GripRect();

protected:
  void Resize() override;
  void Paint() override;
  void WndProc(TMessage& message) override;

private:
  TPickDialog& FDialog;
  int FDesignedWidth;
  int FDesignedHeight;
  TButtonPosition FButtonPosition;
  bool FAcceptDblClick;
};

class TPickDialog : public TComponent {
public:
  explicit TPickDialog(TComponent* AOwner = nullptr);

  TStringList& PickItems() { return FPickItems; }
  void SetPickItems(const TStrings& value) { FPickItems.Assign(&value); }
  std::string Caption, Title, CancelCaption = "Cancel", OkCaption = "OK";
  bool ShowTitle = false, MultiSel = false, Sort = false, AcceptDblClick = false, Sizeable = false,
       ToolWindow = false;
  TButtonPosition ButtonPosition = bpBottom;
  TDialogPosition DialogPosition = fposCenter;
  int TopPosition = 0, LeftPosition = 0;
  int Width() const { return FWidth; }
  // Values of 180 or less are ignored.
  void SetWidth(int value) { if (value > 180) FWidth = value; }
  int Height() const { return FHeight; }
  void SetHeight(int value) { if (value > 180) FHeight = value; }

  int ItemIndex = -1;
  const std::string& SelectedText() const { return FSelectedText; }
  TObject* SelectedData() const { return FSelectedData; }
  TStringList& SelectedItems() { return FSelectedItems; }

  TClickItemEvent OnClickItem;
  TDblClickItemEvent OnDblClickItem;

  // The modal result: mrOk or mrCancel.
  TModalResult Execute();
  TSelectForm* Form() const { return FForm; }

private:
  TStringList FPickItems;
  int FWidth = 280;
  int FHeight = 270;
  std::string FSelectedText;
  TObject* FSelectedData = nullptr;
  TStringList FSelectedItems;
  TSelectForm* FForm = nullptr;
};
