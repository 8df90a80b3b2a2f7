// The main window's walk through the search list on the headless backend against the record
// server in-process: the "<<" and ">>" buttons with their saves and wraps, the "Search List" box,
// the read-only box, and the line search helpers.
#include <gtest/gtest.h>

#include "client/reports/report_windows.h"
#include "client/reports/search_list.h"
#include "client/reports/search_results_form.h"
#include "client/view.h"
#include "client/view_reports.h"
#include "client/view_search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/string_list.h"
#include "tests/client/view_fixture.h"

namespace {

using Verbs = std::vector<std::string>;

class ViewSearchListTest : public LoggedInViewTest {
protected:
  ViewSearchListTest() : LoggedInViewTest("viewsearchlist") {}
  void SetUp() override {
    LoggedInViewTest::SetUp();
    if (HasFatalFailure()) return;
    A = View->number->Text();
    View->NewRecordTBtn->Click();
    B = View->number->Text();
    ASSERT_NE(A, B);
    Db->Recorder.Clear();
  }
  TSearchList& List() { return ViewSearchList(*View); }
  std::string A, B;  // the record shown at login and a new one
};

}  // namespace

TEST_F(ViewSearchListTest, AnEmptyListSaysSoAndSendsNothing) {
  for (TToolButton* Button : {View->NextSearchTBtn, View->PreviousSearchTBtn}) {
    TCheckedModalScript Script;
    Script.ExpectMessage("There are no items on the search list.", mrOk);
    Button->Click();
  }
  EXPECT_TRUE(Db->Recorder.Requests.empty());
  EXPECT_EQ(View->number->Text(), B);
}

TEST_F(ViewSearchListTest, TheButtonsSaveThenFetchAndWrapAtBothEnds) {
  List().Add(A, "First");
  List().Add(B, "Second");
  // From no position ">>" shows entry 1, saving the shown record first.
  View->Detail[1]->SetText("Edited");
  View->NextSearchTBtn->Click();
  EXPECT_EQ(View->number->Text(), A);
  EXPECT_EQ(Db->Recorder.Verbs(), (Verbs{"S" + B, "CL", "G" + A}));
  EXPECT_EQ(View->SearchPosition, 1);
  View->NextSearchTBtn->Click();
  EXPECT_EQ(View->number->Text(), B);
  EXPECT_EQ(View->Detail[1]->Text(), "Edited");  // the save went through
  View->NextSearchTBtn->Click();  // beyond the last entry: back to the first
  EXPECT_EQ(View->number->Text(), A);
  EXPECT_EQ(View->SearchPosition, 1);
  Db->Recorder.Clear();
  View->PreviousSearchTBtn->Click();  // below the first: the last
  EXPECT_EQ(View->number->Text(), B);
  EXPECT_EQ(View->SearchPosition, 2);
  EXPECT_EQ(Db->Recorder.Verbs(), (Verbs{"S" + A, "CL", "G" + B}));
}

TEST_F(ViewSearchListTest, OneEntryIsShownAgainEitherWayAndPreviousStartsAtEntryOne) {
  List().Add(A, "First");
  View->PreviousSearchTBtn->Click();
  EXPECT_EQ(View->number->Text(), A);
  EXPECT_EQ(View->SearchPosition, 1);
  for (TToolButton* Button : {View->NextSearchTBtn, View->PreviousSearchTBtn}) {
    Db->Recorder.Clear();
    Button->Click();
    EXPECT_EQ(View->number->Text(), A);
    EXPECT_EQ(Db->Recorder.Verbs(), (Verbs{"S" + A, "CL", "G" + A}));
  }
}

TEST_F(ViewSearchListTest, AFailedSaveStopsTheWalkAndAGoneRecordIsReported) {
  List().Add(A, "First");
  View->Detail[1]->SetText("Kept");
  Db->Recorder.Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("There was a problem with the request.", mrOk);
    View->NextSearchTBtn->Click();
  }
  EXPECT_EQ(Db->Recorder.Verbs(), (Verbs{"S" + B}));
  EXPECT_EQ(View->number->Text(), B);
  EXPECT_EQ(View->Detail[1]->Text(), "Kept");
  Db->Recorder.Fail = false;
  // A code the database no longer holds.
  List().Grid().SetCells(0, 1, "987654");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("no longer in the database.  Another user may have removed it.", mrOk);
    View->NextSearchTBtn->Click();
  }
  EXPECT_NE(View->number->Text(), "987654");
}

TEST_F(ViewSearchListTest, TheSearchListBoxPutsTheRecordOnAndTakesItOff) {
  EXPECT_FALSE(View->SearchListBox->Checked());
  View->RecordName->SetText("Renamed");
  View->SearchListBox->SetChecked(true);
  ASSERT_EQ(List().Count(), 1);
  EXPECT_EQ(List().Code(1), B);
  EXPECT_EQ(List().Name(1), "Renamed");
  TQnStringGrid& Display = *ReportWindowsOf(*View).SnapShot().SearchDisplay;
  ASSERT_GE(Display.RowCount(), 2);
  EXPECT_EQ(Display.Cells(0, 1), B);
  // Already on the list: nothing is added.
  View->SearchListBoxClick();
  EXPECT_EQ(List().Count(), 1);
  // Showing a record sets the box from the list without putting anything on it or off it.
  View->PreviousTBtn->Click();
  EXPECT_EQ(View->number->Text(), A);
  EXPECT_FALSE(View->SearchListBox->Checked());
  View->NextTBtn->Click();
  EXPECT_TRUE(View->SearchListBox->Checked());
  EXPECT_EQ(List().Count(), 1);
  // Unchecked: the entry goes, the header and the empty last row stay.
  List().Add(A, "First");
  View->SearchListBox->SetChecked(false);
  ASSERT_EQ(List().RowCount(), 3);
  EXPECT_EQ(List().Code(1), A);
  EXPECT_EQ(List().Code(2), "");
  EXPECT_FALSE(View->InSearchList(B));
  EXPECT_TRUE(View->InSearchList(A));
  EXPECT_EQ(Display.Cells(0, 1), A);
}

