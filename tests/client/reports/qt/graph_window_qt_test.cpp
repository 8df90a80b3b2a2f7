// The graph window on the Qt backend: its tree of the ten descriptions is on the screen (the
// tree's window, made before its panel had one, is shown with the panel), and a double click
// on a node asks the server for that node's children and charts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include "client/core/recording_transport.h"
#include "client/reports/graph_form.h"
#include "client/reports/report_windows.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/chart.h"
#include "platform/ui/controls.h"
#include "platform/ui/tree_view.h"

namespace {

QWidget* WidgetOf(TWinControl& Control) { return static_cast<TQtWindowPeer*>(Control.Handle())->Widget(); }

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

// Bands of dark text, top to bottom, in a picture.
int TextBands(const QImage& Picture) {
  int Bands = 0, Gap = 3;
  for (int y = 0; y < Picture.height(); ++y) {
    bool Inked = false;
    for (int x = 0; x < Picture.width() && !Inked; ++x) Inked = qGray(Picture.pixel(x, y)) < 100;
    if (Inked && Gap >= 3) ++Bands;
    Gap = Inked ? 0 : Gap + 1;
  }
  return Bands;
}

void Mouse(QWidget* W, QEvent::Type Type, int X, int Y) {
  QMouseEvent E(Type, QPointF(X, Y), W->mapToGlobal(QPointF(X, Y)), Qt::LeftButton,
                Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(W, &E);
}

TEST(GraphWindowQt, TheTreeShowsTheDescriptionsAndADoubleClickChartsANode) {
  TRecordingTransport Server;
  // The scale, then one count per child of the node asked for.
  // The mouse button is let go while the request waits (the window takes events meanwhile).
  std::function<void()> WhileWaiting;
  Server.Reply = [&](const TClientRequest&) {
    if (WhileWaiting) WhileWaiting();
    return std::string("1,4\r\n0,0,20\r\n0,1,7\r\n0,2,11\r\n0,3,2\r\n");
  };
  TServerSession Session(Server);
  TReportHost Host;
  Host.Session = &Session;
  for (int d = 0; d < 10; ++d) Host.Captions.DescriptionNames[d] = "Description " + std::to_string(d + 1);
  auto Node = [](const std::string& Text) {
    TTreeNodeRecord N;
    N.Text = Text;
    return N;
  };
  Host.Captions.Trees[0].Nodes = {Node("Art:Paintings"), Node("Books:Printed")};
  Host.Captions.Trees[1].Nodes = {Node("Europe"), Node("Asia"), Node("Africa")};
  Host.Captions.Trees[1].Nodes[0].Children = {Node("France")};
  TReportWindows Windows(Host);
  TGraphDisplay Graph(Windows);
  Graph.Show();
  Settle();
  Graph.FormActivate();
  Settle();

  ASSERT_EQ(Graph.SGraph->Items().TopLevelCount(), 10);
  QWidget* Tree = WidgetOf(*Graph.SGraph);
  ASSERT_TRUE(Tree->isVisible()) << "the tree's window stays hidden in its panel";
  const QRect Area(Tree->mapTo(WidgetOf(Graph), QPoint(0, 0)), Tree->size());
  const QImage Shown = WidgetOf(Graph)->grab(Area).toImage();
  EXPECT_GE(TextBands(Shown), 10) << "one line of text per description";
  EXPECT_EQ(Server.Requests.size(), 1u);  // the first description, charted on opening
  EXPECT_EQ(Graph.Graph->Points(), 2);

  // A double click on the second description's line charts its three top-level categories.
  const int Row = Graph.SGraph->ItemHeight() + Graph.SGraph->ItemHeight() / 2;
  Mouse(Tree, QEvent::MouseButtonPress, 40, Row);
  Mouse(Tree, QEvent::MouseButtonRelease, 40, Row);
  WhileWaiting = [&] { Mouse(Tree, QEvent::MouseButtonRelease, 40, Row); };
  Mouse(Tree, QEvent::MouseButtonDblClick, 40, Row);
  Settle();
  ASSERT_EQ(Server.Requests.size(), 2u);
  EXPECT_NE(Server.Requests.back().Body.find("description 2"), std::string::npos) << Server.Requests.back().Body;
  ASSERT_EQ(Graph.Graph->Points(), 3);
  EXPECT_EQ(Graph.Graph->Legend(0), "Europe");
  EXPECT_EQ(Graph.Graph->Value(1), 11);
  EXPECT_TRUE(Tree->isEnabled());
  // The release went by while the tree was disabled: the tree keeps no hold on the mouse, so
  // the next click reaches the button it is meant for.
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  Graph.Hide();
}

}  // namespace
