// The screen: the forms of the program in creation order, the active form and control, the
// screen's size and resolution, the cursor table and the program-wide cursor, and the fixed
// system values (GetSystemMetrics, SystemParametersInfo) of the Win32 calls.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/resources.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/controls.h"

class TCustomForm;
class TDataModule;


// What the backend tells about the screen and does for it. The default is the fixed screen
// of the headless backend: 1024 x 768 at 96 dpi, 24 bits, a settable cursor position, beeps
// counted.
class TScreenService {
public:
  virtual ~TScreenService() = default;
  virtual TRect Bounds() const { return Rect(0, 0, 1024, 768); }
  virtual TRect WorkArea() const { return Bounds(); }
  virtual int PixelsPerInch() const { return 96; }
  virtual int ColorDepth() const { return 24; }
  virtual TPoint CursorPos() const { return FCursorPos; }
  virtual void SetCursorPos(TPoint p) { FCursorPos = p; }
  // The program-wide cursor (crDefault: none).
  virtual void SetOverrideCursor(TCursor) {}
  virtual void Beep() { ++FBeeps; }
  // Names of the installed font families, sorted.
  virtual std::vector<std::string> FontNames() const { return {}; }
  int Beeps() const { return FBeeps; }

private:
  TPoint FCursorPos;
  int FBeeps = 0;
};

class TScreen : public TComponent {
public:
  explicit TScreen(TComponent* AOwner = nullptr);
  ~TScreen() override;

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int index) const { return FForms.at(static_cast<std::size_t>(index)); }
  int DataModuleCount() const { return static_cast<int>(FDataModules.size()); }
  TComponent* DataModules(int index) const { return FDataModules.at(static_cast<std::size_t>(index)); }
  // A data module (any component kept with the forms) for the shut-down order.
  void AddDataModule(TComponent* module);
  void RemoveDataModule(TComponent* module);

  TCustomForm* ActiveForm() const { return FActiveForm; }
  // The focused control of the active form.
  TWinControl* ActiveControl() const;

  int Width() const;
  int Height() const;
  TRect WorkArea() const;
  int WorkAreaWidth() const { return WorkArea().Width(); }
  int WorkAreaHeight() const { return WorkArea().Height(); }
  int PixelsPerInch() const;
  int ColorDepth() const;
  // Installed font families (refreshed from the backend on each call).
  TStrings& Fonts();

  // The cursor shown over every control of the program; crDefault gives each control its own.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  // The cursor table: the standard ids and the program's image cursors.
  // The cursor table: the standard shapes under their ids, and whatever the program sets (a
  // cursor of LoadCursor is copied in). An id not in the table gives the default cursor.
  HCURSOR Cursors(TCursor id) const;
  void SetCursors(TCursor id, HCURSOR cursor);

  // Called by the forms.
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

private:
  std::vector<TCustomForm*> FForms;
  std::vector<TComponent*> FDataModules;
  TCustomForm* FActiveForm = nullptr;
  TCursor FCursor = crDefault;
  std::map<TCursor, TCursorImage> FCursors;
  TStringList FFonts;
};

// The process's screen, made on first use.
TScreen& Screen();

// The backend's screen service (the default one until a backend installs its own).
TScreenService& ScreenService();
void SetScreenService(std::unique_ptr<TScreenService> service);

// ---- System values ------------------------------------------------------------------------
enum : int {
  SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
  SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14,
  SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17, SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21, SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37, SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50,
  SM_CYSMCAPTION = 51, SM_CXDRAG = 68, SM_CYDRAG = 69, SM_MOUSEWHEELPRESENT = 75
};
int GetSystemMetrics(int index);

enum : UINT {
  SPI_GETWORKAREA = 0x0030, SPI_GETWHEELSCROLLLINES = 0x0068, SPI_GETMOUSEHOVERTIME = 0x0066,
  SPI_GETMOUSEHOVERWIDTH = 0x0062, SPI_GETMOUSEHOVERHEIGHT = 0x0064
};
// Fills *param (an UINT, or a TRect for SPI_GETWORKAREA); false for an unknown action.
bool SystemParametersInfo(UINT action, UINT uiParam, void* param, UINT winIni);
UINT GetDoubleClickTime();
bool MessageBeep(UINT type);
bool Beep(DWORD frequency, DWORD duration);
bool GetCursorPos(TPoint* p);
bool SetCursorPos(int x, int y);

// Windows version queries answer a fixed NT 5.0.
enum : DWORD { VER_PLATFORM_WIN32_NT = 2 };
struct OSVERSIONINFO {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
bool GetVersionEx(OSVERSIONINFO* info);
DWORD GetVersion();
