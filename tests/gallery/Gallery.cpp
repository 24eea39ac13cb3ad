// Every window of the program, photographed: the program starts as it does the first time on a
// machine (the demonstration network, settings pointing at its Active Directory domain), with a
// template and a site in the database folder, and each window is opened with realistic content
// in Active Directory mode, then in NT 4.0 mode, and saved as one PNG.
//   gallery <output folder> [text]
// With a text, only the windows whose names hold it are saved. The folder also gets gallery.txt,
// the name of every window the run set out to save, one a line. The run ends with status 1 when
// a window could not be opened or saved.

#include "app/FirstStart.h"
#include "bulk/Catalogue.h"
#include "bulk/MultiUser.h"
#include "directory/DirectoryService.h"
#include "groups/GroupAdd.h"
#include "groups/Groupsfrm.h"
#include "groups/RenameUser.h"
#include "groups/Rename_NT.h"
#include "mainwindow/Custom.h"
#include "mainwindow/Edit_Properties.h"
#include "mainwindow/HelpWindow.h"
#include "mainwindow/ImportWindows.h"
#include "mainwindow/Logon_Hours.h"
#include "mainwindow/Permissions.h"
#include "mainwindow/Serach_Mail.h"
#include "mainwindow/Varibles_Form.h"
#include "mainwindow/WKS_PROFILE.h"
#include "mainwindow/form1.h"
#include "mainwindow/frmAbout.h"
#include "platform/security/AccountLookup.h"
#include "platform/simnet/Exchange55.h"
#include "platform/simnet/Resources.h"
#include "platform/simnet/SimNetwork.h"
#include "records/DatabaseFolder.h"
#include "records/PropertyLists.h"
#include "records/Records.h"
#include "startup/Paths.h"
#include "startup/Settings.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tavrel;

namespace {

// The screen the windows are laid out for: the smallest the program runs on is 1024 wide; every
// window must also fit a 1280 x 800 laptop screen.
constexpr QSize kScreen(1280, 800);

class Gallery {
 public:
  Gallery(const QString& folder, const QString& only) : folder_(folder), only_(only) {
    index_.setFileName(folder_ + QStringLiteral("/gallery.txt"));
  }
  bool open() { return QDir().mkpath(folder_) && index_.open(QIODevice::WriteOnly | QIODevice::Truncate); }

  bool wanted(const QString& name) const { return only_.isEmpty() || name.contains(only_); }

  // Saves `w` as `name`.png: shown, laid out and painted first.
  void shoot(const QString& name, QWidget* w) {
    if (!wanted(name)) return;
    announce(name);
    if (!w) return fail(name, QStringLiteral("no window"));
    if (!w->isVisible()) w->show();
    settle();
    save(name, w);
  }

  // Runs `open`, which shows a modal window and waits for it (exec()); once the window is up,
  // `prepare` fills it, it is saved as `name` and closed with OK when `accept`, else with Cancel.
  // Any further modal window `open` shows before it returns is closed with Cancel, unsaved.
  void shootModal(const QString& name, const std::function<void()>& open,
                  const std::function<void(QWidget*)>& prepare = {}, bool accept = false) {
    if (!wanted(name)) return;
    announce(name);
    bool shot = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* dialog = qobject_cast<QDialog*>(modal);
      if (!dialog) return;
      if (!shot) {
        shot = true;
        if (prepare) prepare(dialog);
        settle();
        save(name, dialog);
        if (accept) return dialog->accept();
      }
      dialog->reject();
    });
    poll.start();
    open();
    poll.stop();
    if (!shot) fail(name, QStringLiteral("the window did not open"));
  }

  // Calls `act` once `ready` holds, while `start` runs (a long operation that serves events).
  static void during(const std::function<void()>& start, const std::function<bool()>& ready,
                     const std::function<void()>& act) {
    bool done = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (done || !ready()) return;
      done = true;
      act();
    });
    poll.start();
    start();
    poll.stop();
  }

  static void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  int failures() const { return failures_; }

  // Answers the program's questions while windows are photographed: the defaults.
  ui::ScriptedPrompter prompter;

 private:
  void announce(const QString& name) {
    index_.write(name.toUtf8() + '\n');
    index_.flush();
  }
  void save(const QString& name, QWidget* w) {
    const QPixmap picture = w->grab();
    if (picture.isNull()) return fail(name, QStringLiteral("nothing painted"));
    if (picture.width() > kScreen.width() || picture.height() > kScreen.height())
      fail(name, QStringLiteral("%1 x %2 is larger than the screen").arg(picture.width()).arg(picture.height()));
    if (!picture.save(folder_ + u'/' + name + QStringLiteral(".png"))) fail(name, QStringLiteral("not written"));
  }
  void fail(const QString& name, const QString& why) {
    std::fprintf(stderr, "gallery: %s: %s\n", qPrintable(name), qPrintable(why));
    ++failures_;
  }

  QString folder_;
  QString only_;
  QFile index_;
  int failures_ = 0;
};

