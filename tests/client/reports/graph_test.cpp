// The graph window's request and chart: a root node and a deeper node as requests, a leaf that
// asks nothing, the counts of the dispatcher in-process, and a reply that is no count per child
// leaving the chart as it was.
#include "client/reports/graph.h"

#include "client/reports/graph_form.h"
#include "client/reports/report_windows.h"
#include "platform/ui/chart.h"
#include "platform/ui/tree_view.h"
#include "tests/client/reports/reports_fixture.h"

namespace {

class GraphTest : public ReportsTest {};

TEST_F(GraphTest, RequestsOfARootAndOfADeeperNode) {
  TGraphSelection Root{3, {"Country"}, {"Europe:Europe", "Americas:The Americas"}};
  EXPECT_EQ(TGraphLogic::GraphRequest(Root), "1,5\r\n0,0,country\r\n0,1,3\r\n0,2,Europe:Europe\r\n0,3,Americas:The Americas\r\n");
  TGraphSelection Deeper{3, {"Country", "Europe:Europe"}, {"France:France"}};
  EXPECT_EQ(TGraphLogic::GraphRequest(Deeper), "1,4\r\n0,0,europe:europe : country\r\n0,1,3\r\n0,2,France:France\r\n");
  TGraphLogic Logic(Host);
  TChartfx Chart(nullptr);
  EXPECT_FALSE(Logic.DrawGraph({3, {"Country", "Asia:Asia"}, {}}, Chart));
  EXPECT_TRUE(Recorder->Requests.empty());
  EXPECT_TRUE(Chart.Calls().empty());
}

TEST_F(GraphTest, TheChartShowsTheServersCountsPerCategory) {
  TGraphLogic Logic(Host);
  TChartfx Chart(nullptr);
  std::vector<std::string> Categories;
  for (const auto& Node : Host.Captions.Trees[0].Nodes) Categories.push_back(Node.Text);
  ASSERT_TRUE(Logic.DrawGraph({1, {Host.Captions.DescriptionNames[0]}, Categories}, Chart));
  EXPECT_EQ(Recorder->Requests.back().UserAgent, "4:Test");
  ASSERT_EQ(Chart.Points(), static_cast<int>(Categories.size()));
  EXPECT_FALSE(Chart.DataOpen());
  EXPECT_EQ(Chart.ScaleMaximum(), RecordCount());
  for (int k = 0; k < Chart.Points(); ++k) {
    int Expected = 0;
    for (int i = 0; i < RecordCount(); ++i) Expected += Categories[k] == kCategories[i % 4];
    EXPECT_EQ(Chart.Value(static_cast<short>(k)), Expected) << Categories[k];
  }
  // Each legend names its category once: the value, without its explanation.
  EXPECT_EQ(Chart.Legend(0), "Art");
  EXPECT_EQ(Chart.Legend(1), "Books");
  EXPECT_EQ(Chart.Calls().front().DispId, 64);
  EXPECT_EQ(Chart.Calls().back().DispId, 65);
  // A nested category counts the records whose value ends with it.
  TChartfx Nested(nullptr);
  ASSERT_TRUE(Logic.DrawGraph({3, {Host.Captions.DescriptionNames[2], "Europe:Europe"}, {"France:France", "Germany:Germany"}}, Nested));
  int France = 0, Germany = 0;
  for (int i = 0; i < RecordCount(); ++i) {
    France += i % 3 == 0;
    Germany += i % 3 == 2;
  }
  EXPECT_EQ(Nested.Value(0), France);
  EXPECT_EQ(Nested.Value(1), Germany);
  EXPECT_EQ(Nested.Legend(0), "France");
  EXPECT_EQ(Nested.Legend(1), "Germany");
  // A category without an explanation is named whole.
  TChartfx Plain(nullptr);
  ASSERT_TRUE(Logic.DrawGraph({3, {Host.Captions.DescriptionNames[2]}, {"Oceania", "Europe:Europe"}}, Plain));
  EXPECT_EQ(Plain.Legend(0), "Oceania");
  EXPECT_EQ(Plain.Legend(1), "Europe");
}

TEST_F(GraphTest, AReplyWithoutACountPerChildKeepsThePreviousChart) {
  TGraphLogic Logic(Host);
  TChartfx Chart(nullptr);
  ASSERT_TRUE(Logic.DrawGraph({2, {Host.Captions.DescriptionNames[1]}, {"Mint:As new, never used", "Good:Used, no damage"}}, Chart));
  const auto Calls = Chart.Calls();
  TRecordingTransport Scripted;
  TServerSession Other(Scripted);
  Host.Session = &Other;
  for (const std::string& Reply : {std::string("<HTML>Error in Graph Request</HTML>"), std::string("1,3\r\n0,0,9\r\n0,1,4\r\n0,2,x\r\n"),
                                  std::string("1,2\r\n0,0,9\r\n0,1,4\r\n"), std::string()}) {
    Scripted.Reply = [&](const TClientRequest&) { return Reply; };
    TCheckedModalScript Script;
    Script.ExpectMessage("", mrOk);
    EXPECT_FALSE(Logic.DrawGraph({2, {"Condition"}, {"Mint", "Good"}}, Chart)) << Reply;
    EXPECT_EQ(Chart.Calls(), Calls);
    EXPECT_FALSE(Chart.DataOpen());
  }
}

TEST_F(GraphTest, TheWindowsTreeHoldsTheTenDescriptionsAndDrawsTheFirst) {
  TReportWindows Windows(Host);
  TGraphDisplay Graph(Windows);
  Graph.FormActivate();
  ASSERT_EQ(Graph.SGraph->Items().TopLevelCount(), 10);
  EXPECT_EQ(Graph.SGraph->Items().Item(0)->Text(), Host.Captions.DescriptionNames[0]);
  EXPECT_EQ(Graph.Graph->Points(), static_cast<int>(Host.Captions.Trees[0].Nodes.size()));
  const TGraphSelection S = TGraphDisplay::SelectionOf(Graph.SGraph->Items().Item(0)->Item(0));
  EXPECT_EQ(S.Description, 1);
  EXPECT_EQ(S.Path.size(), 2u);
}

// A double click on a node charts that node; the button's release, lost while the tree waits
// disabled for the reply, leaves no hold on the mouse.
TEST_F(GraphTest, ADoubleClickOnANodeChartsItAndLeavesTheMouseFree) {
  TReportWindows Windows(Host);
  TGraphDisplay Graph(Windows);
  Graph.Show();
  Graph.FormActivate();
  const std::size_t Asked = Recorder->Requests.size();
  const LPARAM At = MAKELPARAM(40, Graph.SGraph->ItemHeight() * 3 / 2);  // the second description
  Graph.SGraph->Perform(WM_LBUTTONDOWN, MK_LBUTTON, At);
  Graph.SGraph->Perform(WM_LBUTTONUP, 0, At);
  Graph.SGraph->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, At);
  ASSERT_EQ(Recorder->Requests.size(), Asked + 1);
  EXPECT_EQ(Graph.SGraph->Selected(), Graph.SGraph->Items().Item(0)->getNextSibling());
  EXPECT_EQ(Graph.Graph->Points(), static_cast<int>(Host.Captions.Trees[1].Nodes.size()));
  EXPECT_TRUE(Graph.SGraph->Enabled());
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
