#include "mainwindow/Edit_Properties.h"

#include "mainwindow/Naming.h"
#include "mainwindow/Varibles_Form.h"
#include "mainwindow/form1.h"
#include "records/Lookup.h"
#include "records/TemplateEditing.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include <limits>

namespace tavrel::mainwindow {
namespace {

// The most rows of the custom-fields list.
constexpr int kCustomFieldCap = 4;

const QString kTitle = QStringLiteral("Edit Properties");
const QString kNoRowSelected = QStringLiteral("No row is selected; select the row to change, then edit it.");

// The file each list is stored in, for the messages; empty for the lists stored elsewhere.
QString fileOf(int mode) {
  switch (mode) {
    case 0:
      return records::names::W2K;
    case 1:
      return records::names::Mail;
    case 4:
      return records::names::WTS;
    default:
      return {};
  }
}

void setChoice(QComboBox* box, const QString& value) {
  box->setCurrentIndex(box->findText(value));
}

}  // namespace

Edit_Properties::Edit_Properties(form1& main, QWidget* parent) : QDialog(parent ? parent : &main), f_(main) {
  setObjectName(QStringLiteral("Edit_Properties"));
  setWindowTitle(kTitle);
  setModal(true);

  Property = named(new QLabel(QStringLiteral("Property"), this), QStringLiteral("Property"));
  W2K_Attribute = named(new QLineEdit(this), QStringLiteral("W2K_Attribute"));
  Label2 = named(new QLabel(QStringLiteral("Value"), this), QStringLiteral("Label2"));
  W2K_Propertry = named(new QLineEdit(this), QStringLiteral("W2K_Propertry"));
  WTS_YN = named(new QComboBox(this), QStringLiteral("WTS_YN"));
  WTS_YN->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
  WTS_TIME = named(new QComboBox(this), QStringLiteral("WTS_TIME"));
  WTS_TIME->addItems({QStringLiteral("Never"), QStringLiteral("1 min"), QStringLiteral("5 mins"),
                      QStringLiteral("10 mins"), QStringLiteral("15 mins"), QStringLiteral("30 mins"),
                      QStringLiteral("1 hour"), QStringLiteral("2 hours"), QStringLiteral("3 hours"),
                      QStringLiteral("1 day"), QStringLiteral("2 days")});
  WTS_DRIVE_LETTER = named(new QComboBox(this), QStringLiteral("WTS_DRIVE_LETTER"));
  for (QComboBox* box : {WTS_YN, WTS_TIME, WTS_DRIVE_LETTER}) box->hide();
  W2K_Person = named(new QRadioButton(QStringLiteral("Person AD"), this), QStringLiteral("W2K_Person"));
  W2K_2000 = named(new QRadioButton(QStringLiteral("Exchange 2000"), this), QStringLiteral("W2K_2000"));
  W2K_2000->setToolTip(QStringLiteral("Only set if Exchange account is created"));
  W2K_Person->setChecked(true);
  OKButton = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("OKButton"));
  CancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("CancelButton"));
  OKButton->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Property, 0, 0);
  grid->addWidget(W2K_Attribute, 1, 0);
  grid->addWidget(Label2, 2, 0);
  // The four value boxes share one place; one of them is shown.
  auto* values = new QHBoxLayout;
  values->setContentsMargins(0, 0, 0, 0);
  for (QWidget* box : std::initializer_list<QWidget*>{W2K_Propertry, WTS_YN, WTS_DRIVE_LETTER, WTS_TIME})
    values->addWidget(box);
  grid->addLayout(values, 3, 0);
  auto* options = new QHBoxLayout;
  options->addWidget(W2K_Person);
  options->addWidget(W2K_2000);
  options->addStretch();
  grid->addLayout(options, 4, 0);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 1, 5, 1);
  grid->setColumnMinimumWidth(0, 320);

  connect(OKButton, &QPushButton::clicked, this, &Edit_Properties::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &Edit_Properties::CancelButton_Click);

  Form_Load();
}

