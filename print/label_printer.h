// Label sheets: the templates of sheet layouts (built-in and custom) and the label printer that
// fills the pages of a preview with a grid of labels, draws each label's outline (seen in the
// preview, never printed), clips to it and lets its owner draw the label's contents.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/string_list.h"
#include "print/preview.h"

enum TPgLabelTemplate {
  Custom_Template, L7159_Address, L7160_Address, L7161_Address, L7162_Address, L7163_Address,
  L7164_Address, L7165_Parcel, L7166_Parcel, L7167_Shipping, L7168_Shipping, L7169_Parcel,
  L7170_Eurofolio, L7171_LeverArch, L7172_RingBinder, L7173_Shipping, L7263_Address,
  J8660_Diskette, Avery_5160_Address, Avery_8160_Address, Herma_4209
};
enum TPgLabelDrawOrder { gmRows, gmColumns };
enum TPgLabelShape { lsRectangle = 0, lsRoundRect = 1, lsEllipse = 2 };

// One sheet layout; lengths in inches.
struct TPgLabelTemplateInfo {
  TPgLabelTemplate Id = Custom_Template;
  std::string Name;
  int Columns = 0;
  int Rows = 0;
  double LabelHeight = 0;
  double LabelWidth = 0;
  double HorzPitch = 0;  // from one column's left edge to the next
  double VertPitch = 0;  // from one row's top edge to the next
  double CornerRadius = 0.15;
  double LeftOffset = 0;
  double TopOffset = 0;
  double PaperWidth = 0;
  double PaperHeight = 0;
  TPgPaperSize PaperSize = A4;
  TPgOrientation Orientation = gmPortrait;
  int LabelShape = lsRoundRect;
};

// Where custom templates are written: a file of the user's configuration folder.
inline constexpr const char* kLabelTemplateFile = "labels.ini";

class TPgLabelTemplateList {
public:
  // Holds the built-in templates.
  TPgLabelTemplateList();

  int Count() const { return static_cast<int>(FItems.size()); }
  // Converts the lengths from `unit` to inches and appends a template. The paper comes from
  // the paper size, or for Custom from `paperDimensions` (in `unit`; A4 when they are 0).
  TPgLabelTemplateInfo* AddTemplate(TPgLabelTemplate id, const std::string& name, TPgMeasurement unit,
                                    int labelShape, TPgOrientation orientation, TPgPaperSize paperSize,
                                    TPgSizeExt paperDimensions, double topOffset, double leftOffset,
                                    double horzPitch, double vertPitch, double labelWidth, double labelHeight,
                                    int rows, int columns);
  // nullptr for an index outside the list (-1 among them).
  TPgLabelTemplateInfo* GetTemplate(int index) const;
  // Compared in lower case; the last match wins.
  TPgLabelTemplateInfo* FindByName(const std::string& name) const;
  // The last template with that id.
  TPgLabelTemplateInfo* FindById(TPgLabelTemplate id) const;
  // Every name in list order, inside one update of `strings`.
  void GetTemplateNames(TStrings& strings) const;
  // Writes a section per custom (id 0) template; nothing at all, not even a file, when there
  // is none. A bare or drive-rooted name is a file of the user's configuration folder.
  void SaveToIniFile(const std::string& fileName) const;
  // Clears the list and adds the built-in templates again.
  void Clear();

private:
  void AddBuiltIns();
  std::vector<std::unique_ptr<TPgLabelTemplateInfo>> FItems;
};

using TPgDrawLabelEvent = std::function<void(TObject* Sender, int LabelNum, TPgValueRect& ARect, TPgCanvas& ACanvas)>;
using TPgGetLabelHeightEvent = std::function<void(TObject* Sender, int LabelNum, int Col, int Row, TPgValue& Height,
                                                  TPgValue& VertSpacing)>;

class TPgCustomLabelPrinter : public TComponent {
public:
  explicit TPgCustomLabelPrinter(TComponent* AOwner = nullptr);
  ~TPgCustomLabelPrinter() override;

  std::string About() const { return GetAboutText(this); }
  bool ClipLabels = true;
  TPgLabelDrawOrder DrawOrder = gmRows;
  TBrush& LabelBrush() { return FLabelBrush; }
  TPen& LabelPen() { return FLabelPen; }
  // Columns x rows of the current template (0 without one).
  int LabelsPerPage() const;
  TPgPreview* Preview() const { return FPreview; }
  void SetPreview(TPgPreview* value);
  int StartLabel = 1;
  TPgLabelTemplate Template() const { return FTemplate; }
  // The current template becomes the list's last template of that id (none when there is
  // no such template).
  void SetTemplate(TPgLabelTemplate value);
  TPgLabelTemplateInfo* CurrentTemplate() const { return FCurrent; }
  TPgLabelTemplateList& Templates() { return FTemplates; }

  // Lays out `count` labels on the preview's pages from the current page on.
  void DrawLabels(int count);

  TNotifyEvent BeforeDrawLabels;
  TPgDrawLabelEvent OnDrawLabel;
  TPgGetLabelHeightEvent OnGetLabelHeight;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DrawOutline(TPgCanvas& canvas, const TPgLabelTemplateInfo& t, const TPgRectExt& r);
  void AddClip(TPgCanvas& canvas, const TPgLabelTemplateInfo& t, const TPgRectExt& r);

  TPgLabelTemplateList FTemplates;
  TPgLabelTemplateInfo* FCurrent = nullptr;
  TPgLabelTemplate FTemplate = L7159_Address;
  TPgPreview* FPreview = nullptr;
  TBrush FLabelBrush;
  TPen FLabelPen;
};

class TPgLabelPrinter : public TPgCustomLabelPrinter {
public:
  using TPgCustomLabelPrinter::TPgCustomLabelPrinter;
};
