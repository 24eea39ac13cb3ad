// Tavrel: user account administration for Windows domains.

#include "mainwindow/form1.h"
#include "platform/exchange/DirectoryStoreFinder.h"
#include "platform/simnet/ExchangeSeed.h"
#include "ui/Prompter.h"
#include "ui/SingleInstance.h"

#include <QApplication>

using namespace tavrel;

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  QApplication::setOrganizationName(QStringLiteral("Morvane"));

  // The store finder reads the simulated network, opened the first time a server is searched.
  std::shared_ptr<simnet::SimNetwork> network;
  exchange::DirectoryStoreFinder stores(
      [&network]() -> adsi::Result<std::shared_ptr<adsi::DirectoryBackend>> {
        auto opened = simnet::SimNetwork::openDefault();
        if (!opened) return opened.error();
        network = opened.value();
        return std::shared_ptr<adsi::DirectoryBackend>(network);
      },
      [&network](const QString& server) { return !network || simnet::serverAnswers(*network, server); });
  exchange::setStoreFinder(&stores);

  ui::SingleInstance instance;
  mainwindow::form1 window;
  ui::prompter().setParentWidget(&window);

  mainwindow::StartupServices services;
  services.firstInstance = [&instance] { return instance.claim(); };
  services.Load_Databases = [](mainwindow::form1& form) { form.Load_Databases(); };
  services.Clear_Site = [](mainwindow::form1& form) { form.Clear_Site(); };
  services.Clear_TT = [](mainwindow::form1& form) { form.Clear_TT(); };
  // The start-up ends the program on a second instance, a screen that is too narrow or a failed
  // administrator check, each after its own message.
  if (!window.Form_Initialize(services)) return 0;

  QObject::connect(&instance, &ui::SingleInstance::raiseRequested, &window, &mainwindow::form1::bringToFront);
  window.show();
  return app.exec();
}
