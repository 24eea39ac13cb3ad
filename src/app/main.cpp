// Tavrel: user account administration for Windows domains.

#include "app/FirstStart.h"
#include "directory/AdminCheck.h"
#include "directory/DirectoryService.h"
#include "mainwindow/form1.h"
#include "platform/exchange/DirectoryStoreFinder.h"
#include "platform/ldap/LdapBackend.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/Exchange55.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/Resources.h"
#include "platform/simnet/SimNetwork.h"
#include "resources/DcLookup.h"
#include "startup/Paths.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/SingleInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

using namespace tavrel;

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  QApplication::setOrganizationName(QStringLiteral("Morvane"));

  // The directory: a real Active Directory when the directory configuration file asks for one
  // (README), else the embedded simulated network, seeded with the demonstration network on first
  // use and opened once, by whichever needs it first.
  std::shared_ptr<ldap::LdapBackend> realDirectory;
  if (auto file = ldap::directoryConfigFile()) {
    if (!QFileInfo::exists(*file) || ldap::wantsLdap(*file)) {
      auto config = ldap::LdapConfig::load(*file);
      if (!config) {
        QMessageBox::critical(nullptr, QStringLiteral("Tavrel"),
                              QStringLiteral("The directory configuration cannot be used.\n\n%1")
                                  .arg(config.error().message));
        return 1;
      }
      realDirectory = std::make_shared<ldap::LdapBackend>(*config);
      // The domain's controllers are the real domain's, not the simulated network's.
      resources::setDcDirectory(realDirectory);
    }
  }
  std::shared_ptr<simnet::SimNetwork> network;
  auto openNetwork = [&network]() -> adsi::Result<std::shared_ptr<simnet::SimNetwork>> {
    if (network) return network;
    auto opened = simnet::SimNetwork::openDefault();
    if (!opened) return opened.error();
    network = opened.value();
    return network;
  };
  auto openDirectory = [&]() -> adsi::Result<std::shared_ptr<adsi::DirectoryBackend>> {
    if (realDirectory) return std::shared_ptr<adsi::DirectoryBackend>(realDirectory);
    auto opened = openNetwork();
    if (!opened) return opened.error();
    return std::shared_ptr<adsi::DirectoryBackend>(opened.value());
  };

  // The store finder reads the directory, opened the first time a server is searched.
  exchange::DirectoryStoreFinder stores(openDirectory, [&network, &realDirectory](const QString& server) {
    return realDirectory || !network || simnet::serverAnswers(*network, server);
  });
  exchange::setStoreFinder(&stores);

  ui::SingleInstance instance;
  mainwindow::form1 window;
  ui::prompter().setParentWidget(&window);

  mainwindow::StartupServices services;
  // Only the instance that runs opens the directory; on a machine without settings it also writes
  // settings that point at the demonstration domain, before the start-up reads them.
  services.firstInstance = [&instance, &openDirectory, &openNetwork, &realDirectory] {
    if (!instance.claim()) return false;
    if (auto opened = openDirectory()) {
      directory::setDirectory(std::make_shared<adsi::Directory>(opened.value()));
      // Files, shares, security, Terminal Services and the Exchange 5.5 servers live on the simulated
      // network; accounts are looked up in the directory in use.
      if (auto net = openNetwork()) {
        simnet::installPlatformLayers(net.value());
        simnet::installExchange55(net.value());
        security::setAccountDirectory(opened.value());
      }
      // A first start also gives the database folder the permission lists a first creation
      // needs, so that it is not made with the default permissions.
      if (app::prepareFirstStartSettings(state::reg().filePath(), state::reg(),
                                         realDirectory ? realDirectory->config().domain : app::kDemoDomain))
        app::prepareFirstStartDatabase(startup::defaultDatabaseFolder());
    }
    return true;
  };
  services.Get_Domains = [](mainwindow::form1& form) { return form.Get_Domains(); };
  services.Connect_Domain = [](mainwindow::form1& form, QString& Domain_Name) {
    return form.Connect_Domain(Domain_Name);
  };
  // The administrator check asks the directory about the identity the network authenticates.
  services.checkDomainAdmin = [&openDirectory](const QString& Domain_Name) {
    mainwindow::AdminCheckResult result;
    auto opened = openDirectory();
    if (!opened) return result;
    auto who = opened.value()->loggedOnAccount();
    if (!who) return result;
    result.account = who->user;
    const QString& netbios = state::shared().NetBIOS_Domain;
    auto member = directory::isDomainAdmin(netbios.isEmpty() ? Domain_Name : netbios, who->domain, who->user);
    if (member)
      result.membership = *member ? mainwindow::AdminCheckResult::Membership::Member
                                  : mainwindow::AdminCheckResult::Membership::NotMember;
    return result;
  };
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
