// The reference of client_x11_bench's start: a plain program of the toolkit that shows a "Login"
// dialog of the client's login window's size and fields (a title, four labelled boxes, three
// buttons) and runs until it is ended.
#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.setWindowTitle("Login");
  dialog.resize(372, 236);
  auto* column = new QVBoxLayout(&dialog);
  column->addWidget(new QLabel("Quillon Database Server"));
  auto* grid = new QGridLayout;
  const char* labels[] = {"Server", "Username", "Password", "Database Name"};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(labels[i]), i, 0);
    grid->addWidget(new QLineEdit(i == 0 ? "127.0.0.1:6777/database/qnserver.exe" : ""), i, 1);
  }
  column->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  for (const char* caption : {"Create Demo", "Login", "Exit"}) buttons->addWidget(new QPushButton(caption));
  column->addLayout(buttons);
  dialog.show();
  return app.exec();
}
