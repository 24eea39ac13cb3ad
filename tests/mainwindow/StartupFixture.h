#pragma once
// A main window started as the program starts it, on a private settings file and data folder,
// with recording fakes for the services of other subsystems.

#include "mainwindow/form1.h"
#include "state/SharedState.h"
#include "support/Fixtures.h"

#include <QFile>
#include <QMap>
#include <memory>

namespace tavrel::test {

class StartupFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir() + "data"));
    ui::setScreenWidthOverride(1280);
    services.commandLine = QString();
    services.Load_Databases = [this](mainwindow::form1& f) {
      statusAtLoad = f.StatusBar1->panelText(1);
      ++loads;
    };
    services.Convert_DB = [this](mainwindow::form1&, const QString& path, int16_t kind) {
      conversions.push_back({path, kind});
    };
  }
  void TearDown() override {
    w.reset();
    qputenv("XDG_DATA_HOME", savedDataHome);
    AppFixture::TearDown();
  }

  QString defaultFolder() const { return dir() + "data/tavrel/database/"; }

  // Stores a value before the program starts.
  void put(const QString& subkey, const QString& name, const QString& value) {
    ASSERT_TRUE(
        state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(subkey), name, value));
  }
  QString stored(const QString& subkey, const QString& name) {
    QString v = QStringLiteral("<missing>");
    state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(subkey), name, v);
    return v;
  }
  // Every stored value as "Subkey\Name" -> value, names as written.
  QMap<QString, QString> allStored() {
    QMap<QString, QString> out;
    for (const char* sub : {"Setup", "Preferences", "UM", "Mail", "Custom", "Version"}) {
      const QString key = registry::subkey(QString::fromLatin1(sub));
      for (const QString& name : state::reg().valueNames(registry::HKEY_LOCAL_MACHINE, key)) {
        QString v;
        state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, key, name, v);
        out.insert(QString::fromLatin1(sub) + u'\\' + name, v);
      }
    }
    return out;
  }

  // Creates the main window and runs the start-up; the window of an earlier start is closed first.
  bool start() {
    w.reset();
    w = std::make_unique<mainwindow::form1>();
    return w->Form_Initialize(services);
  }

  // The message boxes asked so far.
  std::vector<ui::ScriptedPrompter::Asked> boxes() const {
    std::vector<ui::ScriptedPrompter::Asked> out;
    for (const auto& a : prompts.asked)
      if (a.kind == ui::ScriptedPrompter::Kind::MsgBox) out.push_back(a);
    return out;
  }

  struct Conversion {
    QString path;
    int16_t kind;
  };
  mainwindow::StartupServices services;
  std::unique_ptr<mainwindow::form1> w;
  std::vector<Conversion> conversions;
  QString statusAtLoad;
  int loads = 0;
  QByteArray savedDataHome;
};

}  // namespace tavrel::test