QTreeWidgetItem* findNode(QTreeWidget* tree, const QString& text) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->text(0) == text) return *it;
  return nullptr;
}

QTreeWidgetItem* byImage(QTreeWidget* tree, const QString& image) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, mainwindow::form1::kNodeImageRole).toString() == image) return *it;
  return nullptr;
}

int rowOf(ui::ListView* list, const QString& text) {
  for (int i = 1; i <= list->count(); ++i)
    if (list->text(i).trimmed() == text) return i;
  return 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What an administrator sets up after the first start: a template and a site for each domain,
// directory attributes for new users, variables, custom fields and a CSV file to import.
bool prepareDatabase(const QString& db) {
  records::Template_Record sales;
  sales.Name = QStringLiteral("Sales Staff");
  sales.HomeDirLocal = QStringLiteral("D:\\Users\\%UserName%");
  sales.ProfileDirLocal = QStringLiteral("D:\\Profiles\\%UserName%");
  sales.HomeShareUNC = QStringLiteral("\\\\%Server%\\%UserName%$");
  sales.ProfileShareUNC = QStringLiteral("\\\\%Server%\\Profiles$\\%UserName%");
  sales.HomeShareName = QStringLiteral("%UserName%$");
  sales.LogonScript = QStringLiteral("logon.bat");
  sales.HomeDrive = QStringLiteral("H:");
  sales.PrimaryGroup = QStringLiteral("Sales Team");
  sales.GroupCount = 2;
  sales.Groups[0] = QStringLiteral("Sales Team");
  sales.Groups[1] = QStringLiteral("All Staff");
  sales.VarName[1] = QStringLiteral("OFFICE");
  sales.VarValue[1] = QStringLiteral("Leeds");
  sales.VarName[2] = QStringLiteral("PHONE");
  sales.VarValue[2] = QStringLiteral("0113 555 0100");
  records::Template_Record warehouse;
  warehouse.Name = QStringLiteral("Warehouse");
  warehouse.HomeDirLocal = QStringLiteral("D:\\Users\\%UserName%");
  warehouse.HomeShareUNC = QStringLiteral("\\\\%Server%\\Users\\%UserName%");
  warehouse.HomeDrive = QStringLiteral("H:");
  warehouse.PrimaryGroup = QStringLiteral("Domain Users");
  warehouse.GroupCount = 1;
  warehouse.Groups[0] = QStringLiteral("Warehouse");

  records::Site_Record head;
  head.SiteName = QStringLiteral("Head Office");
  head.HomeServer = QStringLiteral("FILESRV1");
  head.Exchange2000 = -1;
  head.ExchangeServer = QStringLiteral("EXCH2K");
  head.ExchOrg = QStringLiteral("Example");
  head.ExchSite = QStringLiteral("First Administrative Group");
  head.MailStore = QStringLiteral("Mailbox Store (EXCH2K)");
  records::Site_Record old;
  old.SiteName = QStringLiteral("Old Office");
  old.HomeServer = QStringLiteral("OLDFS");
  old.ExchangeServer = QStringLiteral("EXCH55");
  old.ExchOrg = QStringLiteral("Example");
  old.ExchSite = QStringLiteral("Head Office");

  const records::DatabaseFolder folder(db);
  const QList<records::W2K_Property_Row> w2k{
      {records::kUserIcon, QStringLiteral("department"), QStringLiteral("PROMPT")},
      {records::kUserIcon, QStringLiteral("company"), QStringLiteral("Example Ltd")},
      {records::kUserIcon, QStringLiteral("physicalDeliveryOfficeName"), QStringLiteral("%OFFICE%")},
      {records::kMailIcon, QStringLiteral("extensionAttribute1"), QStringLiteral("%first%.%last%")}};
  QStringList wts{QStringLiteral("\\\\FILESRV2\\Profiles$\\%UserName%"), QStringLiteral("\\\\FILESRV2\\Home$\\%UserName%"),
                  QStringLiteral("H:"), QStringLiteral("Yes"), QStringLiteral("No"), QString(), QString(),
                  QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("1 hour"),
                  QStringLiteral("Never"), QStringLiteral("30 mins")};
  return writeFile(db + QStringLiteral("Template.dat"), sales.encode() + warehouse.encode()) &&
         writeFile(db + QStringLiteral("Site.dat"), head.encode() + old.encode()) &&
         records::saveW2K(folder, w2k).ok() && records::saveWTS(folder, wts).ok() &&
         records::saveMail(folder, records::defaultMailRows()).ok();
}

// A CSV file of new staff: two good lines, then lines that make no user, then many pupils.
bool writeImportFile(const QString& path) {
  QByteArray csv =
      "Ren\xC3\xA9"
      "e,,Dubois,Sales Team,\"Room 4, North\"\r\nOliver,James,Smith,Sales Team,Library\r\n"
      "\"Stray,,Quote\r\nsolo\r\nLong,,Abcdefghijklmnopqrstuvwxyz\r\n\"Tab\tin\",,Name\r\n";
  for (int i = 0; i < 400; ++i) csv += "pupil" + QByteArray::number(i) + ",,year" + QByteArray::number(i) + "\r\n";
  return writeFile(path, csv);
}

void writeSettings() {
  registry::Registry_Object& reg = state::reg();
  const std::pair<const char*, const char*> custom[] = {
      {"Custom1", "Job Title"},    {"Property1", "title"},         {"Custom2", "Department"},
      {"Property2", "department"}, {"Custom3", "Other Phones"},    {"Property3", "otherTelephone"},
      {"Menu", "Open Home Folder"},  {"Script", "xdg-open %1"},      {"RUNHIDDEN", "No"}};
  for (const auto& [name, value] : custom)
    startup::writeSetting(reg, QStringLiteral("Custom"), QString::fromLatin1(name), QString::fromLatin1(value));
  startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("Password"), QStringLiteral("Start-Pw1"));
  startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("SetupID"), QStringLiteral("%first%%last%"));
  startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("AccountExpire"), QStringLiteral("2027-07-31"));
  startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("ImportGroupsStart"), QStringLiteral("4"));
  startup::writeSetting(reg, QStringLiteral("Setup"), QStringLiteral("ImportGroupsFinish"), QStringLiteral("4"));
}

