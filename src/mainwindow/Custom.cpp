#include "mainwindow/Custom.h"

#include "mainwindow/Edit_Properties.h"
#include "mainwindow/Naming.h"
#include "mainwindow/form1.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavrel::mainwindow {
namespace {

using registry::HKEY_LOCAL_MACHINE;

constexpr int kFields = 4;

QString customKey() {
  return registry::subkey(QStringLiteral("Custom"));
}
QString displayValue(int k) {
  return QStringLiteral("Custom") + QString::number(k);
}
QString propertyValue(int k) {
  return QStringLiteral("Property") + QString::number(k);
}

}  // namespace

std::vector<CustomField> readCustomFields(registry::Registry_Object& reg) {
  std::vector<CustomField> out;
  for (int k = 1; k <= kFields; ++k) {
    CustomField f;
    if (reg.Read_Value(HKEY_LOCAL_MACHINE, customKey(), displayValue(k), f.displayName) &&
        reg.Read_Value(HKEY_LOCAL_MACHINE, customKey(), propertyValue(k), f.property))
      out.push_back(f);
  }
  return out;
}

QString writeCustomFields(registry::Registry_Object& reg, const std::vector<CustomField>& fields) {
  QStringList failed;
  // The new fields are written first, over the old ones of the same number, so that a failure
  // part way never leaves fewer fields than there were.
  for (int k = 1; k <= int(fields.size()) && k <= kFields; ++k) {
    for (const auto& [name, data] : {std::pair{displayValue(k), fields[k - 1].displayName},
                                     std::pair{propertyValue(k), fields[k - 1].property}})
      if (!reg.Write_Value(HKEY_LOCAL_MACHINE, customKey(), name, data)) failed << name;
  }
  for (int k = int(fields.size()) + 1; k <= kFields; ++k) {
    for (const QString& name : {displayValue(k), propertyValue(k)}) {
      QString old;
      if (!reg.Read_Value(HKEY_LOCAL_MACHINE, customKey(), name, old)) continue;
      if (!reg.Delete_Value(HKEY_LOCAL_MACHINE, customKey(), name)) failed << name;
    }
  }
  for (int k = 1; k <= kFields; ++k) {
    // A subkey of that name is a leftover of older versions; only it goes, never Custom itself.
    // A missing subkey is nothing to remove.
    reg.Delete_Key(HKEY_LOCAL_MACHINE, customKey() + u'\\' + propertyValue(k));
  }
  if (failed.isEmpty()) return {};
  return QStringLiteral("%1 could not be written in %2.").arg(failed.join(QStringLiteral(", ")), reg.filePath());
}

Custom::Custom(form1& main) : QDialog(&main), f_(main) {
  setObjectName(QStringLiteral("Custom"));
  setWindowTitle(QStringLiteral("Custom property - Setup"));
  setModal(true);
  resize(440, 240);

  ListView1 = named(new ui::ListView(this), QStringLiteral("ListView1"));
  ListView1->setColumns({QStringLiteral("Display Name"), QStringLiteral("Property")});
  ListView1->setColumnWidth(0, 170);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  OKButton = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("OKButton"));
  CancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("CancelButton"));

  auto* h = new QHBoxLayout(this);
  h->addWidget(ListView1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();
  h->addLayout(buttons);

  connect(OKButton, &QPushButton::clicked, this, &Custom::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &Custom::CancelButton_Click);
  connect(ListView1, &ui::ListView::dblClick, this, [this] { ListView1_DblClick(); });
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this] { ListView1_MouseDown(Qt::RightButton); });

  Form_Load();
}

void Custom::Form_Load() {
  for (const CustomField& f : readCustomFields(state::reg())) {
    ListView1->add(f.displayName)->setText(1, f.property);
  }
}

std::vector<CustomField> Custom::fields() const {
  std::vector<CustomField> out;
  for (int i = 1; i <= ListView1->count(); ++i) out.push_back({ListView1->text(i), ListView1->subItem(i, 1)});
  return out;
}

void Custom::OKButton_Click() {
  const std::vector<CustomField> rows = fields();
  if (const QString failed = writeCustomFields(state::reg(), rows); !failed.isEmpty()) {
    ui::prompter().MsgBox(QStringLiteral("The custom properties were not all stored: ") + failed,
                          ui::kStyleExclamation, windowTitle());
    return;
  }
  for (int k = 0; k < kFields; ++k) {
    f_.Custom_Label[k]->hide();
    f_.Custom_Value[k]->hide();
  }
  for (int k = 0; k < int(rows.size()) && k < kFields; ++k) {
    f_.Custom_Label[k]->setText(rows[k].displayName);
    f_.Custom_Label[k]->show();
    f_.Custom_Value[k]->clear();
    f_.Custom_Value[k]->show();
  }
  f_.customFieldsReconfigured();
  accept();
}

void Custom::CancelButton_Click() {
  reject();
}

void Custom::ListView1_MouseDown(Qt::MouseButton Button) {
  if (Button != Qt::RightButton) return;
  state::shared().Edit_Mode = 3;
  f_.Show_Popup1();
}

void Custom::ListView1_DblClick() {
  state::shared().Edit_Mode = 3;
  Edit_Properties::run(f_, this);
}

}  // namespace tavrel::mainwindow
