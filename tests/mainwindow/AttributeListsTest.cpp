// The directory, mail and Terminal Services lists: the shared popup menu, the row editor in its
// five modes, the files rewritten by Add, Edit and Remove, the column sorting, and rewrites that
// fail.

#include "ListsFixture.h"

#include "records/Support.h"

#include <QMouseEvent>

using namespace tavrel;
using mainwindow::Edit_Properties;

namespace {

class AttributeLists : public test::ListsFixture {
 protected:
  void SetUp() override {
    ListsFixture::SetUp();
    addRow(w->ListView7, "department", "Sales", "USER");
    addRow(w->ListView7, "extensionAttribute1", "%first%", "MAIL");
    addRow(w->ListView8, "Container", "Recipients", "MAIL");
    addRow(w->ListView8, "Replication-Sensitivity", "20", "MAIL");
    w->ListView9->setSubItem(12, 1, "1 hour");
  }
  ui::ListView* listOf(int mode) {
    state::shared().Edit_Mode = int16_t(mode);
    return w->Edit_Mode_List();
  }
  // Opens the editor as the popup's Edit (adding = false) or Add would, on row `row` of the list.
  std::unique_ptr<Edit_Properties> editor(int mode, int row, bool adding) {
    ui::ListView* list = listOf(mode);
    if (row) list->setSelectedIndex(row);
    state::shared().New_Row_Flag = adding;
    return std::make_unique<Edit_Properties>(*w);
  }
};

TEST_F(AttributeLists, RightButtonChoosesTheListAndShowsTheSharedMenu) {
  mainwindow::Custom custom(*w);
  struct Case {
    const char* list;
    std::function<void(Qt::MouseButton)> press;
    int mode;
  };
  const Case cases[] = {
      {"ListView7", [&](Qt::MouseButton b) { w->ListView7_MouseDown(b); }, 0},
      {"ListView8", [&](Qt::MouseButton b) { w->ListView8_MouseDown(b); }, 1},
      {"variables", [&](Qt::MouseButton b) { w->Varibles().ListView1_MouseDown(b); }, 2},
      {"custom fields", [&](Qt::MouseButton b) { custom.ListView1_MouseDown(b); }, 3},
      {"ListView9", [&](Qt::MouseButton b) { w->ListView9_MouseDown(b); }, 4},
  };
  for (const Case& c : cases) {
    state::shared().Edit_Mode = 7;
    const int before = popups;
    c.press(Qt::LeftButton);
    EXPECT_EQ(popups, before) << c.list << ": only the right button";
    EXPECT_EQ(state::shared().Edit_Mode, 7) << c.list;
    c.press(Qt::RightButton);
    EXPECT_EQ(popups, before + 1) << c.list;
    EXPECT_EQ(state::shared().Edit_Mode, c.mode) << c.list;
    // All three items, always available.
    for (int i = 1; i <= 3; ++i) {
      EXPECT_TRUE(w->Listviewmnu[i]->isEnabled()) << c.list << " item " << i;
      EXPECT_TRUE(w->Listviewmnu[i]->isVisible()) << c.list << " item " << i;
    }
  }
  EXPECT_EQ(w->Listviewmnu[1]->text(), "Edit");
  EXPECT_EQ(w->Listviewmnu[2]->text(), "Add");
  EXPECT_EQ(w->Listviewmnu[3]->text(), "Remove");
}

TEST_F(AttributeLists, TheThreeCommandsActOnTheListOfEachMode) {
  mainwindow::Custom custom(*w);
  w->Custom_Window = &custom;
  addRow(custom.ListView1, "Cost centre", "extensionAttribute2");
  addRow(custom.ListView1, "Badge", "extensionAttribute3");
  state::shared().Template_Variables = {{"SCHOOL", "North"}, {"ROOM", "12"}};
  w->Varibles().showRows();
  w->New_Template_Name->hide();

  for (int mode = 0; mode <= 4; ++mode) {
    SCOPED_TRACE(mode);
    ui::ListView* list = listOf(mode);
    list->setSelectedIndex(1);
    const QString firstName = list->text(1);

    // Edit: the editor opens on the selected row.
    QString shownName;
    onModal<Edit_Properties>([&](Edit_Properties& e) { shownName = e.W2K_Attribute->text(); });
    w->Listviewmnu_Click(1);
    EXPECT_EQ(shownName, firstName);

    // Add: the editor opens empty (the Terminal Services rows are fixed: it shows the row), and
    // Cancel clears the add flag.
    bool flagWhileOpen = false;
    onModal<Edit_Properties>([&](Edit_Properties& e) {
      shownName = e.W2K_Attribute->text();
      flagWhileOpen = state::shared().New_Row_Flag;
      e.CancelButton->click();
    });
    w->Listviewmnu_Click(2);
    EXPECT_TRUE(flagWhileOpen);
    EXPECT_FALSE(state::shared().New_Row_Flag);
    EXPECT_EQ(shownName, mode == 4 ? firstName : QString());

    // Remove: the selected row goes, except from the fixed Terminal Services rows.
    const int rows = list->count();
    w->Listviewmnu_Click(3);
    EXPECT_EQ(list->count(), mode == 4 ? rows : rows - 1);
    if (mode != 4) {
      EXPECT_NE(list->text(1), firstName);
    }
  }
  EXPECT_EQ(file("W2K.dat"), "m,extensionAttribute1,%first%\r\n");
  EXPECT_EQ(file("Mail.dat"), "Replication-Sensitivity,20\r\n");
  EXPECT_FALSE(has("WTS.dat")) << "Remove on the Terminal Services list writes nothing";
  EXPECT_EQ(state::shared().Template_Variables, (std::vector<records::TemplateVariable>{{"ROOM", "12"}}));
}

// A list makes a row current without the administrator choosing it (when it takes the focus, or
// after a right click on its empty part); the popup's Remove and Edit act only on a row that is
// selected, so such a row is neither removed from the list and its file nor edited.
TEST_F(AttributeLists, RemoveAndEditWithNoRowSelectedTouchNothing) {
  put("W2K.dat", "p,department,Sales\r\nm,extensionAttribute1,%first%\r\n");
  put("Mail.dat", "Container,Recipients\r\nReplication-Sensitivity,20\r\n");
  mainwindow::Custom custom(*w);
  w->Custom_Window = &custom;
  addRow(custom.ListView1, "Cost centre", "extensionAttribute2");
  state::shared().Template_Variables = {{"SCHOOL", "North"}, {"ROOM", "12"}};
  w->Varibles().showRows();
  w->New_Template_Name->hide();
  const QByteArray w2k = file("W2K.dat"), mail = file("Mail.dat");

  for (int mode = 0; mode <= 4; ++mode) {
    SCOPED_TRACE(mode);
    ui::ListView* list = listOf(mode);
    list->clearSelection();
    list->setCurrentItem(list->item(1), 0, QItemSelectionModel::NoUpdate);
    const QStringList rows = rowsOf(list);

    w->Listviewmnu_Click(3);
    EXPECT_EQ(rowsOf(list), rows) << "Remove";

    prompts.asked.clear();
    bool opened = false;
    QTimer::singleShot(0, [&] {
      if (auto* e = qobject_cast<Edit_Properties*>(QApplication::activeModalWidget())) {
        opened = true;
        e->CancelButton->click();
      }
    });
    w->Listviewmnu_Click(1);
    QApplication::processEvents();
    EXPECT_FALSE(opened) << "Edit";
    EXPECT_EQ(messages(), QStringList({"48|Edit Properties|No row is selected; select the row to change, "
                                       "then edit it."}));
    EXPECT_EQ(rowsOf(list), rows);
  }
  EXPECT_EQ(file("W2K.dat"), w2k);
  EXPECT_EQ(file("Mail.dat"), mail);
  EXPECT_FALSE(has("WTS.dat"));
  EXPECT_EQ(state::shared().Template_Variables,
            (std::vector<records::TemplateVariable>{{"SCHOOL", "North"}, {"ROOM", "12"}}));
}

// A double-click on a list that holds no row opens the editor, which then adds the first row.
TEST_F(AttributeLists, ADoubleClickOnAnEmptyListOpensTheEditorToAdd) {
  w->ListView8->clear();
  w->ListView8->resize(300, 200);
  QString caption;
  onModal<Edit_Properties>([&](Edit_Properties& e) {
    caption = e.windowTitle();
    e.W2K_Attribute->setText("Container");
    e.W2K_Propertry->setText("Recipients");
    e.OKButton_Click();
  });
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(20, 150), QPointF(20, 150), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->ListView8->viewport(), &click);
  EXPECT_EQ(caption, "Edit Mail Properties");
  EXPECT_EQ(rowsOf(w->ListView8), QStringList({"Container=Recipients"}));
  EXPECT_EQ(file("Mail.dat"), "Container,Recipients\r\n");
}

