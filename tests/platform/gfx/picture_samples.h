// Sample pictures written by PIL at run time (picture_samples.py), and PIL's reading of them.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "tests/temp_path.h"

namespace picture_samples {

// PIL's reading of a picture: Channels is 3 (RGB) or 4 (RGB plus a visibility or alpha byte).
struct TReference {
  int Width = 0;
  int Height = 0;
  int Channels = 3;
  std::vector<unsigned char> Bytes;
  const unsigned char* At(int x, int y) const { return Bytes.data() + (static_cast<std::size_t>(y) * Width + x) * Channels; }
};

namespace detail {

inline std::string Python() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

inline std::string Script() { return std::string(QN_SOURCE_DIR) + "/tests/platform/gfx/picture_samples.py"; }

inline void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

}  // namespace detail

// The folder holding the samples, made once per test program.
inline const std::string& Dir() {
  static const std::string dir = [] {
    std::string pattern = TempPath("qn_pictures_XXXXXX");
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    detail::Run(detail::Python() + " " + detail::Script() + " make " + pattern);
    return pattern;
  }();
  return dir;
}

inline std::string Path(const std::string& name) { return Dir() + "/" + name; }

inline std::vector<unsigned char> FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline TReference ReadReference(const std::string& rgbFile, int channels = 3) {
  std::vector<unsigned char> data = FileBytes(rgbFile);
  TReference ref;
  ref.Channels = channels;
  std::size_t eol = 0;
  while (eol < data.size() && data[eol] != '\n') ++eol;
  if (std::sscanf(std::string(data.begin(), data.begin() + static_cast<long>(eol)).c_str(), "%d %d", &ref.Width,
                  &ref.Height) != 2)
    throw std::runtime_error("bad reference " + rgbFile);
  ref.Bytes.assign(data.begin() + static_cast<long>(eol) + 1, data.end());
  if (ref.Bytes.size() != static_cast<std::size_t>(ref.Width) * ref.Height * channels)
    throw std::runtime_error("short reference " + rgbFile);
  return ref;
}

// PIL reads `file` (one we wrote).
inline TReference PilRead(const std::string& file) {
  std::string out = file + ".pil";
  detail::Run(detail::Python() + " " + detail::Script() + " dump " + file + " " + out);
  return ReadReference(out);
}

// Largest difference of a channel between the bitmap and the reference; -1 when the sizes differ.
inline int MaxDifference(const TBitmap& bmp, const TReference& ref) {
  if (bmp.Width() != ref.Width || bmp.Height() != ref.Height) return -1;
  int worst = 0;
  for (int y = 0; y < ref.Height; ++y)
    for (int x = 0; x < ref.Width; ++x) {
      COLORREF c = bmp.PixelAt(x, y);
      const unsigned char* p = ref.At(x, y);
      worst = std::max({worst, std::abs(GetRValue(c) - p[0]), std::abs(GetGValue(c) - p[1]), std::abs(GetBValue(c) - p[2])});
    }
  return worst;
}

}  // namespace picture_samples
