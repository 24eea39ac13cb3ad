// The help: its place beside the program and the window that shows it.

#include "mainwindow/HelpWindow.h"
#include "mainwindow/form1.h"

#include <QCoreApplication>

namespace tavrel::mainwindow {

QString form1::Help_File_Path(int16_t selector) {
  if (selector != 1) return {};
  return QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
}

void form1::Show_Help(int16_t selector, const QString& windowName) {
  HelpWindow& help = HelpWindow::instance();
  help.setWindowTitle(QStringLiteral("Tavrel Help - ") + windowName);
  help.openContents(Help_File_Path(selector));
  help.show();
  help.raise();
  help.activateWindow();
}

void form1::Help_Click() {
  Show_Help(1, QStringLiteral("Main"));
}

}  // namespace tavrel::mainwindow
