#include "mainwindow/StatusBar.h"

namespace tavrel::mainwindow {

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  for (int i = 0; i < 2; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    addPermanentWidget(panels_[i], i == 0 ? 3 : 1);
  }
  panels_[0]->setText(QStringLiteral("Ready."));
}

QLabel* StatusBar::panel(int panel) const {
  if (panel < 1 || panel > 2) return nullptr;
  return panels_[panel - 1];
}

void StatusBar::setPanelText(int panel, const QString& text, const QString& detail) {
  if (QLabel* l = this->panel(panel)) {
    l->setText(text);
    l->setToolTip(detail);
  }
}

QString StatusBar::panelText(int panel) const {
  const QLabel* l = this->panel(panel);
  return l ? l->text() : QString();
}

}  // namespace tavrel::mainwindow