TEST_F(ViewSearchListTest, FillSearchListTakesEveryRowSorted) {
  List().Add(B, "Second");
  List().Add(A, "First");
  TStringList Out;
  Out.Add("stale");
  View->FillSearchList(Out);
  EXPECT_TRUE(Out.Sorted());
  // The header's and the empty row's blank codes count once in a sorted list.
  ASSERT_EQ(Out.Count(), 3);
  EXPECT_EQ(Out[0], "");
  EXPECT_EQ(Out.IndexOf("stale"), -1);
  EXPECT_GE(Out.IndexOf(A), 0);
  EXPECT_GE(Out.IndexOf(B), 0);
  for (int i = 1; i < Out.Count(); ++i) EXPECT_LE(Out[i - 1], Out[i]);
}

TEST_F(ViewSearchListTest, TheReadOnlyBoxLocksTheEditorsAndIsSaved) {
  View->ReadonlyBox->SetChecked(true);
  EXPECT_TRUE(View->Detail[1]->ReadOnly());
  EXPECT_TRUE(View->Logic->Buffers.Current.ReadOnly);
  View->PreviousTBtn->Click();
  View->NextTBtn->Click();
  EXPECT_EQ(View->number->Text(), B);
  EXPECT_TRUE(View->ReadonlyBox->Checked());
  View->ReadonlyBox->SetChecked(false);
  EXPECT_FALSE(View->Detail[1]->ReadOnly());
}

TEST_F(ViewSearchListTest, TheHtmlPageOffersTheFieldNamesInTheFieldMenu) {
  TMenuItem* Items = View->ritems->Items();
  const std::string Before = Items->Items(21)->Caption();
  // Another page caption leaves the menu as it was.
  View->RecordBook->SetActivePageIndex(4);
  View->RecordBook->SelectNextPage(true, false);
  ASSERT_EQ(View->RecordBook->ActivePage(), View->TextPage);
  EXPECT_EQ(Items->Items(21)->Caption(), Before);
  View->TextPage->SetCaption("HTML");
  View->RecordBook->SetActivePageIndex(4);
  View->RecordBook->SelectNextPage(true, false);
  ASSERT_EQ(Items->Count(), 23);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Items->Items(i)->Caption(), View->Desc[i]->Caption());
    EXPECT_EQ(Items->Items(10 + i)->Caption(), View->sn[i]->Caption());
  }
  EXPECT_EQ(Items->Items(20)->Caption(), View->boxname->Caption());
  EXPECT_EQ(Items->Items(21)->Caption(), "Record #");
  EXPECT_EQ(Items->Items(22)->Caption(), View->RecordTitle->Caption());
  EXPECT_EQ(Items->Items(0)->Tag(), 10);
  EXPECT_EQ(Items->Items(22)->Tag(), 230);
}

TEST(ViewLineSearch, SearchListFindsTheFirstLineAtOrAfterStartIgnoringCase) {
  TStringList Lines;
  for (const char* S : {"Alpha", "beta", "ALPHABET", "gamma"}) Lines.Add(S);
  EXPECT_EQ(SearchList("alpha", Lines, 0), 0);
  EXPECT_EQ(SearchList("ALPHA", Lines, 1), 2);
  EXPECT_EQ(SearchList("Alpha", Lines, 3), -1);
  EXPECT_EQ(SearchList("zeta", Lines, 0), -1);
  EXPECT_EQ(SearchList("gamma", Lines, -5), 3);
}

TEST(ViewLineSearch, ReturnURLCutsAtQuoteBlankOrBracket) {
  std::string R;
  EXPECT_TRUE(ReturnURL("<a HREF=\"x\">go</a> <A href=page.htm>", false, "href=", R));
  EXPECT_EQ(R, "");  // the first marker is followed by a quote: an empty run
  EXPECT_TRUE(ReturnURL("see HTTP://Host/Path now", true, "http://", R));
  EXPECT_EQ(R, "HTTP://Host/Path");
  EXPECT_TRUE(ReturnURL("<img src=pic.gif>", false, "SRC=", R));
  EXPECT_EQ(R, "pic.gif");
  EXPECT_TRUE(ReturnURL("url:tail", false, "url:", R));
  EXPECT_EQ(R, "tail");
  EXPECT_FALSE(ReturnURL("nothing here", false, "href=", R));
  EXPECT_EQ(R, "");
}

TEST_F(ViewSearchListTest, ViewTheSearchListShowsTheResultsWindowOrElseTheRecordWindow) {
  // No search or report window has been opened: the record window comes instead, and no
  // results window is made for it.
  ASSERT_EQ(View->Reports, nullptr);
  View->Hide();
  View->ViewtheSpreadSheet1->Click();
  EXPECT_TRUE(View->Visible());
  EXPECT_EQ(View->Reports, nullptr);
  // Once the search windows exist the results window shows, the record window as it was.
  TSnapShot& Results = ReportWindowsOf(*View).SnapShot();
  ASSERT_FALSE(Results.Visible());
  View->ViewtheSpreadSheet1->Click();
  EXPECT_TRUE(Results.Visible());
  EXPECT_TRUE(View->Visible());
  Results.Hide();
}
