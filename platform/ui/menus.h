// Menus: items built by code at run time, nested to any depth; the main menu of a form and
// pop-up menus. A caption's "&" marks the accelerator, "&&" is a literal "&" and "-" makes a
// separator. HMENU is an item (the root of a menu), so the Win32 calls build and show menus too.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/ui/controls.h"

class TMenu;
class TMenuItem;
QN_DECLARE_EXCEPTION(EMenuError, Exception);
using HMENU = TMenuItem*;
using TShortCut = WORD;  // virtual key | scCtrl/scShift/scAlt

enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Ctrl+S", "Shift+F5", "Del" ...; empty for none.
std::string ShortCutToText(TShortCut ShortCut);
TShortCut TextToShortCut(const std::string& Text);
// The caption without its accelerator marks ("&&" becomes "&").
std::string StripHotkey(const std::string& Text);
// The accelerator character of a caption (upper case), 0 when none.
char GetHotkey(const std::string& Text);
inline const std::string cLineCaption = "-";

enum TMenuAutoFlag { maAutomatic, maManual, maParent };
using TMenuItemAutoFlag = TMenuAutoFlag;
enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // Checking a radio item unchecks the other radio items of its group under the same parent.
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value);
  BYTE GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(BYTE value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  std::string Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuAutoFlag value) { FAutoHotkeys = value; }
  // The command id WM_COMMAND and TrackPopupMenu report for the item (unique in the program
  // unless set by AppendMenu).
  UINT Command() const { return FCommand; }
  void SetCommand(UINT value) { FCommand = value; }
  bool IsLine() const { return FCaption == cLineCaption; }

  // Children.
  int Count() const { return static_cast<int>(FItems.size()); }
  // EMenuError "Menu index out of range" for a bad index.
  TMenuItem* Items(int index) const;
  TMenuItem* operator[](int index) const { return Items(index); }
  void Add(TMenuItem* item);
  void Add(const std::vector<TMenuItem*>& items);
  // Inserts at index (0 .. Count); EMenuError "Menu inserted twice" when the item has a parent.
  void Insert(int index, TMenuItem* item);
  // Removes and frees the child at index.
  void Delete(int index);
  // Takes the item out without freeing it.
  void Remove(TMenuItem* item);
  // Frees every child.
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  TMenuItem* Parent() const { return FParent; }
  int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  // The child whose caption without accelerator marks equals Caption (no case), or null.
  TMenuItem* Find(const std::string& Caption) const;
  // The menu this item belongs to, or null.
  TMenu* GetParentMenu() const;
  // A descendant by command id or by short cut; null when none.
  TMenuItem* FindByCommand(UINT command);
  TMenuItem* FindByShortCut(TShortCut shortCut);

  // Runs OnClick (Enabled items only).
  virtual void Click();

  TNotifyEvent OnClick;

private:
  void Changed(bool rebuild);

  std::string FCaption;
  bool FVisible = true;
  bool FEnabled = true;
  bool FChecked = false;
  bool FRadioItem = false;
  bool FDefault = false;
  BYTE FGroupIndex = 0;
  TShortCut FShortCut = 0;
  int FImageIndex = -1;
  std::string FHint;
  TMenuAutoFlag FAutoHotkeys = maParent;
  UINT FCommand = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu

  friend class TMenu;
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item: the menu's entries are its children.
  TMenuItem* Items() const { return FItems; }
  TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuAutoFlag value) { FAutoHotkeys = value; }
  HMENU Handle() const { return FItems; }
  // A descendant by command id or short cut.
  TMenuItem* FindItem(UINT value, bool byShortCut = false) const;
  // Clicks the item of the command; false when none has it.
  bool DispatchCommand(UINT command);
  // Clicks the enabled, visible item with this short cut; false when none.
  bool IsShortCut(WORD key, TShiftState shift);

  // Told whenever an item below changes (the backend rebuilds what it shows).
  std::function<void(TMenu* Sender, TMenuItem* Item, bool Rebuild)> OnChange;

protected:
  virtual void MenuChanged(TMenuItem* item, bool rebuild);

private:
  TMenuItem* FItems;
  TMenuAutoFlag FAutoHotkeys = maManual;

  friend class TMenuItem;
};

// The menu bar of a form (TCustomForm::SetMenu).
class TMainMenu : public TMenu {
public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  // The form showing this menu.
  TCustomForm* Form() const { return FForm; }

private:
  TCustomForm* FForm = nullptr;
  friend class TCustomForm;
};

class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment value) { FAlignment = value; }
  // The control the menu was last shown for (by a right click), or set by the caller.
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* value) { FPopupComponent = value; }
  TPoint PopupPoint() const { return FPopupPoint; }

  // Runs OnPopup, shows the menu at the screen point and returns; the chosen item's OnClick
  // runs afterwards, from the loop.
  virtual void Popup(int X, int Y);

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Receives the posted click of the chosen item.
  struct TCommandTarget : TMessageTarget {
    TPopupMenu* Menu = nullptr;
    void HandlePostedMessage(UINT, WPARAM WParam, LPARAM) override { Menu->DispatchCommand(static_cast<UINT>(WParam)); }
  } FCommandTarget;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
  TComponent* FPopupComponent = nullptr;
  TPoint FPopupPoint{-1, -1};
};

// ---- The Win32 calls ---------------------------------------------------------------------
enum : UINT {
  MF_STRING = 0x0, MF_BYCOMMAND = 0x0, MF_ENABLED = 0x0, MF_UNCHECKED = 0x0, MF_GRAYED = 0x1,
  MF_DISABLED = 0x2, MF_CHECKED = 0x8, MF_POPUP = 0x10, MF_SEPARATOR = 0x800,
  MF_BYPOSITION = 0x400, MF_DEFAULT = 0x1000,
  TPM_LEFTALIGN = 0x0, TPM_CENTERALIGN = 0x4, TPM_RIGHTALIGN = 0x8, TPM_TOPALIGN = 0x0,
  TPM_VCENTERALIGN = 0x10, TPM_BOTTOMALIGN = 0x20, TPM_LEFTBUTTON = 0x0, TPM_RIGHTBUTTON = 0x2,
  TPM_NONOTIFY = 0x80, TPM_RETURNCMD = 0x100
};
// A new empty menu, owned by the caller (DestroyMenu frees it).
HMENU CreatePopupMenu();
HMENU CreateMenu();
bool DestroyMenu(HMENU menu);
// Appends a string item with the command id (a sub-menu with MF_POPUP, id = the HMENU), or a
// separator.
bool AppendMenu(HMENU menu, UINT flags, std::uintptr_t idNewItem, const std::string& text);
bool InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t idNewItem, const std::string& text);
bool DeleteMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int pos);
DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check);
bool EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable);
// Shows the menu at the screen point. With TPM_RETURNCMD it returns the chosen command id (0
// when none); otherwise it posts WM_COMMAND with the id to Owner and returns non-zero when an
// item was chosen.
int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const TRect* rect);
