#pragma once
// Giving controls their names: a control's objectName is its known name; an element of a control
// array is named with its index in parentheses, "Option1(0)", so that each one can be found.

#include <QString>

namespace tavrel::mainwindow {

template <typename T>
T* named(T* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

inline QString elementName(const QString& array, int index) {
  return array + u'(' + QString::number(index) + u')';
}

}  // namespace tavrel::mainwindow