void Edit_Properties::run(form1& main, QWidget* parent) {
  const auto& sh = state::shared();
  ui::ListView* list = main.Edit_Mode_List();
  // The Terminal Services rows are fixed: there "Add" changes the selected row too.
  const bool changing = !sh.New_Row_Flag || sh.Edit_Mode == 4;
  if (list && changing && list->count() > 0 && list->selectedIndex() == 0) {
    state::shared().New_Row_Flag = false;
    ui::prompter().MsgBox(kNoRowSelected, ui::kStyleExclamation, kTitle);
    return;
  }
  Edit_Properties editor(main, parent);
  editor.exec();
}

void Edit_Properties::Form_Load() {
  const auto& sh = state::shared();
  mode_ = sh.Edit_Mode;
  list_ = f_.Edit_Mode_List();

  WTS_DRIVE_LETTER->clear();
  for (char16_t c = u'A'; c <= u'Z'; ++c) WTS_DRIVE_LETTER->addItem(QString(QChar(c)) + u':');

  const int row = list_ ? list_->selectedIndex() : 0;
  const bool adding = sh.New_Row_Flag && mode_ != 4;
  if (row && !adding) {
    W2K_Attribute->setText(list_->text(row));
    W2K_Propertry->setText(list_->subItem(row, 1));
  }
  const bool options = mode_ == 0;
  W2K_Person->setVisible(options);
  W2K_2000->setVisible(options);
  switch (mode_) {
    case 0:
      setWindowTitle(QStringLiteral("Edit W2K Properties"));
      Property->setText(QStringLiteral("Property"));
      // Adding too: a new row takes the kind of the row selected.
      if (row && list_->smallIcon(row) == records::kMailIcon) W2K_2000->setChecked(true);
      break;
    case 1:
      setWindowTitle(QStringLiteral("Edit Mail Properties"));
      Property->setText(QStringLiteral("Attribute"));
      break;
    case 2:
      setWindowTitle(QStringLiteral("Edit Template Variables"));
      Property->setText(QStringLiteral("Name"));
      // The widths of the record's fields. A longer text already in the list is not cut here;
      // storing it is refused with a message instead.
      W2K_Attribute->setMaxLength(qMax(records::kVariableNameWidth, int(W2K_Attribute->text().size())));
      W2K_Propertry->setMaxLength(qMax(records::kVariableValueWidth, int(W2K_Propertry->text().size())));
      break;
    case 3:
      setWindowTitle(QStringLiteral("Edit Custom Properties"));
      Property->setText(QStringLiteral("Display Name"));
      Label2->setText(QStringLiteral("Property"));
      break;
    case 4: {
      setWindowTitle(QStringLiteral("Edit WTS Properties"));
      // The Terminal Services rows are fixed: only the value changes, in the box its key asks for.
      W2K_Attribute->setEnabled(false);
      const QString key = row ? list_->key(row) : QString();
      QComboBox* box = nullptr;
      if (key.endsWith(u'y'))
        box = WTS_YN;
      else if (key.endsWith(u'd'))
        box = WTS_DRIVE_LETTER;
      else if (key.endsWith(u't'))
        box = WTS_TIME;
      if (box) {
        setChoice(box, list_->subItem(row, 1));
        W2K_Propertry->hide();
        box->show();
      }
      break;
    }
    default:
      break;
  }
  W2K_Attribute->setFocus();
}

QWidget* Edit_Properties::valueBox() const {
  for (QWidget* box : std::initializer_list<QWidget*>{W2K_Propertry, WTS_YN, WTS_DRIVE_LETTER, WTS_TIME})
    if (!box->isHidden()) return box;
  return W2K_Propertry;
}

QString Edit_Properties::valueText() const {
  QWidget* box = valueBox();
  if (box == W2K_Propertry) return W2K_Propertry->text();
  auto* choice = static_cast<QComboBox*>(box);
  // A stored value that is none of the list's words stays as it was unless another is chosen.
  return choice->currentIndex() < 0 ? W2K_Propertry->text() : choice->currentText();
}

bool Edit_Properties::refused(const QString& why) {
  ui::prompter().MsgBox(why, ui::kStyleExclamation, windowTitle());
  return false;
}

void Edit_Properties::finish() {
  state::shared().New_Row_Flag = false;
  accept();
}

