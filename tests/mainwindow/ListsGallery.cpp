// Shows one of the list windows filled with sample rows, for looking at them: "w2k", "mail",
// "wts", "editor0".."editor4", "variables", "custom", "dirperm", "shareperm", "log" (the on-screen
// log after many rows), "setup" (the Setup page with another domain typed).

#include "mainwindow/Custom.h"
#include "mainwindow/Edit_Properties.h"
#include "mainwindow/Permissions.h"
#include "mainwindow/Varibles_Form.h"
#include "mainwindow/form1.h"
#include "records/PropertyLists.h"
#include "records/Records.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  qputenv("TAVREL_CONFIG", QFile::encodeName(tmp.path() + "/Tavrel.conf"));
  const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("w2k");
  const QString db = tmp.path() + "/db/";
  QDir().mkpath(db);

  mainwindow::form1 w;
  w.dbpath->setText(db);
  auto add = [](ui::ListView* l, const QString& a, const QString& b, const QString& icon = {}) {
    l->add(a, {}, icon)->setText(1, b);
  };
  add(w.ListView7, "department", "%IMPORT4%", "USER");
  add(w.ListView7, "company", "Morvane School", "USER");
  add(w.ListView7, "extensionAttribute1", "%first%.%last%", "MAIL");
  for (const auto& r : records::defaultMailRows()) add(w.ListView8, r.Name, r.Value, "MAIL");
  const char* const values[records::kWtsRows] = {"\\\\FS1\\TSProfiles\\%UserName%", "\\\\FS1\\Home\\%UserName%", "H:", "Yes", "No", "", "",
                                                 "Yes", "Yes", "Yes", "1 hour", "Never", "30 mins"};
  for (int i = 0; i < records::kWtsRows; ++i)
    w.ListView9->add(records::kWtsRowTable[i].caption, records::kWtsRowTable[i].key, "USER")->setText(1, values[i]);
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Custom"), "Custom1", "Cost centre");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Custom"), "Property1", "extensionAttribute2");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Custom"), "Custom2", "Badge number");
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Custom"), "Property2", "employeeNumber");
  QByteArray perms;
  for (const auto& [a, b] : {std::pair{"%Domain%\\%UserName%", "Change"}, std::pair{"Administrators", "Full Control"},
                             std::pair{"SYSTEM", "Full Control"}}) {
    records::Permission_Record r;
    r.Account = a;
    r.Access = b;
    perms += r.encode();
  }
  QFile f(db + "Permissions.dat");
  f.open(QIODevice::WriteOnly);
  f.write(perms);
  f.close();
  state::shared().Template_Variables = {{"SCHOOL", "North Campus"}, {"ROOM", "B12"}, {"PHONE", "0113 555 0100"}};

  w.show();
  if (what == "log") {
    for (int i = 1; i <= 60; ++i)
      w.LOG_TAB(i % 7 == 0   ? "RED"
                : i % 3 == 0 ? "YELLOW"
                             : "GREEN",
                QStringLiteral(" Created User user%1").arg(i));
    return app.exec();
  }
  if (what == "setup") {
    state::shared().Domain_Name = "example.local";
    w.SSTab1->setCurrentIndex(w.kSetupPage);
    w.DomName->setEditText("branch.example.local");
    return app.exec();
  }
  const int pages[] = {w.kW2KPage, w.kMailPage, w.kWTSPage};
  if (what == "w2k" || what == "mail" || what == "wts") {
    w.SSTab1->setCurrentIndex(pages[what == "w2k" ? 0 : what == "mail" ? 1 : 2]);
    return app.exec();
  }
  if (what.startsWith("editor")) {
    const int mode = what.mid(6).toInt();
    state::shared().Edit_Mode = int16_t(mode);
    w.SSTab1->setCurrentIndex(pages[mode == 1 ? 1 : mode == 4 ? 2 : 0]);
    mainwindow::Custom custom(w);
    w.Custom_Window = &custom;
    custom.ListView1->setSelectedIndex(1);
    w.Varibles().showRows();
    w.Varibles().ListView1->setSelectedIndex(1);
    w.ListView7->setSelectedIndex(3);
    w.ListView8->setSelectedIndex(2);
    w.ListView9->setSelectedIndex(11);
    mainwindow::Edit_Properties e(w);
    return e.exec();
  }
  if (what == "variables") {
    w.Varibles().showRows();
    return w.Varibles().exec();
  }
  if (what == "custom") {
    mainwindow::Custom c(w);
    return c.exec();
  }
  state::shared().SharePermMode = what == "shareperm";
  mainwindow::Permissions p(w);
  return p.exec();
}
