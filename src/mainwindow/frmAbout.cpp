#include "mainwindow/frmAbout.h"

#include "mainwindow/Version.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tavrel::mainwindow {

QLabel* makeLogo(QWidget* parent) {
  QPixmap pm(72, 72);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(31, 78, 140));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(2, 2, 68, 68), 12, 12);
  p.setBrush(QColor(240, 244, 250));
  p.drawEllipse(QRectF(24, 12, 24, 24));              // head
  p.drawRoundedRect(QRectF(14, 40, 44, 22), 10, 10);  // shoulders
  p.end();
  auto* logo = new QLabel(parent);
  logo->setObjectName(QStringLiteral("Image1"));
  logo->setPixmap(pm);
  return logo;
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About ") + kTitle);
  QFont tahoma(QStringLiteral("Tahoma"));
  setFont(tahoma);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(makeLogo(this), 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  lblTitle = new QLabel(kTitle, this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont big = tahoma;
  big.setPointSize(16);
  big.setBold(true);
  lblTitle->setFont(big);
  lblversion = new QLabel(versionText(), this);
  lblversion->setObjectName(QStringLiteral("lblversion"));
  texts->addWidget(lblTitle);
  texts->addWidget(lblversion);
  texts->addStretch();
  layout->addLayout(texts);
  // Wide enough for the whole title beside the title bar's buttons.
  setMinimumWidth(qMax(360, fontMetrics().horizontalAdvance(windowTitle()) + 240));
  setModal(true);
}

void frmAbout::mousePressEvent(QMouseEvent*) {
  accept();
}

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addWidget(makeLogo(this), 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  lblProductName = new QLabel(kTitle, this);
  lblProductName->setObjectName(QStringLiteral("lblProductName"));
  QFont big = font();
  big.setPointSize(22);
  big.setBold(true);
  lblProductName->setFont(big);
  lblversion = new QLabel(versionText(), this);
  lblversion->setObjectName(QStringLiteral("lblversion"));
  lblSystems = new QLabel(QStringLiteral("XP/2000/NT 4.0"), this);
  lblSystems->setObjectName(QStringLiteral("lblPlatform"));
  Splash_TxT = new QLabel(this);
  Splash_TxT->setObjectName(QStringLiteral("Splash_TxT"));
  Splash_TxT->setMinimumWidth(320);
  texts->addWidget(lblProductName);
  texts->addWidget(lblversion);
  texts->addWidget(lblSystems);
  texts->addStretch();
  texts->addWidget(Splash_TxT);
  layout->addLayout(texts);
  setStyleSheet(QStringLiteral("#frmSplash { border: 1px solid #1f4e8c; }"));
}

void frmSplash::setStatus(const QString& text) {
  Splash_TxT->setText(text);
  repaint();
  QCoreApplication::processEvents();
}

void frmSplash::keyPressEvent(QKeyEvent*) {
  close();
}

void Unload_Splash() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<frmSplash*>(w) && w->isVisible()) w->close();
}

}  // namespace tavrel::mainwindow
