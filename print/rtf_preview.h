// Rich text laid out on preview pages by the rich edit itself: how much text fits the printable
// area of a page is asked of the control, that range is kept on the page, and paging goes on
// until the text is used up. Each page renders its range whenever it is drawn.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/streams.h"
#include "platform/ui/rich_edit.h"
#include "print/preview.h"

using TPgRtfNewPageEvent = std::function<void(TObject* Sender, TPgValue& ATopMargin, TPgValue& ABottomMargin)>;

// The rich-edit routines of the engine.
void RichEditStreamIn(TCustomRichEdit& richEdit, TStream& stream);
void RichEditStreamOut(TCustomRichEdit& richEdit, TStream& stream);
void LoadRichEditFromStream(TCustomRichEdit& richEdit, TStream& stream);
std::string RichEditToString(TCustomRichEdit& richEdit);
// Text that is RTF is read as such at the selection; plain text is inserted as it is.
void SetRichText(TCustomRichEdit& richEdit, const std::string& text);
bool IsRichEdit98(const TObject& control);

class TPgRtfPreview : public TComponent {
public:
  explicit TPgRtfPreview(TComponent* AOwner = nullptr);
  ~TPgRtfPreview() override;
  std::string About() const { return GetAboutText(this); }
  TPgPreview* Preview() const { return FPreview; }
  void SetPreview(TPgPreview* value);
  bool ForceNewPages = true;
  TFont& TextFileFont() { return FTextFileFont; }
  TPgRtfNewPageEvent OnNewPage;
  TPgValue& TopSpace() { return FTop; }
  TPgValue& BottomSpace() { return FBottom; }
  // Pages the whole text of `richEdit` into the preview from its current page.
  void RichEditToPreview(TCustomRichEdit& richEdit);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TPgPreview* FPreview = nullptr;
  TFont FTextFileFont;
  TPgValue FTop;
  TPgValue FBottom;
};
