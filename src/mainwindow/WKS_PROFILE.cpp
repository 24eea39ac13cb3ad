#include "mainwindow/WKS_PROFILE.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavrel::mainwindow {

QString WKS_PROFILE::Workstation_Path;
bool WKS_PROFILE::Workstation_NT4 = false;

namespace {
template <typename T>
T* named(T* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace

WKS_PROFILE::WKS_PROFILE(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("WKS_PROFILE"));
  setWindowTitle(QStringLiteral("Delete WKS Profile"));
  setModal(true);

  auto* nameFrame = new QGroupBox(QStringLiteral("Workstation Name"), this);
  auto* nameLayout = new QVBoxLayout(nameFrame);
  WKS_NAME1 = named(new QLineEdit(nameFrame), "WKS_NAME1");
  nameLayout->addWidget(WKS_NAME1);

  auto* typeFrame = new QGroupBox(QStringLiteral("Workstation Type"), this);
  auto* typeLayout = new QHBoxLayout(typeFrame);
  W2K = named(new QRadioButton(QStringLiteral("Windows 2000"), typeFrame), "W2K");
  NT40 = named(new QRadioButton(QStringLiteral("NT 4.0"), typeFrame), "NT40");
  W2K->setChecked(true);
  typeLayout->addWidget(W2K);
  typeLayout->addWidget(NT40);

  OKButton = named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
  CancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
  OKButton->setDefault(true);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch(1);

  auto* frames = new QVBoxLayout;
  frames->addWidget(nameFrame);
  frames->addWidget(typeFrame);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(frames, 1);
  layout->addLayout(buttons);
  setMinimumWidth(360);

  connect(OKButton, &QPushButton::clicked, this, &WKS_PROFILE::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &WKS_PROFILE::CancelButton_Click);
  WKS_NAME1->setFocus();
}

void WKS_PROFILE::OKButton_Click() {
  Workstation_Path = WKS_NAME1->text();
  Workstation_NT4 = NT40->isChecked();
  accept();
}

void WKS_PROFILE::CancelButton_Click() {
  reject();
}

void WKS_PROFILE::reject() {
  // A closing without OK leaves no name behind, so the next deletion never reuses an old one.
  Workstation_Path.clear();
  QDialog::reject();
}

}  // namespace tavrel::mainwindow