void Edit_Properties::OKButton_Click() {
  auto& sh = state::shared();
  if (!list_) return finish();
  const QString name = W2K_Attribute->text();
  const QString value = valueText();
  const QString file = fileOf(mode_);

  // The files hold one row per line, and a comma ends a name: texts that would read back as
  // other rows are refused here, before the list or a file changes.
  auto hasBreak = [](const QString& s) { return s.contains(u'\r') || s.contains(u'\n'); };
  if (hasBreak(name) || hasBreak(value)) {
    refused(QStringLiteral("A name or value can't hold a line break: ") +
            (file.isEmpty() ? QStringLiteral("the list") : file) +
            QStringLiteral(" keeps one row per line."));
    return;
  }
  // The three files are Windows-1252 text: a character it lacks would be stored as "?".
  if (mode_ == 0 || mode_ == 1 || mode_ == 4) {
    const QString why = records::fieldTooLong({{Property->text(), name, std::numeric_limits<int>::max()},
                                               {Label2->text(), value, std::numeric_limits<int>::max()}});
    if (!why.isEmpty()) {
      refused(why);
      return;
    }
  }
  if ((mode_ == 0 || mode_ == 1) && name.contains(u',')) {
    refused(QStringLiteral("A name can't hold a comma: ") + file +
            QStringLiteral(" separates the name from the value with the first comma."));
    return;
  }

  const int row = list_->selectedIndex();
  const bool adding = mode_ != 4 && (list_->count() == 0 || sh.New_Row_Flag);
  if (!adding && row == 0) {
    refused(kNoRowSelected);
    return finish();
  }

  // Puts the row into the list, a sorted list keeping its order; undo puts back what was there.
  QTreeWidgetItem* item = nullptr;
  QString oldText, oldValue, oldIcon;
  auto apply = [&](const QString& icon) {
    item = adding ? list_->add(name, {}, icon) : list_->item(row);
    if (!adding) {
      oldText = item->text(0);
      oldValue = item->text(1);
      oldIcon = list_->smallIcon(row);
    }
    item->setText(0, name);
    item->setText(1, value);
    if (!icon.isEmpty()) list_->setSmallIcon(list_->indexOf(item), icon);
    list_->setSorted(list_->sorted());
  };
  auto undo = [&] {
    if (adding) {
      list_->remove(list_->indexOf(item));
      return;
    }
    item->setText(0, oldText);
    item->setText(1, oldValue);
    if (!oldIcon.isEmpty()) list_->setSmallIcon(list_->indexOf(item), oldIcon);
    list_->setSorted(list_->sorted());
  };

  // The directory and mail lists are stored as they show once the row is in; when the file can't
  // be written the list goes back to what it was.
  switch (mode_) {
    case 0:
      apply(W2K_Person->isChecked() ? records::kUserIcon : records::kMailIcon);
      if (!f_.storeW2K(f_.w2kRows())) return undo();
      break;
    case 1:
      apply(records::kMailIcon);
      if (!f_.storeMail(f_.mailRows())) return undo();
      break;
    case 2: {
      if (const QString why = records::variablesDontFit({{name, value}}); !why.isEmpty()) {
        refused(why);
        return;
      }
      if (adding && list_->count() >= records::kTemplateVariableCap) {
        refused(QStringLiteral("A template holds at most %1 variables; the variable was not added.")
                    .arg(records::kTemplateVariableCap));
        return finish();
      }
      apply({});
      f_.Varibles().listChanged();
      break;
    }
    case 3:
      if (adding && list_->count() >= kCustomFieldCap) {
        refused(QStringLiteral("At most %1 custom properties can be set up; the property was not added.")
                    .arg(kCustomFieldCap));
        return finish();
      }
      apply({});
      break;
    case 4: {
      QStringList values = f_.wtsValues();
      if (row > values.size()) return finish();
      values[row - 1] = value;
      if (!f_.storeWTS(values)) return;
      list_->setSubItem(row, 1, value);
      break;
    }
    default:
      break;
  }
  finish();
}

void Edit_Properties::CancelButton_Click() {
  state::shared().New_Row_Flag = false;
  QDialog::reject();
}

void Edit_Properties::reject() {
  CancelButton_Click();
}

}  // namespace tavrel::mainwindow
