// The logon-hours window: painting the array, painting ranges with the mouse, the headers and the
// corner, the description, OK and Cancel; and the bits a saved template then holds.

#include "RecordTabs.h"

#include "mainwindow/Logon_Hours.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>

using namespace tavrel;
using mainwindow::Logon_Hours;
using records::LogonHoursBytes;

namespace {

LogonHoursBytes filled(uint8_t value) {
  LogonHoursBytes b;
  b.fill(value);
  return b;
}

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

// A press on one point, a drag to another and the release there, then the window's painting.
void drag(QWidget* target, QPoint from, QPoint to) {
  mouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
  mouse(target, QEvent::MouseMove, to, Qt::LeftButton);
  mouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton);
  QApplication::processEvents();
}

class LogonHoursWindow : public test::AppFixture {
 protected:
  QPoint centreOf(Logon_Hours& w, int day, int hour) {
    return w.MSFlexGrid1->visualItemRect(w.cell(day, hour)).center();
  }
  // The days and hours shown permitted, as (day, hour) pairs.
  static std::set<std::pair<int, int>> blue(const Logon_Hours& w) {
    std::set<std::pair<int, int>> out;
    for (int d = 0; d < 7; ++d)
      for (int h = 0; h < 24; ++h)
        if (w.permitted(d, h)) out.insert({d, h});
    return out;
  }
  static std::set<std::pair<int, int>> rect(int d1, int h1, int d2, int h2) {
    std::set<std::pair<int, int>> out;
    for (int d = d1; d <= d2; ++d)
      for (int h = h1; h <= h2; ++h) out.insert({d, h});
    return out;
  }
};

TEST_F(LogonHoursWindow, OpensWithTheArrayPaintedAndNothingDescribed) {
  struct Case {
    const char* name;
    LogonHoursBytes bytes;
    size_t blueCells;
  } cases[] = {{"all permitted", filled(255), 168}, {"none", filled(0), 0}, {"byte 0 bit 0", [] {
                                                                              LogonHoursBytes b = filled(0);
                                                                              b[0] = 1;
                                                                              return b;
                                                                            }(),
                                                                            1}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LogonHoursBytes before = c.bytes;
    Logon_Hours w(c.bytes, true);
    EXPECT_EQ(blue(w).size(), c.blueCells);
    EXPECT_EQ(w.packed(), before) << "packing after opening gives back what was painted";
    EXPECT_TRUE(w.Option2->isChecked()) << "opens in Disable login";
    EXPECT_EQ(w.Label2->text(), "");
    EXPECT_EQ(w.windowTitle(), "Logon hours");
  }
  LogonHoursBytes one = filled(0);
  one[0] = 1;
  Logon_Hours w(one, true);
  EXPECT_TRUE(w.permitted(0, 12)) << "Sunday 12pm is byte 0 bit 0";
  EXPECT_EQ(w.MSFlexGrid1->verticalHeaderItem(0)->text(), "Sunday");
  EXPECT_EQ(w.MSFlexGrid1->verticalHeaderItem(6)->text(), "Saturday");
  EXPECT_GE(w.MSFlexGrid1->columnWidth(0), w.fontMetrics().horizontalAdvance("23")) << "two digits fit";
  EXPECT_EQ(w.Option1->text(), "Enable Login");
  EXPECT_EQ(w.Option2->text(), "Disable login");
}

TEST_F(LogonHoursWindow, DraggingPaintsTheSameRectangleFromAnyCorner) {
  // Monday to Friday, 8am to 5pm (columns 9 to 17 of the original grid).
  const std::pair<std::pair<int, int>, std::pair<int, int>> drags[] = {
      {{1, 8}, {5, 16}}, {{5, 16}, {1, 8}}, {{1, 16}, {5, 8}}, {{5, 8}, {1, 16}}};
  for (const auto& [from, to] : drags) {
    SCOPED_TRACE(testing::Message() << from.first << "," << from.second << " -> " << to.first << "," << to.second);
    LogonHoursBytes hours = filled(255);
    Logon_Hours w(hours, true);
    w.show();
    drag(w.MSFlexGrid1->viewport(), centreOf(w, from.first, from.second), centreOf(w, to.first, to.second));
    std::set<std::pair<int, int>> expected = rect(0, 0, 6, 23);
    for (const auto& cell : rect(1, 8, 5, 16)) expected.erase(cell);
    EXPECT_EQ(blue(w), expected);
    EXPECT_EQ(w.Label2->text(), "Monday through to Friday - 8am to 5pm");
  }
}

