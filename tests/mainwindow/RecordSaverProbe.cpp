// Another instance of the program saving new sites or templates: a main window on the database
// folder given, saving `count` sites (through the site editor) or templates (through the template
// editor) named <prefix><n>. Exits 0 when every save reported success.
//   record_saver_probe <folder/> site|template <prefix> <count>

#include "mainwindow/form1.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>

namespace {

using tavrel::mainwindow::form1;

bool saveSite(form1& w, const QString& name) {
  w.New_Site_Click();
  auto* editor = w.ListView2->findChild<QLineEdit*>();
  if (!editor) return false;
  editor->setText(name);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor goes
  w.NTSERVER->setText(QStringLiteral("HOME"));
  w.Save_Site_Click();
  return w.StatusBar1->panelText(1) == QLatin1String("Saved Site...");
}

bool saveTemplate(form1& w, const QString& name) {
  w.NewTemplate_Click();
  w.New_Template_Name->setText(name);
  w.homedir->setText(QStringLiteral("\\\\HOME\\") + name);
  w.savetemplate_Click();
  return w.StatusBar1->panelText(1) == QLatin1String("Template Saved...");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString kind = argc == 5 ? QString::fromLocal8Bit(argv[2]) : QString();
  if (kind != QLatin1String("site") && kind != QLatin1String("template")) {
    std::fprintf(stderr, "usage: record_saver_probe <folder/> site|template <prefix> <count>\n");
    return 2;
  }
  tavrel::ui::ScriptedPrompter prompts;  // a message box would wait for an answer nobody gives
  tavrel::ui::setPrompter(&prompts);
  form1 w;
  w.dbpath->setText(QString::fromLocal8Bit(argv[1]));
  w.show();
  w.SSTab1->setCurrentIndex(kind == QLatin1String("site") ? form1::kSitesPage : form1::kTemplatesPage);
  const QString prefix = QString::fromLocal8Bit(argv[3]);
  const int count = QString::fromLocal8Bit(argv[4]).toInt();
  for (int i = 1; i <= count; ++i) {
    const QString name = prefix + QString::number(i);
    if (!(kind == QLatin1String("site") ? saveSite(w, name) : saveTemplate(w, name))) {
      std::fprintf(stderr, "%s: %s (%s)\n", qPrintable(name), qPrintable(w.StatusBar1->panelText(1)),
                   qPrintable(w.StatusBar1->panel(1)->toolTip()));
      return 1;
    }
  }
  return 0;
}
