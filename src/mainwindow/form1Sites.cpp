// The site tab: loading the record files into the window's lists, the site editor with its store
// finder, and Loadsite / Clear_Site, which fill and empty the site fields that the creation and
// the bulk move read.

#include "bulk/MultiUser.h"
#include "mainwindow/RecordMemo.h"
#include "mainwindow/form1.h"
#include "platform/exchange/StoreFinder.h"
#include "platform/text/Cp1252.h"
#include "records/DatabaseFolder.h"
#include "records/Layout.h"
#include "records/Lookup.h"
#include "records/PropertyLists.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <fcntl.h>

namespace tavrel::mainwindow {
namespace {

using records::DatabaseFolder;
using records::Site_Record;
namespace names = records::names;

const QString kSiteIcon = QStringLiteral("SITE");
// Marks the list entry of a new site that has no record yet.
constexpr int kUnsavedRole = Qt::UserRole + 10;
constexpr char kLockedProperty[] = "Locked";

// Swallows what would change a locked combo box: typing, clicks, the wheel.
class ComboLock : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QComboBox*>(watched);
    if (!box || !form1::isLocked(box)) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
        return true;
      default:
        return false;
    }
  }
};

// The name as the record stores it: cut or padded to the field's width.
QString storedSiteName(const QString& name) {
  Site_Record r;
  r.SiteName = name;
  return Site_Record::decode(r.encode()).SiteName;
}

}  // namespace

// --- helpers shared by the site and template tabs ---

void form1::setLocked(QComboBox* box, bool locked) {
  if (!box->property(kLockedProperty).isValid()) box->installEventFilter(new ComboLock(box));
  box->setProperty(kLockedProperty, locked);
  if (box->lineEdit()) box->lineEdit()->setReadOnly(locked);
}

bool form1::isLocked(const QComboBox* box) {
  return box->property(kLockedProperty).toBool();
}

QColor form1::editableColour() {
  return QApplication::palette().color(QPalette::Base);
}

void form1::setFieldBackground(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, colour);
  p.setColor(QPalette::Window, colour);
  // Every creation clears the fields to the colour they nearly always have already; setting an
  // equal palette would still re-polish the widget.
  const QPalette& now = w->palette();
  if (w->testAttribute(Qt::WA_SetPalette) && w->autoFillBackground() && p == now &&
      p.resolveMask() == now.resolveMask())
    return;
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// --- wiring ---

void form1::wireSitesPage() {
  ListView2->setSorted(true);
  ListView2->setSortOrder(Qt::AscendingOrder);
  // The text boxes take no more than their record fields hold. The two lists also take names the
  // store finder lists, which may be longer: Save refuses those with a message instead of cutting.
  NTSERVER->setMaxLength(20);
  EXSERVER->setMaxLength(20);
  EXorg->setMaxLength(30);
  // The selectors stay locked until the loader lists a site or template in them.
  setLocked(NUsitename, true);
  setLocked(nutemplate, true);

  connect(New_Site, &QPushButton::clicked, this, &form1::New_Site_Click);
  connect(Edit_Site, &QPushButton::clicked, this, &form1::Edit_Site_Click);
  connect(Save_Site, &QPushButton::clicked, this, &form1::Save_Site_Click);
  connect(Delete_site, &QPushButton::clicked, this, &form1::Delete_site_Click);
  connect(Site_Cancel, &QPushButton::clicked, this, &form1::Site_Cancel_Click);
  connect(Find_Store, &QPushButton::clicked, this, &form1::Find_Store_Click);
  for (QRadioButton* o : EXH5)
    connect(o, &QRadioButton::toggled, this, [this](bool on) {
      if (on) EXH5_Click();
    });
  connect(ListView2, &QTreeWidget::itemClicked, this, &form1::ListView2_Click);
  connect(ListView2, &ui::ListView::columnClick, this, &form1::ListView2_ColumnClick);
  connect(ListView2, &ui::ListView::beforeLabelEdit, this, &form1::ListView2_BeforeLabelEdit);
  connect(ListView2, &ui::ListView::afterLabelEdit, this, &form1::ListView2_AfterLabelEdit);
  connect(ListView2, &ui::ListView::labelEditAbandoned, this, &form1::siteNameEditAbandoned);
  // The list's label editor is part of the list: focus leaving both for another control of this
  // window is the list losing it. Switching to another window or program is not.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (siteHasFocus(old) && now && now->window() == this && !siteHasFocus(now)) ListView2_LostFocus();
  });
}

