#pragma once
// The window "Add Group": creates one group in the connected domain (an NT global group, or an
// Active Directory group of the chosen scope and type in the domain's Users container) and adds
// it at once to the four lists of groups: the main window's template and user-tab lists, the group
// window's list and the bulk window's.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavrel::groups {

class GroupAdd : public QDialog {
  Q_OBJECT
 public:
  explicit GroupAdd(QWidget* parent = nullptr);

  void Form_Load();
  void OKButton_Click();
  void CancelButton_Click() { reject(); }

  QLineEdit* GRP_Name = nullptr;
  QLineEdit* GRP_DESCRIPTION = nullptr;
  QRadioButton* Option1[3] = {};  // scope: "Domain Local", "Domain Global ", "Universal"
  QRadioButton* Option2[2] = {};  // type: "Distribution", "Security"
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void createNt(const QString& name);
  void createAd(const QString& name);
  // Adds the new group's entries to the four lists; says so when one refused it.
  void addToLists(const QString& name, const QString& key, const QString& icon, const QString& caption);
};

}  // namespace tavrel::groups
