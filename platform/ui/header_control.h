// The header control, painted by our own code: sections with texts, widths and their limits,
// alignment, images or bitmaps on either side, owner drawing; the styles of the common header
// (buttons, hot tracking, drag and drop of sections, full drag, flat look, filter bar) and its
// messages and notifications. With the filter bar each section gets a filter edit and a filter
// button below its caption; a change of a filter text is told (HDN_FILTERCHANGE) once the
// filter change time-out has passed without another change.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/ui/common_controls.h"

// Messages.
enum : UINT {
  HDM_FIRST = 0x1200,
  HDM_GETITEMCOUNT = HDM_FIRST + 0, HDM_INSERTITEMA = HDM_FIRST + 1, HDM_DELETEITEM = HDM_FIRST + 2,
  HDM_GETITEMA = HDM_FIRST + 3, HDM_SETITEMA = HDM_FIRST + 4, HDM_LAYOUT = HDM_FIRST + 5,
  HDM_HITTEST = HDM_FIRST + 6, HDM_GETITEMRECT = HDM_FIRST + 7, HDM_SETIMAGELIST = HDM_FIRST + 8,
  HDM_GETIMAGELIST = HDM_FIRST + 9, HDM_ORDERTOINDEX = HDM_FIRST + 15,
  HDM_GETORDERARRAY = HDM_FIRST + 17, HDM_SETORDERARRAY = HDM_FIRST + 18,
  HDM_SETHOTDIVIDER = HDM_FIRST + 19, HDM_SETBITMAPMARGIN = HDM_FIRST + 20,
  HDM_GETBITMAPMARGIN = HDM_FIRST + 21, HDM_SETFILTERCHANGETIMEOUT = HDM_FIRST + 22,
  HDM_EDITFILTER = HDM_FIRST + 23, HDM_CLEARFILTER = HDM_FIRST + 24,
  HDM_INSERTITEM = HDM_INSERTITEMA, HDM_GETITEM = HDM_GETITEMA, HDM_SETITEM = HDM_SETITEMA
};

// Window styles.
enum : DWORD {
  HDS_HORZ = 0x0000, HDS_BUTTONS = 0x0002, HDS_HOTTRACK = 0x0004, HDS_HIDDEN = 0x0008,
  HDS_DRAGDROP = 0x0040, HDS_FULLDRAG = 0x0080, HDS_FILTERBAR = 0x0100, HDS_FLAT = 0x0200
};

// Item fields and formats.
enum : UINT {
  HDI_WIDTH = 0x0001, HDI_HEIGHT = HDI_WIDTH, HDI_TEXT = 0x0002, HDI_FORMAT = 0x0004,
  HDI_LPARAM = 0x0008, HDI_BITMAP = 0x0010, HDI_IMAGE = 0x0020, HDI_DI_SETITEM = 0x0040,
  HDI_ORDER = 0x0080, HDI_FILTER = 0x0100
};
enum : int {
  HDF_LEFT = 0x0000, HDF_RIGHT = 0x0001, HDF_CENTER = 0x0002, HDF_JUSTIFYMASK = 0x0003,
  HDF_RTLREADING = 0x0004, HDF_SORTDOWN = 0x0200, HDF_SORTUP = 0x0400, HDF_IMAGE = 0x0800,
  HDF_BITMAP_ON_RIGHT = 0x1000, HDF_BITMAP = 0x2000, HDF_STRING = 0x4000, HDF_OWNERDRAW = 0x8000
};
enum : UINT { HDFT_ISSTRING = 0x0000, HDFT_ISNUMBER = 0x0001, HDFT_HASNOVALUE = 0x8000 };

struct HDTEXTFILTER {
  char* pszText = nullptr;
  int cchTextMax = 0;
};

struct HDITEM {
  UINT mask = 0;
  int cxy = 0;
  char* pszText = nullptr;  // HDM_GETITEM fills at most cchTextMax bytes with the NUL
  const TBitmap* hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
  int iImage = -1;
  int iOrder = 0;
  UINT type = HDFT_ISSTRING;
  void* pvFilter = nullptr;  // an HDTEXTFILTER for string filters
};
using HDITEMA = HDITEM;

enum : UINT {
  HHT_NOWHERE = 0x0001, HHT_ONHEADER = 0x0002, HHT_ONDIVIDER = 0x0004, HHT_ONDIVOPEN = 0x0008,
  HHT_ONFILTER = 0x0010, HHT_ONFILTERBUTTON = 0x0020, HHT_ABOVE = 0x0100, HHT_BELOW = 0x0200,
  HHT_TORIGHT = 0x0400, HHT_TOLEFT = 0x0800
};
struct HDHITTESTINFO {
  TPoint pt;
  UINT flags = 0;
  int iItem = -1;
};

