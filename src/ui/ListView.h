#pragma once
// A report-style list as the windows use it: each row has a text (column 0), sub-items (columns
// 1..), an optional key and a small-icon key. Rows are numbered from 1, as the rest of the code
// counts them. Keys need not be unique; lookups return the first match.
//
// Sorting is explicit: while Sorted is on, the list is kept ordered by the sort key column in the
// sort order (letter case ignored). A click on a column header only emits columnClick; whoever
// handles it decides whether to change the order.
//
// Label editing is started by the program only (startLabelEdit). beforeLabelEdit may cancel the
// start; afterLabelEdit receives the typed text and may cancel the change, which keeps the old
// text. Escape ends the edit without afterLabelEdit and emits labelEditAbandoned.

#include "ui/ImageList.h"

#include <QTreeWidget>

namespace tavrel::ui {

class ListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit ListView(QWidget* parent = nullptr);

  // The column headers; the first names the rows' text.
  void setColumns(const QStringList& headers);
  // The image list that small-icon keys refer to (not owned; may be shared by several lists).
  void setImageList(const ImageList* images);

  int count() const;
  // Row `index` (1..count), or nullptr outside that range.
  QTreeWidgetItem* item(int index) const;
  // The 1-based number of `row`, or 0 when it is not in this list.
  int indexOf(const QTreeWidgetItem* row) const;

  // Appends a row (kept in order when Sorted is on). A small-icon key that the image list does
  // not hold adds nothing and returns nullptr.
  QTreeWidgetItem* add(const QString& text, const QString& key = {}, const QString& smallIcon = {});
  // The row add() would append, not yet in any list (nullptr where add() adds nothing): a caller
  // filling a long list puts many in at once with addTopLevelItems().
  QTreeWidgetItem* makeRow(const QString& text, const QString& key = {}, const QString& smallIcon = {}) const;
  // Removes row `index` (1..count); false when there is no such row.
  bool remove(int index);

  QString text(int index) const;
  QString key(int index) const;
  QString smallIcon(int index) const;
  // Sub-item n (1..) of row `index`.
  QString subItem(int index, int n) const;
  void setText(int index, const QString& text);
  void setKey(int index, const QString& key);
  bool setSmallIcon(int index, const QString& iconKey);
  void setSubItem(int index, int n, const QString& text);
  // The first row whose key equals `key` exactly, or 0.
  int findKey(const QString& key) const;

  // The row the administrator chose: the current row while it is selected, or nullptr / 0. A
  // current row that is not selected (the one the list makes current when it takes the focus,
  // or the neighbour of a removed row) is no choice.
  QTreeWidgetItem* selectedItem() const;
  int selectedIndex() const;
  void setSelectedIndex(int index);

  bool sorted() const { return sorted_; }
  void setSorted(bool on);
  int sortKey() const { return sortKey_; }
  void setSortKey(int column);
  Qt::SortOrder sortOrder() const { return sortOrder_; }
  void setSortOrder(Qt::SortOrder order);

  // Opens the label editor on row `index`; false when there is no such row or beforeLabelEdit
  // cancelled.
  bool startLabelEdit(int index);
  bool isEditingLabel() const { return editing_ != nullptr; }

 signals:
  void beforeLabelEdit(bool& cancel);
  void afterLabelEdit(bool& cancel, const QString& newString);
  void labelEditAbandoned();
  void columnClick(int column);
  // A double-click anywhere in the list, on a row or on its empty part.
  void dblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  friend class LabelDelegate;
  void commitLabel(QTreeWidgetItem* row, const QString& newString);
  void endLabelEdit(bool committed);
  void resort();
  int sortedPosition(const QTreeWidgetItem* row) const;

  const ImageList* images_ = nullptr;
  bool sorted_ = false;
  int sortKey_ = 0;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  QTreeWidgetItem* editing_ = nullptr;
};

}  // namespace tavrel::ui
