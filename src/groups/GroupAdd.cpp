#include "groups/GroupAdd.h"

#include "bulk/Catalogue.h"
#include "directory/DirectoryService.h"
#include "directory/DomainKeys.h"
#include "groups/GroupNames.h"
#include "groups/Groupsfrm.h"
#include "platform/adsi/AdsPath.h"
#include "platform/adsi/Directory.h"
#include "platform/search/Filter.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tavrel::groups {
namespace {

const QString kTitle = QStringLiteral("Add Group");

void refuse(const QString& problem) {
  const bool tooLong = problem.startsWith(QLatin1StringView("Name Length too long"));
  ui::prompter().MsgBox(problem, ui::kStyleExclamation, tooLong ? QStringLiteral("Name Too Long") : kTitle);
}

void failed(const QString& name) {
  ui::prompter().MsgBox(QStringLiteral("Error Adding Group:") + name, 0, QString());
}

// Whether an account of the domain already has the pre-Windows 2000 name `sam`. Unknown (no
// answer) counts as free: the directory itself still refuses a clash when the group is saved.
bool samInUse(adsi::Directory& dir, const QString& sam) {
  const QString domain = state::shared().Domain_Name;
  auto conn = dir.backend().bind(domain, adsi::Protocol::Ldap, std::nullopt);
  if (!conn) return false;
  adsi::SearchRequest request;
  request.base = (*conn)->server().defaultNamingContext;
  if (request.base.isEmpty()) request.base = adsi::Dn::fromDnsName(domain);
  request.filter = QStringLiteral("(sAMAccountName=") + search::escapeFilterValue(sam) + u')';
  request.attributes = {QStringLiteral("sAMAccountName")};
  request.sizeLimit = 1;
  auto found = (*conn)->search(request);
  return found && !found->entries.isEmpty();
}

}  // namespace