bool form1::siteHasFocus(QWidget* w) const {
  return w && (w == ListView2 || ListView2->isAncestorOf(w));
}

// --- Load_Databases ---

void form1::Load_Databases() {
  const QString folder = dbpath->text();
  const DatabaseFolder db(folder);
  auto firstRule = [&] {
    StatusBar1->setPanelText(1, QStringLiteral("Error loading Database data..."));
    ui::feedback().beep();
  };

  // Sites and templates: each list gets every live record's name as stored.
  auto sites = records::scanRecords<Site_Record>(db, names::Site, [&](const Site_Record& r) {
    if (r.Deleted != records::kDeletedFlag) {
      setLocked(NUsitename, false);
      ListView2->add(r.SiteName, {}, kSiteIcon);
      NUsitename->addItem(r.SiteName);
      bulk::MultiUser::instance(folder).Multi_Site->addItem(r.SiteName);
    }
    return false;
  });
  if (sites && sites->lastRead) state::shared().Current_Site = *sites->lastRead;
  if (!sites) return firstRule();

  auto templates = records::scanRecords<records::Template_Record>(
      db, names::Template, [&](const records::Template_Record& r) {
        if (r.Deleted != records::kDeletedFlag) {
          setLocked(nutemplate, false);
          templatelst->addItem(r.Name);
          nutemplate->addItem(r.Name);
          bulk::MultiUser::instance(folder).Multi_Template->addItem(r.Name);
        }
        return false;
      });
  if (templates && templates->lastRead) state::shared().Current_Template = *templates->lastRead;
  if (!templates) return firstRule();

  // The splash window shows the start-up's status text.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("frmSplash") && w->isVisible()) w->repaint();

  // The attribute lists. A failure ends the loading with the one text the loader has for all three.
  QStringList warnings;
  auto secondRule = [&] {
    StatusBar1->setPanelText(1, QStringLiteral("Error loading ") + folder + QStringLiteral("Mail.dat"));
    ui::feedback().beep();
  };
  auto mail = records::loadMail(db);
  if (!mail) return secondRule();
  ListView8->clear();
  for (const records::Mail_Attribute_Row& row : mail->rows) {
    ListView8->add(row.Name, {}, records::kMailIcon);
    ListView8->setSubItem(ListView8->count(), 1, row.Value);
  }
  warnings << mail->warnings;

  auto w2k = records::loadW2K(db);
  if (!w2k) return secondRule();
  if (w2k->present) {
    ListView7->clear();
    for (const records::W2K_Property_Row& row : w2k->rows) {
      ListView7->add(row.Name, {}, row.IconKey);
      ListView7->setSubItem(ListView7->count(), 1, row.Value);
    }
  }
  warnings << w2k->warnings;

  auto wts = records::loadWTS(db);
  if (!wts) return secondRule();
  for (int i = 0; i < wts->rows.size() && i < ListView9->count(); ++i)
    ListView9->setSubItem(i + 1, 1, wts->rows[i]);
  warnings << wts->warnings;

  // Lines that could not be loaded were left out and the rest loaded; the status says which, and
  // so does the on-screen log, where the warning outlives the start-up's later status texts.
  if (!warnings.isEmpty()) {
    StatusBar1->setPanelText(1, warnings.join(u' '));
    for (const QString& warning : warnings) LOG_TAB(QStringLiteral("YELLOW"), warning);
    ui::feedback().beep();
  }
}

// --- Loadsite and Clear_Site ---