TEST_F(AttributeLists, EditorTakesTheCaptionsBoxesAndLimitsOfItsMode) {
  mainwindow::Custom custom(*w);
  w->Custom_Window = &custom;
  addRow(custom.ListView1, "Cost centre", "extensionAttribute2");
  state::shared().Template_Variables = {{"SCHOOL", "North"}};
  w->Varibles().showRows();
  struct Case {
    int mode;
    const char* caption;
    const char* nameLabel;
    const char* valueLabel;
    bool options;
    int nameLimit;
    int valueLimit;
  };
  const Case cases[] = {
      {0, "Edit W2K Properties", "Property", "Value", true, 32767, 32767},
      {1, "Edit Mail Properties", "Attribute", "Value", false, 32767, 32767},
      {2, "Edit Template Variables", "Name", "Value", false, 15, 30},
      {3, "Edit Custom Properties", "Display Name", "Property", false, 32767, 32767},
      {4, "Edit WTS Properties", "Property", "Value", false, 32767, 32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    auto e = editor(c.mode, 1, false);
    EXPECT_EQ(e->windowTitle(), c.caption);
    EXPECT_EQ(e->Property->text(), c.nameLabel);
    EXPECT_EQ(e->Label2->text(), c.valueLabel);
    EXPECT_EQ(!e->W2K_Person->isHidden(), c.options);
    EXPECT_EQ(!e->W2K_2000->isHidden(), c.options);
    EXPECT_EQ(e->W2K_Attribute->maxLength(), c.nameLimit);
    EXPECT_EQ(e->W2K_Propertry->maxLength(), c.valueLimit);
    EXPECT_EQ(e->W2K_Attribute->isEnabled(), c.mode != 4) << "the Terminal Services names are fixed";
    EXPECT_EQ(e->WTS_DRIVE_LETTER->count(), 26);
    EXPECT_EQ(e->WTS_DRIVE_LETTER->itemText(0), "A:");
    EXPECT_EQ(e->WTS_DRIVE_LETTER->itemText(25), "Z:");
  }
}

TEST_F(AttributeLists, TerminalServicesValueBoxFollowsTheLastLetterOfTheKey) {
  w->ListView9->setSubItem(3, 1, "H:");
  w->ListView9->setSubItem(4, 1, "No");
  w->ListView9->setSubItem(1, 1, "\\\\FS1\\Profiles");
  struct Case {
    int row;
    const char* box;
    const char* shown;
  };
  const Case cases[] = {
      {1, "W2K_Propertry", "\\\\FS1\\Profiles"},
      {3, "WTS_DRIVE_LETTER", "H:"},
      {4, "WTS_YN", "No"},
      {12, "WTS_TIME", "1 hour"},
  };
  for (const Case& c : cases) {
    auto e = editor(4, c.row, true);  // Add too: the row is edited
    EXPECT_EQ(e->valueBox()->objectName(), c.box) << c.row;
    if (auto* box = qobject_cast<QComboBox*>(e->valueBox())) {
      EXPECT_EQ(box->currentText(), c.shown) << c.row;
    }
    EXPECT_EQ(e->W2K_Propertry->text(), w->ListView9->subItem(c.row, 1)) << c.row;
    EXPECT_EQ(e->W2K_Attribute->text(), w->ListView9->text(c.row)) << c.row;
  }

  // Choosing "2 hours" stores it in the row and on its line of WTS.dat; the list keeps its rows.
  auto e = editor(4, 12, true);
  e->WTS_TIME->setCurrentText("2 hours");
  e->OKButton->click();
  EXPECT_EQ(w->ListView9->count(), 13);
  EXPECT_EQ(w->ListView9->subItem(12, 1), "2 hours");
  const QList<QByteArray> lines = file("WTS.dat").split('\n');
  ASSERT_EQ(lines.size(), 14) << "thirteen lines, each ending CR LF";
  EXPECT_EQ(lines[11], "2 hours\r");
  EXPECT_EQ(lines[2], "H:\r");
  EXPECT_FALSE(state::shared().New_Row_Flag);
}

TEST_F(AttributeLists, ExchangeIsPreselectedForAMailboxRowEvenWhenAdding) {
  struct Case {
    int row;
    bool adding;
    bool exchange;
  };
  for (const Case c : {Case{1, false, false}, Case{2, false, true}, Case{2, true, true}, Case{1, true, false}}) {
    auto e = editor(0, c.row, c.adding);
    EXPECT_EQ(e->W2K_2000->isChecked(), c.exchange) << c.row << c.adding;
    EXPECT_EQ(e->W2K_Attribute->text(), c.adding ? QString() : w->ListView7->text(c.row));
  }
}

TEST_F(AttributeLists, FilesHoldTheRowsInDisplayOrderAfterAddEditAndRemove) {
  // Add a mailbox row: Exchange 2000 stays chosen from the selected row.
  auto e = editor(0, 2, true);
  e->W2K_Attribute->setText("msExchHideFromAddressLists");
  e->W2K_Propertry->setText("TRUE");
  e->OKButton->click();
  EXPECT_EQ(file("W2K.dat"),
            "p,department,Sales\r\nm,extensionAttribute1,%first%\r\nm,msExchHideFromAddressLists,TRUE\r\n");

  // Edit: the mailbox row becomes a user attribute; a comma in a value is kept.
  e = editor(0, 2, false);
  e->W2K_Person->setChecked(true);
  e->W2K_Propertry->setText("a,b");
  e->OKButton->click();
  EXPECT_EQ(w->ListView7->smallIcon(2), "USER");
  EXPECT_EQ(file("W2K.dat"),
            "p,department,Sales\r\np,extensionAttribute1,a,b\r\nm,msExchHideFromAddressLists,TRUE\r\n");

  // Remove keeps every other row's tag.
  state::shared().Edit_Mode = 0;
  w->ListView7->setSelectedIndex(1);
  w->Listviewmnu_Click(3);
  EXPECT_EQ(file("W2K.dat"), "p,extensionAttribute1,a,b\r\nm,msExchHideFromAddressLists,TRUE\r\n");

  // The mail list: removing every row leaves an empty file; Edit on the empty list adds.
  state::shared().Edit_Mode = 1;
  for (int i = 0; i < 2; ++i) {
    w->ListView8->setSelectedIndex(1);
    w->Listviewmnu_Click(3);
  }
  EXPECT_TRUE(has("Mail.dat"));
  EXPECT_EQ(file("Mail.dat"), "");
  e = editor(1, 0, false);
  e->W2K_Attribute->setText("Target-Address");
  e->W2K_Propertry->setText("%first%.%last%@example.com");
  e->OKButton->click();
  EXPECT_EQ(file("Mail.dat"), "Target-Address,%first%.%last%@example.com\r\n");
  EXPECT_EQ(w->ListView8->smallIcon(1), "MAIL");
}

TEST_F(AttributeLists, CancelAfterAddStoresNothingAndEditChangesTheSelectedRowAgain) {
  auto e = editor(0, 1, true);
  e->W2K_Attribute->setText("title");
  e->CancelButton->click();
  EXPECT_FALSE(state::shared().New_Row_Flag);
  EXPECT_EQ(w->ListView7->count(), 2);
  EXPECT_FALSE(has("W2K.dat"));
  e = editor(0, 1, false);
  e->W2K_Propertry->setText("Finance");
  e->OKButton->click();
  EXPECT_EQ(rowsOf(w->ListView7), QStringList({"department=Finance", "extensionAttribute1=%first%"}));
}

TEST_F(AttributeLists, ColumnClicksFlipTheOrderAndTheFileFollowsTheDisplay) {
  addRow(w->ListView7, "company", "Acme", "USER");
  w->ListView7_ColumnClick(1);  // by value, flipped to descending
  EXPECT_EQ(rowsOf(w->ListView7),
            QStringList({"department=Sales", "company=Acme", "extensionAttribute1=%first%"}));
  w->ListView7_ColumnClick(1);  // back to ascending
  EXPECT_EQ(rowsOf(w->ListView7),
            QStringList({"extensionAttribute1=%first%", "company=Acme", "department=Sales"}));
  w->ListView7_ColumnClick(0);  // another column flips again instead of starting ascending
  EXPECT_EQ(rowsOf(w->ListView7),
            QStringList({"extensionAttribute1=%first%", "department=Sales", "company=Acme"}));
  EXPECT_FALSE(has("W2K.dat")) << "sorting alone stores nothing";
  EXPECT_FALSE(has("Mail.dat"));

  state::shared().Edit_Mode = 0;
  w->ListView7->setSelectedIndex(3);
  w->Listviewmnu_Click(3);
  EXPECT_EQ(file("W2K.dat"), "m,extensionAttribute1,%first%\r\np,department,Sales\r\n");
  EXPECT_FALSE(has("Mail.dat")) << "the mail list is stored when it changes itself";
}

TEST_F(AttributeLists, TextsTheFilesCantHoldAreRefusedWithTheReason) {
  put("W2K.dat", "p,department,Sales\r\nm,extensionAttribute1,%first%\r\n");
  struct Case {
    int mode;
    const char* name;
    const char* value;
    const char* reason;
  };
  const Case cases[] = {
      {0, "a,b", "v", "comma"},
      {1, "a,b", "v", "comma"},
      {0, "name", "two\nlines", "line break"},
      {1, "na\rme", "v", "line break"},
      // Characters Windows-1252 lacks, refused with the field that holds them.
      {1, "Name", "\u0141\u00f3d\u017a", "Value holds characters that can't be stored"},
      {1, "\u65e5\u672c", "v", "Attribute holds characters that can't be stored"},
      {0, "title", "\u2603", "Value holds characters that can't be stored"},
      {0, "t\u0131tle", "v", "Property holds characters that can't be stored"},
      {4, "", "\u20ac\u0100", "Value holds characters that can't be stored"},
  };
  for (const Case& c : cases) {
    prompts.asked.clear();
    auto e = editor(c.mode, 1, true);
    e->W2K_Attribute->setText(c.name);
    e->W2K_Propertry->setText(c.value);
    const QStringList before = rowsOf(listOf(c.mode));
    e->OKButton_Click();
    ASSERT_EQ(messages().size(), 1) << c.name;
    EXPECT_TRUE(messages()[0].startsWith("48|")) << c.name;
    EXPECT_TRUE(messages()[0].contains(c.reason)) << messages()[0].toStdString();
    EXPECT_EQ(e->result(), 0) << "the editor stays open";
    EXPECT_EQ(rowsOf(listOf(c.mode)), before);
  }
  EXPECT_EQ(file("W2K.dat"), "p,department,Sales\r\nm,extensionAttribute1,%first%\r\n");
  EXPECT_FALSE(has("Mail.dat"));
  EXPECT_FALSE(has("WTS.dat"));

  // Letters Windows-1252 has are stored as its bytes.
  prompts.asked.clear();
  auto e = editor(1, 1, true);
  e->W2K_Attribute->setText("Name");
  e->W2K_Propertry->setText(QString::fromUtf8("Caf\u00e9 \u20ac"));
  e->OKButton_Click();
  EXPECT_TRUE(messages().isEmpty());
  EXPECT_TRUE(file("Mail.dat").endsWith("Name,Caf\xe9 \x80\r\n")) << file("Mail.dat").toStdString();
}

TEST_F(AttributeLists, ChangingWithNoRowSelectedIsRefused) {
  w->ListView7->setCurrentItem(nullptr);
  auto e = editor(0, 0, false);
  e->W2K_Attribute->setText("title");
  e->OKButton_Click();
  ASSERT_EQ(messages().size(), 1);
  EXPECT_EQ(w->ListView7->count(), 2);
  EXPECT_FALSE(has("W2K.dat"));
}

// Each rewrite made to fail at each of its file operations in turn: the file keeps what it held,
// the list keeps its rows, and a message names the file.
TEST_F(AttributeLists, EveryRewriteFailingAtAnyStepKeepsTheOldFileAndSaysSo) {
  const QByteArray w2k = "p,department,Sales\r\nm,extensionAttribute1,%first%\r\n";
  const QByteArray mail = "Container,Recipients\r\nReplication-Sensitivity,20\r\n";
  QByteArray wts;
  for (int i = 1; i <= 13; ++i) wts += (i == 12 ? QByteArray("1 hour") : QByteArray()) + "\r\n";
  struct Case {
    const char* what;
    QString file;
    QByteArray old;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"W2K edit", "W2K.dat", w2k,
       [&] {
         auto e = editor(0, 1, false);
         e->W2K_Propertry->setText("Finance");
         e->OKButton_Click();
       }},
      {"W2K remove", "W2K.dat", w2k,
       [&] {
         listOf(0)->setSelectedIndex(1);
         w->Listviewmnu_Click(3);
       }},
      {"Mail add", "Mail.dat", mail,
       [&] {
         auto e = editor(1, 1, true);
         e->W2K_Attribute->setText("Extension-Attribute-1");
         e->OKButton_Click();
       }},
      {"Mail remove", "Mail.dat", mail,
       [&] {
         listOf(1)->setSelectedIndex(2);
         w->Listviewmnu_Click(3);
       }},
      {"WTS edit", "WTS.dat", wts,
       [&] {
         auto e = editor(4, 12, false);
         e->WTS_TIME->setCurrentText("Never");
         e->OKButton_Click();
       }},
  };
  for (const Case& c : cases) {
    for (int k = 1;; ++k) {
      put(c.file, c.old);
      const QStringList before7 = rowsOf(w->ListView7), before8 = rowsOf(w->ListView8),
                        before9 = rowsOf(w->ListView9);
      test::FaultyOps ops(k);
      w->List_File_Ops = &ops;
      prompts.asked.clear();
      c.act();
      w->List_File_Ops = nullptr;
      if (!ops.injected()) {
        EXPECT_NE(file(c.file), c.old) << c.what << ": the rewrite succeeds once nothing fails";
        EXPECT_TRUE(messages().isEmpty()) << c.what;
        break;
      }
      const std::string where = std::string(c.what) + ", failed " + ops.failedCall().toStdString();
      EXPECT_EQ(file(c.file), c.old) << where;
      EXPECT_EQ(rowsOf(w->ListView7), before7) << where;
      EXPECT_EQ(rowsOf(w->ListView8), before8) << where;
      EXPECT_EQ(rowsOf(w->ListView9), before9) << where;
      ASSERT_EQ(messages().size(), 1) << where;
      EXPECT_TRUE(messages()[0].startsWith("48|")) << where;
      EXPECT_TRUE(messages()[0].contains(c.file)) << where;
    }
  }
}