TEST_F(LogonHoursWindow, OneCellARowAColumnAndTheWholeWeek) {
  LogonHoursBytes hours = filled(0);
  Logon_Hours w(hours, true);
  w.show();
  w.Option1->setChecked(true);
  EXPECT_EQ(w.MSFlexGrid1->palette().color(QPalette::Highlight), Logon_Hours::enabledColour())
      << "a range being dragged shows the colour it gets";

  drag(w.MSFlexGrid1->viewport(), centreOf(w, 1, 8), centreOf(w, 1, 8));
  EXPECT_EQ(blue(w), rect(1, 8, 1, 8));
  EXPECT_EQ(w.Label2->text(), "Monday - 8am to 9am");

  // A day's header selects the whole day.
  QHeaderView* days = w.MSFlexGrid1->verticalHeader();
  const QPoint tuesday(days->width() / 2, days->sectionViewportPosition(2) + days->sectionSize(2) / 2);
  drag(days->viewport(), tuesday, tuesday);
  EXPECT_EQ(w.Label2->text(), "Tuesday - 12am to 12am");
  EXPECT_TRUE(w.permitted(2, 0) && w.permitted(2, 23));

  // An hour's header selects that hour of every day; the last hour ends at 12am.
  QHeaderView* hoursHeader = w.MSFlexGrid1->horizontalHeader();
  const QPoint lastHour(hoursHeader->sectionViewportPosition(23) + hoursHeader->sectionSize(23) / 2,
                        hoursHeader->height() / 2);
  drag(hoursHeader->viewport(), lastHour, lastHour);
  EXPECT_EQ(w.Label2->text(), "Sunday through to Saturday - 11pm to 12am");
  for (int d = 0; d < 7; ++d) EXPECT_TRUE(w.permitted(d, 23));

  // "All" takes the week; in Disable login it denies every hour.
  w.Option2->setChecked(true);
  EXPECT_EQ(w.MSFlexGrid1->palette().color(QPalette::Highlight), Logon_Hours::disabledColour());
  auto* all = w.MSFlexGrid1->findChild<QAbstractButton*>("All");
  ASSERT_NE(all, nullptr);
  const QPoint inCorner = all->rect().center();
  mouse(all, QEvent::MouseButtonPress, inCorner, Qt::LeftButton);
  mouse(all, QEvent::MouseButtonRelease, inCorner, Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(w.Label2->text(), "Sunday through to Saturday - 12am to 12am");
  EXPECT_TRUE(blue(w).empty());
}

TEST_F(LogonHoursWindow, OkKeepsTheGridCancelAndClosingKeepNothing) {
  LogonHoursBytes hours = filled(255);
  {
    Logon_Hours w(hours, true);
    w.MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 23), true);
    w.MSFlexGrid1_MouseUp();
    w.Command1_Click();
  }
  EXPECT_EQ(hours, filled(255)) << "Cancel";
  {
    Logon_Hours w(hours, true);
    w.MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 23), true);
    w.MSFlexGrid1_MouseUp();
    w.close();
  }
  EXPECT_EQ(hours, filled(255)) << "closing by the frame";
  {
    Logon_Hours w(hours, false);
    EXPECT_FALSE(w.Command2->isEnabled()) << "no template under edit: nothing can be kept";
    w.MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 23), true);
    w.MSFlexGrid1_MouseUp();
    w.Command2_Click();
  }
  EXPECT_EQ(hours, filled(255));
  {
    Logon_Hours w(hours, true);
    // All of Sunday denied: Sunday 12am-11am are bytes 19 bit 4 .. byte 20 bit 7, 12pm-11pm bytes 0 and 1.
    w.MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 23), true);
    w.MSFlexGrid1_MouseUp();
    w.Command2_Click();
  }
  EXPECT_EQ(hours[0], 0);
  EXPECT_EQ(hours[1], 0xF0);
  EXPECT_EQ(hours[19], 0x0F);
  EXPECT_EQ(hours[20], 0);
  EXPECT_EQ(hours[2], 255);
}

class LogonHoursOfATemplate : public test::RecordTabsFixture {};

TEST_F(LogonHoursOfATemplate, TheButtonOpensTheWindowAndTheSaveStoresItsBits) {
  w->Field_Colour = QColor(212, 208, 200);
  w->show();
  w->NewTemplate_Click();
  w->New_Template_Name->setText("Office hours");
  // Only Monday 8am to 5pm permitted: deny the week, then enable the range.
  QTimer::singleShot(0, [] {
    auto* window = qobject_cast<Logon_Hours*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    window->MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(0, 0, 6, 23), true);
    window->MSFlexGrid1_MouseUp();
    window->MSFlexGrid1->clearSelection();
    window->Option1->setChecked(true);
    window->MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(1, 8, 1, 16), true);
    window->MSFlexGrid1_MouseUp();
    window->Command2->click();
  });
  w->LogonHours_Click();
  w->savetemplate_Click();
  ASSERT_EQ(status(), "Template Saved...");
  const records::Template_Record saved = records::Template_Record::decode(file("Template.dat"));
  // Monday 8am is bit (24 + 8 + 156) mod 168 = 20: byte 2 bit 4; Monday 4pm is bit 28: byte 3 bit 4.
  LogonHoursBytes expected = filled(0);
  for (int bit = 20; bit <= 28; ++bit) expected[bit / 8] |= uint8_t(1u << (bit % 8));
  EXPECT_EQ(saved.LogonHours, expected);
  EXPECT_EQ(saved.LogonHours[3] & 1, 1) << "Monday 12pm is byte 3 bit 0";

  // With no template under edit the window opens but keeps nothing.
  QTimer::singleShot(0, [] {
    auto* window = qobject_cast<Logon_Hours*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Command2->isEnabled());
    window->Command1->click();
  });
  w->LogonHours_Click();
}

}  // namespace