bool form1::Loadsite(const QString& siteName) {
  const DatabaseFolder db(dbpath->text());
  static ScanMemo<Site_Record> memo;
  auto scan = memo.get(db, names::Site, siteName, O_RDONLY, [&] {
    return records::scanRecords<Site_Record>(db, names::Site, [&](const Site_Record& r) {
      return r.Deleted != records::kDeletedFlag && records::sameNameTrimmed(r.SiteName, siteName);
    });
  });
  if (!scan) {
    StatusBar1->setPanelText(
        1, QStringLiteral("Error with ") + dbpath->text() + QStringLiteral("Site.dat File..."));
    ui::feedback().beep();
    return false;
  }
  if (scan->lastRead) state::shared().Current_Site = *scan->lastRead;
  if (!scan->match) return false;

  const Site_Record& site = *scan->lastRead;
  QRadioButton* chosen = EXH5[site.Exchange2000 == -1 ? 1 : 0];
  // Choosing the option runs its handler; an option already chosen gets it run all the same.
  if (chosen->isChecked())
    EXH5_Click();
  else
    chosen->setChecked(true);
  NTSERVER->setText(text::trimBlanks(site.HomeServer));
  EXSERVER->setText(text::trimBlanks(site.ExchangeServer));
  EXSite->setEditText(text::trimBlanks(site.ExchSite));
  EXorg->setText(text::trimBlanks(site.ExchOrg));
  Mail_Store->setEditText(text::trimBlanks(site.MailStore));
  return true;
}

void form1::Clear_Site() {
  NTSERVER->clear();
  EXSite->setEditText(QString());
  EXorg->clear();
  EXSERVER->clear();
  Mail_Store->setEditText(QString());
  for (QWidget* w : std::initializer_list<QWidget*>{NTSERVER, EXSite, EXorg, EXSERVER, Mail_Store})
    setFieldBackground(w, Field_Colour);
  New_Site->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{Delete_site, Save_Site, Edit_Site, NTSERVER, EXSERVER,
                                                    EXSite, EXorg, EXH5[0], EXH5[1], Find_Store, Mail_Store})
    w->setEnabled(false);
  StatusBar1->setPanelText(1, QStringLiteral("Ready."));
  state::shared().EditingSite = 0;
  ListView2->setEnabled(true);
  New_Site_Name->hide();
  paste->setEnabled(false);
}

// --- the site editor ---

void form1::setSiteFieldsEditable(bool editable) {
  for (QWidget* w : std::initializer_list<QWidget*>{NTSERVER, EXSERVER, EXSite, EXorg, Mail_Store}) {
    w->setEnabled(editable);
    setFieldBackground(w, editable ? editableColour() : Field_Colour);
  }
}

QTreeWidgetItem* form1::pendingSiteRow() const {
  // The entry the last New created, while it is in the list and not saved.
  if (newSiteRow_ && ListView2->indexOf(newSiteRow_) > 0 && newSiteRow_->data(0, kUnsavedRole).toBool())
    return newSiteRow_;
  return nullptr;
}

void form1::removeSiteRow(QTreeWidgetItem* row) {
  if (!row) return;
  if (row == newSiteRow_) newSiteRow_ = nullptr;
  ListView2->remove(ListView2->indexOf(row));
  // The list would choose a neighbour as the current entry; a later Delete or Edit must not act
  // on a site the user has not chosen.
  ListView2->setSelectedIndex(0);
  ListView2->clearSelection();
}

void form1::removeListedName(QComboBox* list, const QString& name) {
  for (int i = list->count() - 1; i >= 0; --i)
    if (records::sameNameIgnoringCase(list->itemText(i), name)) list->removeItem(i);
}

void form1::siteTrap(const QString& status) {
  ui::feedback().beep();
  StatusBar1->setPanelText(1, status);
}

void form1::New_Site_Click() {
  // An entry an earlier New left unsaved goes: this New's entry is the one Save and Cancel act on.
  removeSiteRow(pendingSiteRow());
  ListView2->setSortOrder(Qt::AscendingOrder);
  QTreeWidgetItem* row = ListView2->add(QString(), {}, kSiteIcon);
  row->setData(0, kUnsavedRole, true);
  newSiteRow_ = row;

  setSiteFieldsEditable(true);
  Save_Site->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{New_Site, Delete_site, Edit_Site}) w->setEnabled(false);
  NTSERVER->clear();
  EXSERVER->clear();
  EXSite->setEditText(QString());
  EXorg->clear();
  Mail_Store->setEditText(QString());

  ListView2->setSelectedIndex(ListView2->indexOf(row));
  SiteLabelEdit = -1;
  ListView2->setFocus();
  ListView2->startLabelEdit(ListView2->indexOf(row));

  EXH5[0]->setEnabled(true);
  EXH5[1]->setEnabled(true);
  if (EXH5[1]->isChecked()) Find_Store->setEnabled(true);
}

