#include "mainwindow/ImportWindows.h"

#include "creation/CsvFile.h"
#include "mainwindow/Naming.h"
#include "platform/registry/Registry_Object.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include <memory>

namespace tavrel::mainwindow {

namespace {
constexpr int kColumnTwips = 1200;

QString readSetup(const QString& name, const QString& missing) {
  QString value;
  if (!state::reg().Read_Value(registry::HKEY_LOCAL_MACHINE, registry::subkey(QStringLiteral("Setup")), name, value))
    return missing;
  return value;
}
}  // namespace

// --- CSV_Import ---

CSV_Import::CSV_Import(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CSV_Import"));
  setWindowTitle(QStringLiteral("CSV File Import"));
  auto* layout = new QVBoxLayout(this);

  auto* fileFrame = new QGroupBox(QStringLiteral("Importing Users from file:"), this);
  auto* ff = new QVBoxLayout(fileFrame);
  File_Name = new QLabel(fileFrame);
  File_Name->setObjectName(QStringLiteral("File_Name"));
  Encoding = new QLabel(fileFrame);
  Encoding->setObjectName(QStringLiteral("Encoding"));
  ff->addWidget(File_Name);
  ff->addWidget(Encoding);

  auto* formatFrame = new QGroupBox(QStringLiteral("CSV File Format"), this);
  auto* fo = new QVBoxLayout(formatFrame);
  ListView1 = new ui::ListView(formatFrame);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setMinimumHeight(90);
  fo->addWidget(ListView1);
  fo->addWidget(new QLabel(QStringLiteral("First,Middle,Last,[import3,import4,import5,...]"), formatFrame));

  auto* note = new QLabel(
      QStringLiteral("Make sure you have selected the correct Template & Site. Press \"OK\" to start the Import."), this);
  note->setWordWrap(true);

  Command1 = new QPushButton(QStringLiteral("&OK"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);

  layout->addWidget(fileFrame);
  layout->addWidget(formatFrame, 1);
  layout->addWidget(note);
  layout->addLayout(buttons);
  resize(ui::twipsToPixels(7800, this), ui::twipsToPixels(5200, this));

  connect(Command1, &QPushButton::clicked, this, [this] {
    Import_Accepted = true;
    accept();
  });
  connect(Command2, &QPushButton::clicked, this, [this] {
    Import_Accepted = false;
    reject();
  });
}

QString CSV_Import::shownPath(const QString& path) {
  return path.size() >= 41 ? QStringLiteral("...") + path.right(37) : path;
}

void CSV_Import::Form_Load(const QString& path) {
  Import_Accepted = false;
  File_Name->setText(shownPath(path));
  File_Name->setToolTip(path);
  ListView1->clear();
  ListView1->setColumns({});

  std::optional<QByteArray> bytes = creation::readWholeFile(path);
  std::optional<creation::CsvRecord> lines[2];
  if (bytes) {
    creation::CsvReader reader(std::move(*bytes));
    Encoding->setText(QStringLiteral("Characters read as ") + creation::encodingName(reader.encoding()));
    lines[0] = reader.next();
    if (lines[0]) lines[1] = reader.next();
  } else {
    Encoding->clear();
  }
  if (!lines[1]) {
    ui::feedback().beep();
    return;
  }
  const qsizetype columns = qMax(lines[0]->fields.size(), lines[1]->fields.size());
  QStringList headers;
  for (qsizetype k = 1; k <= columns; ++k) headers << QStringLiteral("%IMPORT") + QString::number(k) + u'%';
  ListView1->setColumns(headers);
  for (qsizetype k = 0; k < columns; ++k)
    ListView1->header()->resizeSection(int(k), ui::twipsToPixels(kColumnTwips, this));
  for (const auto& line : lines) {
    const QStringList& f = line->fields;
    ListView1->add(f.value(0));
    const int row = ListView1->count();
    for (qsizetype j = 1; j < columns; ++j) ListView1->setSubItem(row, int(j), f.value(j));
  }
}

// --- CancelImport ---

CancelImport::CancelImport(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("CancelImport"));
  setWindowTitle(QStringLiteral("Cancel Import"));
  CancelButton = new QPushButton(QStringLiteral("Stop"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setMinimumSize(ui::twipsToPixels(1500, this), ui::twipsToPixels(500, this));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CancelButton, 0, Qt::AlignCenter);
  setMinimumWidth(ui::twipsToPixels(3000, this));
  connect(CancelButton, &QPushButton::clicked, this, [this] {
    state::shared().Cancel_Flag = true;
    close();
  });
}

// --- ImportGrps ---

namespace {
std::unique_ptr<ImportGrps> gImportGrps;
}

ImportGrps& ImportGrps::instance() {
  if (!gImportGrps) {
    gImportGrps.reset(new ImportGrps());
    gImportGrps->Form_Load();
  }
  return *gImportGrps;
}

ImportGrps* ImportGrps::existing() { return gImportGrps.get(); }

void ImportGrps::unload() { gImportGrps.reset(); }

ImportGrps::ImportGrps(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ImportGrps"));
  setWindowTitle(QStringLiteral("Import Options"));
  setModal(true);

  auto* account = new QGroupBox(QStringLiteral("Account Properties"), this);
  auto* ac = new QFormLayout(account);
  Expiredate = new QLineEdit(account);
  Expiredate->setObjectName(QStringLiteral("Expiredate"));
  Expiredate->setToolTip(QStringLiteral("Used to set Expireation date on imported accounts"));
  ac->addRow(QStringLiteral("Account Expires"), Expiredate);

  auto* fields = new QGroupBox(QStringLiteral("Fields to search for groups"), this);
  auto* fg = new QGridLayout(fields);
  const QString captions[] = {QStringLiteral("None"), QStringLiteral("All"), QStringLiteral("Enter Range")};
  const QString tips[] = {QStringLiteral("Will Not Import Any Groups"),
                          QStringLiteral("Will Scan all Import Fields for Groups names"),
                          QStringLiteral("User to specify Import Fields to check for Groups")};
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    Grp_Range[size_t(i)] = new QRadioButton(captions[i], fields);
    Grp_Range[size_t(i)]->setObjectName(elementName(QStringLiteral("Grp_Range"), i));
    Grp_Range[size_t(i)]->setToolTip(tips[i]);
    group->addButton(Grp_Range[size_t(i)], i);
    fg->addWidget(Grp_Range[size_t(i)], i, 0);
  }
  LowerRange = new QLineEdit(fields);
  LowerRange->setObjectName(QStringLiteral("LowerRange"));
  UpperRange = new QLineEdit(fields);
  UpperRange->setObjectName(QStringLiteral("UpperRange"));
  for (QLineEdit* box : {LowerRange, UpperRange}) box->setMaximumWidth(ui::twipsToPixels(700, this));
  auto* range = new QHBoxLayout;
  range->addWidget(new QLabel(QStringLiteral("Start"), fields));
  range->addWidget(LowerRange);
  range->addWidget(new QLabel(QStringLiteral("Finish"), fields));
  range->addWidget(UpperRange);
  range->addStretch();
  fg->addLayout(range, 3, 0);

  OKButton = new QPushButton(QStringLiteral("&OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(account);
  layout->addWidget(fields);
  layout->addLayout(buttons);

  connect(group, &QButtonGroup::idClicked, this, &ImportGrps::Grp_Range_Click);
  for (QLineEdit* box : {LowerRange, UpperRange})
    connect(box, &QLineEdit::textEdited, this, [this, box] { Range_Change(box); });
  connect(OKButton, &QPushButton::clicked, this, &ImportGrps::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &ImportGrps::CancelButton_Click);
  // However it closes, the window is unloaded: the next use reads the settings again.
  // (deleted once the handler that closed it has returned).
  connect(this, &QDialog::finished, this, [] {
    if (gImportGrps) gImportGrps.release()->deleteLater();
  });
}

void ImportGrps::setRangeEnabled(bool on) {
  LowerRange->setEnabled(on);
  UpperRange->setEnabled(on);
}

void ImportGrps::Form_Load() {
  Expiredate->setText(readSetup(QStringLiteral("AccountExpire"), QString()));
  const QString start = readSetup(QStringLiteral("ImportGroupsStart"), QStringLiteral("0"));
  const QString finish = readSetup(QStringLiteral("ImportGroupsFinish"), QStringLiteral("0"));
  LowerRange->setText(start);
  UpperRange->setText(finish);
  // The stored texts are compared exactly: " 0" or "00" is a range of its own.
  const int option = start == QLatin1String("0") && finish == QLatin1String("0")    ? 0
                     : start == QLatin1String("0") && finish == QLatin1String("99") ? 1
                                                                                    : 2;
  Grp_Range[size_t(option)]->setChecked(true);
  setRangeEnabled(option == 2);
}

void ImportGrps::Grp_Range_Click(int Index) {
  Grp_Range[size_t(Index)]->setChecked(true);
  switch (Index) {
    case 0:
      LowerRange->setText(QStringLiteral("0"));
      UpperRange->setText(QStringLiteral("0"));
      setRangeEnabled(false);
      break;
    case 1:
      LowerRange->setText(QStringLiteral("0"));
      UpperRange->setText(QStringLiteral("99"));
      setRangeEnabled(false);
      break;
    default:
      setRangeEnabled(true);
      break;
  }
}

void ImportGrps::Range_Change(QLineEdit* box) {
  bool number = false;
  const double value = box->text().trimmed().toDouble(&number);
  if (!number || value < 0 || value > 99) ui::prompter().MsgBox(QStringLiteral("Enter Number 0-99"), 0);
}

void ImportGrps::OKButton_Click() {
  if (UpperRange->text().trimmed().toDouble() < LowerRange->text().trimmed().toDouble()) {
    ui::prompter().MsgBox(QStringLiteral("Start value cannot be greater then Finish value"), 0);
    return;
  }
  const QString setup = registry::subkey(QStringLiteral("Setup"));
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, setup, QStringLiteral("ImportGroupsStart"), LowerRange->text());
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, setup, QStringLiteral("ImportGroupsFinish"), UpperRange->text());
  state::reg().Write_Value(registry::HKEY_LOCAL_MACHINE, setup, QStringLiteral("AccountExpire"), Expiredate->text());
  accept();
}

void ImportGrps::CancelButton_Click() { reject(); }

}  // namespace tavrel::mainwindow
