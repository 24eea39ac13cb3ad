#include "bulk/MultiUser.h"

#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"

#include <QFormLayout>

namespace tavrel::bulk {
namespace {

MultiUser* theInstance = nullptr;

QComboBox* combo(QWidget* parent, const QString& name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setMinimumContentsLength(20);
  return c;
}

}  // namespace

MultiUser::MultiUser() {
  setObjectName(QStringLiteral("MultiUser"));
  setWindowTitle(QStringLiteral("Multi User Functions"));
  auto* form = new QFormLayout(this);
  Multi_Site = combo(this, QStringLiteral("Multi_Site"));
  Multi_Template = combo(this, QStringLiteral("Multi_Template"));
  Ex_Server = combo(this, QStringLiteral("Ex_Server"));
  form->addRow(QStringLiteral("Site"), Multi_Site);
  form->addRow(QStringLiteral("Template"), Multi_Template);
  form->addRow(QStringLiteral("Exchange Server"), Ex_Server);
}

MultiUser& MultiUser::instance(const QString& dbpath) {
  if (!theInstance) {
    theInstance = new MultiUser;
    theInstance->Form_Load(dbpath);
  }
  return *theInstance;
}

MultiUser* MultiUser::existing() {
  return theInstance;
}

void MultiUser::unload() {
  delete theInstance;
  theInstance = nullptr;
}

void MultiUser::Form_Load(const QString& dbpath) {
  // Its own pass over Site.dat: the record loader may be in the middle of its own when this runs.
  QStringList servers;
  const records::DatabaseFolder db(dbpath);
  records::scanRecords<records::Site_Record>(db, records::names::Site, [&](const records::Site_Record& r) {
    if (r.Deleted == records::kDeletedFlag) return false;
    const QString server = text::trimBlanks(r.ExchangeServer).toUpper();
    if (!server.isEmpty() && !servers.contains(server)) servers << server;
    return false;
  });
  Ex_Server->clear();
  Ex_Server->addItems(servers);
}

}  // namespace tavrel::bulk