void form1::ListView2_BeforeLabelEdit(bool& cancel) {
  NewSitePending = -1;
  SiteLabelEdit = -1;
  cancel = false;
}

void form1::ListView2_AfterLabelEdit(bool& cancel, const QString& NewString) {
  QStringList listed;
  for (int i = 1; i <= ListView2->count(); ++i) listed << ListView2->text(i);
  const auto refuse = [&](const QString& status) {
    ui::feedback().beep();
    removeSiteRow(ListView2->selectedItem());
    cancel = true;
    Clear_Site();
    StatusBar1->setPanelText(1, status);
  };
  switch (records::checkNewSiteName(NewString, listed)) {
    case records::NewSiteName::Blank:
      return refuse(QStringLiteral("Site Name cannot be Blank"));
    case records::NewSiteName::AlreadyUsed:
      return refuse(QStringLiteral("Site name already used"));
    case records::NewSiteName::TooLong:
      return refuse(QStringLiteral("Site name too long (20 chrs max)"));
    case records::NewSiteName::Accepted:
      NewSitePending = 0;
      ListView2->setEnabled(false);
      NTSERVER->setFocus();
      return;
  }
}

void form1::siteNameEditAbandoned() {
  // Escape in a new entry's name: the New is abandoned with its entry. The entry goes once the
  // label editor has closed.
  QTimer::singleShot(0, this, [this] {
    QTreeWidgetItem* row = pendingSiteRow();
    if (!row || !row->text(0).isEmpty()) return;
    removeSiteRow(row);
    SiteLabelEdit = 0;
    Clear_Site();
  });
}

void form1::ListView2_LostFocus() {
  QTreeWidgetItem* row = ListView2->selectedItem();
  if (!NewSitePending || !row || !row->text(0).isEmpty()) return;
  ui::feedback().beep();
  Clear_Site();
  removeSiteRow(row);
  StatusBar1->setPanelText(1, QStringLiteral("Must enter site name first"));
}

void form1::ListView2_Click() {
  QTreeWidgetItem* row = ListView2->selectedItem();
  if (!row) return;
  if (!row->text(0).isEmpty()) {
    Edit_Site->setEnabled(true);
    Delete_site->setEnabled(true);
    New_Site->setEnabled(true);
    Save_Site->setEnabled(false);
  }
  Loadsite(row->text(0));
  Find_Store->setEnabled(false);
}

void form1::ListView2_ColumnClick(int) {
  ListView2->setSortOrder(ListView2->sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                       : Qt::AscendingOrder);
}

void form1::Edit_Site_Click() {
  QTreeWidgetItem* row = ListView2->selectedItem();
  if (!row || row->text(0).isEmpty()) return;
  StatusBar1->setPanelText(1, QStringLiteral("Edit Site..."));
  setSiteFieldsEditable(true);
  Save_Site->setEnabled(true);
  New_Site->setEnabled(false);
  Delete_site->setEnabled(false);
  EXH5[0]->setEnabled(true);
  EXH5[1]->setEnabled(true);
  Find_Store->setEnabled(true);
  ListView2->setEnabled(false);
  Edit_Site->setEnabled(false);
  state::shared().EditingSite = -1;
}

