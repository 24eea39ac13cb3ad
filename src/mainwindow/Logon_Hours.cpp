#include "mainwindow/Logon_Hours.h"

#include "mainwindow/Naming.h"
#include "ui/Services.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::mainwindow {
namespace {

constexpr int kDays = 7;
constexpr int kHours = 24;
// The width of an hour's column in the window's original layout.
constexpr int kColumnTwips = 150;

// The hour marks 0, 6, 12, 18 and 24 above the grid, each over the boundary of its column.
class HourRuler : public QLabel {
 public:
  HourRuler(QTableWidget* grid, QWidget* parent) : QLabel(parent), grid_(grid) {
    setMinimumHeight(fontMetrics().height() + 2);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm = fontMetrics();
    for (int mark = 0; mark <= kHours; mark += 6) {
      const int column = mark < kHours ? mark : kHours - 1;
      int x = grid_->columnViewportPosition(column) + (mark < kHours ? 0 : grid_->columnWidth(column));
      x = grid_->viewport()->mapTo(window(), QPoint(x, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
      const QString text = QString::number(mark);
      const int w = fm.horizontalAdvance(text);
      p.drawText(std::max(0, std::min(x - w / 2, width() - w)), fm.ascent() + 1, text);
    }
  }

 private:
  QTableWidget* grid_;
};

QLabel* swatch(QWidget* parent, const QString& name, const QColor& colour) {
  auto* l = named(new QLabel(parent), name);
  l->setFixedSize(16, 16);
  l->setFrameShape(QFrame::Box);
  l->setAutoFillBackground(true);
  QPalette p = l->palette();
  p.setColor(QPalette::Window, colour);
  l->setPalette(p);
  return l;
}

}  // namespace

Logon_Hours::Logon_Hours(records::LogonHoursBytes& hours, bool canKeep, QWidget* parent)
    : QDialog(parent), hours_(hours) {
  setObjectName(QStringLiteral("Logon_Hours"));
  setWindowTitle(QStringLiteral("Logon hours"));
  setModal(true);

  MSFlexGrid1 = named(new QTableWidget(kDays, kHours, this), QStringLiteral("MSFlexGrid1"));
  MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MSFlexGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
  MSFlexGrid1->setFocusPolicy(Qt::NoFocus);  // no focus frame over the colours
  MSFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  MSFlexGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QStringList hourLabels;
  for (int h = 0; h < kHours; ++h) hourLabels << QString::number(h);
  MSFlexGrid1->setHorizontalHeaderLabels(hourLabels);
  QStringList dayLabels;
  for (int d = 0; d < kDays; ++d) dayLabels << records::dayName(d);
  MSFlexGrid1->setVerticalHeaderLabels(dayLabels);
  for (int d = 0; d < kDays; ++d) MSFlexGrid1->verticalHeaderItem(d)->setTextAlignment(Qt::AlignCenter);
  // An hour's column keeps its original width unless two digits of its header need more.
  const int columnWidth =
      qMax(ui::twipsToPixels(kColumnTwips, this), fontMetrics().horizontalAdvance(QStringLiteral("00")) + 8);
  QHeaderView* top = MSFlexGrid1->horizontalHeader();
  top->setMinimumSectionSize(columnWidth);
  top->setSectionResizeMode(QHeaderView::Fixed);
  top->setDefaultSectionSize(columnWidth);
  MSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int d = 0; d < kDays; ++d)
    for (int h = 0; h < kHours; ++h) {
      auto* item = new QTableWidgetItem;
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      MSFlexGrid1->setItem(d, h, item);
    }
  QPalette gridPalette = MSFlexGrid1->palette();
  gridPalette.setColor(QPalette::Base, enabledColour());
  MSFlexGrid1->setPalette(gridPalette);
  // The grid shows all of the week at once.
  MSFlexGrid1->setFixedSize(MSFlexGrid1->verticalHeader()->sizeHint().width() + kHours * columnWidth +
                                2 * MSFlexGrid1->frameWidth(),
                            top->sizeHint().height() + kDays * MSFlexGrid1->verticalHeader()->defaultSectionSize() +
                                2 * MSFlexGrid1->frameWidth());

  // The corner cell selects the whole week and reads "All".
  corner_ = MSFlexGrid1->findChild<QAbstractButton*>();
  if (corner_) {
    corner_->setObjectName(QStringLiteral("All"));
    corner_->installEventFilter(this);
  }
  // Painting happens when a mouse button is released over the grid or its headers, once the
  // view has finished its selection.
  for (QWidget* w : {MSFlexGrid1->viewport(), top->viewport(), MSFlexGrid1->verticalHeader()->viewport()})
    w->installEventFilter(this);

