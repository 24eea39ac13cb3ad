#include "ui/ListView.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace tavrel::ui {
namespace {

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kIconRole = Qt::UserRole + 2;

// Orders rows by the sort column's text, letter case ignored.
// A row keeps its texts case-folded beside the item's values, so that sorting a long list compares
// strings as they are (the order of a comparison without regard to case) rather than converting
// and folding two values at every comparison.
class Row : public QTreeWidgetItem {
 public:
  // Rows are told from other items by their type, which is cheaper than a cast at each comparison.
  static constexpr int kType = QTreeWidgetItem::UserType + 0x4c56;
  Row() : QTreeWidgetItem(kType) {}
  void setData(int column, int role, const QVariant& value) override {
    QTreeWidgetItem::setData(column, role, value);
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && column >= 0) {
      if (texts_.size() <= column) texts_.resize(column + 1);
      texts_[column] = QTreeWidgetItem::text(column).toCaseFolded();
    }
  }
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (other.type() == kType) return textOf(column) < static_cast<const Row&>(other).textOf(column);
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }

 private:
  const QString& textOf(int column) const {
    static const QString none;
    return column >= 0 && column < texts_.size() ? texts_[column] : none;
  }
  QList<QString> texts_;
};

}  // namespace

// Hands the typed label to the list, which asks afterLabelEdit before it takes the text.
class LabelDelegate : public QStyledItemDelegate {
 public:
  LabelDelegate(ListView* list) : QStyledItemDelegate(list), list_(list) {}
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* row = list_->itemFromIndex(index);
    if (line && row) list_->commitLabel(row, line->text());
  }

 private:
  ListView* list_;
};

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new LabelDelegate(this));
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  connect(header(), &QHeaderView::sectionClicked, this, &ListView::columnClick);
  connect(itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
            if (editing_) endLabelEdit(hint != QAbstractItemDelegate::RevertModelCache);
          });
}

void ListView::setColumns(const QStringList& headers) {
  setColumnCount(int(headers.size()));
  setHeaderLabels(headers);
}

void ListView::setImageList(const ImageList* images) {
  images_ = images;
}

int ListView::count() const {
  return topLevelItemCount();
}

QTreeWidgetItem* ListView::item(int index) const {
  if (index < 1 || index > count()) return nullptr;
  return topLevelItem(index - 1);
}

int ListView::indexOf(const QTreeWidgetItem* row) const {
  return row ? indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(row)) + 1 : 0;
}

QTreeWidgetItem* ListView::makeRow(const QString& text, const QString& key, const QString& smallIcon) const {
  if (!smallIcon.isEmpty() && !(images_ && images_->contains(smallIcon))) return nullptr;
  auto* row = new Row;
  row->setFlags(row->flags() | Qt::ItemIsEditable);
  row->setText(0, text);
  row->setData(0, kKeyRole, key);
  if (!smallIcon.isEmpty()) {
    row->setData(0, kIconRole, smallIcon);
    row->setIcon(0, images_->icon(smallIcon));
  }
  return row;
}

QTreeWidgetItem* ListView::add(const QString& text, const QString& key, const QString& smallIcon) {
  QTreeWidgetItem* row = makeRow(text, key, smallIcon);
  if (!row) return nullptr;
  if (sorted_ && !editing_)
    insertTopLevelItem(sortedPosition(row), row);
  else
    addTopLevelItem(row);
  return row;
}

bool ListView::remove(int index) {
  QTreeWidgetItem* row = item(index);
  if (!row) return false;
  if (row == editing_) {
    // Close the label editor first, without taking its text: deleting the row under an open
    // editor would move the focus (and run focus handlers) while the row is half destroyed.
    editing_ = nullptr;
    if (auto* editor = viewport()->findChild<QLineEdit*>())
      closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
  delete row;
  return true;
}

QString ListView::text(int index) const {
  const QTreeWidgetItem* row = item(index);
  return row ? row->text(0) : QString();
}

QString ListView::key(int index) const {
  const QTreeWidgetItem* row = item(index);
  return row ? row->data(0, kKeyRole).toString() : QString();
}

QString ListView::smallIcon(int index) const {
  const QTreeWidgetItem* row = item(index);
  return row ? row->data(0, kIconRole).toString() : QString();
}

QString ListView::subItem(int index, int n) const {
  const QTreeWidgetItem* row = item(index);
  return row && n >= 1 ? row->text(n) : QString();
}

void ListView::setText(int index, const QString& text) {
  if (QTreeWidgetItem* row = item(index)) {
    row->setText(0, text);
    resort();
  }
}

void ListView::setKey(int index, const QString& key) {
  if (QTreeWidgetItem* row = item(index)) row->setData(0, kKeyRole, key);
}

bool ListView::setSmallIcon(int index, const QString& iconKey) {
  QTreeWidgetItem* row = item(index);
  if (!row || !(images_ && images_->contains(iconKey))) return false;
  row->setData(0, kIconRole, iconKey);
  row->setIcon(0, images_->icon(iconKey));
  return true;
}

void ListView::setSubItem(int index, int n, const QString& text) {
  QTreeWidgetItem* row = item(index);
  if (!row || n < 1) return;
  row->setText(n, text);
  if (sorted_ && n == sortKey_) resort();
}

int ListView::findKey(const QString& key) const {
  for (int i = 1; i <= count(); ++i)
    if (this->key(i) == key) return i;
  return 0;
}

QTreeWidgetItem* ListView::selectedItem() const {
  QTreeWidgetItem* row = currentItem();
  return row && row->isSelected() ? row : nullptr;
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  emit dblClick();
}

int ListView::selectedIndex() const {
  return indexOf(selectedItem());
}

void ListView::setSelectedIndex(int index) {
  QTreeWidgetItem* row = item(index);
  setCurrentItem(row);
  if (row) row->setSelected(true);
}

void ListView::setSorted(bool on) {
  sorted_ = on;
  resort();
}

void ListView::setSortKey(int column) {
  sortKey_ = column;
  resort();
}

void ListView::setSortOrder(Qt::SortOrder order) {
  sortOrder_ = order;
  resort();
}

int ListView::sortedPosition(const QTreeWidgetItem* row) const {
  // Binary search for the place after every row that does not sort behind the new one, so that
  // loading a long list costs one search per row instead of one sort per row.
  const QString text = row->text(sortKey_);
  auto behind = [&](int i) {
    const int c = topLevelItem(i)->text(sortKey_).compare(text, Qt::CaseInsensitive);
    return sortOrder_ == Qt::AscendingOrder ? c > 0 : c < 0;
  };
  int lo = 0, hi = count();
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (behind(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

void ListView::resort() {
  // The row being edited keeps its place until the edit ends.
  if (sorted_ && !editing_) sortItems(sortKey_, sortOrder_);
}

bool ListView::startLabelEdit(int index) {
  QTreeWidgetItem* row = item(index);
  if (!row) return false;
  bool cancel = false;
  emit beforeLabelEdit(cancel);
  if (cancel) return false;
  editing_ = row;
  setCurrentItem(row);
  editItem(row, 0);
  return true;
}

void ListView::commitLabel(QTreeWidgetItem* row, const QString& newString) {
  if (row != editing_) return;
  bool cancel = false;
  emit afterLabelEdit(cancel, newString);
  // The handler may have removed the row; only a row still in the list takes the text.
  if (!cancel && editing_ == row) row->setText(0, newString);
}

void ListView::endLabelEdit(bool committed) {
  editing_ = nullptr;
  if (!committed) emit labelEditAbandoned();
  resort();
}

}  // namespace tavrel::ui