void form1::Save_Site_Click() {
  auto& shared = state::shared();
  const bool editing = shared.EditingSite != 0;
  QTreeWidgetItem* pending = pendingSiteRow();
  QTreeWidgetItem* source = editing ? ListView2->selectedItem() : pending;
  New_Site_Name->setText(source ? source->text(0) : QString());

  const auto message = [&](const QString& text, int style, const QString& title) {
    shared.Op_Status = static_cast<int32_t>(ui::prompter().MsgBox(text, style, title));
  };
  if (NTSERVER->text().isEmpty() || New_Site_Name->text().isEmpty())
    return message(QStringLiteral("Must Enter a Site Name, And a Home Server Name"), ui::kStyleExclamation,
                   QStringLiteral("Incorect entry"));
  const bool exchange2000 = EXH5[1]->isChecked();
  QList<records::FieldText> fields{{QStringLiteral("The site name"), New_Site_Name->text(), 20},
                                   {QStringLiteral("NT Home Server"), NTSERVER->text(), 20},
                                   {QStringLiteral("Exchange Server"), EXSERVER->text(), 20},
                                   {Label14->text(), EXorg->text(), 30},
                                   {Label13->text(), EXSite->currentText(), 30}};
  if (exchange2000) fields.append({QStringLiteral("Mailbox Store"), Mail_Store->currentText(), 30});
  if (const QString tooLong = records::fieldTooLong(fields); !tooLong.isEmpty())
    return message(tooLong, ui::kStyleExclamation, QStringLiteral("Incorect entry"));

  StatusBar1->setPanelText(1, QStringLiteral("Saving Site..."));
  if (!editing) {
    for (int i = 1; i <= ListView2->count(); ++i)
      if (ListView2->item(i) != pending &&
          records::sameNameIgnoringCase(ListView2->text(i), New_Site_Name->text()))
        return message(QStringLiteral("Site Name ") + QStringLiteral(" Already Exist ") +
                           QStringLiteral("\r\r") + QStringLiteral("Change Site Name."),
                       ui::kStyleCritical, QStringLiteral("Site Name Conflict..."));
  }
  if (!records::exchangeFieldsConsistent(EXSERVER->text(), EXSite->currentText(), EXorg->text()))
    return message(QStringLiteral("Must enter all three vaules for exchange."), ui::kStyleExclamation,
                   QStringLiteral("Incorrect Exchange Settings"));

  Site_Record site;
  site.Deleted = 0;
  site.Exchange2000 = exchange2000 ? -1 : 0;
  site.MailStore = exchange2000 ? Mail_Store->currentText() : QString();
  site.SiteName = New_Site_Name->text();
  site.HomeServer = NTSERVER->text();
  site.ExchangeServer = EXSERVER->text();
  site.ExchSite = EXSite->currentText();
  site.ExchOrg = EXorg->text();

  const DatabaseFolder db(dbpath->text());
  const auto openFailed = [&] {
    siteTrap(QStringLiteral("Error Opening ") + dbpath->text() + QStringLiteral("Site.dat"));
  };
  // A Site.dat of another layout or with a partial record is not written to: appending would
  // overwrite the partial record's bytes.
  if (db.exists(names::Site)) {
    auto file = db.open(names::Site, Site_Record::Length, records::RecordFile::Access::Read);
    if (!file || !records::checkSettledFile(db, names::Site, file.value()))
      return openFailed();
  }
  const auto written = editing ? records::saveEditedSite(db, source ? source->text(0) : QString(), site)
                               : db.appendRecord(names::Site, site.encode());
  if (!written) return openFailed();
  shared.Current_Site = site;

  if (!editing) {
    const QString stored = storedSiteName(site.SiteName);
    NUsitename->addItem(stored);
    bulk::MultiUser::instance(dbpath->text()).Multi_Site->addItem(stored);
    if (pending) pending->setData(0, kUnsavedRole, QVariant());
  }

  setSiteFieldsEditable(false);
  Save_Site->setEnabled(false);
  Edit_Site->setEnabled(false);
  New_Site->setEnabled(true);
  shared.EditingSite = 0;
  SiteLabelEdit = 0;
  ListView2->setEnabled(true);
  EXH5[0]->setEnabled(false);
  EXH5[1]->setEnabled(false);
  Find_Store->setEnabled(false);
  New_Site_Name->hide();
  setLocked(NUsitename, false);
  StatusBar1->setPanelText(1, QStringLiteral("Saved Site..."));
}

