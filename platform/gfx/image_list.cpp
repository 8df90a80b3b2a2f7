#include "platform/gfx/image_list.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/sysutils.h"

namespace {

std::uint32_t Opaque(COLORREF c, bool visible) {
  return (visible ? 0xFF000000u : 0u) | (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) |
         GetBValue(c);
}

COLORREF ColorOf(std::uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

}  // namespace

TChangeLink::~TChangeLink() {
  if (Sender) Sender->UnRegisterChanges(this);
}

TImageList::TImageList(int width, int height) : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {}

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner), FWidth(16), FHeight(16) {}

TImageList::~TImageList() {
  for (TChangeLink* link : FLinks) link->Sender = nullptr;
}

void TImageList::Change() {
  if (OnChange) OnChange(this);
  std::vector<TChangeLink*> links = FLinks;
  for (TChangeLink* link : links)
    if (link->OnChange) link->OnChange(this);
}

void TImageList::RegisterChanges(TChangeLink* link) {
  if (!link || std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) return;
  if (link->Sender) link->Sender->UnRegisterChanges(link);
  link->Sender = this;
  FLinks.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(FLinks.begin(), FLinks.end(), link);
  if (it == FLinks.end()) return;
  (*it)->Sender = nullptr;
  FLinks.erase(it);
}

void TImageList::SetWidth(int value) {
  if (value < 1 || value == FWidth) return;
  FWidth = value;
  Clear();
}

void TImageList::SetHeight(int value) {
  if (value < 1 || value == FHeight) return;
  FHeight = value;
  Clear();
}

void TImageList::Clear() {
  FImages.clear();
  Change();
}

int TImageList::AddPixels(std::vector<std::uint32_t> pixels) {
  FImages.push_back(std::move(pixels));
  return Count() - 1;
}

void TImageList::AddImages(const TBitmap& image, const std::function<bool(int, int)>& visible) {
  int count = std::max(1, image.Width() / FWidth);
  for (int i = 0; i < count; ++i) {
    std::vector<std::uint32_t> img(static_cast<std::size_t>(FWidth) * FHeight, 0);
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        int sx = i * FWidth + x;
        bool inside = sx < image.Width() && y < image.Height();
        img[static_cast<std::size_t>(y) * FWidth + x] = inside ? Opaque(image.PixelAt(sx, y), visible(sx, y)) : 0;
      }
    AddPixels(std::move(img));
  }
  Change();
}

int TImageList::Add(const TBitmap& image, const TBitmap* mask) {
  if (image.Empty()) return -1;
  int first = Count();
  AddImages(image, [mask](int x, int y) { return !mask || mask->PixelAt(x, y) == 0; });
  return first;
}

int TImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  if (image.Empty()) return -1;
  int first = Count();
  COLORREF key = ColorToRGB(maskColor);
  AddImages(image, [&image, key](int x, int y) { return image.PixelAt(x, y) != key; });
  return first;
}

int TImageList::AddIcon(const TIcon& icon) {
  if (icon.Empty()) return -1;
  std::vector<std::uint32_t> img(static_cast<std::size_t>(FWidth) * FHeight);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      img[static_cast<std::size_t>(y) * FWidth + x] = icon.PixelAt(x * icon.Width() / FWidth, y * icon.Height() / FHeight);
  int index = AddPixels(std::move(img));
  Change();
  return index;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  FImages.erase(FImages.begin() + index);
  Change();
}

std::vector<std::uint32_t> TImageList::Pixels(int index) const {
  if (index < 0 || index >= Count()) return {};
  return FImages[static_cast<std::size_t>(index)];
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  const auto& img = FImages[static_cast<std::size_t>(index)];
  COLORREF shadow = ColorToRGB(clBtnShadow);
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px) {
      std::uint32_t p = img[static_cast<std::size_t>(py) * FWidth + px];
      unsigned a = p >> 24;
      if (a == 0) continue;
      if (!enabled) {
        // Greyed: dark pixels in the shadow colour, light ones left out.
        COLORREF c = ColorOf(p);
        int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
        if (lum >= 192 || a < 128) continue;
        canvas.SetPixel(x + px, y + py, static_cast<TColor>(shadow));
        continue;
      }
      COLORREF under = a == 255 ? 0 : static_cast<COLORREF>(canvas.Pixel(x + px, y + py)) & 0xFFFFFF;
      canvas.SetPixel(x + px, y + py, static_cast<TColor>(BlendArgb(p, under)));
    }
}

bool TImageList::GetBitmap(int index, TBitmap& dest) const {
  if (index < 0 || index >= Count()) return false;
  const auto& img = FImages[static_cast<std::size_t>(index)];
  TBitmap image(FWidth, FHeight, pf24bit);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) image.SetPixelAt(x, y, ColorOf(img[static_cast<std::size_t>(y) * FWidth + x]));
  dest.Assign(image);
  return true;
}

