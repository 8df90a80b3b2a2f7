#include "print/rtf_preview.h"

#include <cmath>
#include <cstring>

#include "platform/rtl/sysutils.h"
#include "platform/ui/screen.h"

namespace {

int Twips(double inches) { return static_cast<int>(std::lround(inches * 1440)); }

}  // namespace

void RichEditStreamIn(TCustomRichEdit& richEdit, TStream& stream) {
  EDITSTREAM es;
  es.pfnCallback = [&stream](std::uintptr_t, BYTE* buffer, LONG cb, LONG* pcb) -> DWORD {
    long got = stream.Read(buffer, cb);
    *pcb = static_cast<LONG>(got);
    return 0;
  };
  richEdit.Perform(EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&es));
}

void RichEditStreamOut(TCustomRichEdit& richEdit, TStream& stream) {
  EDITSTREAM es;
  es.pfnCallback = [&stream](std::uintptr_t, BYTE* buffer, LONG cb, LONG* pcb) -> DWORD {
    stream.WriteBuffer(buffer, cb);
    *pcb = cb;
    return 0;
  };
  richEdit.Perform(EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&es));
}

void LoadRichEditFromStream(TCustomRichEdit& richEdit, TStream& stream) { RichEditStreamIn(richEdit, stream); }

std::string RichEditToString(TCustomRichEdit& richEdit) {
  TStringStream s;
  RichEditStreamOut(richEdit, s);
  return s.DataString();
}

void SetRichText(TCustomRichEdit& richEdit, const std::string& text) {
  if (text.empty()) return;
  if (text.rfind("{\\rtf", 0) != 0) {
    richEdit.SetSelText(text);
    return;
  }
  TStringStream s(text);
  RichEditStreamIn(richEdit, s);
}

bool IsRichEdit98(const TObject& control) { return LowerCase(control.ClassName()) == "trichedit98"; }

TPgRtfPreview::TPgRtfPreview(TComponent* AOwner) : TComponent(AOwner) {
  FTextFileFont.SetName("Arial");
  FTextFileFont.SetSize(10);
}

TPgRtfPreview::~TPgRtfPreview() { SetPreview(nullptr); }

void TPgRtfPreview::SetPreview(TPgPreview* value) {
  if (value == FPreview) return;
  if (FPreview) FPreview->RemoveAssociatedComponent(this);
  FPreview = value;
  if (!FPreview) return;
  FPreview->AddAssociatedComponent(this);
  FTop.SetAsInches(FPreview->Margins().Top().AsInches() + FPreview->Header().GetHeight(gmInches));
  FBottom.SetAsInches(FPreview->Margins().Bottom().AsInches() + FPreview->Footer().GetHeight(gmInches));
}

void TPgRtfPreview::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPreview) FPreview = nullptr;
}

void TPgRtfPreview::RichEditToPreview(TCustomRichEdit& richEdit) {
  if (!FPreview) return;
  TPgPreview& p = *FPreview;
  p.BeginUpdate();
  TCursor savedCursor = Screen().Cursor();
  Screen().SetCursor(crHourGlass);
  TPgResourceTable& table = p.PageList().ResourceTable();
  FORMATRANGE fr;
  fr.hdc = &PgRichTextReference();
  fr.hdcTarget = &PgRichTextReference();
  richEdit.FormatRange(nullptr, false);
  int length = richEdit.GetTextLen();
  if (IsRichEdit98(richEdit)) --length;
  // One copy of the text serves every page of this call; each page counts it once.
  TCustomRichEdit* memo = nullptr;
  int start = 0;
  while (true) {
    TPgPage* page = p.GetPage(p.CurrentPage());
    memo = memo ? table.Memos.AddMemo(memo) : table.Memos.AddMemo(&richEdit);
    fr.rcPage = Rect(0, 0, Twips(page->Width), Twips(page->Height));
    TPgRectExt text{p.Margins().Left().AsInches(), FTop.AsInches(), page->Width - p.Margins().Right().AsInches(),
                    page->Height - FBottom.AsInches()};
    fr.rc = Rect(Twips(text.Left), Twips(text.Top), Twips(text.Right), Twips(text.Bottom));
    fr.chrg.cpMin = start;
    fr.chrg.cpMax = -1;
    int next = fr.rc.Bottom > fr.rc.Top ? memo->FormatRange(&fr, false) : start;
    // A page that takes nothing (a line or picture taller than the text area, or a new-page
    // handler that left no room) would page for ever: that page keeps the rest of the text,
    // clipped to its rectangle, and paging stops.
    if (next <= start && start < length) next = -1;
    page->RtfInfo().Rect = text;
    page->RtfInfo().RangeStart = start;
    page->RtfInfo().RangeEnd = next < 0 ? length : next;
    page->RtfInfo().SetMemo(memo);
    if (next < 0 || next >= length) break;
    if (!ForceNewPages && p.CurrentPage() < p.NumPages()) p.NextPage();
    else p.NewPage();
    if (OnNewPage) OnNewPage(this, FTop, FBottom);
    start = next;
  }
  p.EndUpdate();
  Screen().SetCursor(savedCursor);
}
