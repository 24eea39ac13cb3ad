// Another instance of the program saving new sites: a main window on the database folder given,
// saving `count` sites named <prefix><n> through the site editor. Exits 0 when every save
// reported "Saved Site...".

#include "mainwindow/form1.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: site_saver_probe <folder/> <prefix> <count>\n");
    return 2;
  }
  tavrel::ui::ScriptedPrompter prompts;  // a message box would wait for an answer nobody gives
  tavrel::ui::setPrompter(&prompts);
  tavrel::mainwindow::form1 w;
  w.dbpath->setText(QString::fromLocal8Bit(argv[1]));
  w.show();
  w.SSTab1->setCurrentIndex(tavrel::mainwindow::form1::kSitesPage);
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  const int count = QString::fromLocal8Bit(argv[3]).toInt();
  for (int i = 1; i <= count; ++i) {
    w.New_Site_Click();
    auto* editor = w.ListView2->findChild<QLineEdit*>();
    if (!editor) return 3;
    editor->setText(prefix + QString::number(i));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor goes
    w.NTSERVER->setText(QStringLiteral("HOME"));
    w.Save_Site_Click();
    if (w.StatusBar1->panelText(1) != QLatin1String("Saved Site...")) {
      std::fprintf(stderr, "%s\n", qPrintable(w.StatusBar1->panelText(1)));
      return 1;
    }
  }
  return 0;
}
