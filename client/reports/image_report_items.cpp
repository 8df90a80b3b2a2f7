#include "client/reports/image_report_items.h"

#include <utility>

namespace image_report {

void TReportItems::Rebuild(const TFieldCaptions& C) {
  Menu.clear();
  Menu.push_back({500, C.RecordTitle, true});
  for (int i = 0; i < 10; ++i) Menu.push_back({10 * (i + 1), C.DescriptionNames[i], true});
  for (int i = 0; i < 10; ++i) Menu.push_back({110 + 10 * i, C.DetailNames[i], true});
  for (int i = 0; i < 6; ++i) Menu.push_back({210 + 10 * i, C.OtherNames[i], true});
  Menu.push_back({600, C.NotesTitles[0], true});
  Menu.push_back({610, C.NotesTitles[2], true});
  Menu.push_back({620, C.NotesTitles[1], true});
  // Each under the title of the page that shows it.
  Menu.push_back({700, C.PageCaptions[TFieldCaptions::ItemListPage], true});
  Menu.push_back({800, C.PageCaptions[TFieldCaptions::RichTextPage], true});
  for (const TReportItem& Item : Fields)
    if (TFieldMenuItem* E = Entry(Item.Code)) E->Enabled = false;
}

TFieldMenuItem* TReportItems::Entry(int Code) {
  for (TFieldMenuItem& E : Menu)
    if (E.Code == Code) return &E;
  return nullptr;
}

std::string TReportItems::FieldTitle(int Code) const {
  for (const TFieldMenuItem& E : Menu)
    if (E.Code == Code) return E.Caption;
  return "";
}

bool TReportItems::Add(int Code) {
  TFieldMenuItem* E = Entry(Code);
  if (!E || !E->Enabled) return false;
  E->Enabled = false;
  Fields.push_back({E->Caption, Code});
  RemoveEnabled = true;
  return true;
}

void TReportItems::Remove(int Index) {
  if (Index < 0 || Index >= static_cast<int>(Fields.size())) return;
  if (TFieldMenuItem* E = Entry(Fields[Index].Code)) E->Enabled = true;
  Fields.erase(Fields.begin() + Index);
}

void TReportItems::MoveUp(int Index) {
  if (Index > 0 && Index < static_cast<int>(Fields.size())) std::swap(Fields[Index - 1], Fields[Index]);
}

void TReportItems::MoveDown(int Index) {
  if (Index >= 0 && Index + 1 < static_cast<int>(Fields.size())) std::swap(Fields[Index], Fields[Index + 1]);
}

void TReportItems::Assign(const std::vector<TReportItem>& Items) {
  Fields = Items;
  for (TFieldMenuItem& E : Menu) E.Enabled = true;
  for (const TReportItem& Item : Fields)
    if (TFieldMenuItem* E = Entry(Item.Code)) E->Enabled = false;
}

}  // namespace image_report
