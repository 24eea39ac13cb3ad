#include "mainwindow/Serach_Mail.h"

#include "state/SharedState.h"
#include "ui/Services.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace tavrel::mainwindow {
namespace {

constexpr int kIsMailbox = Qt::UserRole;
constexpr int kKey = Qt::UserRole + 1;

QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const resources::MailSearchNode& node, QTreeWidget* tree) {
  auto* item = new QTreeWidgetItem(parent, QStringList{node.text});
  item->setData(0, kIsMailbox, node.isMailbox);
  if (node.isMailbox) {
    // Making a found mailbox visible opens its containers.
    for (QTreeWidgetItem* p = parent; p; p = p->parent()) p->setExpanded(true);
    tree->scrollToItem(item);
  }
  for (const resources::MailSearchNode& child : node.children) addNode(item, child, tree);
  return item;
}

}  // namespace

Serach_Mail::Serach_Mail(const resources::MailboxForm& form, const QString& Admin_Account,
                         const QString& Admin_Password, QWidget* parent)
    : QDialog(parent), form_(form), admin_(Admin_Account), password_(Admin_Password) {
  setObjectName(QStringLiteral("Serach_Mail"));
  setWindowTitle(QStringLiteral("Search Mailbox"));
  auto named = [](QWidget* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
  };
  Text1 = new QLineEdit(this);
  Text2 = new QLineEdit(this);
  named(Text1, "Text1");
  named(Text2, "Text2");
  Text1->setReadOnly(true);
  Text2->setReadOnly(true);
  TreeView1 = new QTreeWidget(this);
  named(TreeView1, "TreeView1");
  TreeView1->setHeaderHidden(true);
  TreeView1->setColumnCount(1);
  Label2 = new QLabel(this);
  named(Label2, "Label2");
  Label2->setWordWrap(true);
  Label2->setMinimumHeight(Label2->fontMetrics().lineSpacing() * 3);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Delete_Mail = new QPushButton(QStringLiteral("&Delete"), this);
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  named(Delete_Mail, "Delete_Mail");
  named(Command2, "Command2");
  Delete_Mail->setAutoDefault(false);
  Command2->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Server:"), this), 0, 0);
  grid->addWidget(Text1, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Name:"), this), 1, 0);
  grid->addWidget(Text2, 1, 1);
  grid->addWidget(TreeView1, 2, 0, 1, 2);
  grid->addWidget(Label2, 3, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Delete_Mail);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 4, 0, 1, 2);
  grid->setRowStretch(2, 1);
  resize(420, 400);

  connect(Delete_Mail, &QPushButton::clicked, this, &Serach_Mail::Delete_Mail_Click);
  connect(Command2, &QPushButton::clicked, this, &Serach_Mail::Command2_Click);
  // A double-click only chooses a node (the tree's own behaviour): deleting needs the Delete button.
}

void Serach_Mail::Form_Load(const QString& Mailbox_Name) {
  state::SharedState& sh = state::shared();
  Search_Org = sh.Mail_Search_Org.trimmed();
  Search_Site = sh.Mail_Search_Site.trimmed();
  Text2->setText(Mailbox_Name);
  Text1->setText(sh.Mail_Search_Server.trimmed());
  Search_Name = Text2->text();
  Label2->clear();
  QString name = Text2->text();
  sh.Op_Status = Find_Mail_User(Search_Org, Text1->text(), name) ? -1 : 0;
}

bool Serach_Mail::Find_Mail_User(const QString& Org, const QString& Server, QString& Name) {
  Search_Step_Text = QStringLiteral("Unable to connect to Exchange Server");
  ui::HourglassGuard busy;
  const QString plain = Name;
  Name = QStringLiteral("cn=") + Name;
  TreeView1->clear();
  const resources::MailSearchResult found =
      resources::searchMailboxes(Org, Server, Search_Site, plain, admin_, password_, form_);
  if (!found.connected) {
    ui::feedback().beep();
    Label2->setText(Search_Step_Text + QStringLiteral(" (") + found.error.hex() + u')');
    return false;
  }
  auto* root = new QTreeWidgetItem(TreeView1, QStringList{found.root.text});
  root->setData(0, kKey, QStringLiteral("root"));
  root->setExpanded(true);
  for (const resources::MailSearchNode& c : found.root.children) addNode(root, c, TreeView1);
  if (found.count != 1)
    Label2->setText(QStringLiteral(
        "Warning: Multiple mailboxs with the same Name Found. Be sure you Delete the correct one. If in doubt "
        "contact you Mail Administrator"));
  if (found.count == 1) Label2->setText(QStringLiteral("Select The Mailbox to Delete"));
  if (found.count == 0) Label2->setText(QStringLiteral("User Not Found"));
  return found.count > 0;
}

void Serach_Mail::Delete_Mail_Click() {
  Search_Step_Text = QStringLiteral("Select Mailbox");
  QTreeWidgetItem* selected = TreeView1->currentItem();
  if (!selected || !selected->data(0, kIsMailbox).toBool()) return;
  if (selected->text(0).compare(adsi::escapeDnValue(Search_Name), Qt::CaseInsensitive) != 0) return;
  // The innermost container first: CN=inner,CN=outer.
  QTreeWidgetItem* parent = selected->parent();
  QString container;
  if (parent && parent->parent()) {
    container = QStringLiteral("CN=") + parent->text(0);
    QTreeWidgetItem* grand = parent->parent();
    if (grand->parent()) container += QStringLiteral(",CN=") + grand->text(0);
  }
  state::shared().Mail_Container = container;
  accept();
}

void Serach_Mail::Command2_Click() {
  reject();
}

void Serach_Mail::showModal(const resources::MailboxForm& form, const QString& Admin_Account,
                            const QString& Admin_Password, const QString& Mailbox_Name) {
  Serach_Mail window(form, Admin_Account, Admin_Password);
  window.Form_Load(Mailbox_Name);
  window.exec();
}

}  // namespace tavrel::mainwindow
