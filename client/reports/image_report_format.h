// The image report's format file (".irp", and "LastReport.rp1" written on close): every layout
// choice of the window as one typed value stream, in a fixed order.  Fonts and the border colour
// travel as the root component streams of a font dialog and a colour dialog.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "client/reports/quick_report.h"
#include "platform/gfx/graphics.h"

class TStream;

namespace image_report {

struct TBandSettings {
  int Visible = 0;  // "No", "Yes"
  std::string Left, Center, Right;
  bool ShowLine = false;
  double Height = 0.5;  // inches
  int PageNumber = 0;   // "None", "Left", "Center", "Right"
  int Date = 0;
  friend bool operator==(const TBandSettings&, const TBandSettings&) = default;
};

inline constexpr int kReportFonts = 20;

struct TImageReportFormat {
  std::vector<TReportItem> Fields;  // caption and item code, in print order
  bool IncludeRecordName = false, IncludeFieldNames = false;
  int Layout = 1;  // "One" .. "Four"
  double ItemHeight = 1, CellSpacing = 0;
  int PageFrame = 0;   // "No", "Yes"
  int CellBorder = 0;  // "None", "Horizontal", "Vertical", "Horizontal and Vertical"
  TColor BorderColor = clBlack;
  double LeftMargin = 0.5, RightMargin = 0.5, TopMargin = 0.5, BottomMargin = 0.5;
  TBandSettings Header, Footer;
  std::array<int, 6> Images{};  // "None", "Image One" .. "Image Six"
  bool IncludeImageTitle = false;
  int ImageOrientation = 0;  // "Horizontal", "Vertical"
  int ImageSpace = 50;       // percent
  std::array<TFont, kReportFonts> Fonts;
};

// The item codes of the report-item menu, in its order.
const std::vector<int>& ReportItemCodes();

void WriteImageReportFormat(TStream& Stream, const TImageReportFormat& Format);
// Reads a whole format into a temporary and assigns it to Format only when every value is
// there with its tag, every combo index lies in its combo's range, every item code is known
// and chosen once, and nothing follows; otherwise false and Format is untouched.
bool ReadImageReportFormat(TStream& Stream, TImageReportFormat& Format);

// The file forms; writing raises the stream's error, reading a missing file gives false.
void SaveImageReportFile(const std::string& FileName, const TImageReportFormat& Format);
bool LoadImageReportFile(const std::string& FileName, TImageReportFormat& Format);

inline constexpr const char* kLastReportFile = "LastReport.rp1";
inline constexpr const char* kFormatFilter = "Image Report Format|*.irp";
inline constexpr const char* kSaveTitle = "Save Report Format";
inline constexpr const char* kOverwriteText = " already exists.  Do you want to overwrite it ?";
inline constexpr const char* kSavedText = "Report Format Saved as ";
inline constexpr const char* kLoadedText = "Report Format file loaded.";
inline constexpr const char* kInvalidText = "Report Format file is invalid.  No format loaded.";

// Mode 1: writes "LastReport.rp1" in ProgramFolder without a message (false when it cannot be
// written).  Mode 2: asks for a file ("irp"), asks before overwriting one (No asks again), writes
// it and says so.  False when nothing was written.
bool SaveImageReport(int Mode, const TImageReportFormat& Format, const std::string& ProgramFolder);
// Mode 2: asks for a format file and loads it with its message; a refused file changes nothing.
bool LoadReportFormat(int Mode, TImageReportFormat& Format);

}  // namespace image_report
