#include "platform/ui/menus.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/forms.h"
#include "platform/ui/modal_service.h"

namespace {

UINT gNextCommand = 1;

UINT NewCommand() {
  UINT id = gNextCommand++;
  if (gNextCommand == 0xFFFF) gNextCommand = 1;
  return id;
}

struct TKeyName {
  WORD Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},
    {VK_HOME, "Home"}, {VK_LEFT, "Left"}, {VK_UP, "Up"}, {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"}};

}  // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key & 0xFF00) return 0;
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = {};
  if (ShortCut & scShift) Shift << ssShift;
  if (ShortCut & scCtrl) Shift << ssCtrl;
  if (ShortCut & scAlt) Shift << ssAlt;
}

std::string ShortCutToText(TShortCut ShortCut) {
  WORD key = ShortCut & 0xFF;
  std::string name;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) name = std::string(1, static_cast<char>(key));
  else if (key >= VK_F1 && key <= VK_F12) name = "F" + std::to_string(key - VK_F1 + 1);
  else
    for (const TKeyName& k : kKeyNames)
      if (k.Key == key) name = k.Name;
  if (name.empty()) return {};
  std::string prefix;
  if (ShortCut & scShift) prefix += "Shift+";
  if (ShortCut & scCtrl) prefix += "Ctrl+";
  if (ShortCut & scAlt) prefix += "Alt+";
  return prefix + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  std::string rest = Text;
  for (;;) {
    if (rest.size() > 6 && SameText(rest.substr(0, 6), "Shift+")) mods |= scShift, rest = rest.substr(6);
    else if (rest.size() > 5 && SameText(rest.substr(0, 5), "Ctrl+")) mods |= scCtrl, rest = rest.substr(5);
    else if (rest.size() > 4 && SameText(rest.substr(0, 4), "Alt+")) mods |= scAlt, rest = rest.substr(4);
    else break;
  }
  for (int k = 1; k < 256; ++k) {
    std::string name = ShortCutToText(static_cast<TShortCut>(k));
    if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(k | mods);
  }
  return 0;
}

std::string StripHotkey(const std::string& Text) {
  std::string out;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&') {
      if (i + 1 < Text.size() && Text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += Text[i];
  }
  return out;
}

char GetHotkey(const std::string& Text) {
  for (std::size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != '&') continue;
    if (Text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(Text[i + 1])));
  }
  return 0;
}

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(NewCommand()) {}

TMenuItem::~TMenuItem() {
  // Children go with their parent, last first.
  while (!FItems.empty()) delete FItems.back();
  if (FParent) FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return FItems[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Add(const std::vector<TMenuItem*>& items) {
  for (TMenuItem* i : items) Add(i);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  if (item->FParent) throw EMenuError("Menu inserted twice");
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EMenuError("Sub-menu is not in menu");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed(true);
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  Remove(item);
  delete item;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) throw EMenuError("Sub-menu is not in menu");
  FItems.erase(it);
  item->FParent = nullptr;
  Changed(true);
}

void TMenuItem::Clear() {
  if (FItems.empty()) return;
  while (!FItems.empty()) {
    TMenuItem* item = FItems.back();
    FItems.pop_back();
    item->FParent = nullptr;
    delete item;
  }
  Changed(true);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == item) return static_cast<int>(i);
  return -1;
}

void TMenuItem::SetMenuIndex(int value) {
  if (!FParent) return;
  TMenuItem* parent = FParent;
  int count = parent->Count();
  value = std::clamp(value, 0, count - 1);
  if (value == MenuIndex()) return;
  parent->FItems.erase(parent->FItems.begin() + MenuIndex());
  parent->FItems.insert(parent->FItems.begin() + value, this);
  parent->Changed(true);
}

TMenuItem* TMenuItem::Find(const std::string& Caption) const {
  std::string want = StripHotkey(Caption);
  for (TMenuItem* i : FItems)
    if (SameText(StripHotkey(i->FCaption), want)) return i;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

TMenuItem* TMenuItem::FindByCommand(UINT command) {
  if (FCommand == command && FParent) return this;
  for (TMenuItem* i : FItems)
    if (TMenuItem* found = i->FindByCommand(command)) return found;
  return nullptr;
}

TMenuItem* TMenuItem::FindByShortCut(TShortCut shortCut) {
  if (shortCut && FShortCut == shortCut && FParent) return this;
  for (TMenuItem* i : FItems)
    if (TMenuItem* found = i->FindByShortCut(shortCut)) return found;
  return nullptr;
}

void TMenuItem::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  Changed(false);
}

void TMenuItem::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  // A line's place among the items changes with it; any other item is shown or hidden where it stands.
  Changed(IsLine());
}

void TMenuItem::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Changed(false);
}

void TMenuItem::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  if (value && FRadioItem && FParent)
    for (TMenuItem* sibling : FParent->FItems)
      if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
        sibling->FChecked = false;
        sibling->Changed(false);
      }
  Changed(false);
}

void TMenuItem::SetRadioItem(bool value) {
  FRadioItem = value;
  Changed(false);
}

void TMenuItem::SetGroupIndex(BYTE value) {
  FGroupIndex = value;
  Changed(false);
}

void TMenuItem::SetShortCut(TShortCut value) {
  FShortCut = value;
  Changed(false);
}

void TMenuItem::SetImageIndex(int value) {
  FImageIndex = value;
  Changed(false);
}

void TMenuItem::SetDefault(bool value) {
  FDefault = value;
  Changed(false);
}

void TMenuItem::Click() {
  if (!FEnabled || !OnClick) return;
  // The handler runs from a copy: a handler that rebuilds the menu frees this item (and the
  // handler's own captures with it) while it still runs.
  const TNotifyEvent handler = OnClick;
  handler(this);
}