GroupAdd::GroupAdd(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("GroupAdd"));
  setWindowTitle(kTitle);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QGridLayout;
  GRP_Name = new QLineEdit(this);
  GRP_Name->setObjectName(QStringLiteral("GRP_Name"));
  GRP_DESCRIPTION = new QLineEdit(this);
  GRP_DESCRIPTION->setObjectName(QStringLiteral("GRP_DESCRIPTION"));
  fields->addWidget(new QLabel(QStringLiteral("Name"), this), 0, 0);
  fields->addWidget(GRP_Name, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("Description"), this), 1, 0);
  fields->addWidget(GRP_DESCRIPTION, 1, 1);
  layout->addLayout(fields);

  auto* frames = new QHBoxLayout;
  auto* scope = new QGroupBox(QStringLiteral("Groups"), this);
  auto* scopeLayout = new QVBoxLayout(scope);
  const QString scopes[] = {QStringLiteral("Domain Local"), QStringLiteral("Domain Global "),
                            QStringLiteral("Universal")};
  for (int i = 0; i < 3; ++i) {
    Option1[i] = new QRadioButton(scopes[i], scope);
    Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
    scopeLayout->addWidget(Option1[i]);
  }
  auto* type = new QGroupBox(QStringLiteral("Type"), this);
  auto* typeLayout = new QVBoxLayout(type);
  const QString types[] = {QStringLiteral("Distribution"), QStringLiteral("Security")};
  for (int i = 0; i < 2; ++i) {
    Option2[i] = new QRadioButton(types[i], type);
    Option2[i]->setObjectName(QStringLiteral("Option2_%1").arg(i));
    typeLayout->addWidget(Option2[i]);
  }
  typeLayout->addStretch();
  frames->addWidget(scope);
  frames->addWidget(type);
  layout->addLayout(frames);
  Option1[1]->setChecked(true);
  Option2[0]->setChecked(true);

  auto* buttons = new QHBoxLayout;
  OKButton = new QPushButton(QStringLiteral("&OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  layout->addLayout(buttons);
  connect(OKButton, &QPushButton::clicked, this, &GroupAdd::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &GroupAdd::CancelButton_Click);
  Form_Load();
}

void GroupAdd::Form_Load() {
  const int mode = state::shared().Directory_Mode;
  Option1[0]->setEnabled(mode != 2);
  Option1[1]->setEnabled(true);
  Option1[2]->setEnabled(mode == 0);
  for (QRadioButton* o : Option2) o->setEnabled(mode != 2);
  Option1[1]->setChecked(true);
}

void GroupAdd::OKButton_Click() {
  const QString name = GRP_Name->text();
  if (state::shared().Directory_Mode == 2) {
    if (name.isEmpty()) return reject();
    if (const QString problem = nameProblem(name, true); !problem.isEmpty()) return refuse(problem);
    createNt(name);
  } else {
    if (name.trimmed().isEmpty()) return reject();
    if (const QString problem = nameProblem(name, false); !problem.isEmpty()) return refuse(problem);
    createAd(name);
  }
}

void GroupAdd::createNt(const QString& name) {
  {
    ui::HourglassGuard busy;
    auto dir = directory::requireDirectory();
    auto domain = dir ? (*dir)->GetObject(QStringLiteral("WinNT://") + state::shared().Domain_Name)
                      : adsi::Result<adsi::AdsObject>(dir.error());
    auto group = domain ? domain->Create(QStringLiteral("group"), name)
                        : adsi::Result<adsi::AdsObject>(domain.error());
    bool saved = group.ok();
    if (saved && !GRP_DESCRIPTION->text().isEmpty())
      saved = group->Put(QStringLiteral("Description"), GRP_DESCRIPTION->text()).ok();
    if (saved) saved = group->SetInfo().ok();
    if (!saved) {
      failed(name);
      return reject();
    }
  }
  addToLists(name, QString(), QStringLiteral("Global"), QString());
  accept();
}

void GroupAdd::createAd(const QString& name) {
  const QString sam = samAccountNameFor(name);
  const bool security = Option2[1]->isChecked();
  const Scope scope = Option1[0]->isChecked()   ? Scope::DomainLocal
                      : Option1[2]->isChecked() ? Scope::Universal
                                                : Scope::Global;
  const qint32 type = groupTypeValue(scope, security);
  QString key;
  {
    ui::HourglassGuard busy;
    auto dir = directory::requireDirectory();
    if (!dir) {
      failed(name);
      return reject();
    }
    if (samInUse(**dir, sam)) {
      refuse(QStringLiteral("The pre-Windows 2000 name ") + sam +
             QStringLiteral(" is already used by another account of the domain."));
      return;
    }
    const GroupLinks& links = Groupsfrm::links();
    const QString root = links.rootKey ? links.rootKey() : QString();
    auto rootDn = adsi::Dn::parse(root);
    if (!rootDn || rootDn->isEmpty()) {
      failed(name);
      return reject();
    }
    const adsi::Dn users = rootDn->child(adsi::Rdn(QStringLiteral("CN"), QStringLiteral("Users")));
    const QString server = state::shared().Domain_Name;
    auto container = (*dir)->GetObject(adsi::formatLdapPath(adsi::Provider::Ldap, server, users));
    auto group = container ? container->Create(QStringLiteral("group"),
                                               QStringLiteral("CN=") + adsi::escapeDnValue(name))
                           : adsi::Result<adsi::AdsObject>(container.error());
    bool saved = group.ok() && group->Put(QStringLiteral("samAccountName"), sam).ok();
    if (saved && !GRP_DESCRIPTION->text().isEmpty())
      saved = group->Put(QStringLiteral("Description"), GRP_DESCRIPTION->text()).ok();
    if (saved) saved = group->Put(QStringLiteral("groupType"), type).ok();
    if (saved) saved = group->SetInfo().ok();
    if (!saved) {
      failed(name);
      return reject();
    }
    key = adsi::formatLdapPath(adsi::Provider::Ldap, server,
                               users.child(adsi::Rdn(QStringLiteral("CN"), name)));
  }
  // The same caption a reload of the domain gives the group.
  addToLists(name, key, QStringLiteral("W2KGRP"), directory::groupCaption(quint32(type), key));
  accept();
}

void GroupAdd::addToLists(const QString& name, const QString& key, const QString& icon,
                          const QString& caption) {
  bool all = true;
  const GroupLinks& links = Groupsfrm::links();
  if (links.groupAdded) all = links.groupAdded(name, key, icon) && all;
  if (QTreeWidgetItem* row = Groupsfrm::instance().ListView1->add(name, key, icon)) {
    if (!caption.isEmpty()) row->setText(1, caption);
  } else {
    all = false;
  }
  all = bulk::catalogue().groups.add(name, key, icon) && all;
  if (!all)
    ui::prompter().MsgBox(QStringLiteral("The group ") + name +
                              QStringLiteral(" was created, but not every list could show it. Connect to "
                                             "the domain again to see it everywhere."),
                          ui::kStyleExclamation, kTitle);
}

}  // namespace tavrel::groups
