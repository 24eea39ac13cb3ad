#pragma once
// The window "Custom property - Setup": up to four custom user properties, each a display name
// (the caption of one label/value pair of the user-properties tab) and the directory attribute it
// shows. They are kept under the settings key Custom as Custom1..4 and Property1..4.

#include "platform/registry/Registry_Object.h"
#include "ui/ListView.h"

#include <QDialog>
#include <QPushButton>

#include <vector>

namespace tavrel::mainwindow {

class form1;

struct CustomField {
  QString displayName;
  QString property;
  bool operator==(const CustomField&) const = default;
};

// The fields k = 1..4 whose Custom<k> and Property<k> both exist, in number order.
std::vector<CustomField> readCustomFields(registry::Registry_Object& reg);

// Stores `fields` as fields 1..n and removes the values of the numbers after n (and a subkey
// Property<k> of Custom, should one exist). Only those values go: the key and its other values
// (the popup commands) stay. Returns the failures, empty when everything was stored.
QString writeCustomFields(registry::Registry_Object& reg, const std::vector<CustomField>& fields);

class Custom : public QDialog {
  Q_OBJECT
 public:
  // Loads the fields (Form_Load); the window is then shown with exec().
  explicit Custom(form1& main);

  void Form_Load();
  // Stores the rows as fields 1..n and shows them on the user-properties tab, their value boxes
  // emptied, the other pairs hidden. A failed write is reported and the window stays open.
  void OKButton_Click();
  void CancelButton_Click();
  void ListView1_MouseDown(Qt::MouseButton Button);
  void ListView1_DblClick();

  std::vector<CustomField> fields() const;

  ui::ListView* ListView1 = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  form1& f_;
};

}  // namespace tavrel::mainwindow
