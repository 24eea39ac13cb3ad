// Shows the template tab of the main window in its modes, one after the other, for screenshots:
// browsing a stored template (from 1 s), naming a new one after paste (from 3 s), editing one
// (from 5 s), and the logon-hours window with a painted range (from 7 s); it ends at 10 s.
//   template_tour <empty folder/>

#include "mainwindow/Logon_Hours.h"
#include "mainwindow/form1.h"
#include "records/Records.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: template_tour <empty folder/>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  records::Template_Record t;
  t.Name = QStringLiteral("Students");
  t.ProfileShareUNC = QStringLiteral("\\\\%server%\\profiles$");
  t.HomeShareUNC = QStringLiteral("\\\\%server%\\home$");
  t.ProfileDirLocal = QStringLiteral("D:\\Profiles");
  t.HomeDirLocal = QStringLiteral("D:\\Home");
  t.ProfileShareName = QStringLiteral("%UserName%$");
  t.HomeShareName = QStringLiteral("%UserName%");
  t.LogonScript = QStringLiteral("students.bat");
  t.HomeDrive = QStringLiteral("H:");
  t.PrimaryGroup = QStringLiteral("Students");
  t.GroupCount = 2;
  t.Groups[0] = QStringLiteral("Students");
  t.Groups[1] = QStringLiteral("Printing");
  QFile file(folder + QStringLiteral("Template.dat"));
  if (!file.open(QIODevice::WriteOnly) || file.write(t.encode()) != records::Template_Record::Length) return 1;
  file.close();

  ui::ScriptedPrompter prompts;
  ui::setPrompter(&prompts);
  mainwindow::form1 w;
  w.dbpath->setText(folder);
  w.Field_Colour = w.savetemplate->palette().color(QPalette::Button);
  w.Clear_TT();
  for (const char* g : {"Domain Users", "Students", "Staff", "Printing", "Teachers", "Library", "Office"})
    w.ListView5->add(QString::fromLatin1(g), QStringLiteral("LDAP://CN=%1,CN=Users,DC=example,DC=local").arg(g),
                     QStringLiteral("W2KGRP"));
  w.ListView5->add(QStringLiteral("Print Operators"), {}, QStringLiteral("Local"));
  w.templatelst->addItem(t.Name.leftJustified(25));
  w.nutemplate->addItem(t.Name.leftJustified(25));
  w.resize(1100, 760);
  w.show();
  w.SSTab1->setCurrentIndex(mainwindow::form1::kTemplatesPage);

  QTimer::singleShot(500, &w, [&] {
    w.templatelst->setCurrentIndex(0);
    w.templatelst_Click();
  });
  QTimer::singleShot(2500, &w, [&] {
    w.NewTemplate_Click();
    w.New_Template_Name->setText(QStringLiteral("Staff"));
    w.paste_Click();
  });
  QTimer::singleShot(4500, &w, [&] {
    w.Template_Cancel_Click();
    w.templatelst->setCurrentIndex(0);
    w.templatelst_Click();
    w.EditTemplate_Click();
  });
  QTimer::singleShot(6500, &w, [&] {
    auto* hours = new mainwindow::Logon_Hours(state::shared().Logon_Hours_Array, true, &w);
    hours->MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(1, 8, 5, 16), true);
    hours->MSFlexGrid1_MouseUp();
    hours->show();
  });
  QTimer::singleShot(10000, &app, &QApplication::quit);
  return app.exec();
}
