#pragma once
// The program's shared variables, under the names the rest of the code knows them by. One
// instance is owned by the application; tests call resetShared() so that each starts clean.
// Later subsystems add their members here.

#include "platform/registry/Registry_Object.h"
#include "records/Records.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavrel::state {

// The fields of the current import line: field k at index k, index 0 holding nothing. A line may
// have any number of fields; reading past the last gives an empty text and writing past it makes
// room, so no index is ever out of bounds.
class ImportFieldList {
 public:
  QString& operator[](qsizetype k) {
    if (k >= qsizetype(fields_.size())) fields_.resize(size_t(k) + 1);
    return fields_[size_t(k)];
  }
  QString operator[](qsizetype k) const { return value(k); }
  QString value(qsizetype k) const { return k >= 0 && k < size() ? fields_[size_t(k)] : QString(); }
  qsizetype size() const { return qsizetype(fields_.size()); }
  // The line's fields become fields 1 .. n; the earlier line's are gone.
  void assign(const QStringList& fields) {
    fields_.assign(size_t(fields.size()) + 1, QString());
    for (qsizetype k = 0; k < fields.size(); ++k) fields_[size_t(k) + 1] = fields[k];
  }

 private:
  std::vector<QString> fields_;
};

// One template variable as the variables list holds it: the row text is the name, its first
// sub-item the value.
using VariableRow = records::TemplateVariable;

struct SharedState {
  // Directory
  int32_t Directory_Mode = 0;  // 0 native, 1 mixed, 2 NT 4.0
  QString Domain_Name;         // "%Domain%" when not configured
  QString NetBIOS_Domain;
  QString Profile_Hive_Name;  // the profile hive's file name, "NTUser.dat" unless configured
  int32_t User_Count = 0;
  int32_t Group_Count = 0;
  int32_t Users_Added_Count = 0;

  // User-properties tab: the change flags of its field groups (16-bit Booleans: -1 True, 0
  // False) and the primary group identifier of the user last loaded, as text.
  int16_t UM_Changed_Logon = 0;
  int16_t UM_Changed_Paths = 0;
  int16_t UM_Changed_General = 0;
  int16_t UM_Changed_Flags = 0;
  int16_t UM_Changed_Custom = 0;
  QString Primary_Group_ID;

  // Registry calling convention and results of message boxes and module calls
  QString Reg_Value;
  bool Reg_Result = false;
  int32_t Op_Status = 0;

  // The one record buffer of each record type: holds the record last read or to be written.
  records::Site_Record Current_Site;
  records::Template_Record Current_Template;
  records::Permission_Record Current_Perm;

  // Record editing
  int32_t RecordIndex = 0;
  int16_t EditingTemplate = 0;  // -1 while the template tab edits an existing record
  int16_t EditingSite = 0;      // -1 while the site tab edits an existing record
  int16_t Edit_Mode = 0;        // 0 directory, 1 mail, 2 variables, 3 custom fields, 4 TS
  bool New_Row_Flag = false;
  bool SharePermMode = false;
  std::array<uint8_t, 21> Logon_Hours_Array{};  // all 255 at start-up

  // Running operation
  QString Step_Text;
  QString Step_Log_Text;
  QString Step_Detail;
  bool Cancel_Flag = false;

  // UserName's counter state
  int16_t Id_Counter = 0;
  bool CounterUsed = false;
  bool AltIdTried = false;

  // Import
  bool Import_Mode = false;
  ImportFieldList ImportField;
  int32_t Import_Field_Count = 0;  // the line's whole number of fields
  QString Import_Line;
  bool Import_Error_Flag = false;
  bool Import_Warning_Flag = false;

  // The current template's variables, in the order of the variables window's list
  // (Varibles_Form.ListView1); that list shows and edits these rows.
  std::vector<VariableRow> Template_Variables;

  // Bulk operations (16-bit Booleans: -1 True, 0 False)
  int16_t Bulk_Delete_Running = 0;
  int16_t Bulk_Move_Running = 0;
  int16_t Bulk_Delete_Mail = 0;
  int16_t Bulk_Delete_Data = 0;
  int16_t Bulk_Run_Command = 0;

  // Mailboxes: the Exchange 5.5 recipients container of the last mailbox operation and the path
  // bound for it; an attribute row of the last creation failed; the Exchange server, site and
  // organisation of the site a deletion uses, which the mailbox search window reads.
  QString Mail_Container;
  QString Mail_Container_Path;
  bool Mail_Warning_Flag = false;
  QString Mail_Search_Server;
  QString Mail_Search_Site;
  QString Mail_Search_Org;

  // The one registry component, created on first use (see reg()).
  std::unique_ptr<registry::Registry_Object> Registry;

  SharedState() { Logon_Hours_Array.fill(255); }
};

// The application's shared state.
SharedState& shared();
// Replaces the shared state with a fresh one (the registry component is created anew on next use).
void resetShared();

// The registry component, created on first use with the default settings file.
registry::Registry_Object& reg();

}  // namespace tavrel::state
