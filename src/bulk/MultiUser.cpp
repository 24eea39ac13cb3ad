#include "bulk/MultiUser.h"

#include "directory/DirectoryService.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Lookup.h"
#include "startup/Clock.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavrel::bulk {
namespace {

MultiUser* theInstance = nullptr;
const ui::ImageList* theImages = nullptr;

QComboBox* combo(QWidget* parent, const QString& name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setMinimumContentsLength(20);
  return c;
}

ui::ListView* list(QWidget* parent, const QString& name, const QString& caption) {
  auto* l = new ui::ListView(parent);
  l->setObjectName(name);
  l->setColumns({caption});
  l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  l->setImageList(theImages);
  return l;
}

// Today's date in the system's short form, as the log's date column shows it.
QString todayText() {
  const QString dateTime = startup::clock().dateTimeText();
  return dateTime.left(dateTime.lastIndexOf(u' '));
}

}  // namespace

MultiUser::MultiUser() {
  setObjectName(QStringLiteral("MultiUser"));
  setWindowTitle(QStringLiteral("Multi User Functions"));
  auto* outer = new QHBoxLayout(this);

  auto* select = new QGroupBox(QStringLiteral("Select Users/Groups/OU's"), this);
  auto* grid = new QGridLayout(select);
  ListView2 = list(select, QStringLiteral("ListView2"), QStringLiteral("Users"));
  ListView3 = list(select, QStringLiteral("ListView3"), QStringLiteral("Groups"));
  ListView4 = list(select, QStringLiteral("ListView4"), QStringLiteral("OU's"));
  ListView1 = list(select, QStringLiteral("ListView1"), QStringLiteral("Selected Users/Groups/OU's"));
  grid->addWidget(ListView2, 0, 0);
  grid->addWidget(ListView3, 1, 0);
  grid->addWidget(ListView4, 2, 0);
  grid->addWidget(ListView1, 0, 1, 3, 1);
  outer->addWidget(select, 1);

  auto* right = new QVBoxLayout;
  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  auto page = [this](const QString& caption) {
    auto* w = new QWidget(SSTab1);
    SSTab1->addTab(w, caption);
    return new QFormLayout(w);
  };
  QFormLayout* del = page(QStringLiteral("Delete Users"));
  QFormLayout* move = page(QStringLiteral("Move Users"));
  QFormLayout* accounts = page(QStringLiteral("Accounts"));
  QFormLayout* properties = page(QStringLiteral("AD Properties"));
  Ex_Server = combo(this, QStringLiteral("Ex_Server"));
  del->addRow(QStringLiteral("Exchange Server"), Ex_Server);
  Multi_Site = combo(this, QStringLiteral("Multi_Site"));
  Multi_Template = combo(this, QStringLiteral("Multi_Template"));
  move->addRow(QStringLiteral("Site"), Multi_Site);
  move->addRow(QStringLiteral("Template"), Multi_Template);
  Expiredate = new QLineEdit(this);
  Expiredate->setObjectName(QStringLiteral("Expiredate"));
  accounts->addRow(QStringLiteral("Find Expired Accounts"), Expiredate);
  AD_Properties = new QComboBox(this);
  AD_Properties->setObjectName(QStringLiteral("AD_Properties"));
  properties->addRow(QStringLiteral("Property"), AD_Properties);
  right->addWidget(SSTab1, 1);
  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));
  right->addWidget(Label3);
  outer->addLayout(right, 1);
  resize(900, 560);
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

void MultiUser::setImages(const ui::ImageList* images) {
  theImages = images;
  if (theInstance)
    for (ui::ListView* l :
         {theInstance->ListView1, theInstance->ListView2, theInstance->ListView3, theInstance->ListView4})
      l->setImageList(images);
}

void MultiUser::Form_Load(const QString& dbpath, const QString& commandLine) {
  state::SharedState& sh = state::shared();
  auto trap = [&] {
    if (commandLine.toUpper() == QLatin1StringView("/DEBUG"))
      ui::prompter().MsgBox(sh.Step_Text, ui::kStyleCritical, QStringLiteral("Error"));
  };

  sh.Step_Text = QStringLiteral("Error Setting AD Properties in mutliuser form");
  SSTab1->setTabEnabled(kADPropertiesTab, false);
  Ex_Server->clear();
  if (sh.Directory_Mode != 2) {
    AD_Properties->clear();
    Ex_Server->addItem(QStringLiteral("Exchange 2000"));
    SSTab1->setTabEnabled(kADPropertiesTab, true);
    auto dir = directory::requireDirectory();
    if (!dir) return trap();
    auto userClass = (*dir)->GetObject(QStringLiteral("LDAP://Schema/User"));
    if (!userClass) return trap();
    auto optional = userClass->OptionalProperties();
    if (!optional) return trap();
    AD_Properties->addItems(*optional);
  }
  Expiredate->setText(todayText());

  sh.Step_Text =
      QStringLiteral("Error Opening site file, In multiuser form\nCheck 'Path to Database' in setup tab");
  // Its own pass over Site.dat: the record loader may be in the middle of its own when this runs.
  const records::DatabaseFolder db(dbpath);
  auto scanned = records::scanRecords<records::Site_Record>(
      db, records::names::Site,
      [&](const records::Site_Record& r) {
        if (r.Deleted == records::kDeletedFlag) return false;
        const QString server = text::trimBlanks(r.ExchangeServer).toUpper();
        if (server.isEmpty()) return false;
        for (int i = 0; i < Ex_Server->count(); ++i)
          if (text::trimBlanks(Ex_Server->itemText(i)).toUpper() == server) return false;
        Ex_Server->addItem(server);
        return false;
      },
      records::Pick::First, true);
  if (!scanned) trap();
}

}  // namespace tavrel::bulk
