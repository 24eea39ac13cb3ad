#include "ui/ImageList.h"

#include <QPainter>
#include <QPixmap>

namespace tavrel::ui {

QIcon lampIcon(const QColor& colour) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(colour.darker(160));
  p.setBrush(colour);
  p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
  p.end();
  return QIcon(pm);
}

QIcon glyphIcon(const QColor& colour, QChar letter) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(colour.darker(150));
  p.setBrush(colour);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  QFont f = p.font();
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(letter));
  p.end();
  return QIcon(pm);
}

}  // namespace tavrel::ui