// The windows that look the same in every mode.
void shootCommon(Gallery& g, mainwindow::form1& w) {
  if (g.wanted(QStringLiteral("splash"))) {
    mainwindow::frmSplash splash;
    splash.setStatus(QStringLiteral("Retrieving Domain Data..."));
    g.shoot(QStringLiteral("splash"), &splash);
  }
  if (g.wanted(QStringLiteral("about"))) {
    mainwindow::frmAbout about(&w);
    g.shoot(QStringLiteral("about"), &about);
  }
  if (g.wanted(QStringLiteral("help"))) {
    w.Help_Click();
    mainwindow::HelpWindow* help = mainwindow::HelpWindow::existing();
    g.shoot(QStringLiteral("help"), help);
    if (help) {
      help->SearchText->setText(QStringLiteral("template"));
      g.shoot(QStringLiteral("help-search"), help);
      help->hide();
    }
  }
  // The windows that need the system's own dialogs.
  ui::setPrompter(nullptr);
  g.shootModal(QStringLiteral("folder-picker"), [&] { w.GETDIR(); });
  ui::setPrompter(&g.prompter);

  for (const bool share : {false, true}) {
    const QString name = share ? QStringLiteral("share-permissions") : QStringLiteral("folder-permissions");
    if (!g.wanted(name)) continue;
    state::shared().SharePermMode = share;
    mainwindow::Permissions p(w);
    p.ListView1->setSelectedIndex(1);
    p.ListView1_Click();
    g.shoot(name, &p);
  }
  if (g.wanted(QStringLiteral("logon-hours"))) {
    w.SSTab1->setCurrentIndex(mainwindow::form1::kTemplatesPage);
    w.templatelst->setCurrentIndex(0);
    w.templatelst_Click();
    mainwindow::Logon_Hours hours(state::shared().Logon_Hours_Array, true, &w);
    hours.MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(1, 18, 5, 23), true);
    hours.Option2->setChecked(true);
    hours.Option2_Click();
    hours.MSFlexGrid1_MouseUp();
    g.shoot(QStringLiteral("logon-hours"), &hours);
  }
  if (g.wanted(QStringLiteral("workstation-profile"))) {
    mainwindow::WKS_PROFILE wks(&w);
    wks.WKS_NAME1->setText(QStringLiteral("WS0042"));
    g.shoot(QStringLiteral("workstation-profile"), &wks);
  }
  if (g.wanted(QStringLiteral("custom-fields"))) {
    mainwindow::Custom custom(w);
    custom.ListView1->setSelectedIndex(1);
    g.shoot(QStringLiteral("custom-fields"), &custom);
  }
  if (g.wanted(QStringLiteral("variables"))) {
    w.Varibles().showRows();
    w.Varibles().ListView1->setSelectedIndex(1);
    g.shoot(QStringLiteral("variables"), &w.Varibles());
    w.Varibles().hide();
  }
  // The row editor on each of its five lists, a row selected.
  const std::pair<int, const char*> editors[] = {
      {0, "row-editor-directory"}, {1, "row-editor-mail"}, {2, "row-editor-variables"},
      {3, "row-editor-custom"},    {4, "row-editor-terminal-services"}};
  for (const auto& [mode, name] : editors) {
    if (!g.wanted(QString::fromLatin1(name))) continue;
    state::shared().Edit_Mode = int16_t(mode);
    mainwindow::Custom custom(w);
    w.Custom_Window = &custom;
    custom.ListView1->setSelectedIndex(1);
    w.Varibles().showRows();
    w.Varibles().ListView1->setSelectedIndex(1);
    w.ListView7->setSelectedIndex(1);
    w.ListView8->setSelectedIndex(2);
    w.ListView9->setSelectedIndex(11);
    mainwindow::Edit_Properties e(w);
    g.shoot(QString::fromLatin1(name), &e);
  }
  if (g.wanted(QStringLiteral("mailbox-search"))) {
    state::SharedState& sh = state::shared();
    sh.Mail_Search_Server = QStringLiteral("EXCH55");
    sh.Mail_Search_Site = QStringLiteral("Head Office");
    sh.Mail_Search_Org = QStringLiteral("Example");
    mainwindow::Serach_Mail search(resources::MailboxForm{}, QStringLiteral("EXAMPLE\\Administrator"),
                                   QStringLiteral("Password1"), &w);
    search.Form_Load(QStringLiteral("jsmith"));
    const auto found = search.TreeView1->findItems(search.Search_Name, Qt::MatchExactly | Qt::MatchRecursive);
    if (!found.isEmpty()) search.TreeView1->setCurrentItem(found.first());
    g.shoot(QStringLiteral("mailbox-search"), &search);
  }
  if (g.wanted(QStringLiteral("import-options"))) {
    mainwindow::ImportGrps& options = mainwindow::ImportGrps::instance();
    g.shoot(QStringLiteral("import-options"), &options);
    mainwindow::ImportGrps::unload();
  }
}