  Label1 = new HourRuler(MSFlexGrid1, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = named(new QLabel(this), QStringLiteral("Label2"));
  Label2->setMinimumHeight(fontMetrics().height() + 4);

  Option1 = named(new QRadioButton(QStringLiteral("Enable Login"), this), QStringLiteral("Option1"));
  Option2 = named(new QRadioButton(QStringLiteral("Disable login"), this), QStringLiteral("Option2"));
  Label3 = swatch(this, QStringLiteral("Label3"), enabledColour());
  Label4 = swatch(this, QStringLiteral("Label4"), disabledColour());
  Command2 = named(new QPushButton(QStringLiteral("&OK"), this), QStringLiteral("Command2"));
  Command1 = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("Command1"));

  auto* v = new QVBoxLayout(this);
  v->addWidget(Label1);
  v->addWidget(MSFlexGrid1);
  v->addWidget(Label2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Option1);
  bottom->addWidget(Label3);
  bottom->addSpacing(16);
  bottom->addWidget(Option2);
  bottom->addWidget(Label4);
  bottom->addStretch();
  bottom->addWidget(Command2);
  bottom->addWidget(Command1);
  v->addLayout(bottom);
  v->setSizeConstraint(QLayout::SetFixedSize);

  connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Option1_Click();
  });
  connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Option2_Click();
  });
  connect(Command2, &QPushButton::clicked, this, &Logon_Hours::Command2_Click);
  connect(Command1, &QPushButton::clicked, this, &Logon_Hours::Command1_Click);

  // Opening: "Disable login" chosen, the array painted, nothing described.
  Option2->setChecked(true);
  setSelectionColour(paintColour());
  paintGrid(hours_);
  Command2->setEnabled(canKeep);
  Command2->setDefault(canKeep);
}

QColor Logon_Hours::paintColour() const {
  return Option1->isChecked() ? enabledColour() : disabledColour();
}

void Logon_Hours::setSelectionColour(const QColor& colour) {
  // The range being dragged shows the colour it will receive.
  QPalette p = MSFlexGrid1->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) p.setColor(g, QPalette::Highlight, colour);
  MSFlexGrid1->setPalette(p);
}

void Logon_Hours::paintGrid(const records::LogonHoursBytes& bytes) {
  const records::LogonHoursGrid grid = records::unpackLogonHours(bytes);
  MSFlexGrid1->setUpdatesEnabled(false);
  for (int d = 0; d < kDays; ++d)
    for (int h = 0; h < kHours; ++h) cell(d, h)->setBackground(grid[d][h] ? enabledColour() : disabledColour());
  MSFlexGrid1->setUpdatesEnabled(true);
}

void Logon_Hours::Option1_Click() {
  if (Option1->isChecked()) setSelectionColour(enabledColour());
}

void Logon_Hours::Option2_Click() {
  if (Option2->isChecked()) setSelectionColour(disabledColour());
}

void Logon_Hours::MSFlexGrid1_MouseUp() {
  const QList<QTableWidgetSelectionRange> ranges = MSFlexGrid1->selectedRanges();
  if (ranges.isEmpty()) return;
  // The selection is one rectangle; each of its axes is already in order.
  const QTableWidgetSelectionRange& r = ranges.first();
  const QColor colour = paintColour();
  MSFlexGrid1->setUpdatesEnabled(false);
  for (int h = r.leftColumn(); h <= r.rightColumn(); ++h)
    for (int d = r.topRow(); d <= r.bottomRow(); ++d) cell(d, h)->setBackground(colour);
  MSFlexGrid1->setUpdatesEnabled(true);
  Label2->setText(records::describeRange(r.topRow() + 1, r.leftColumn() + 1, r.bottomRow() + 1, r.rightColumn() + 1));
}

bool Logon_Hours::permitted(int day, int hour) const {
  return cell(day, hour)->background().color() == enabledColour();
}

records::LogonHoursBytes Logon_Hours::packed() const {
  records::LogonHoursGrid grid{};
  for (int d = 0; d < kDays; ++d)
    for (int h = 0; h < kHours; ++h) grid[d][h] = permitted(d, h);
  return records::packLogonHours(grid);
}

void Logon_Hours::Command2_Click() {
  if (!Command2->isEnabled()) return;
  hours_ = packed();
  accept();
}

void Logon_Hours::Command1_Click() {
  reject();
}

bool Logon_Hours::eventFilter(QObject* watched, QEvent* event) {
  if (watched == corner_ && event->type() == QEvent::Paint) {
    // The corner button draws a header section with no text; this one reads "All".
    QPainter p(corner_);
    QStyleOptionHeader option;
    option.initFrom(corner_);
    option.rect = corner_->rect();
    option.text = QStringLiteral("All");
    option.textAlignment = Qt::AlignCenter;
    option.position = QStyleOptionHeader::OnlyOneSection;
    if (corner_->isDown()) option.state |= QStyle::State_Sunken;
    corner_->style()->drawControl(QStyle::CE_Header, &option, &p, corner_);
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease) QTimer::singleShot(0, this, &Logon_Hours::MSFlexGrid1_MouseUp);
  return QDialog::eventFilter(watched, event);
}

}  // namespace tavrel::mainwindow