void form1::Delete_site_Click() {
  QTreeWidgetItem* row = ListView2->selectedItem();
  // With nothing selected there is nothing to delete (the button stays enabled after a delete).
  if (!row || row->text(0).isEmpty()) return;
  auto& shared = state::shared();
  if (Confirm_Deletes->isChecked()) {
    const ui::MsgBoxResult answer =
        ui::prompter().MsgBox(QStringLiteral("Sure to Delete Site Record"), ui::kStyleYesNoQuestion,
                              QStringLiteral("Delete Site Record"));
    shared.Reg_Result = answer == ui::MsgBoxResult::Yes;
    if (answer == ui::MsgBoxResult::No) return;
  }
  StatusBar1->setPanelText(1, QStringLiteral("Deleting Site..."));
  const QString name = row->text(0);
  auto deleted = records::deleteSite(DatabaseFolder(dbpath->text()), name);
  if (!deleted)
    return siteTrap(QStringLiteral("Error with ") + dbpath->text() + QStringLiteral("Site.dat File..."));
  if (deleted.value() == 0) return;  // no live record of that name: nothing changes

  removeListedName(NUsitename, name);
  removeListedName(bulk::MultiUser::instance(dbpath->text()).Multi_Site, name);
  removeSiteRow(row);
  NTSERVER->clear();
  EXSERVER->clear();
  EXSite->setEditText(QString());
  EXorg->clear();
  StatusBar1->setPanelText(1, QStringLiteral("Site Deleted."));
}

void form1::Site_Cancel_Click() {
  if (SiteLabelEdit) SiteLabelEdit = 0;
  // A new site that was never saved has no record: its entry goes with the cancel.
  removeSiteRow(pendingSiteRow());
  Clear_Site();
}

void form1::EXH5_Click() {
  if (EXH5[1]->isChecked()) {
    Label42->setText(QStringLiteral("Mailbox Store"));
    Label13->setText(QStringLiteral("Storage Group"));
    Mail_Store->show();
    Find_Store->setEnabled(true);
  } else {
    Label42->setText(QString());
    Label13->setText(QStringLiteral("Exchange Site"));
    Label14->setText(QStringLiteral("Exchange Org"));
    Mail_Store->hide();
    Find_Store->setEnabled(false);
  }
}

void form1::Find_Store_Click() {
  auto& shared = state::shared();
  if (shared.Directory_Mode == 2) {
    shared.Op_Status = static_cast<int32_t>(
        ui::prompter().MsgBox(QStringLiteral("Not Available in WinNT mode. Windows 2000 only"),
                              ui::kStyleInformation, QStringLiteral("WIN2000 only")));
    return;
  }
  if (EXSERVER->text().isEmpty()) return;

  ui::HourglassGuard hourglass;
  const QString server = EXSERVER->text();
  const exchange::ServerStores found = exchange::storeFinder().storageGroups(server);
  // The status bar says when the lists could not be filled, and why.
  using Outcome = exchange::ServerStores::Outcome;
  switch (found.outcome) {
    case Outcome::Found:
      StatusBar1->setPanelText(1, QStringLiteral("Storage groups of %1 found.").arg(server));
      break;
    case Outcome::UnknownServer:
      StatusBar1->setPanelText(1, QStringLiteral("No Exchange 2000 server named %1 was found.").arg(server),
                               found.error);
      break;
    case Outcome::Unreachable:
      StatusBar1->setPanelText(
          1, QStringLiteral("Can't reach %1; its storage groups were not read: %2").arg(server, found.error),
          found.error);
      break;
    case Outcome::Failed:
      StatusBar1->setPanelText(
          1, QStringLiteral("Not every storage group of %1 could be read: %2").arg(server, found.error),
          found.error);
      break;
  }
  // Nothing is touched unless the server itself was reached.
  if (!found.serverOpened()) return;
  // The lists are refilled; the texts stay, and nothing is chosen for the user.
  const QString group = EXSite->currentText();
  const QString store = Mail_Store->currentText();
  EXSite->clear();
  Mail_Store->clear();
  for (const exchange::StorageGroup& g : found.groups) {
    EXSite->addItem(g.name);
    Mail_Store->addItems(g.mailboxStores);
  }
  EXSite->setCurrentIndex(-1);
  Mail_Store->setCurrentIndex(-1);
  EXSite->setEditText(group);
  Mail_Store->setEditText(store);
}

}  // namespace tavrel::mainwindow
