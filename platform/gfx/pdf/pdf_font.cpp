// TrueType tables read big-endian; a subset keeps the glyph indexes and empties the outlines of
// the glyphs a document does not use.
#include "platform/gfx/pdf/pdf_font.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t Tag(const char* t) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[3]));
}

// Readers that answer 0 past the end of the data: a damaged table gives odd numbers, never a
// read outside the font.
std::uint16_t U16(const std::string& d, std::size_t at) {
  if (at + 2 > d.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) << 8 | static_cast<unsigned char>(d[at + 1]));
}
std::int16_t S16(const std::string& d, std::size_t at) { return static_cast<std::int16_t>(U16(d, at)); }
std::uint32_t U32(const std::string& d, std::size_t at) {
  return static_cast<std::uint32_t>(U16(d, at)) << 16 | U16(d, at + 2);
}

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v >> 8 & 0xFF));
  out.push_back(static_cast<char>(v & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

std::uint32_t CheckSum(const std::string& data) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < data.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < 4; ++k)
      word = word << 8 | (i + k < data.size() ? static_cast<unsigned char>(data[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

}  // namespace

TPdfFace::TPdfFace(std::string name, std::string sfnt, std::function<std::uint32_t(char32_t)> glyphOf)
    : FName(std::move(name)), FData(std::move(sfnt)), FGlyphOf(std::move(glyphOf)) {
  FLatin.fill(-1);
  Parse();
}

const TPdfFace::TTable* TPdfFace::Table(const char* tag) const {
  auto it = FTables.find(Tag(tag));
  return it == FTables.end() ? nullptr : &it->second;
}

void TPdfFace::Parse() {
  const std::string& d = FData;
  const int count = U16(d, 4);
  for (int i = 0; i < count; ++i) {
    const std::size_t rec = 12 + 16 * static_cast<std::size_t>(i);
    TTable t{U32(d, rec + 8), U32(d, rec + 12)};
    if (static_cast<std::size_t>(t.Offset) + t.Length > d.size()) continue;
    FTables[U32(d, rec)] = t;
  }
  const TTable* head = Table("head");
  const TTable* hhea = Table("hhea");
  const TTable* hmtx = Table("hmtx");
  const TTable* maxp = Table("maxp");
  if (!head || !hhea || !hmtx || !maxp || head->Length < 54 || hhea->Length < 36 || maxp->Length < 6) return;
  FUnitsPerEm = std::max<int>(16, U16(d, head->Offset + 18));
  FBBox = {S16(d, head->Offset + 36), S16(d, head->Offset + 38), S16(d, head->Offset + 40), S16(d, head->Offset + 42)};
  FLongLoca = S16(d, head->Offset + 50) != 0;
  FAscent = S16(d, hhea->Offset + 4);
  FDescent = S16(d, hhea->Offset + 6);
  FCapHeight = FAscent * 7 / 10;
  FNumGlyphs = U16(d, maxp->Offset + 4);
  const int metrics = std::min<int>(U16(d, hhea->Offset + 34), static_cast<int>(hmtx->Length / 4));
  FAdvances.resize(static_cast<std::size_t>(std::max(FNumGlyphs, 1)), 0);
  for (int g = 0; g < FNumGlyphs; ++g)
    FAdvances[static_cast<std::size_t>(g)] =
        metrics > 0 ? U16(d, hmtx->Offset + 4 * static_cast<std::size_t>(std::min(g, metrics - 1))) : 0;
  FUnderlineThickness = std::max(1, FUnitsPerEm / 20);
  FUnderlineTop = FUnitsPerEm / 10;
  if (const TTable* post = Table("post"); post && post->Length >= 16) {
    FItalicAngle = static_cast<std::int32_t>(U32(d, post->Offset + 4)) / 65536.0;
    FUnderlineTop = -S16(d, post->Offset + 8);
    if (const int t = S16(d, post->Offset + 10); t > 0) FUnderlineThickness = t;
    FFixedPitch = U32(d, post->Offset + 12) != 0;
  }
  FStrikeOutThickness = FUnderlineThickness;
  FStrikeOutTop = FAscent / 3 + FStrikeOutThickness / 2;
  if (const TTable* os2 = Table("OS/2"); os2 && os2->Length >= 30) {
    if (const int size = S16(d, os2->Offset + 26); size > 0) FStrikeOutThickness = size;
    if (const int pos = S16(d, os2->Offset + 28); pos > 0) FStrikeOutTop = pos;
    if (U16(d, os2->Offset) >= 2 && os2->Length >= 90)
      if (const int cap = S16(d, os2->Offset + 88); cap > 0) FCapHeight = cap;
  }
  if (const std::string ps = PostScriptName(); !ps.empty()) FName = ps;
  FOk = Table("glyf") && Table("loca") && FNumGlyphs > 0;
}

std::string TPdfFace::PostScriptName() const {
  const TTable* name = Table("name");
  if (!name || name->Length < 6) return std::string();
  const std::string& d = FData;
  const std::size_t base = name->Offset;
  const int count = U16(d, base + 2);
  const std::size_t strings = base + U16(d, base + 4);
  for (int i = 0; i < count; ++i) {
    const std::size_t rec = base + 6 + 12 * static_cast<std::size_t>(i);
    if (rec + 12 > base + name->Length) break;
    const int platform = U16(d, rec), id = U16(d, rec + 6);
    const std::size_t length = U16(d, rec + 8), at = strings + U16(d, rec + 10);
    if (id != 6 || (platform != 1 && platform != 3) || at + length > base + name->Length) continue;
    // Windows names are UTF-16; the name is printable ASCII either way.
    std::string out;
    const std::size_t step = platform == 3 ? 2 : 1;
    for (std::size_t k = step - 1; k < length; k += step) {
      const char c = d[at + k];
      if (c > ' ' && c < 127) out.push_back(c);
    }
    if (!out.empty()) return out;
  }
  return std::string();
}

std::uint16_t TPdfFace::Glyph(char32_t cp) {
  if (cp < 256) {
    std::int32_t& g = FLatin[cp];
    if (g < 0) g = static_cast<std::int32_t>(FGlyphOf ? FGlyphOf(cp) : 0);
    return g < FNumGlyphs ? static_cast<std::uint16_t>(g) : 0;
  }
  auto it = FOther.find(cp);
  if (it == FOther.end()) {
    std::uint32_t g = FGlyphOf ? FGlyphOf(cp) : 0;
    it = FOther.emplace(cp, static_cast<std::uint16_t>(g < static_cast<std::uint32_t>(FNumGlyphs) ? g : 0)).first;
  }
  return it->second;
}

int TPdfFace::Advance(std::uint16_t glyph) const {
  return glyph < FAdvances.size() ? FAdvances[glyph] : 0;
}

std::string TPdfFace::Subset(const std::vector<bool>& usedIn) const {
  if (!FOk) return std::string();
  const std::string& d = FData;
  const TTable& loca = *Table("loca");
  const TTable& glyf = *Table("glyf");
  auto span = [&](int g, std::uint32_t& start, std::uint32_t& end) {
    const std::size_t i = static_cast<std::size_t>(g);
    if (FLongLoca) {
      start = U32(d, loca.Offset + 4 * i);
      end = U32(d, loca.Offset + 4 * i + 4);
    } else {
      start = 2u * U16(d, loca.Offset + 2 * i);
      end = 2u * U16(d, loca.Offset + 2 * i + 2);
    }
    end = std::min(end, glyf.Length);
    start = std::min(start, end);
  };
  // Glyph 0 (the missing glyph) always, then the components of composite glyphs.
  std::vector<bool> used(static_cast<std::size_t>(FNumGlyphs), false);
  for (std::size_t g = 0; g < used.size() && g < usedIn.size(); ++g) used[g] = usedIn[g];
  used[0] = true;
  std::vector<int> pending;
  for (int g = 0; g < FNumGlyphs; ++g)
    if (used[static_cast<std::size_t>(g)]) pending.push_back(g);
  while (!pending.empty()) {
    const int g = pending.back();
    pending.pop_back();
    std::uint32_t start = 0, end = 0;
    span(g, start, end);
    if (end - start < 10 || S16(d, glyf.Offset + start) >= 0) continue;
    std::size_t at = glyf.Offset + start + 10;
    const std::size_t stop = glyf.Offset + end;
    for (int guard = 0; guard < 64 && at + 4 <= stop; ++guard) {
      const std::uint16_t flags = U16(d, at);
      const std::uint16_t part = U16(d, at + 2);
      if (part < FNumGlyphs && !used[part]) {
        used[part] = true;
        pending.push_back(part);
      }
      at += 4 + ((flags & 0x1) ? 4 : 2);
      if (flags & 0x8) at += 2;
      else if (flags & 0x40) at += 4;
      else if (flags & 0x80) at += 8;
      if (!(flags & 0x20)) break;
    }
  }
  std::string newGlyf, newLoca;
  newGlyf.reserve(glyf.Length / 4);
  for (int g = 0; g < FNumGlyphs; ++g) {
    Put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));
    if (!used[static_cast<std::size_t>(g)]) continue;
    std::uint32_t start = 0, end = 0;
    span(g, start, end);
    newGlyf.append(d, glyf.Offset + start, end - start);
    while (newGlyf.size() % 4) newGlyf.push_back('\0');
  }
  Put32(newLoca, static_cast<std::uint32_t>(newGlyf.size()));

  std::vector<std::pair<std::string, std::string>> tables;
  for (const char* tag : {"head", "hhea", "hmtx", "maxp", "cvt ", "fpgm", "prep"}) {
    const TTable* t = Table(tag);
    if (!t) continue;
    std::string bytes = d.substr(t->Offset, t->Length);
    if (std::strcmp(tag, "head") == 0) {
      std::memset(&bytes[8], 0, 4);  // checkSumAdjustment
      bytes[50] = 0;
      bytes[51] = 1;  // long loca offsets
    }
    tables.emplace_back(tag, std::move(bytes));
  }
  tables.emplace_back("glyf", std::move(newGlyf));
  tables.emplace_back("loca", std::move(newLoca));
  return BuildSfnt(std::move(tables));
}

std::string BuildSfnt(std::vector<std::pair<std::string, std::string>> tables) {
  std::sort(tables.begin(), tables.end());
  const std::uint32_t n = static_cast<std::uint32_t>(tables.size());
  std::uint32_t power = 1, log = 0;
  while (power * 2 <= n) {
    power *= 2;
    ++log;
  }
  std::string out;
  Put32(out, 0x00010000);
  Put16(out, n);
  Put16(out, power * 16);
  Put16(out, log);
  Put16(out, n * 16 - power * 16);
  std::uint32_t offset = 12 + 16 * n;
  for (const auto& [tag, bytes] : tables) {
    out.append(tag.substr(0, 4));
    out.append(4 - std::min<std::size_t>(4, tag.size()), ' ');
    Put32(out, CheckSum(bytes));
    Put32(out, offset);
    Put32(out, static_cast<std::uint32_t>(bytes.size()));
    offset += static_cast<std::uint32_t>((bytes.size() + 3) / 4 * 4);
  }
  for (const auto& entry : tables) {
    out.append(entry.second);
    out.append((4 - entry.second.size() % 4) % 4, '\0');
  }
  return out;
}