bool TImageList::GetIcon(int index, TIcon& dest) const {
  if (index < 0 || index >= Count()) return false;
  dest.SetImage(FWidth, FHeight, FImages[static_cast<std::size_t>(index)]);
  return true;
}

bool ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT) {
  if (!list || !dc || index < 0 || index >= list->Count()) return false;
  list->Draw(*dc, x, y, index, true);
  return true;
}

bool ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  if (!list) return false;
  if (cx) *cx = list->Width();
  if (cy) *cy = list->Height();
  return true;
}

int ImageList_GetImageCount(HIMAGELIST list) { return list ? list->Count() : 0; }

// ---- System image lists ---------------------------------------------------------------------

namespace {

// Blank icons of the asked size for everything.
class TBlankIcons : public TSystemIconSource {
public:
  int StandardCount() override { return 1; }
  bool StandardIcon(int, int size, TIcon& icon) override { return Blank(size, icon); }
  bool FileIcon(const std::string&, int size, TIcon& icon) override { return Blank(size, icon); }
  bool TypeIcon(const std::string&, bool, int size, TIcon& icon) override { return Blank(size, icon); }

private:
  static bool Blank(int size, TIcon& icon) {
    icon.SetImage(size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, 0));
    return true;
  }
};

struct TSystemLists {
  std::unique_ptr<TSystemIconSource> Source = std::make_unique<TBlankIcons>();
  TImageList Small{16, 16};
  TImageList Large{32, 32};
  bool Filled = false;
  // Icons already in the lists, by their pixels (small then large), so that files of one
  // kind share an index.
  std::map<std::vector<std::uint32_t>, int> Known;

  void Reset() {
    Small.Clear();
    Large.Clear();
    Known.clear();
    Filled = false;
  }
  void Fill() {
    if (Filled) return;
    Filled = true;
    int count = std::max(1, Source->StandardCount());
    for (int i = 0; i < count; ++i) {
      TIcon small, large;
      if (!Source->StandardIcon(i, 16, small) || small.Empty()) small.SetImage(16, 16, std::vector<std::uint32_t>(256, 0));
      if (!Source->StandardIcon(i, 32, large) || large.Empty()) large.SetImage(32, 32, std::vector<std::uint32_t>(1024, 0));
      Index(small, large);
    }
  }
  int Index(const TIcon& small, const TIcon& large) {
    std::vector<std::uint32_t> key = Small.Pixels(Small.AddIcon(small));
    std::vector<std::uint32_t> bigKey = Large.Pixels(Large.AddIcon(large));
    key.insert(key.end(), bigKey.begin(), bigKey.end());
    auto [it, fresh] = Known.emplace(std::move(key), Small.Count() - 1);
    if (!fresh) {  // the same icon is there already
      Small.Delete(Small.Count() - 1);
      Large.Delete(Large.Count() - 1);
    }
    return it->second;
  }
};

TSystemLists& SystemLists() {
  static TSystemLists lists;
  return lists;
}

}  // namespace

void SetSystemIconSource(std::unique_ptr<TSystemIconSource> source) {
  TSystemLists& lists = SystemLists();
  lists.Source = source ? std::move(source) : std::make_unique<TBlankIcons>();
  lists.Reset();
}

TImageList& SystemImageList(bool small) {
  TSystemLists& lists = SystemLists();
  lists.Fill();
  return small ? lists.Small : lists.Large;
}

std::uintptr_t SHGetFileInfo(const std::string& path, DWORD attributes, SHFILEINFO* info, UINT, UINT flags) {
  TSystemLists& lists = SystemLists();
  lists.Fill();
  bool small = (flags & SHGFI_SMALLICON) != 0;
  struct stat st {};
  bool exists = !(flags & SHGFI_USEFILEATTRIBUTES) && !path.empty() && ::stat(path.c_str(), &st) == 0;
  bool folder = exists ? S_ISDIR(st.st_mode) : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

  TIcon icons[2];  // 16 and 32 pixels
  for (int k = 0; k < 2; ++k) {
    int size = k == 0 ? 16 : 32;
    bool ok = exists ? lists.Source->FileIcon(path, size, icons[k]) : lists.Source->TypeIcon(path, folder, size, icons[k]);
    if (!ok || icons[k].Empty())
      icons[k].SetImage(size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, 0));
  }
  int index = lists.Index(icons[0], icons[1]);
  if (info) {
    info->iIcon = index;
    info->dwAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (flags & SHGFI_ICON) {
      auto* icon = new TIcon;
      icon->Assign(&icons[small ? 0 : 1]);
      info->hIcon = icon;
    }
    if (flags & SHGFI_DISPLAYNAME) {
      std::string name = ExtractFileName(path);
      std::strncpy(info->szDisplayName, name.c_str(), sizeof info->szDisplayName - 1);
    }
  }
  if (flags & SHGFI_SYSICONINDEX) return reinterpret_cast<std::uintptr_t>(small ? &lists.Small : &lists.Large);
  return 1;
}

bool DestroyIcon(HICON icon) {
  delete icon;
  return true;
}
