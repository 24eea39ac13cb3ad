#include "groups/Rename_NT.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel::groups {

Rename_NT::Rename_NT(RenameHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName(QStringLiteral("Rename_NT"));
  setWindowTitle(QStringLiteral("Rename NT 4.0 User"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  User_Logon = new QLineEdit(this);
  User_Logon->setObjectName(QStringLiteral("User_Logon"));
  User_Logon->setMinimumWidth(User_Logon->fontMetrics().averageCharWidth() * 32);
  Full_Name = new QLineEdit(this);
  Full_Name->setObjectName(QStringLiteral("Full_Name"));
  grid->addWidget(new QLabel(QStringLiteral("Logon Name:"), this), 0, 0);
  grid->addWidget(User_Logon, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Full Name:"), this), 1, 0);
  grid->addWidget(Full_Name, 1, 1);
  layout->addLayout(grid);
  RenameDir = new QCheckBox(QStringLiteral("Rename Shares/Directories"), this);
  RenameDir->setObjectName(QStringLiteral("RenameDir"));
  layout->addWidget(RenameDir);
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

  connect(User_Logon, &QLineEdit::textChanged, this, [this] { User_Logon_Change(); });
  connect(Full_Name, &QLineEdit::textChanged, this, [this] { Full_Name_Change(); });
  connect(OKButton, &QPushButton::clicked, this, &Rename_NT::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &Rename_NT::CancelButton_Click);
  Form_Load();
}

void Rename_NT::Form_Load() {
  // An account that cannot be read keeps the node's name: OK then fails and says so.
  const QString text = host_.nodeText();
  const auto names = loadNtNames(text);
  User_Logon->setText(names ? names->name : text);
  Full_Name->setText(names ? names->fullName : QString());
  oldName_ = names ? names->name : text;
  if (host_.renameDirs()) RenameDir->setChecked(true);
  logonChanged_ = false;
  fullNameChanged_ = false;
}

void Rename_NT::OKButton_Click() {
  NtRenameRequest request;
  request.oldName = oldName_;
  request.logon = User_Logon->text();
  request.fullName = Full_Name->text();
  request.logonChanged = logonChanged_;
  request.fullNameChanged = fullNameChanged_;
  request.renameDirs = RenameDir->isChecked();
  if (renameNtUser(request, host_) == NtRenameOutcome::Closed) accept();
}

}  // namespace tavrel::groups
