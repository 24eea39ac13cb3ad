#pragma once
// Icons addressed by key, as list and tree items name their small icon. The pictures are drawn
// here so the program needs no image files.

#include <QIcon>
#include <QMap>
#include <QString>

namespace tavrel::ui {

class ImageList {
 public:
  void add(const QString& key, const QIcon& icon) { icons_.insert(key, icon); }
  bool contains(const QString& key) const { return icons_.contains(key); }
  QIcon icon(const QString& key) const { return icons_.value(key); }
  QStringList keys() const { return icons_.keys(); }

 private:
  QMap<QString, QIcon> icons_;
};

// A round lamp of the given colour (the log's GREEN, YELLOW and RED).
QIcon lampIcon(const QColor& colour);
// A small square glyph with a letter, for the kinds of directory objects.
QIcon glyphIcon(const QColor& colour, QChar letter);

}  // namespace tavrel::ui
