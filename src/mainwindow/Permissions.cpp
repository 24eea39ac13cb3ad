#include "mainwindow/Permissions.h"

#include "mainwindow/Naming.h"
#include "mainwindow/form1.h"
#include "platform/text/Cp1252.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavrel::mainwindow {

Permissions::Permissions(form1& main) : QDialog(&main), f_(main) {
  setObjectName(QStringLiteral("Permissions"));
  setModal(true);
  resize(480, 320);

  ListView1 = named(new ui::ListView(this), QStringLiteral("ListView1"));
  ListView1->setColumns({QStringLiteral("Name"), QStringLiteral("Access")});
  ListView1->setColumnWidth(0, 240);
  ListView1->setMinimumWidth(360);
  ListView1->setSortKey(0);
  ListView1->setSortOrder(Qt::AscendingOrder);
  ListView1->setSorted(true);
  Label1 = named(new QLabel(QStringLiteral("Type of Access"), this), QStringLiteral("Label1"));
  Access = named(new QComboBox(this), QStringLiteral("Access"));
  NEW_Security = named(new QCheckBox(QStringLiteral("Replace Permissions"), this), QStringLiteral("NEW_Security"));
  NEW_Security->setToolTip(QStringLiteral("Will remove any existing permissions"));
  Command4 = named(new QPushButton(QStringLiteral("&Add"), this), QStringLiteral("Command4"));
  Command3 = named(new QPushButton(QStringLiteral("&Remove"), this), QStringLiteral("Command3"));
  OK_Button = named(new QPushButton(QStringLiteral("&OK"), this), QStringLiteral("OK_Button"));
  Command2 = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("Command2"));
  for (QPushButton* b : {Command4, Command3, Command2}) b->setAutoDefault(false);
  OK_Button->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(ListView1, 0, 0, 4, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(Label1);
  side->addWidget(Access);
  side->addSpacing(8);
  side->addWidget(Command4);
  side->addWidget(Command3);
  side->addStretch();
  side->addWidget(NEW_Security);
  grid->addLayout(side, 0, 1, 4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OK_Button);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 4, 0, 1, 2);
  grid->setColumnStretch(0, 1);

  connect(Access, &QComboBox::activated, this, [this] { Access_Click(); });
  connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1_Click(); });
  connect(Command4, &QPushButton::clicked, this, &Permissions::Command4_Click);
  connect(Command3, &QPushButton::clicked, this, &Permissions::Command3_Click);
  connect(OK_Button, &QPushButton::clicked, this, &Permissions::OK_Button_Click);
  connect(Command2, &QPushButton::clicked, this, &Permissions::Command2_Click);

  Form_Load();
}

void Permissions::Form_Load() {
  share_ = state::shared().SharePermMode;
  if (share_) {
    setWindowTitle(QStringLiteral("Share Permissions"));
    fileName_ = QStringLiteral("Shareperm.dat");
    NEW_Security->hide();
  } else {
    setWindowTitle(QStringLiteral("Directory Permissions"));
    fileName_ = QStringLiteral("permissions.dat");
    NEW_Security->show();
  }

  const records::PermissionListLoad list = records::loadPermissionList(f_.listsFolder(), fileName_);
  // The flag is kept in share mode too, where it is not shown, and written back to record 1.
  NEW_Security->setChecked(list.newSecurity);
  for (const records::Permission_Record& r : list.records) {
    ListView1->add(text::trimBlanks(r.Account))->setText(1, text::trimBlanks(r.Access));
  }
  Access->clear();
  Access->addItems(records::accessWords());
  Access->setCurrentIndex(-1);
  if (ListView1->count() > 0) {
    ListView1->setSelectedIndex(1);
    showAccessOf(1);
  }
  if (!list.complete()) {
    OK_Button->setEnabled(false);
    ui::prompter().MsgBox(list.error + QStringLiteral("\r\n\r\nThe list shows only the entries read, so it can't be "
                                                      "saved from this window."),
                          ui::kStyleExclamation, windowTitle());
  }
}

void Permissions::showAccessOf(int row) {
  const int i = Access->findText(text::trimBlanks(ListView1->subItem(row, 1)));
  if (i >= 0) Access->setCurrentIndex(i);
}

void Permissions::Access_Click() {
  const int row = ListView1->selectedIndex();
  if (ListView1->count() == 0 || row == 0) return;
  ListView1->setSubItem(row, 1, Access->currentText());
}

void Permissions::ListView1_Click() {
  if (const int row = ListView1->selectedIndex()) showAccessOf(row);
}

void Permissions::Command4_Click() {
  QTreeWidgetItem* row = ListView1->add(QString());
  row->setText(1, Access->currentText());
  const int n = ListView1->indexOf(row);
  ListView1->setSelectedIndex(n);
  ListView1->setFocus();
  ListView1->startLabelEdit(n);
}

void Permissions::Command3_Click() {
  if (const int row = ListView1->selectedIndex()) ListView1->remove(row);
}

QList<records::PermissionRow> Permissions::rows() const {
  QList<records::PermissionRow> out;
  for (int i = 1; i <= ListView1->count(); ++i) out.append({ListView1->text(i), ListView1->subItem(i, 1)});
  return out;
}

void Permissions::OK_Button_Click() {
  if (!OK_Button->isEnabled()) return;
  const QList<records::PermissionRow> list = rows();
  if (const QString why = records::permissionRowsDontFit(list); !why.isEmpty()) {
    ui::prompter().MsgBox(why + QStringLiteral(" Nothing was saved."), ui::kStyleExclamation, windowTitle());
    return;
  }
  if (list.isEmpty() && share_)
    ui::prompter().MsgBox(QStringLiteral("The share list is empty, so it is saved as Everyone with Full Control: "
                                         "the permissions a share gets when there is no list."),
                          ui::kStyleInformation, windowTitle());
  const records::Status s = records::savePermissionList(
      f_.listsFolder(), fileName_, records::permissionRecords(list, NEW_Security->isChecked(), share_));
  if (!s) {
    ui::prompter().MsgBox(fileName_ + QStringLiteral(" could not be written; it keeps what it held.\r\n") +
                              s.message(),
                          ui::kStyleExclamation, windowTitle());
    return;
  }
  accept();
}

void Permissions::Command2_Click() {
  reject();
}

}  // namespace tavrel::mainwindow
