// Drops on the Qt backend (offscreen): a painted control's widget passes Qt's drag events to the
// drop target registered on the control, with its data in our formats and the key state.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QWidget>

#include "platform/qt/qt_clipboard.h"
#include "platform/ui/controls.h"
#include "platform/ui/ole_drag.h"

namespace {

class TTarget : public IDropTarget {
public:
  std::vector<std::string> Log;
  TClipboardFormats Dropped;
  DWORD Keys = 0;
  HRESULT DragEnter(IDataObject* data, DWORD keys, TPoint, DWORD* effect) override {
    Log.push_back("enter");
    Keys = keys;
    *effect = GetDataObjectFormat(*data, CF_TEXT, Text) ? DropEffectFromKeyState(keys, *effect) : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, TPoint, DWORD* effect) override {
    *effect = DropEffectFromKeyState(keys, *effect);
    return S_OK;
  }
  HRESULT DragLeave() override {
    Log.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, DWORD keys, TPoint, DWORD* effect) override {
    Log.push_back("drop");
    Keys = keys;
    Dropped = DataObjectFormats(*data);
    *effect = DropEffectFromKeyState(keys, *effect);
    return S_OK;
  }
  std::string Text;
};

TEST(QtDragDrop, DragEventsReachTheRegisteredTarget) {
  TCustomControl control(nullptr);
  control.SetBounds(0, 0, 100, 80);
  TTarget target;
  ASSERT_EQ(RegisterDragDrop(&control, &target), S_OK);
  QWidget* widget = DropWidgetOf(control);
  ASSERT_NE(widget, nullptr);
  EXPECT_TRUE(widget->acceptDrops());

  TClipboardFormats offered{{CF_TEXT, std::string("dropped\0", 8)}, {CF_GRIDCOLUMN(), GridColumnBytes(5)},
                            {CF_HDROP, DropFilesBytes({"/tmp/list.csv"})}};
  std::unique_ptr<QMimeData> mime(MimeDataFromFormats(offered));
  EXPECT_TRUE(mime->hasFormat("application/x-qn-grid-column"));
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(widget, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  EXPECT_EQ(target.Keys, DWORD(MK_SHIFT | MK_LBUTTON));
  EXPECT_EQ(target.Text, std::string("dropped\0", 8));

  QDropEvent drop(QPointF(12, 12), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
  EXPECT_EQ(GridColumnFromBytes(target.Dropped[CF_GRIDCOLUMN()]), 5);
  EXPECT_EQ(DropFilesFromBytes(target.Dropped[CF_HDROP]), std::vector<std::string>{"/tmp/list.csv"});
  EXPECT_EQ(target.Log, (std::vector<std::string>{"enter", "drop"}));

  // Revoked: the widget takes no drops and the target hears nothing more.
  EXPECT_EQ(RevokeDragDrop(&control), S_OK);
  EXPECT_FALSE(widget->acceptDrops());
  QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &again);
  EXPECT_EQ(target.Log.size(), 2u);
}

TEST(QtDragDrop, ARegisteredTargetKeepsTakingDropsAfterTheWindowIsRemade) {
  TCustomControl control(nullptr);
  control.SetBounds(0, 0, 100, 80);
  TTarget target;
  ASSERT_EQ(RegisterDragDrop(&control, &target), S_OK);
  control.RecreateWnd();
  QWidget* widget = DropWidgetOf(control);
  ASSERT_NE(widget, nullptr);
  EXPECT_TRUE(widget->acceptDrops());
  TClipboardFormats offered{{CF_TEXT, std::string("again\0", 6)}};
  std::unique_ptr<QMimeData> mime(MimeDataFromFormats(offered));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(target.Log, std::vector<std::string>{"enter"});
  EXPECT_EQ(RevokeDragDrop(&control), S_OK);
}

}  // namespace
