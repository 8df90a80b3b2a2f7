// The Qt window of a form: a top-level frame holding the menu bar and, below it, the painted
// client widget that the form's controls sit on.
#pragma once

#include <QMenuBar>
#include <QPointer>
#include <QWindow>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <unordered_map>

#include "platform/qt/qt_program.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"

class TQtFormPeer;

class TQtFormFrame : public QWidget {
public:
  explicit TQtFormFrame(TQtFormPeer& peer);

protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;

private:
  TQtFormPeer& FPeer;
};

class TQtFormPeer : public TQtWindowPeer, public TFormPeer {
public:
  explicit TQtFormPeer(TWinControl& control);
  ~TQtFormPeer() override;

  void SetBounds(const TRect& bounds) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetParent(TWinControl* parent) override;
  TPoint ClientOrigin() const override;
  void BringToFront() override;

  void SetCaption(const std::string& caption) override;
  void SetBorder(TFormBorderStyle style, TBorderIcons icons) override;
  void SetStayOnTop(bool onTop) override;
  void SetWindowState(TWindowState state) override;
  void SetModal(bool modal) override;
  void SetMenu(TMainMenu* menu) override;
  void Activate() override;
  int MenuBarHeight() const override;

  QWidget* Window() const override { return FFrame.get(); }
  QMenuBar* MenuBar() const { return FMenuBar; }
  // The frame moved or was sized (by code or by the window manager).
  void FrameGeometryChanged();
  void FrameStateChanged();

private:
  void LayOut();
  void ApplyFlags();
  void RebuildMenuBar();
  // Makes the window shown while a modal window runs that window's own, so it takes input.
  void FollowModalWindow();

  std::unique_ptr<TQtFormFrame> FFrame;
  QMenuBar* FMenuBar = nullptr;  // a child of the frame
  QPointer<QWindow> FOwner;      // the modal window this one was shown from
  TMainMenu* FMenu = nullptr;
  TFormBorderStyle FBorder = bsSizeable;
  TBorderIcons FIcons{biSystemMenu, biMinimize, biMaximize};
  bool FOnTop = false;
  bool FFixed = false;
  bool FSetting = false;
  bool FRebuildQueued = false;
  // The menu bar's action of each item shown (a submenu's own action), as the last rebuild made them.
  std::unordered_map<const TMenuItem*, QPointer<QAction>> FMenuActions;
};

// The name filters of a file dialog's filter text: each pattern in its given, upper and lower
// case ("*.*" becomes "*").
QStringList QtNameFilters(const std::string& filter);

// PaintAfterOtherWindow(form): platform/qt/qt_program.h.
