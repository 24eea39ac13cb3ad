// The main window's handlers of the two-column lists and the database folder's maintenance: the
// directory, mail and Terminal Services attribute lists with their shared popup menu, the
// launchers of the row editor, the variables, custom-fields and permissions windows, and the
// backup and compaction commands.

#include "directory/DirectoryService.h"
#include "directory/DomainDiscovery.h"
#include "groups/Groupsfrm.h"
#include "mainwindow/Custom.h"
#include "mainwindow/Edit_Properties.h"
#include "mainwindow/Permissions.h"
#include "mainwindow/Varibles_Form.h"
#include "mainwindow/form1.h"
#include "records/Maintenance.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/LongOperation.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QCursor>

namespace tavrel::mainwindow {
namespace {

constexpr int kKeyRole = form1::kNodeKeyRole;

const QString kCompactTitle = QStringLiteral("Compact Database");

// Shows the editor modally over whichever window is in front.
void runEditor(form1& f) {
  QWidget* over = QApplication::activeModalWidget();
  Edit_Properties::run(f, over ? over : &f);
}

bool storeFailed(const QString& file, const records::Status& s, const QString& title) {
  if (s) return false;
  ui::prompter().MsgBox(file + QStringLiteral(" could not be written; it keeps what it held.\r\n") + s.message(),
                        ui::kStyleExclamation, title);
  return true;
}

QTreeWidgetItem* nodeWithKey(QTreeWidget* tree, const QString& key) {
  QList<QTreeWidgetItem*> todo;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) todo << tree->topLevelItem(i);
  while (!todo.isEmpty()) {
    QTreeWidgetItem* n = todo.takeFirst();
    if (n->data(0, kKeyRole).toString() == key) return n;
    for (int i = 0; i < n->childCount(); ++i) todo << n->child(i);
  }
  return nullptr;
}

}  // namespace

void form1::wireListsPage() {
  for (ui::ListView* list : {ListView7, ListView8, ListView9}) list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView7, &QWidget::customContextMenuRequested, this, [this] { ListView7_MouseDown(Qt::RightButton); });
  connect(ListView8, &QWidget::customContextMenuRequested, this, [this] { ListView8_MouseDown(Qt::RightButton); });
  connect(ListView9, &QWidget::customContextMenuRequested, this, [this] { ListView9_MouseDown(Qt::RightButton); });
  connect(ListView7, &ui::ListView::dblClick, this, [this] { ListView7_DblClick(); });
  connect(ListView8, &ui::ListView::dblClick, this, [this] { ListView8_DblClick(); });
  connect(ListView9, &ui::ListView::dblClick, this, [this] { ListView9_DblClick(); });
  connect(ListView7, &ui::ListView::columnClick, this, &form1::ListView7_ColumnClick);
  connect(ListView8, &ui::ListView::columnClick, this, &form1::ListView8_ColumnClick);
  for (int i = 1; i <= 3; ++i) connect(Listviewmnu[i], &QAction::triggered, this, [this, i] { Listviewmnu_Click(i); });

  connect(Variables, &QPushButton::clicked, this, &form1::Variables_Click);
  connect(Command1, &QPushButton::clicked, this, &form1::Command1_Click);
  connect(Set_Security, &QPushButton::clicked, this, &form1::Set_Security_Click);
  connect(Sharepermissions, &QPushButton::clicked, this, &form1::Sharepermissions_Click);
  connect(Backup_Files, &QAction::triggered, this, ui::guarded([this] { Backup_Files_Click(); }));
  connect(DataBase, &QAction::triggered, this, ui::guarded([this] { DataBase_Click(); }));
  Backup_Files->setEnabled(true);
  DataBase->setEnabled(true);
}

records::DatabaseFolder form1::listsFolder() const {
  return records::DatabaseFolder(dbpath->text(), List_File_Ops ? *List_File_Ops : records::posixFileOps());
}

// --- The attribute lists ---

void form1::Show_Popup1() {
  if (Popup1_Shower)
    Popup1_Shower();
  else
    POPUP1->exec(QCursor::pos());
}

void form1::ListView7_MouseDown(Qt::MouseButton Button) {
  if (Button != Qt::RightButton) return;
  state::shared().Edit_Mode = 0;
  Show_Popup1();
}

void form1::ListView8_MouseDown(Qt::MouseButton Button) {
  if (Button != Qt::RightButton) return;
  state::shared().Edit_Mode = 1;
  Show_Popup1();
}

void form1::ListView9_MouseDown(Qt::MouseButton Button) {
  if (Button != Qt::RightButton) return;
  state::shared().Edit_Mode = 4;
  Show_Popup1();
}

void form1::ListView7_DblClick() {
  state::shared().Edit_Mode = 0;
  runEditor(*this);
}

void form1::ListView8_DblClick() {
  state::shared().Edit_Mode = 1;
  runEditor(*this);
}

void form1::ListView9_DblClick() {
  state::shared().Edit_Mode = 4;
  runEditor(*this);
}

