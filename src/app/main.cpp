// Tavrel: user account administration for Windows domains.

#include "mainwindow/form1.h"
#include "mainwindow/frmAbout.h"
#include "platform/registry/Registry_Object.h"
#include "startup/Paths.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/SingleInstance.h"

#include <QApplication>
#include <QScreen>

using namespace tavrel;

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  QApplication::setOrganizationName(QStringLiteral("Morvane"));

  // A second start brings the running instance forward and ends without reading a setting.
  ui::SingleInstance instance;
  if (!instance.claim()) return 0;

  mainwindow::frmSplash splash;
  if (const QScreen* s = QGuiApplication::primaryScreen())
    splash.move(s->geometry().center() - splash.rect().center());
  splash.show();
  splash.setStatus(QStringLiteral("Loading settings..."));

  mainwindow::form1 window;
  ui::prompter().setParentWidget(&window);
  QObject::connect(&instance, &ui::SingleInstance::raiseRequested, &window,
                   &mainwindow::form1::bringToFront);

  QString folder;
  if (!state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(QStringLiteral("Setup")),
                               QStringLiteral("DataBasePath"), folder) ||
      folder.trimmed().isEmpty())
    folder = startup::defaultDatabaseFolder();
  window.dbpath->setText(folder.trimmed());
  window.StatusBar1->setPanelText(1, QStringLiteral("Ready."));

  splash.close();
  window.show();
  return app.exec();
}
