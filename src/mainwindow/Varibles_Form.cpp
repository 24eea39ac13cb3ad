#include "mainwindow/Varibles_Form.h"

#include "mainwindow/Edit_Properties.h"
#include "mainwindow/Naming.h"
#include "mainwindow/form1.h"
#include "state/SharedState.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace tavrel::mainwindow {

Varibles_Form::Varibles_Form(form1& main) : QDialog(&main), f_(main) {
  setObjectName(QStringLiteral("Varibles_Form"));
  setWindowTitle(QStringLiteral("Template Variables"));
  setModal(true);
  resize(460, 360);

  ListView1 = named(new ui::ListView(this), QStringLiteral("ListView1"));
  ListView1->setColumns({QStringLiteral("Name"), QStringLiteral("Value")});
  ListView1->setColumnWidth(0, 160);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  Close = named(new QPushButton(QStringLiteral("&Close"), this), QStringLiteral("Close"));

  auto* v = new QVBoxLayout(this);
  v->addWidget(ListView1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Close);
  v->addLayout(buttons);

  connect(Close, &QPushButton::clicked, this, &Varibles_Form::Close_Click);
  connect(ListView1, &ui::ListView::dblClick, this, [this] { ListView1_DblClick(); });
  connect(ListView1, &QWidget::customContextMenuRequested, this,
          [this] { ListView1_MouseDown(Qt::RightButton); });
  connect(ListView1, &ui::ListView::columnClick, this, &Varibles_Form::ListView1_ColumnClick);
}

std::vector<records::TemplateVariable> Varibles_Form::rows() const {
  std::vector<records::TemplateVariable> out;
  for (int i = 1; i <= ListView1->count(); ++i) out.push_back({ListView1->text(i), ListView1->subItem(i, 1)});
  return out;
}

void Varibles_Form::showRows() {
  ListView1->clear();
  ListView1->setSorted(false);
  for (const records::TemplateVariable& v : state::shared().Template_Variables) {
    ListView1->add(v.name)->setText(1, v.value);
  }
}

void Varibles_Form::listChanged() {
  state::shared().Template_Variables = rows();
}

void Varibles_Form::Close_Click() {
  listChanged();
  if (f_.newTemplateMode()) {
    // The new template's save writes them.
    hide();
    return;
  }
  bool noRecord = false;
  if (f_.storeVariables(rows(), &noRecord) || noRecord) hide();
}

void Varibles_Form::reject() {
  listChanged();
  QDialog::reject();
}

void Varibles_Form::ListView1_DblClick() {
  state::shared().Edit_Mode = 2;
  Edit_Properties::run(f_, this);
}

void Varibles_Form::ListView1_MouseDown(Qt::MouseButton Button) {
  if (Button != Qt::RightButton) return;
  state::shared().Edit_Mode = 2;
  f_.Show_Popup1();
}

void Varibles_Form::ListView1_ColumnClick(int) {
  ListView1->setSortOrder(ListView1->sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                         : Qt::AscendingOrder);
  ListView1->setSorted(true);
  listChanged();
}

}  // namespace tavrel::mainwindow