namespace {

void flipSort(ui::ListView* list, int column) {
  list->setSortKey(column);
  list->setSortOrder(list->sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
  list->setSorted(true);
}

}  // namespace

void form1::ListView7_ColumnClick(int column) {
  flipSort(ListView7, column);
}

void form1::ListView8_ColumnClick(int column) {
  flipSort(ListView8, column);
}

ui::ListView* form1::Edit_Mode_List() {
  switch (state::shared().Edit_Mode) {
    case 0:
      return ListView7;
    case 1:
      return ListView8;
    case 2:
      return Varibles().ListView1;
    case 3:
      return Custom_Window ? Custom_Window->ListView1 : nullptr;
    case 4:
      return ListView9;
    default:
      return nullptr;
  }
}

Varibles_Form& form1::Varibles() {
  if (!varibles_) varibles_ = new Varibles_Form(*this);
  return *varibles_;
}

void form1::Listviewmnu_Click(int Index) {
  switch (Index) {
    case 1:
      runEditor(*this);
      break;
    case 2:
      state::shared().New_Row_Flag = true;
      runEditor(*this);
      break;
    case 3:
      removeListRow();
      break;
    default:
      break;
  }
}

void form1::removeListRow() {
  ui::ListView* list = Edit_Mode_List();
  const int mode = state::shared().Edit_Mode;
  // The Terminal Services rows are fixed.
  if (!list || mode == 4) return;
  const int row = list->selectedIndex();
  if (row == 0) return;
  // The file is rewritten first; the row leaves the list only when it has.
  switch (mode) {
    case 0: {
      auto rows = w2kRows();
      rows.removeAt(row - 1);
      if (!storeW2K(rows)) return;
      break;
    }
    case 1: {
      auto rows = mailRows();
      rows.removeAt(row - 1);
      if (!storeMail(rows)) return;
      break;
    }
    case 2: {
      auto rows = Varibles().rows();
      rows.erase(rows.begin() + (row - 1));
      bool noRecord = false;
      // With no saved record the row goes from the list only (after the warning).
      if (!newTemplateMode() && !storeVariables(rows, &noRecord) && !noRecord) return;
      break;
    }
    default:
      break;
  }
  list->remove(row);
  if (mode == 2) Varibles().listChanged();
}

QList<records::W2K_Property_Row> form1::w2kRows() const {
  QList<records::W2K_Property_Row> rows;
  for (int i = 1; i <= ListView7->count(); ++i)
    rows.append({ListView7->smallIcon(i), ListView7->text(i), ListView7->subItem(i, 1)});
  return rows;
}

QList<records::Mail_Attribute_Row> form1::mailRows() const {
  QList<records::Mail_Attribute_Row> rows;
  for (int i = 1; i <= ListView8->count(); ++i) rows.append({ListView8->text(i), ListView8->subItem(i, 1)});
  return rows;
}

QStringList form1::wtsValues() const {
  QStringList values;
  for (int i = 1; i <= ListView9->count(); ++i) values << ListView9->subItem(i, 1);
  return values;
}

bool form1::storeW2K(const QList<records::W2K_Property_Row>& rows) {
  return !storeFailed(records::names::W2K, records::saveW2K(listsFolder(), rows), QStringLiteral("W2K - Properties"));
}

bool form1::storeMail(const QList<records::Mail_Attribute_Row>& rows) {
  return !storeFailed(records::names::Mail, records::saveMail(listsFolder(), rows),
                      QStringLiteral("Mail - Exchange 5.5"));
}

bool form1::storeWTS(const QStringList& values) {
  return !storeFailed(records::names::WTS, records::saveWTS(listsFolder(), values), QStringLiteral("WTS"));
}

// --- Template variables ---

bool form1::newTemplateMode() const {
  return !New_Template_Name->isHidden();
}

bool form1::storeVariables(const std::vector<records::TemplateVariable>& rows, bool* noRecord) {
  const QString title = QStringLiteral("Template Variables");
  const QString name = templatelst->currentText().trimmed();
  auto n = records::writeTemplateVariables(listsFolder(), templatelst->currentText(), rows);
  if (!n) {
    ui::prompter().MsgBox(QStringLiteral("The variables were not stored in ") + records::names::Template +
                              QStringLiteral(":\r\n") + n.message(),
                          ui::kStyleExclamation, title);
    return false;
  }
  if (n.value() == 0) {
    if (noRecord) *noRecord = true;
    ui::prompter().MsgBox(QStringLiteral("The template \"") + name +
                              QStringLiteral("\" has no saved record in ") + records::names::Template +
                              QStringLiteral(", so its variables were not stored. They are kept until "
                                             "another template is loaded."),
                          ui::kStyleExclamation, title);
    return false;
  }
  state::shared().RecordIndex = n.value();
  return true;
}

void form1::Variables_Click() {
  if (newTemplateMode()) {
    ui::prompter().MsgBox(QStringLiteral("Must Save Template before editing Variables..."), ui::kStyleExclamation,
                          QStringLiteral("Warning"));
    return;
  }
  Varibles_Form& form = Varibles();
  form.showRows();
  form.exec();
}

// --- Custom fields and permission lists ---

void form1::Command1_Click() {
  Custom window(*this);
  Custom_Window = &window;
  window.exec();
}

void form1::Set_Security_Click() {
  state::shared().SharePermMode = false;
  Permissions window(*this);
  window.exec();
}

void form1::Sharepermissions_Click() {
  state::shared().SharePermMode = true;
  Permissions window(*this);
  window.exec();
}

// --- Backup and compaction ---

void form1::Backup_Files_Click() {
  const records::BackupReport report = records::Backup_Files(listsFolder());
  if (report.ok()) {
    StatusBar1->setPanelText(1, QStringLiteral("Databases Backed up ( *.BAK)..."));
    return;
  }
  QStringList lines;
  for (const records::BackupCopy& c : report.failures()) {
    lines << c.source + QStringLiteral(" was not copied to ") + c.copy + QStringLiteral(": ") + c.error;
    LOG_TAB(QStringLiteral("RED"), u' ' + lines.back());
  }
  StatusBar1->setPanelText(1, QStringLiteral("Backup failed for %1 of %2 files.")
                                  .arg(report.failures().size())
                                  .arg(report.copies.size()));
  ui::prompter().MsgBox(lines.join(QStringLiteral("\r\n")), ui::kStyleExclamation,
                        QStringLiteral("Backup DataBase Files"));
}

bool form1::domainAnswers(const QString& name) {
  if (name.trimmed().isEmpty()) return false;
  const directory::DomainMode probe = directory::Get_W2K_Domain_Mode(name, name);
  if (probe.unreachable) return false;
  auto dir = directory::requireDirectory();
  if (!dir) return false;
  // A name the Active Directory probe took is reached; others must answer as an NT domain.
  return (name.contains(u'.') && probe.mode != 2) || bool((*dir)->GetObject(QStringLiteral("WinNT://") + name));
}

void form1::DataBase_Click() {
  auto& sh = state::shared();
  if (ui::prompter().MsgBox(QStringLiteral("This could take a few minutes. \r\nAre you sure you want to continue ?"),
                            ui::kStyleYesNoQuestion, kCompactTitle) == ui::MsgBoxResult::No)
    return;
  StatusBar1->setPanelText(1, QStringLiteral("Compacting DataBases Please Wait...."));

  // The configured domain must answer before the window lets go of what it shows; the pruning of
  // groups compares with that domain's groups.
  const QString domain = sh.Domain_Name;
  auto cantFind = [&] {
    ui::prompter().MsgBox(QStringLiteral("Can't find ") + domain +
                              QStringLiteral(" Domain.\r\nWill not compact Database."),
                          ui::kStyleCritical, QStringLiteral("Can't Find Domain Controller"));
  };
  if (!domainAnswers(domain)) return cantFind();

  Clear_UM();
  Clear_TT();
  ListView6->clear();
  TreeView1->clear();
  Root_Node = nullptr;
  if (groups::Groupsfrm* g = groups::Groupsfrm::existing()) g->ListView1->clear();
  if (!Connect_Domain(domain)) return cantFind();

  if (sh.Directory_Mode == 2) {
    Root_Node = nodeWithKey(TreeView1, QStringLiteral("root"));
    if (Root_Node) TreeView1->setCurrentItem(Root_Node);
  }

  const records::DatabaseFolder db = listsFolder();
  auto failed = [&](const records::Status& s) {
    LOG_TAB(QStringLiteral("RED"), QStringLiteral(" Error Compacting Database"));
    LOG_TAB(QStringLiteral("RED"), u' ' + s.message());
    StatusBar1->setPanelText(1, s.message());
  };
  if (records::Status s = records::Compact_Sites(db); !s) return failed(s);

  const bool prune =
      ui::prompter().MsgBox(QStringLiteral("Do you want to remove groups from the templates that no longer exist ? "
                                           "\r\n\r\nYou should answer no if you manage mutliple Domains!!!"),
                            ui::kStyleYesNoQuestion, kCompactTitle) != ui::MsgBoxResult::No;
  records::TemplateCheck check;
  if (prune && !groupsComplete_) {
    // Pruning against a list that lacks groups would strip them from every template.
    const QString why =
        QStringLiteral("No group is removed from the templates: ") +
        (groupsProblem_.isEmpty() ? QStringLiteral("the domain's groups were not loaded") : groupsProblem_) +
        QStringLiteral(".\r\nThe database is compacted with every template's groups kept.");
    ui::prompter().MsgBox(why, ui::kStyleExclamation, kCompactTitle);
    LOG_TAB(QStringLiteral("YELLOW"),
            u' ' + QString(why).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
  } else if (prune) {
    check = [this](records::Template_Record& t, startup::LogFile& log) { Check_Template_Groups(t, log); };
  }
  if (records::Status s = records::Compact_Templates(db, check); !s) return failed(s);

  LOG_TAB(QStringLiteral("GREEN"), QStringLiteral(" Database Compacted"));
  StatusBar1->setPanelText(1, QStringLiteral("Completed."));
}

}  // namespace tavrel::mainwindow
