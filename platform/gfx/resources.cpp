#include "platform/gfx/resources.h"

#include <map>
#include <mutex>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/sysutils.h"

// The pictures this library brings (resource_art.cpp).
void RegisterProgramArt();

namespace {

struct TEntry {
  std::function<void(TBitmap&)> PaintBitmap;
  std::function<TCursorImage()> PaintCursor;
  std::unique_ptr<TBitmap> Bitmap;        // made on first use
  std::unique_ptr<TCursorImage> Cursor;  // made on first use
  std::unique_ptr<std::vector<BYTE>> Data;
};

struct TRegistry {
  std::recursive_mutex Lock;
  std::map<std::string, TEntry> Bitmaps, Cursors, Data;
};

TRegistry& RawRegistry() {
  static TRegistry registry;
  return registry;
}

// Set while the built-in pictures register themselves, so that they reach the table without
// waiting for their own registration.
thread_local bool gRegisteringBuiltins = false;

// The table, with the built-in pictures in it before anything else is registered or found.
TRegistry& Registry() {
  if (gRegisteringBuiltins) return RawRegistry();
  static std::once_flag builtins;
  std::call_once(builtins, [] {
    gRegisteringBuiltins = true;
    RegisterProgramArt();
    gRegisteringBuiltins = false;
  });
  return RawRegistry();
}

std::string Key(const std::string& name) { return UpperCase(name); }

}  // namespace

TCursorImage PaintPixelArt(const TPixelArt& art, TPoint hotSpot) {
  std::uint32_t map[256] = {};
  bool mapped[256] = {};
  // "c=RRGGBB" items separated by blanks.
  const std::string& colors = art.Colors;
  for (std::size_t i = 0; i + 8 <= colors.size(); ++i) {
    if (colors[i] == ' ' || colors[i + 1] != '=' || (i > 0 && colors[i - 1] != ' ')) continue;
    int rgb = 0;
    if (!TryStrToInt("$" + colors.substr(i + 2, 6), rgb) || rgb < 0) continue;
    auto c = static_cast<unsigned char>(colors[i]);
    map[c] = 0xFF000000u | static_cast<std::uint32_t>(rgb);
    mapped[c] = true;
  }
  TCursorImage image;
  image.Height = static_cast<int>(art.Rows.size());
  image.Width = art.Rows.empty() ? 0 : static_cast<int>(art.Rows[0].size());
  image.HotSpot = hotSpot;
  image.Pixels.assign(static_cast<std::size_t>(image.Width) * image.Height, 0);
  for (int y = 0; y < image.Height; ++y) {
    const std::string& row = art.Rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < image.Width && x < static_cast<int>(row.size()); ++x) {
      auto c = static_cast<unsigned char>(row[static_cast<std::size_t>(x)]);
      image.Pixels[static_cast<std::size_t>(y) * image.Width + x] = mapped[c] ? map[c] : 0;
    }
  }
  return image;
}

std::string ResourceNumber(int id) { return "#" + std::to_string(id); }

void RegisterBitmapResource(const std::string& name, std::function<void(TBitmap&)> paint) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  TEntry& e = r.Bitmaps[Key(name)];
  e.PaintBitmap = std::move(paint);
  e.Bitmap.reset();
}

void RegisterCursorResource(const std::string& name, std::function<TCursorImage()> paint) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  TEntry& e = r.Cursors[Key(name)];
  e.PaintCursor = std::move(paint);
  // A cursor handed out stays valid: an old image is kept until it is painted anew.
  if (e.Cursor) *e.Cursor = e.PaintCursor();
}

void RegisterDataResource(const std::string& name, std::vector<BYTE> data) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  r.Data[Key(name)].Data = std::make_unique<std::vector<BYTE>>(std::move(data));
}

const TBitmap* FindBitmapResource(const std::string& name) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  auto it = r.Bitmaps.find(Key(name));
  if (it == r.Bitmaps.end()) return nullptr;
  TEntry& e = it->second;
  if (!e.Bitmap) {
    auto bmp = std::make_unique<TBitmap>();
    e.PaintBitmap(*bmp);
    e.Bitmap = std::move(bmp);
  }
  return e.Bitmap.get();
}

const TBitmap* FindBitmapResource(int id) { return FindBitmapResource(ResourceNumber(id)); }

const std::vector<BYTE>* FindDataResource(const std::string& name) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  auto it = r.Data.find(Key(name));
  return it == r.Data.end() ? nullptr : it->second.Data.get();
}

HCURSOR LoadCursor(HINSTANCE, const std::string& name) {
  TRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> hold(r.Lock);
  auto it = r.Cursors.find(Key(name));
  if (it == r.Cursors.end()) return nullptr;
  TEntry& e = it->second;
  if (!e.Cursor) e.Cursor = std::make_unique<TCursorImage>(e.PaintCursor());
  return e.Cursor.get();
}

HCURSOR LoadCursor(HINSTANCE instance, int id) { return LoadCursor(instance, ResourceNumber(id)); }

TResourceStream::TResourceStream(HINSTANCE, const std::string& name) {
  const std::vector<BYTE>* data = FindDataResource(name);
  if (!data) throw EResNotFound("Resource " + name + " not found");
  if (!data->empty()) WriteBuffer(data->data(), static_cast<long>(data->size()));
  SetPosition(0);
}
