#pragma once
// The mailbox search window: when a mailbox's container was made from a placeholder, the
// deletion can't know it. The window lists the recipient containers of the deletion site's
// Exchange 5.5 server with every mailbox of the user's name, and the administrator picks the one
// to delete; its container goes into Mail_Container.

#include "resources/Mailbox.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tavrel::mainwindow {

class Serach_Mail : public QDialog {
  Q_OBJECT
 public:
  // `form` gives the port and whether to bind with the current credentials; the typed ones are
  // Admin_Account and Admin_Password.
  Serach_Mail(const resources::MailboxForm& form, const QString& Admin_Account, const QString& Admin_Password,
              QWidget* parent = nullptr);

  // Fills the fields from Mail_Search_Server, Mail_Search_Site and Mail_Search_Org and searches
  // for `Mailbox_Name`, the mailbox of the user being deleted. The result goes to Op_Status.
  void Form_Load(const QString& Mailbox_Name);
  // Searches the site for the mailboxes named `Name` (rewritten as "cn=" + the name) and fills
  // the tree; True when at least one was found.
  bool Find_Mail_User(const QString& Org, const QString& Server, QString& Name);
  void Delete_Mail_Click();
  void Command2_Click();

  // Shows the window modally for `Mailbox_Name` (Delete_Mailbox's search).
  static void showModal(const resources::MailboxForm& form, const QString& Admin_Account,
                        const QString& Admin_Password, const QString& Mailbox_Name);

  QLineEdit* Text1 = nullptr;  // the Exchange server
  QLineEdit* Text2 = nullptr;  // the name looked for
  QTreeWidget* TreeView1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* Delete_Mail = nullptr;
  QPushButton* Command2 = nullptr;

  QString Search_Org;
  QString Search_Site;
  QString Search_Name;
  QString Search_Step_Text;

 private:
  resources::MailboxForm form_;
  QString admin_;
  QString password_;
};

}  // namespace tavrel::mainwindow
