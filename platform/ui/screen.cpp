#include "platform/ui/screen.h"

#include <algorithm>

#include "platform/ui/forms.h"

namespace {

std::unique_ptr<TScreenService>& ServiceSlot() {
  static std::unique_ptr<TScreenService> service = std::make_unique<TScreenService>();
  return service;
}

}  // namespace

TScreenService& ScreenService() { return *ServiceSlot(); }

void SetScreenService(std::unique_ptr<TScreenService> service) {
  ServiceSlot() = service ? std::move(service) : std::make_unique<TScreenService>();
}

TScreen& Screen() {
  static TScreen* screen = new TScreen;  // lives to the end: forms leave it while freed at exit
  return *screen;
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  for (TCursor id : {crDefault, crNone, crArrow, crCross, crIBeam, crSizeNESW, crSizeNS, crSizeNWSE,
                     crSizeWE, crUpArrow, crHourGlass, crDrag, crNoDrop, crHSplit, crVSplit, crMultiDrag,
                     crSQLWait, crNo, crAppStart, crHelp, crHandPoint, crSizeAll})
    FCursors[id].Standard = id;
}

TScreen::~TScreen() = default;

void TScreen::AddForm(TCustomForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  if (FActiveForm == form) FActiveForm = nullptr;
}

void TScreen::AddDataModule(TComponent* module) { FDataModules.push_back(module); }

void TScreen::RemoveDataModule(TComponent* module) {
  FDataModules.erase(std::remove(FDataModules.begin(), FDataModules.end(), module), FDataModules.end());
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (form == FActiveForm) return;
  TCustomForm* old = FActiveForm;
  FActiveForm = form;
  if (old && old->FActive) {
    old->FActive = false;
    old->Deactivate();
  }
  // The deactivation handler may have moved the activation on.
  if (form && FActiveForm == form && !form->FActive) {
    form->FActive = true;
    form->Activate();
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}

TWinControl* TScreen::ActiveControl() const {
  TWinControl* f = GetFocus();
  return f && FActiveForm && FActiveForm->ContainsControl(f) ? f : nullptr;
}

int TScreen::Width() const { return ScreenService().Bounds().Width(); }
int TScreen::Height() const { return ScreenService().Bounds().Height(); }
TRect TScreen::WorkArea() const { return ScreenService().WorkArea(); }
int TScreen::PixelsPerInch() const { return ScreenService().PixelsPerInch(); }
int TScreen::ColorDepth() const { return ScreenService().ColorDepth(); }

TStrings& TScreen::Fonts() {
  FFonts.BeginUpdate();
  FFonts.Clear();
  for (const std::string& name : ScreenService().FontNames()) FFonts.Add(name);
  FFonts.EndUpdate();
  return FFonts;
}

void TScreen::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  ScreenService().SetOverrideCursor(value);
}

HCURSOR TScreen::Cursors(TCursor id) const {
  auto it = FCursors.find(id);
  if (it == FCursors.end()) it = FCursors.find(crDefault);
  return &it->second;
}

void TScreen::SetCursors(TCursor id, HCURSOR cursor) {
  TCursorImage& entry = FCursors[id];
  if (cursor) entry = *cursor;
  else entry = TCursorImage{};
  if (!entry.HasImage()) entry.Standard = cursor ? cursor->Standard : crDefault;
}

// ---- System values --------------------------------------------------------------------------

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return Screen().Width();
    case SM_CYSCREEN: case SM_CYFULLSCREEN: return Screen().Height();
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 16;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CYMENU: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_MOUSEWHEELPRESENT: return 1;
    default: return 0;
  }
}

bool SystemParametersInfo(UINT action, UINT, void* param, UINT) {
  if (!param) return false;
  switch (action) {
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(param) = 3; return true;
    case SPI_GETMOUSEHOVERTIME: *static_cast<UINT*>(param) = 400; return true;
    case SPI_GETMOUSEHOVERWIDTH: case SPI_GETMOUSEHOVERHEIGHT: *static_cast<UINT*>(param) = 4; return true;
    case SPI_GETWORKAREA: *static_cast<TRect*>(param) = Screen().WorkArea(); return true;
    default: return false;
  }
}

UINT GetDoubleClickTime() { return 500; }

bool MessageBeep(UINT) {
  ScreenService().Beep();
  return true;
}

bool Beep(DWORD, DWORD) {
  ScreenService().Beep();
  return true;
}

bool GetCursorPos(TPoint* p) {
  if (!p) return false;
  *p = ScreenService().CursorPos();
  return true;
}

bool SetCursorPos(int x, int y) {
  ScreenService().SetCursorPos({x, y});
  return true;
}

bool GetVersionEx(OSVERSIONINFO* info) {
  if (!info) return false;
  info->dwMajorVersion = 5;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 2195;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = 0;
  return true;
}

DWORD GetVersion() { return 5u | (0u << 8) | (2195u << 16); }
