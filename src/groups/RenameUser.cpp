#include "groups/RenameUser.h"

#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel::groups {
namespace {

template <typename T>
T* named(T* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

}  // namespace

RenameUser::RenameUser(RenameHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName(QStringLiteral("RenameUser"));
  setWindowTitle(QStringLiteral("Rename User"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const auto edit = [this](const QString& name) { return named(new QLineEdit(this), name); };
  Full_Name = edit(QStringLiteral("Full_Name"));
  First_Name = edit(QStringLiteral("First_Name"));
  Last_Name = edit(QStringLiteral("Last_Name"));
  Display_Name = edit(QStringLiteral("Display_Name"));
  User_logon_name = edit(QStringLiteral("User_logon_name"));
  AD_Domain = edit(QStringLiteral("AD_Domain"));
  WINNT_Domain = edit(QStringLiteral("WINNT_Domain"));
  Logon_Name_pre2000 = edit(QStringLiteral("Logon_Name_pre2000"));
  for (QLineEdit* e : {AD_Domain, WINNT_Domain}) {
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
  }
  RENDIR = named(new QLabel(this), QStringLiteral("RENDIR"));
  REDIR1 = named(new QLabel(this), QStringLiteral("REDIR1"));
  for (QLabel* l : {RENDIR, REDIR1}) l->setFixedWidth(l->fontMetrics().horizontalAdvance(u'*') * 2);

  int row = 0;
  const auto line = [&](const QString& caption, QWidget* field, QLabel* mark = nullptr) {
    grid->addWidget(new QLabel(caption, this), row, 0);
    grid->addWidget(field, row, 1, 1, 2);
    if (mark) grid->addWidget(mark, row, 3);
    ++row;
  };
  line(QStringLiteral("Full Name(CN):"), Full_Name, RENDIR);
  line(QStringLiteral("First Name:"), First_Name);
  line(QStringLiteral("Last Name:"), Last_Name);
  line(QStringLiteral("Display Name:"), Display_Name);
  grid->addWidget(new QLabel(QStringLiteral("User Logon Name:"), this), row, 0);
  grid->addWidget(User_logon_name, row, 1);
  grid->addWidget(AD_Domain, row, 2);
  ++row;
  grid->addWidget(new QLabel(QStringLiteral("User Logon Name (pre windows 2000):"), this), row, 0, 1, 3);
  ++row;
  grid->addWidget(WINNT_Domain, row, 1);
  grid->addWidget(Logon_Name_pre2000, row, 2);
  grid->addWidget(REDIR1, row, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);

  auto* box = new QHBoxLayout;
  ReNameSD = named(new QCheckBox(QStringLiteral("Rename shares/directories"), this), QStringLiteral("ReNameSD"));
  ReNameSD->setToolTip(
      QStringLiteral("When selected, Tavrel will rename users share s/directories to match new name"));
  Label7 = named(new QLabel(QStringLiteral("*"), this), QStringLiteral("Label7"));
  box->addWidget(ReNameSD);
  box->addWidget(Label7);
  box->addStretch();
  layout->addLayout(box);

  auto* buttons = new QHBoxLayout;
  Command2 = named(new QPushButton(QStringLiteral("&OK"), this), QStringLiteral("Command2"));
  Command2->setDefault(true);
  Command1 = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("Command1"));
  buttons->addStretch();
  buttons->addWidget(Command2);
  buttons->addWidget(Command1);
  layout->addLayout(buttons);

  connect(Full_Name, &QLineEdit::textChanged, this, [this] { Full_Name_Change(); });
  connect(Logon_Name_pre2000, &QLineEdit::textChanged, this, [this] { Logon_Name_pre2000_Change(); });
  connect(Command2, &QPushButton::clicked, this, &RenameUser::Command2_Click);
  connect(Command1, &QPushButton::clicked, this, &RenameUser::Command1_Click);
  Form_Load();
}

void RenameUser::Form_Load() {
  const QColor colour = host_.fieldColour();
  if (colour.isValid())
    for (QLineEdit* e : {WINNT_Domain, AD_Domain}) {
      QPalette p = e->palette();
      p.setColor(QPalette::Base, colour);
      e->setPalette(p);
    }
  if (host_.renameDirs()) ReNameSD->setChecked(true);
  const state::SharedState& sh = state::shared();
  // A field whose attribute cannot be read stays empty.
  const auto names = loadAdNames(host_.nodeKey());
  if (names) {
    Full_Name->setText(names->fullName);
    First_Name->setText(names->firstName);
    Last_Name->setText(names->lastName);
    Display_Name->setText(names->displayName);
    Logon_Name_pre2000->setText(names->sam);
    User_logon_name->setText(names->upnPrefix);
  }
  // The suffix the account has: a rename keeps it.
  AD_Domain->setText(names ? names->upnSuffix : u'@' + sh.Domain_Name);
  WINNT_Domain->setText(sh.NetBIOS_Domain + u'\\');
  const bool cn = host_.cnName();
  RENDIR->setText(cn ? QStringLiteral("*") : QString());
  REDIR1->setText(cn ? QString() : QStringLiteral("*"));
  fullNameChanged_ = false;
  samChanged_ = false;
}

void RenameUser::Command2_Click() {
  AdRenameRequest request;
  request.names.fullName = Full_Name->text();
  request.names.firstName = First_Name->text();
  request.names.lastName = Last_Name->text();
  request.names.displayName = Display_Name->text();
  request.names.upnPrefix = User_logon_name->text();
  request.names.sam = Logon_Name_pre2000->text();
  request.fullNameChanged = fullNameChanged_;
  request.samChanged = samChanged_;
  request.renameDirs = ReNameSD->isChecked();
  const AdRenameOutcome outcome = renameAdUser(request, host_);
  if (outcome.done) return accept();
  ui::prompter().MsgBox(outcome.message, ui::kStyleCritical, outcome.title);
}

}  // namespace tavrel::groups