// The main window's pages, menus and popups, and the windows it opens, in the mode connected.
void shootMode(Gallery& g, mainwindow::form1& w, const QString& mode, const QString& user,
               const QString& templateName, const QString& siteName, const QString& unit) {
  const bool nt = state::shared().Directory_Mode == 2;
  const auto name = [&mode](const char* n) { return mode + u'-' + QString::fromLatin1(n); };

  // The User Manager page with a user loaded, each of its four pages. A custom attribute with
  // several values is shown read-only.
  if (!nt)
    if (auto dir = directory::requireDirectory()) {
      auto found = (*dir)->GetObject(QStringLiteral("LDAP://example.local/CN=John Smith,OU=Sales,DC=example,DC=local"));
      if (found && found->PutEx(adsi::ADS_PROPERTY_UPDATE, QStringLiteral("otherTelephone"),
                                {QStringLiteral("555-0101"), QStringLiteral("555-0102")}))
        (void)found->SetInfo();
    }
  w.SSTab1->setCurrentIndex(mainwindow::form1::kUserManagerPage);
  if (QTreeWidgetItem* n = findNode(w.TreeView1, user)) {
    w.TreeView1->setCurrentItem(n);
    w.TreeView1_DblClick();
  }
  const char* userPages[] = {"user-general", "user-profile", "user-account", "user-custom"};
  for (int page = 0; page < 4; ++page) {
    w.SSTab2->setCurrentIndex(page);
    g.shoot(name(userPages[page]), &w);
  }
  w.SSTab2->setCurrentIndex(0);

  // The menus and the tree's popups.
  const QList<QAction*> menus = w.menuBar()->actions();
  const char* menuNames[] = {"menu-file", "menu-options", "menu-help"};
  for (int i = 0; i < menus.size() && i < 3; ++i)
    if (QMenu* m = menus[i]->menu()) {
      m->popup(w.mapToGlobal(QPoint(10, 10)));
      g.shoot(name(menuNames[i]), m);
      m->hide();
    }
  w.Popup_Shower = [&w] { w.POPUP->popup(w.mapToGlobal(QPoint(60, 120))); };
  const std::pair<QTreeWidgetItem*, const char*> popups[] = {
      {findNode(w.TreeView1, user), "popup-user"},
      {nt ? nullptr : byImage(w.TreeView1, QStringLiteral("OU")), "popup-unit"},
      {w.TreeView1->topLevelItem(0), "popup-domain"}};
  for (const auto& [node, n] : popups) {
    if (!node || !g.wanted(name(n))) continue;
    w.TreeView1->scrollToItem(node);
    w.TreeView1_MouseDown(Qt::RightButton, w.TreeView1->visualItemRect(node).center());
    g.shoot(name(n), w.POPUP);
    w.POPUP->hide();
  }
  w.Popup_Shower = nullptr;

  // Setup and Preferences; Setup again with another domain typed.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kSetupPage);
  g.shoot(name("setup"), &w);
  const QString domain = w.DomName->currentText();
  w.DomName->setEditText(nt ? QStringLiteral("example.local") : QStringLiteral("branch.example.local"));
  g.shoot(name("setup-other-domain"), &w);
  w.DomName->setEditText(domain);
  w.SSTab1->setCurrentIndex(mainwindow::form1::kPreferencesPage);
  g.shoot(name("preferences"), &w);

  // Sites: one shown, then the same being edited.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kSitesPage);
  if (const int row = rowOf(w.ListView2, siteName)) {
    w.ListView2->setSelectedIndex(row);
    w.ListView2_Click();
  }
  g.shoot(name("sites"), &w);
  w.Edit_Site_Click();
  g.shoot(name("sites-edit"), &w);
  w.Site_Cancel_Click();

  // Templates: one shown, a new one named after paste, one being edited.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kTemplatesPage);
  const int t = w.templatelst->findText(templateName, Qt::MatchStartsWith);
  w.templatelst->setCurrentIndex(t);
  w.templatelst_Click();
  g.shoot(name("templates"), &w);
  w.NewTemplate_Click();
  w.New_Template_Name->setText(QStringLiteral("Trainees"));
  w.paste_Click();
  g.shoot(name("templates-new"), &w);
  w.Template_Cancel_Click();
  w.templatelst->setCurrentIndex(t);
  w.templatelst_Click();
  w.EditTemplate_Click();
  g.shoot(name("templates-edit"), &w);
  w.Template_Cancel_Click();

  // The attribute pages and their popup.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kW2KPage);
  g.shoot(name("directory-attributes"), &w);
  w.Popup1_Shower = [&w] { w.POPUP1->popup(w.ListView7->viewport()->mapToGlobal(QPoint(40, 30))); };
  w.ListView7_MouseDown(Qt::RightButton);
  g.shoot(name("popup-attributes"), w.POPUP1);
  w.POPUP1->hide();
  w.Popup1_Shower = nullptr;
  w.SSTab1->setCurrentIndex(mainwindow::form1::kMailPage);
  g.shoot(name("mail-attributes"), &w);
  w.SSTab1->setCurrentIndex(mainwindow::form1::kWTSPage);
  g.shoot(name("terminal-services"), &w);

  // New User: the names typed, then the user created.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kNewUserPage);
  w.nutemplate->setCurrentIndex(w.nutemplate->findText(templateName, Qt::MatchStartsWith));
  w.NUsitename->setCurrentIndex(w.NUsitename->findText(siteName, Qt::MatchStartsWith));
  if (QTreeWidgetItem* n = unit.isEmpty() ? w.TreeView1->topLevelItem(0) : findNode(w.TreeView1, unit)) {
    w.TreeView1->setCurrentItem(n);
    n->setExpanded(true);
  }
  w.FN_Format->setText(QStringLiteral("%first% %last%"));
  w.strFirst->setText(QStringLiteral("anna"));
  w.strLast->setText(nt ? QStringLiteral("field") : QStringLiteral("lee"));
  w.Description->setText(QStringLiteral("Sales Assistant"));
  for (QCheckBox* c : {w.Create_Dirs, w.Create_Shares, w.Dir_Security, w.Create_User_Account}) c->setChecked(true);
  for (QCheckBox* c : {w.Create_Mail_Account, w.Run_script}) c->setChecked(false);
  g.shoot(name("new-user"), &w);
  if (g.wanted(name("new-user-created"))) {
    // In Active Directory the "department" row asks for its value.
    ui::setPrompter(nullptr);
    if (nt)
      w.CreateUser_Click();
    else
      g.shootModal(
          name("new-user-asks"), [&w] { w.CreateUser_Click(); },
          [](QWidget* box) {
            if (auto* edit = box->findChild<QLineEdit*>()) edit->setText(QStringLiteral("Sales"));
          },
          true);
    ui::setPrompter(&g.prompter);
    g.shoot(name("new-user-created"), &w);
  }

  // The CSV import: its preview, then a run with the Stop window, stopped part way.
  const QString csv = QDir::tempPath() + QStringLiteral("/new-staff-autumn-term-2026.csv");
  if (writeImportFile(csv)) {
    if (g.wanted(name("import-preview"))) {
      mainwindow::CSV_Import preview(&w);
      preview.Form_Load(csv);
      g.shoot(name("import-preview"), &preview);
    }
    if (g.wanted(name("import-running"))) {
      // Caught once a dozen lines are done (the lines that make no user are among them), on a
      // turn in which the import paints the main window: between those its updates are off.
      const int before = w.ListView1->topLevelItemCount();
      Gallery::during([&] { w.Run_Import(csv); },
                      [&w, before] {
                        for (QWidget* top : QApplication::topLevelWidgets())
                          if (qobject_cast<mainwindow::CancelImport*>(top) && top->isVisible())
                            return w.updatesEnabled() && w.ListView1->topLevelItemCount() >= before + 12;
                        return false;
                      },
                      [&] {
                        g.shoot(name("import-running"), &w);
                        for (QWidget* top : QApplication::topLevelWidgets())
                          if (auto* c = qobject_cast<mainwindow::CancelImport*>(top)) {
                            g.shoot(name("import-stop"), c);
                            c->CancelButton->click();
                          }
                      });
    }
    QFile::remove(csv);
  }

  // The bulk window: each tab with a selection, one operation running, a delete asking.
  if (g.wanted(name("bulk"))) {
    w.Multi_Click();
    bulk::MultiUser& m = *bulk::MultiUser::existing();
    bulk::Catalogue& c = bulk::catalogue();
    if (!nt) {
      c.toSelection(c.ous, {int(c.ous.texts().indexOf(QStringLiteral("Marketing"))) + 1});
      c.toSelection(c.groups, {int(c.groups.texts().indexOf(QStringLiteral("Sales Team"))) + 1});
    } else {
      c.toSelection(c.groups, {int(c.groups.texts().indexOf(QStringLiteral("Accounts"))) + 1});
    }
    // A user with folders on a file server.
    const QString someone = nt ? QStringLiteral("eharris") : QStringLiteral("Gary Hill");
    const auto pick = [&c, &someone] { return std::max(1, int(c.users.texts().indexOf(someone)) + 1); };
    c.toSelection(c.users, {pick()});
    m.Delete_data[0]->setChecked(true);
    if (!nt) {
      m.AD_Properties->setCurrentIndex(m.AD_Properties->findText(QStringLiteral("department")));
      m.AD_Properties_Click();
      m.AD_CHANGE->setText(QStringLiteral("Sales-%UserName%"));
    }
    if (m.Multi_Site->count() > 0) m.Multi_Site->setCurrentIndex(m.Multi_Site->findText(siteName, Qt::MatchStartsWith));
    if (m.Multi_Template->count() > 0)
      m.Multi_Template->setCurrentIndex(m.Multi_Template->findText(templateName, Qt::MatchStartsWith));
    const char* tabs[] = {"bulk-delete", "bulk-move", "bulk-accounts", "bulk-directory-property"};
    for (int tab = 0; tab < 4; ++tab) {
      if (!m.SSTab1->isTabEnabled(tab)) continue;  // "AD Properties" in NT 4.0
      m.SSTab1->setCurrentIndex(tab);
      g.shoot(name(tabs[tab]), &m);
    }
    // Enabling the selection's accounts, caught while it runs and after it ended.
    m.SSTab1->setCurrentIndex(bulk::MultiUser::kAccountsTab);
    m.LockAcc[0]->setChecked(true);
    m.setYieldInterval(0);
    Gallery::during([&m] { m.Command5->click(); }, [&m] { return m.running(); },
                    [&] { g.shoot(name("bulk-running"), &m); });
    g.shoot(name("bulk-done"), &m);
    // A delete that asks before each user (answered No).
    c.returnAll();
    c.toSelection(c.users, {pick()});
    m.SSTab1->setCurrentIndex(bulk::MultiUser::kDeleteTab);
    w.Confirm_Deletes->setChecked(true);
    ui::setPrompter(nullptr);
    g.shootModal(name("bulk-delete-asks"), [&m] { m.Del_User->click(); });
    ui::setPrompter(&g.prompter);
    m.hide();
    m.setWindowModality(Qt::NonModal);
  }

  // The group window with a group's members, and "Add Group".
  if (g.wanted(name("groups"))) {
    w.Gblgropus_Click();
    groups::Groupsfrm& gw = *groups::Groupsfrm::existing();
    if (const int row = rowOf(gw.ListView1, nt ? QStringLiteral("Accounts") : QStringLiteral("Sales Team"))) {
      gw.ListView1->setSelectedIndex(row);
      gw.Group_Details_Click();
    }
    g.shoot(name("groups"), &gw);
    if (g.wanted(name("group-add"))) {
      groups::GroupAdd add(&gw);
      add.GRP_Name->setText(nt ? QStringLiteral("Drivers") : QStringLiteral("Project X"));
      g.shoot(name("group-add"), &add);
    }
    gw.hide();
    gw.setWindowModality(Qt::NonModal);
  }

  // "Create OU" asks for the unit's name.
  if (!nt) {
    if (QTreeWidgetItem* n = findNode(w.TreeView1, QStringLiteral("Sales"))) w.TreeView1->setCurrentItem(n);
    ui::setPrompter(nullptr);
    g.shootModal(name("create-unit"), [&w] { w.Create_OU(); }, [](QWidget* box) {
      if (auto* edit = box->findChild<QLineEdit*>()) edit->setText(QStringLiteral("Projects"));
    });
    ui::setPrompter(&g.prompter);
  }

  // The popup's "Rename User": the Active Directory window, or the NT one, on the user.
  if (g.wanted(name("rename"))) {
    if (QTreeWidgetItem* n = findNode(w.TreeView1, user)) w.TreeView1->setCurrentItem(n);
    auto host = w.renameHost();
    std::unique_ptr<QDialog> window;
    if (nt)
      window = std::make_unique<groups::Rename_NT>(*host);
    else
      window = std::make_unique<groups::RenameUser>(*host);
    g.shoot(name("rename"), window.get());
  }

  // The on-screen log after the work above.
  w.SSTab1->setCurrentIndex(mainwindow::form1::kNewUserPage);
  g.shoot(name("log"), &w);
}