void TMenuItem::Changed(bool rebuild) {
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, rebuild);
}

// ---- TMenu ----------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  FItems->FMenu = nullptr;
  delete FItems;
}

TMenuItem* TMenu::FindItem(UINT value, bool byShortCut) const {
  return byShortCut ? FItems->FindByShortCut(static_cast<TShortCut>(value)) : FItems->FindByCommand(value);
}

bool TMenu::DispatchCommand(UINT command) {
  TMenuItem* item = FindItem(command);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(WORD key, TShiftState shift) {
  TShortCut sc = ::ShortCut(key, shift * TShiftState{ssShift, ssCtrl, ssAlt});
  if (!sc) return false;
  TMenuItem* item = FindItem(sc, true);
  if (!item) return false;
  // The item counts only when it and its parents are shown and enabled.
  for (TMenuItem* i = item; i && i->Parent(); i = i->Parent())
    if (!i->Visible() || !i->Enabled()) return false;
  item->Click();
  return true;
}

void TMenu::MenuChanged(TMenuItem* item, bool rebuild) {
  if (OnChange) OnChange(this, item, rebuild);
}

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
  if (FForm) FForm->SetMenu(nullptr);
}

// ---- TPopupMenu -----------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { FCommandTarget.Menu = this; }

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int X, int Y) {
  FPopupPoint = {X, Y};
  if (FPopupComponent) FPopupComponent->FreeNotification(this);
  if (OnPopup) OnPopup(this);
  TMenuRequest request{Items(), {X, Y}, Name()};
  TMenuItem* chosen = ModalService().PopupMenu(request);
  if (!chosen) return;
  // The click comes from the loop, after Popup has returned; a menu freed meanwhile drops it.
  GetApplication().Loop().PostMessage(&FCommandTarget, WM_COMMAND, chosen->Command(), 0);
}

// ---- Win32 menus ----------------------------------------------------------------------------

HMENU CreatePopupMenu() { return new TMenuItem(nullptr); }
HMENU CreateMenu() { return new TMenuItem(nullptr); }

bool DestroyMenu(HMENU menu) {
  if (!menu) return false;
  if (menu->Parent()) menu->Parent()->Remove(menu);
  delete menu;
  return true;
}

namespace {

TMenuItem* MakeWin32Item(UINT flags, std::uintptr_t id, const std::string& text) {
  TMenuItem* item = nullptr;
  if (flags & MF_POPUP) {
    item = reinterpret_cast<TMenuItem*>(id);
    if (!item) return nullptr;
  } else {
    item = new TMenuItem(nullptr);
    item->SetCommand(static_cast<UINT>(id));
  }
  item->SetCaption(flags & MF_SEPARATOR ? cLineCaption : text);
  item->SetEnabled(!(flags & (MF_GRAYED | MF_DISABLED)));
  item->SetChecked(flags & MF_CHECKED);
  item->SetDefault(flags & MF_DEFAULT);
  return item;
}

TMenuItem* FindWin32Item(HMENU menu, UINT position, UINT flags) {
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION)
    return position < static_cast<UINT>(menu->Count()) ? menu->Items(static_cast<int>(position)) : nullptr;
  return menu->FindByCommand(position);
}

}  // namespace

bool AppendMenu(HMENU menu, UINT flags, std::uintptr_t idNewItem, const std::string& text) {
  if (!menu) return false;
  TMenuItem* item = MakeWin32Item(flags, idNewItem, text);
  if (!item) return false;
  menu->Add(item);
  return true;
}

bool InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t idNewItem, const std::string& text) {
  if (!menu) return false;
  int index = menu->Count();
  if (flags & MF_BYPOSITION) {
    if (position < static_cast<UINT>(menu->Count())) index = static_cast<int>(position);
  } else if (TMenuItem* at = menu->FindByCommand(position); at && at->Parent() == menu) {
    index = at->MenuIndex();
  }
  TMenuItem* item = MakeWin32Item(flags, idNewItem, text);
  if (!item) return false;
  menu->Insert(index, item);
  return true;
}

bool DeleteMenu(HMENU menu, UINT position, UINT flags) {
  TMenuItem* item = FindWin32Item(menu, position, flags);
  if (!item) return false;
  delete item;
  return true;
}

int GetMenuItemCount(HMENU menu) { return menu ? menu->Count() : -1; }

UINT GetMenuItemID(HMENU menu, int pos) {
  if (!menu || pos < 0 || pos >= menu->Count()) return static_cast<UINT>(-1);
  TMenuItem* item = menu->Items(pos);
  return item->Count() > 0 ? static_cast<UINT>(-1) : item->Command();
}

DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check) {
  TMenuItem* item = FindWin32Item(menu, idCheckItem, check);
  if (!item) return static_cast<DWORD>(-1);
  DWORD old = item->Checked() ? MF_CHECKED : MF_UNCHECKED;
  item->SetChecked(check & MF_CHECKED);
  return old;
}

bool EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable) {
  TMenuItem* item = FindWin32Item(menu, idEnableItem, enable);
  if (!item) return false;
  item->SetEnabled(!(enable & (MF_GRAYED | MF_DISABLED)));
  return true;
}

int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const TRect*) {
  if (!menu) return 0;
  TMenuRequest request{menu, {x, y}, {}};
  if (TMenu* m = menu->GetParentMenu()) request.Caption = m->Name();
  TMenuItem* chosen = ModalService().PopupMenu(request);
  UINT command = chosen ? chosen->Command() : 0;
  if (flags & TPM_RETURNCMD) return static_cast<int>(command);
  if (!chosen) return 0;
  if (owner && !(flags & TPM_NONOTIFY)) owner->PostMessage(WM_COMMAND, command, 0);
  return 1;
}
