#include "records/TemplateEditing.h"

#include "records/Layout.h"
#include "records/Lookup.h"

#include "platform/text/Cp1252.h"

namespace tavrel::records {
namespace {

using text::trimBlanks;

bool liveTemplateNamed(const Template_Record& r, const QString& name) {
  return r.Deleted == 0 && sameNameIgnoringCase(r.Name, name);
}

// Template.dat may be written only when it is whole records of the current layout.
Status writableTemplateFile(const DatabaseFolder& db) {
  if (!db.exists(names::Template)) return {};
  auto file = db.open(names::Template, Template_Record::Length, RecordFile::Access::Read);
  if (!file) return file.status();
  return checkSettledFile(db, names::Template, file.value());
}

}  // namespace

std::optional<QString> normalisedHomeDrive(const QString& drive) {
  if (drive.isEmpty()) return drive;
  if (drive.size() != 2 || drive[1] != u':') return std::nullopt;
  const QChar letter = drive[0].toUpper();
  if (letter < u'A' || letter > u'Z') return std::nullopt;
  return QString(letter) + u':';
}

QString homeDriveRule(const QString& homeShare, const QString& drive) {
  const bool shareEmpty = trimBlanks(homeShare).isEmpty();
  if (drive.isEmpty() && !shareEmpty) return QStringLiteral("Z:");
  if (shareEmpty && !drive.isEmpty()) return QString();
  return drive;
}

NewTemplateName checkNewTemplateName(const QString& name, const QStringList& listed) {
  for (const QString& entry : listed)
    if (sameNameIgnoringCase(entry, name)) return NewTemplateName::AlreadyUsed;
  if (trimBlanks(name).isEmpty()) return NewTemplateName::Blank;
  if (name.size() > kTemplateNameWidth) return NewTemplateName::TooLong;
  return NewTemplateName::Accepted;
}

QString storedTemplateName(const QString& name) {
  Template_Record r;
  r.Name = name;
  return Template_Record::decode(r.encode()).Name;
}

std::vector<TemplateVariable> variablesOf(const Template_Record& record) {
  std::vector<TemplateVariable> rows;
  for (int i = 1; i < Template_Record::VarSlots; ++i) {
    const QString name = trimBlanks(record.VarName[i]);
    const QString value = trimBlanks(record.VarValue[i]);
    if (!name.isEmpty() || !value.isEmpty()) rows.push_back({name, value});
  }
  return rows;
}

QString variablesDontFit(const std::vector<TemplateVariable>& rows) {
  if (rows.size() > size_t(kTemplateVariableCap))
    return QStringLiteral("A template holds at most %1 variables; this one has %2.")
        .arg(kTemplateVariableCap)
        .arg(rows.size());
  QList<FieldText> fields;
  for (const TemplateVariable& row : rows) {
    fields.append({QStringLiteral("The variable name \"%1\"").arg(row.name), row.name, kVariableNameWidth});
    fields.append({QStringLiteral("The value of variable \"%1\"").arg(row.name), row.value, kVariableValueWidth});
  }
  return fieldTooLong(fields);
}

Status setVariables(Template_Record& record, const std::vector<TemplateVariable>& rows) {
  if (const QString refused = variablesDontFit(rows); !refused.isEmpty()) return Status::failure(refused);
  for (int i = 1; i < Template_Record::VarSlots; ++i) {
    const bool used = size_t(i) <= rows.size();
    record.VarName[i] = used ? rows[i - 1].name : QString();
    record.VarValue[i] = used ? rows[i - 1].value : QString();
  }
  return {};
}

QString templateFieldsDontFit(const TemplateFields& f) {
  if (f.groups.size() > Template_Record::GroupSlots)
    return QStringLiteral("A template holds at most %1 groups; this one has %2.")
        .arg(Template_Record::GroupSlots)
        .arg(f.groups.size());
  QList<FieldText> fields{{QStringLiteral("The template name"), f.name, kTemplateNameWidth},
                          {QStringLiteral("Profile Share"), f.profileShareUNC, 75},
                          {QStringLiteral("Home Share"), f.homeShareUNC, 75},
                          {QStringLiteral("Profile Directory"), f.profileDirLocal, 75},
                          {QStringLiteral("Home Directory"), f.homeDirLocal, 75},
                          {QStringLiteral("Profile Share Name"), f.profileShareName, 20},
                          {QStringLiteral("Home Share Name"), f.homeShareName, 20},
                          {QStringLiteral("Logon Script"), f.logonScript, 20},
                          {QStringLiteral("Home Drive"), f.homeDrive, 2},
                          {QStringLiteral("The primary group"), f.primaryGroup, 21}};
  for (const QString& g : f.groups) fields.append({QStringLiteral("The group \"%1\"").arg(g), g, 21});
  return fieldTooLong(fields);
}

void fillTemplateRecord(Template_Record& r, const TemplateFields& f) {
  r.Deleted = 0;
  r.GroupCount = static_cast<int16_t>(f.groups.size());
  r.Name = f.name;
  r.ProfileShareUNC = f.profileShareUNC;
  r.HomeShareUNC = f.homeShareUNC;
  r.ProfileDirLocal = f.profileDirLocal;
  r.HomeDirLocal = f.homeDirLocal;
  r.LogonScript = f.logonScript;
  r.ProfileShareName = f.profileShareName;
  r.HomeShareName = f.homeShareName;
  r.HomeDrive = f.homeDrive;
  r.PrimaryGroup = f.primaryGroup;
  r.LogonHours = f.logonHours;
  for (int i = 0; i < f.groups.size() && i < Template_Record::GroupSlots; ++i) r.Groups[i] = f.groups[i];
}

Result<SavedTemplate> saveNewTemplate(const DatabaseFolder& db, const TemplateFields& fields,
                                      const std::vector<TemplateVariable>& variables) {
  if (const QString refused = templateFieldsDontFit(fields); !refused.isEmpty()) return Status::failure(refused);
  SavedTemplate saved;
  fillTemplateRecord(saved.record, fields);
  if (Status s = setVariables(saved.record, variables); !s) return s;
  saved.record = Template_Record::decode(saved.record.encode());  // as a read gives it back
  if (Status s = writableTemplateFile(db); !s) return s;
  auto n = db.appendRecord(names::Template, saved.record.encode());
  if (!n) return n.status();
  saved.number = n.value();
  return saved;
}

Result<SavedTemplate> saveEditedTemplate(const DatabaseFolder& db, const QString& editedName,
                                         const TemplateFields& fields) {
  if (const QString refused = templateFieldsDontFit(fields); !refused.isEmpty()) return Status::failure(refused);
  if (Status s = writableTemplateFile(db); !s) return s;
  SavedTemplate saved;
  auto n = changeFirstLive<Template_Record>(
      db, names::Template, [&](const Template_Record& r) { return liveTemplateNamed(r, editedName); },
      Pick::First, [&](Template_Record& r) {
        fillTemplateRecord(r, fields);
        saved.record = Template_Record::decode(r.encode());
      });
  if (!n) return n.status();
  if (n.value() == 0)
    return Status::failure(QStringLiteral("The template \"%1\" is no longer in Template.dat.")
                               .arg(trimBlanks(editedName)));
  saved.number = n.value();
  return saved;
}

Result<int> deleteTemplate(const DatabaseFolder& db, const QString& name) {
  return changeFirstLive<Template_Record>(
      db, names::Template, [&](const Template_Record& r) { return liveTemplateNamed(r, name); }, Pick::First,
      [](Template_Record& r) { r.Deleted = kDeletedFlag; });
}

Result<std::optional<Template_Record>> findLiveTemplate(const DatabaseFolder& db, const QString& name) {
  auto scan = scanRecords<Template_Record>(
      db, names::Template, [&](const Template_Record& r) { return liveTemplateNamed(r, name); });
  if (!scan) return scan.status();
  if (!scan->match) return std::optional<Template_Record>();
  return scan->lastRead;
}

}  // namespace tavrel::records