// Notifications (WM_NOTIFY codes).
enum : UINT {
  HDN_FIRST = static_cast<UINT>(-300),
  HDN_ITEMCHANGINGA = HDN_FIRST - 0, HDN_ITEMCHANGEDA = HDN_FIRST - 1,
  HDN_ITEMCLICKA = HDN_FIRST - 2, HDN_ITEMDBLCLICKA = HDN_FIRST - 3,
  HDN_DIVIDERDBLCLICKA = HDN_FIRST - 5, HDN_BEGINTRACKA = HDN_FIRST - 6,
  HDN_ENDTRACKA = HDN_FIRST - 7, HDN_TRACKA = HDN_FIRST - 8, HDN_BEGINDRAG = HDN_FIRST - 10,
  HDN_ENDDRAG = HDN_FIRST - 11, HDN_FILTERCHANGE = HDN_FIRST - 12,
  HDN_FILTERBTNCLICK = HDN_FIRST - 13,
  HDN_ITEMCHANGING = HDN_ITEMCHANGINGA, HDN_ITEMCHANGED = HDN_ITEMCHANGEDA,
  HDN_ITEMCLICK = HDN_ITEMCLICKA, HDN_ITEMDBLCLICK = HDN_ITEMDBLCLICKA,
  HDN_DIVIDERDBLCLICK = HDN_DIVIDERDBLCLICKA, HDN_BEGINTRACK = HDN_BEGINTRACKA,
  HDN_ENDTRACK = HDN_ENDTRACKA, HDN_TRACK = HDN_TRACKA
};

// HDN_ITEMCLICK ... HDN_ENDDRAG: pitem holds what changes (HDI_WIDTH while tracking, HDI_ORDER
// at the end of a drag). A non-zero answer to HDN_ITEMCHANGING, HDN_BEGINTRACK, HDN_TRACK or
// HDN_BEGINDRAG/HDN_ENDDRAG refuses the change.
struct NMHEADER {
  NMHDR hdr;
  int iItem = -1;
  int iButton = 0;  // 0 left, 1 right, 2 middle
  HDITEM* pitem = nullptr;
};
// HDN_FILTERBTNCLICK: a non-zero answer makes the header tell HDN_FILTERCHANGE.
struct NMHDFILTERBTNCLICK {
  NMHDR hdr;
  int iItem = -1;
  TRect rc;
};

class THeaderControl;

enum THeaderSectionStyle { hsText, hsOwnerDraw };
enum TSectionTrackState { tsTrackBegin, tsTrackMove, tsTrackEnd };

class THeaderSection {
public:
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int Value);
  int MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  // A bitmap shown beside the text (HDF_BITMAP), on the right with HDF_BITMAP_ON_RIGHT. The
  // header keeps a copy.
  const TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* Value);
  // The raw format bits (HDF_); Alignment, ImageIndex and Bitmap set their parts of it.
  int Format() const { return FFormat; }
  void SetFormat(int Value);
  bool ImageOnRight() const { return (FFormat & HDF_BITMAP_ON_RIGHT) != 0; }
  void SetImageOnRight(bool Value);
  THeaderSectionStyle Style() const { return (FFormat & HDF_OWNERDRAW) ? hsOwnerDraw : hsText; }
  void SetStyle(THeaderSectionStyle Value);
  bool AllowClick() const { return FAllowClick; }
  void SetAllowClick(bool Value) { FAllowClick = Value; }
  LPARAM Data() const { return FData; }
  void SetData(LPARAM Value) { FData = Value; }
  const std::string& FilterText() const { return FFilter; }
  // Sets the filter text without telling anybody.
  void SetFilterText(const std::string& Value);

  // The position among the sections (creation order) and in the display order.
  int Index() const;
  int Order() const;
  int Left() const;
  int Right() const { return Left() + FWidth; }
  THeaderControl* Header() const { return FHeader; }

private:
  friend class THeaderControl;
  explicit THeaderSection(THeaderControl* Header) : FHeader(Header) {}
  void Changed();
  THeaderControl* FHeader;
  std::string FText;
  int FWidth = 50;
  int FMinWidth = 0;
  int FMaxWidth = 10000;
  TAlignment FAlignment = taLeftJustify;
  int FImageIndex = -1;
  std::unique_ptr<TBitmap> FBitmap;
  int FFormat = HDF_STRING;
  bool FAllowClick = true;
  LPARAM FData = 0;
  std::string FFilter;
};

using TSectionNotifyEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section)>;
using TSectionTrackEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section,
                                              int Width, TSectionTrackState State)>;
using TDrawSectionEvent = std::function<void(THeaderControl* HeaderControl, THeaderSection* Section,
                                             const TRect& Rect, bool Pressed)>;
using TSectionDragEvent = std::function<void(TObject* Sender, THeaderSection* FromSection,
                                             THeaderSection* ToSection, bool& AllowDrag)>;

class THeaderControl : public TCustomControl {
public:
  explicit THeaderControl(TComponent* AOwner);
  ~THeaderControl() override;

