// A TrueType face as a PDF document embeds it: its metrics and advances read from the font's
// tables, the glyph of each character, and the font program cut down to the glyphs used.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class TPdfFace {
public:
  // `sfnt` is the font file (its tables), named by its PostScript name (else `name`); `glyphOf` gives the glyph index of a code point, 0
  // when the face has none.
  TPdfFace(std::string name, std::string sfnt, std::function<std::uint32_t(char32_t)> glyphOf);

  // False when the tables lack what an embedded TrueType font needs (no 'glyf' outlines).
  bool Embeddable() const { return FOk; }
  const std::string& Name() const { return FName; }

  std::uint16_t Glyph(char32_t codePoint);
  // Advance width of a glyph in font units.
  int Advance(std::uint16_t glyph) const;
  int NumGlyphs() const { return FNumGlyphs; }
  int UnitsPerEm() const { return FUnitsPerEm; }
  int Ascent() const { return FAscent; }    // font units, above the baseline
  int Descent() const { return FDescent; }  // font units, negative below the baseline
  int CapHeight() const { return FCapHeight; }
  const std::array<int, 4>& BBox() const { return FBBox; }
  double ItalicAngle() const { return FItalicAngle; }
  bool FixedPitch() const { return FFixedPitch; }
  // Underline: its top below the baseline and its thickness; strike-out: its top above the
  // baseline and its thickness (font units).
  int UnderlineTop() const { return FUnderlineTop; }
  int UnderlineThickness() const { return FUnderlineThickness; }
  int StrikeOutTop() const { return FStrikeOutTop; }
  int StrikeOutThickness() const { return FStrikeOutThickness; }

  // A TrueType file with the outlines of the glyphs marked in `used` (and of the glyphs they
  // are composed of); the other glyphs stay, empty, so glyph indexes are unchanged.
  std::string Subset(const std::vector<bool>& used) const;

private:
  struct TTable {
    std::uint32_t Offset = 0, Length = 0;
  };
  const TTable* Table(const char* tag) const;
  void Parse();
  // Name ID 6 of the 'name' table; empty when there is none.
  std::string PostScriptName() const;

  std::string FName;
  std::string FData;
  std::function<std::uint32_t(char32_t)> FGlyphOf;
  std::unordered_map<std::uint32_t, TTable> FTables;
  bool FOk = false;
  int FNumGlyphs = 0, FUnitsPerEm = 1000, FAscent = 800, FDescent = -200, FCapHeight = 700;
  std::array<int, 4> FBBox{0, -200, 1000, 800};
  double FItalicAngle = 0;
  bool FFixedPitch = false;
  int FUnderlineTop = 100, FUnderlineThickness = 50, FStrikeOutTop = 300, FStrikeOutThickness = 50;
  bool FLongLoca = false;
  std::vector<std::uint16_t> FAdvances;
  std::array<std::int32_t, 256> FLatin;  // glyphs of U+0000..U+00FF, -1 until asked
  std::unordered_map<char32_t, std::uint16_t> FOther;
};

// Builds a TrueType file from its tables (tag, bytes); the tags are written sorted.
std::string BuildSfnt(std::vector<std::pair<std::string, std::string>> tables);
