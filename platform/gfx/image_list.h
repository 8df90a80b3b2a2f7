// Image lists: images of one size kept with their transparency, drawn normally or greyed; and
// the shell's system image lists (small 16 and large 32 pixel icons of files, folders and kinds
// of file), whose icons a backend supplies.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/gfx/icon.h"
#include "platform/rtl/classes.h"

class TBitmap;
class TImageList;
using HIMAGELIST = TImageList*;

// Tells a holder of an image list that its images changed (RegisterChanges).
class TChangeLink {
public:
  ~TChangeLink();
  TImageList* Sender = nullptr;
  TNotifyEvent OnChange;
};

class TImageList : public TComponent {
public:
  TImageList(int width = 16, int height = 16);
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size drops the images.
  void SetWidth(int value);
  void SetHeight(int value);
  int Count() const { return static_cast<int>(FImages.size()); }
  // Adds the bitmap cut into images of the list's size; `mask` (may be null) marks with
  // black the pixels that show. Returns the index of the first image added, -1 for none.
  int Add(const TBitmap& image, const TBitmap* mask);
  // As Add, the pixels of `maskColor` left transparent.
  int AddMasked(const TBitmap& image, TColor maskColor);
  // Adds the icon, scaled to the list's size when it has another; -1 for an empty icon.
  int AddIcon(const TIcon& icon);
  void Delete(int index);
  void Clear();
  // Draws image `index` at x, y, blended over what is there; a disabled image is drawn greyed
  // (its dark pixels in the shadow colour). Out of range draws nothing.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
  // The image's colours (transparent pixels keep theirs) in a pf24bit bitmap of the list's size.
  bool GetBitmap(int index, TBitmap& dest) const;
  bool GetIcon(int index, TIcon& dest) const;
  // The pixels of an image as 0xAARRGGBB, rows top-down; empty when out of range.
  std::vector<std::uint32_t> Pixels(int index) const;

  HIMAGELIST Handle() { return this; }
  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

private:
  int AddPixels(std::vector<std::uint32_t> pixels);
  void AddImages(const TBitmap& image, const std::function<bool(int, int)>& visible);
  void Change();

  int FWidth;
  int FHeight;
  std::vector<std::vector<std::uint32_t>> FImages;
  std::vector<TChangeLink*> FLinks;
};
using TCustomImageList = TImageList;

// ---- Win32 calls on image lists ------------------------------------------------------------
enum : UINT { ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1 };
bool ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
bool ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
int ImageList_GetImageCount(HIMAGELIST list);

// ---- System image lists ---------------------------------------------------------------------
// What a backend supplies: the icons, at 16 or 32 pixels. The default gives blank icons.
class TSystemIconSource {
public:
  virtual ~TSystemIconSource() = default;
  // The number of fixed icons reached by index (at least 1).
  virtual int StandardCount() = 0;
  virtual bool StandardIcon(int index, int size, TIcon& icon) = 0;
  // The icon of an existing file or folder.
  virtual bool FileIcon(const std::string& path, int size, TIcon& icon) = 0;
  // The icon of a kind of file by the extension of `name`, or of a folder, without touching
  // the disk.
  virtual bool TypeIcon(const std::string& name, bool folder, int size, TIcon& icon) = 0;
};
// Replaces the source (nullptr: blank icons again) and empties the system lists.
void SetSystemIconSource(std::unique_ptr<TSystemIconSource> source);
// The system lists: 16 pixels (small) or 32 (large). An icon has the same index in both.
TImageList& SystemImageList(bool small);

struct SHFILEINFO {
  HICON hIcon = nullptr;  // with SHGFI_ICON: a new icon, freed with DestroyIcon
  int iIcon = 0;
  DWORD dwAttributes = 0;
  char szDisplayName[260] = {};
  char szTypeName[80] = {};
};
using SHFILEINFOA = SHFILEINFO;

enum : UINT {
  SHGFI_LARGEICON = 0x0, SHGFI_SMALLICON = 0x1, SHGFI_OPENICON = 0x2, SHGFI_USEFILEATTRIBUTES = 0x10,
  SHGFI_ICON = 0x100, SHGFI_DISPLAYNAME = 0x200, SHGFI_TYPENAME = 0x400, SHGFI_SYSICONINDEX = 0x4000
};
enum : DWORD { FILE_ATTRIBUTE_DIRECTORY = 0x10, FILE_ATTRIBUTE_NORMAL = 0x80 };

// The icon of `path`: an existing file or folder gives its own; with SHGFI_USEFILEATTRIBUTES
// (or when nothing exists there) the kind of file by extension, a folder when `attributes` has
// FILE_ATTRIBUTE_DIRECTORY. With SHGFI_SYSICONINDEX the result is the system list of the
// asked size (iIcon its index); otherwise non-zero on success. SHGFI_DISPLAYNAME gives the
// file name part.
std::uintptr_t SHGetFileInfo(const std::string& path, DWORD attributes, SHFILEINFO* info, UINT size, UINT flags);
inline std::uintptr_t SHGetFileInfoA(const std::string& path, DWORD attributes, SHFILEINFO* info, UINT size, UINT flags) {
  return SHGetFileInfo(path, attributes, info, size, flags);
}
bool DestroyIcon(HICON icon);
