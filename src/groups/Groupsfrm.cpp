#include "groups/Groupsfrm.h"

#include <QGridLayout>
#include <QGroupBox>

namespace tavrel::groups {
namespace {

Groupsfrm* theInstance = nullptr;

ui::ListView* sortedList(QWidget* parent, const QString& name, const QStringList& columns,
                         const ui::ImageList* images) {
  auto* list = new ui::ListView(parent);
  list->setObjectName(name);
  list->setColumns(columns);
  list->setImageList(images);
  list->setSorted(true);
  return list;
}

}  // namespace

Groupsfrm::Groupsfrm(const ui::ImageList* images) {
  setObjectName(QStringLiteral("Groupsfrm"));
  setWindowTitle(QStringLiteral("Global Groups"));
  auto* layout = new QGridLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("Groups"), this);
  frame->setObjectName(QStringLiteral("Groups"));
  auto* inner = new QGridLayout(frame);
  ListView1 = sortedList(frame, QStringLiteral("ListView1"), {QStringLiteral("Name"), QStringLiteral("Type")},
                         images);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  NotMembers = sortedList(frame, QStringLiteral("NotMembers"), {QStringLiteral("Not a Member of:")}, images);
  NotMembers->setSelectionMode(QAbstractItemView::ExtendedSelection);
  inner->addWidget(ListView1, 0, 0);
  inner->addWidget(NotMembers, 1, 0);
  layout->addWidget(frame, 0, 0);
  resize(560, 520);
}

Groupsfrm& Groupsfrm::instance(const ui::ImageList* images) {
  if (!theInstance) theInstance = new Groupsfrm(images);
  if (images)
    for (ui::ListView* l : {theInstance->ListView1, theInstance->NotMembers}) l->setImageList(images);
  return *theInstance;
}

Groupsfrm* Groupsfrm::existing() {
  return theInstance;
}

void Groupsfrm::unload() {
  delete theInstance;
  theInstance = nullptr;
}

}  // namespace tavrel::groups
