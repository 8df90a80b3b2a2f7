// Free routines that the grid and its data exchange share: text splitting, cell references and
// links, classification of cell texts, number and date texts, the line-break codings of the grid
// text stream, the CSV quoting helpers and the filter condition matcher.  No state.
//
// Texts are byte strings; positions are 1-based like the class library's string routines.
#pragma once

#include <bitset>
#include <string>

#include "platform/rtl/win_types.h"

class TCanvas;
class TBitmap;

using TCharSet = std::bitset<256>;

// Text and number routines.
std::string SplitFirst(std::string& source, const std::string& delimiter);
int VarPos(const std::string& sub, const std::string& text, int& position);
char FirstCharOf(const TCharSet& set, const std::string& text);
bool ParseCellRef(const std::string& text, TPoint& cell);
bool IsURL(const std::string& text);
void StripURLProtocol(std::string& text);
int GetTextKind(const std::string& text, bool htmlEnabled);
// A thousands separator counts only between groups of exactly three digits, after a first group
// of one to three and before any decimal separator: "1,234.50" is grouped, "99,95", "1,2345",
// "12,34" and "1.234,50" are no numbers.  True when every separator of the text stands so (and
// for a text without one).
bool ThousandsGroupsValid(const std::string& text);
// The text with "." for the decimal separator and without its thousands separators when they are
// grouped as above; a separator out of place stays, so that the text reads as no number.
std::string NormalizeNumber(const std::string& text);
// Takes the thousands separators out of the text; false, leaving it alone, when one stands out
// of place.
bool RemoveThousandSeparators(std::string& text);
// 0 for digits and "-" only (the empty text too), 1 for a number with decimal or well-placed
// thousands separators, 2 for any other text.
int IsNumericText(const std::string& text);
std::string ColorToHex(int colour);
std::string CRToBR(const std::string& text);
std::string LiteralNLToCR(const std::string& text);
std::string CRToLiteralNL(const std::string& text);
void FillWithChar(std::string& text, char c);
std::string UpperCaseText(const std::string& text);
std::string CutFirstLine(std::string& text, bool keepRest);
int LineCount(const std::string& text, bool multiLine);
double IncDateParts(int years, int months, int days, double step, double date);
void DrawTransparentBitmap(TCanvas* canvas, TPoint position, TBitmap* bitmap);

// Line-break and CSV codings.
std::string EncodeLineBreaks(const std::string& text);
std::string DecodeLineBreaks(const std::string& text, bool multiLine);
void QuoteMultiLine(std::string& text);
void LFToCRLF(std::string& text);
std::string RemoveCR(const std::string& text);
std::string AnsiToOemString(const std::string& text);
std::string OemToAnsiString(const std::string& text);
int FindSingleChar(char c, const std::string& text);
int CountSingleChar(char c, const std::string& text);
std::string UnquoteField(char quote, const std::string& text);

// Filter matching.
bool MatchFilter(const std::string& condition, const std::string& text);
bool MatchCondition(const std::string& part, const std::string& text);
bool ParseFilterDate(const std::string& text, double& date);

// The class library's plain number reading: optional blanks and sign, digits with "." as the
// decimal point, optional exponent, nothing after.  False when the whole text does not read.
bool ReadPlainNumber(const std::string& text, double& value);