// Connects the main window to `domain` as the Setup page's reload does; the bulk and group
// windows are made afresh for the new mode.
bool connect(mainwindow::form1& w, const QString& domain) {
  bulk::MultiUser::unload();
  groups::Groupsfrm::unload();
  w.Clear_log_Click();
  w.DomName->setEditText(domain);
  w.Reload_All();
  return state::shared().Domain_Name == domain && w.TreeView1->topLevelItemCount() > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: gallery <output folder> [text]\n");
    return 2;
  }
  // A machine of its own: settings, database folder and simulated network in a fresh folder.
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    qputenv(var, QFile::encodeName(home.path() + u'/' + QString::fromLatin1(var)));
  QDir::setCurrent(home.path());
  qunsetenv("TAVREL_CONFIG");
  qunsetenv("TAVREL_NETWORK");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  QApplication::setOrganizationName(QStringLiteral("Morvane"));
  ui::setScreenWidthOverride(kScreen.width());
  ui::setAvailableScreenAreaOverride(QRect(QPoint(0, 0), kScreen));

  Gallery g(QString::fromLocal8Bit(argv[1]), argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
  if (!g.open()) {
    std::fprintf(stderr, "gallery: cannot write into %s\n", argv[1]);
    return 1;
  }

  // The first start, as the program makes it.
  auto network = simnet::SimNetwork::openDefault();
  if (!network) {
    std::fprintf(stderr, "gallery: %s\n", qPrintable(network.error().message));
    return 1;
  }
  directory::setDirectory(std::make_shared<adsi::Directory>(*network));
  simnet::installPlatformLayers(*network);
  simnet::installExchange55(*network);
  security::setAccountDirectory(*network);
  const QString db = startup::defaultDatabaseFolder();
  if (!app::prepareFirstStartSettings(state::reg().filePath(), state::reg()) ||
      !app::prepareFirstStartDatabase(db) || !prepareDatabase(db)) {
    std::fprintf(stderr, "gallery: cannot prepare the first start\n");
    return 1;
  }
  writeSettings();
  ui::setPrompter(&g.prompter);

  mainwindow::form1 w;
  mainwindow::StartupServices services;
  services.commandLine = QString();
  services.Get_Domains = [](mainwindow::form1& form) { return form.Get_Domains(); };
  services.Connect_Domain = [](mainwindow::form1& form, QString& domain) { return form.Connect_Domain(domain); };
  services.Load_Databases = [](mainwindow::form1& form) { form.Load_Databases(); };
  services.Clear_Site = [](mainwindow::form1& form) { form.Clear_Site(); };
  services.Clear_TT = [](mainwindow::form1& form) { form.Clear_TT(); };
  w.Command_Line = QString();
  if (!w.Form_Initialize(services)) {
    std::fprintf(stderr, "gallery: the start-up failed\n");
    return 1;
  }
  w.show();
  Gallery::settle();

  shootCommon(g, w);
  shootMode(g, w, QStringLiteral("ad"), QStringLiteral("John Smith"), QStringLiteral("Sales Staff"),
            QStringLiteral("Head Office"), QStringLiteral("Staff"));

  // "Add Group" in a mixed-mode domain offers other scopes.
  if (g.wanted(QStringLiteral("mixed-group-add"))) {
    if (!connect(w, QStringLiteral("branch.example.local"))) {
      std::fprintf(stderr, "gallery: cannot connect branch.example.local\n");
      return 1;
    }
    groups::GroupAdd add(&w);
    add.GRP_Name->setText(QStringLiteral("Branch Printers"));
    g.shoot(QStringLiteral("mixed-group-add"), &add);
  }

  if (!connect(w, QStringLiteral("OLDCORP"))) {
    std::fprintf(stderr, "gallery: cannot connect OLDCORP\n");
    return 1;
  }
  shootMode(g, w, QStringLiteral("nt"), QStringLiteral("jdoe"), QStringLiteral("Warehouse"),
            QStringLiteral("Old Office"), QString());

  return g.failures() == 0 ? 0 : 1;
}