  // ---- sections ----
  int SectionCount() const { return static_cast<int>(FSections.size()); }
  // EListError "List index out of bounds (n)" for a bad index.
  THeaderSection* Sections(int Index) const;
  THeaderSection* AddSection(const std::string& Text = {}, int Width = 50);
  // Inserts before Index (appends past the end); in the display order it goes to the same place.
  THeaderSection* InsertSection(int Index, const std::string& Text = {}, int Width = 50);
  bool DeleteSection(int Index);
  void ClearSections();
  // Display position -> section index; SetOrder needs a permutation of the indexes.
  const std::vector<int>& Order() const { return FOrder; }
  bool SetOrder(const std::vector<int>& Order);
  int OrderToIndex(int Position) const;

  // ---- look ----
  DWORD Style() const { return FStyle; }
  void SetStyle(DWORD Value);
  bool HotTrack() const { return (FStyle & HDS_HOTTRACK) != 0; }
  void SetHotTrack(bool Value);
  bool DragReorder() const { return (FStyle & HDS_DRAGDROP) != 0; }
  void SetDragReorder(bool Value);
  bool FullDrag() const { return (FStyle & HDS_FULLDRAG) != 0; }
  void SetFullDrag(bool Value);
  // Flat look: no button edges.
  bool Flat() const { return (FStyle & HDS_BUTTONS) == 0; }
  void SetFlat(bool Value);
  bool FilterBar() const { return (FStyle & HDS_FILTERBAR) != 0; }
  void SetFilterBar(bool Value);
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  int BitmapMargin() const { return FBitmapMargin; }
  void SetBitmapMargin(int Value);
  // The height the header wants: the caption line, and the filter line with the filter bar.
  int PreferredHeight();
  // Columns scrolled out of view to the left (the list view's horizontal scroll).
  int ScrollOffset() const { return FScrollOffset; }
  void SetScrollOffset(int Value);

  // ---- geometry ----
  TRect SectionRect(int Index);
  // The section at a client point, with HHT_ flags; -1 for none.
  int HitTest(int X, int Y, UINT* Flags = nullptr);
  TRect FilterButtonRect(int Index);

  // ---- filters ----
  unsigned FilterChangeTimeout() const { return FFilterTimeout; }
  void SetFilterChangeTimeout(unsigned Value) { FFilterTimeout = Value; }
  // Starts editing the filter of a section (HDM_EDITFILTER); false without the filter bar.
  bool EditFilter(int Index, bool DiscardChanges = false);
  // The edit of the filter being edited, nullptr when none.
  TInplaceTextEdit* FilterEdit() const { return FFilterEdit.get(); }
  int EditingFilter() const { return FEditingFilter; }
  // Clears a filter (all with -1) and tells HDN_FILTERCHANGE.
  void ClearFilter(int Index);

  TSectionNotifyEvent OnSectionClick;
  TSectionNotifyEvent OnSectionResize;
  TSectionTrackEvent OnSectionTrack;
  TDrawSectionEvent OnDrawSection;
  TSectionDragEvent OnSectionDrag;
  TNotifyEvent OnSectionEndDrag;
  // After any change of the sections (texts, widths, order, filters): the list view follows.
  TNotifyEvent OnSectionsChanged;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void Resize() override;
  void WndProc(TMessage& Message) override;
  // Draws an owner-drawn section (CN_DRAWITEM); the default calls OnDrawSection.
  virtual void DrawSection(THeaderSection* Section, const TRect& Rect, bool Pressed);
  virtual void SectionClick(THeaderSection* Section);
  virtual void SectionResize(THeaderSection* Section);
  virtual void SectionTrack(THeaderSection* Section, int Width, TSectionTrackState State);

private:
  friend class THeaderSection;
  enum TDragKind { dkNone, dkPress, dkTrack, dkMove };
  LRESULT Notify(UINT Code, int Item, int Button = 0, HDITEM* Changing = nullptr);
  void SectionsChanged();
  void PaintSection(TCanvas& C, int Index, const TRect& R);
  void PaintFilter(TCanvas& C, int Index, const TRect& R);
  int CaptionHeight();
  void FilterTyped();
  void FilterDone(bool Accept);
  void FireFilterChange(int Index);
  LRESULT HandleHeaderMessage(TMessage& Message, bool& Handled);
  bool GetItem(int Index, HDITEM& Item) const;
  bool SetItem(int Index, const HDITEM& Item);

  std::vector<std::unique_ptr<THeaderSection>> FSections;
  std::vector<int> FOrder;
  DWORD FStyle = HDS_HORZ | HDS_BUTTONS;
  TImageList* FImages = nullptr;
  int FBitmapMargin = 6;
  int FScrollOffset = 0;
  unsigned FFilterTimeout = 1000;
  std::unique_ptr<TInplaceTextEdit> FFilterEdit;
  int FEditingFilter = -1;
  std::string FFilterBefore;
  int FPendingFilter = -1;  // the section whose change waits for the time-out
  TDragKind FDrag = dkNone;
  int FDragIndex = -1;
  int FDragStartX = 0;
  int FDragStartWidth = 0;
  int FDropPosition = -1;
  int FPressed = -1;
  int FHot = -1;
  TPoint FLastDown;
};