TEST_F(AttributeLists, DoubleClicksOpenTheEditorOnTheirList) {
  const std::pair<std::function<void()>, int> launchers[] = {
      {[&] { w->ListView7_DblClick(); }, 0}, {[&] { w->ListView8_DblClick(); }, 1}, {[&] { w->ListView9_DblClick(); }, 4}};
  for (const auto& [launch, mode] : launchers) {
    listOf(mode)->setSelectedIndex(1);  // the double-click's press selects the row under it
    QString caption;
    onModal<Edit_Properties>([&](Edit_Properties& e) { caption = e.windowTitle(); });
    launch();
    EXPECT_EQ(state::shared().Edit_Mode, mode);
    EXPECT_FALSE(caption.isEmpty());
  }
}

// ---- The mail settings ---------------------------------------------------------------------------

TEST_F(AttributeLists, MailSettingsTakeOnlyAPortFrom1To65535) {
  const std::pair<const char*, bool> ports[] = {{"389", true}, {"1", true},   {"65535", true}, {"0", false},
                                                {"65536", false}, {"-5", false}, {"", false},   {"39o", false}};
  for (const auto& [port, ok] : ports) {
    state::resetShared();
    prompts.asked.clear();
    w->txtAdmin->setText(QStringLiteral("admin-%1").arg(port));
    w->PORT->setText(port);
    w->savemail_Click();
    QString stored;
    const bool written = state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey("Mail"),
                                                 "Admin_Account", stored) &&
                         stored == QStringLiteral("admin-%1").arg(port);
    EXPECT_EQ(written, ok) << port;
    EXPECT_EQ(messages().size(), ok ? 0 : 1) << port;
  }
}

}  // namespace
