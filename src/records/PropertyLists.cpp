#include "records/PropertyLists.h"

#include "platform/text/Cp1252.h"
#include "records/Lookup.h"
#include "records/TemplateEditing.h"

namespace tavrel::records {
namespace {

QString lineRef(const QString& file, int line) {
  return QStringLiteral("%1 line %2").arg(file).arg(line);
}

Status checkField(const QString& file, int row, const QString& what, const QString& value, bool isName) {
  if (value.contains(u'\r') || value.contains(u'\n'))
    return Status::failure(
        QStringLiteral("%1: the %2 of row %3 holds a line break, which the file can't store.")
            .arg(file, what)
            .arg(row));
  if (isName && value.contains(u','))
    return Status::failure(QStringLiteral("%1: the %2 of row %3 holds a comma, which the file can't store.")
                               .arg(file, what)
                               .arg(row));
  return {};
}

QByteArray joinLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& l : lines) {
    out += text::toCp1252(l);
    out += "\r\n";
  }
  return out;
}

Status save(const DatabaseFolder& db, const QString& name, const Result<QByteArray>& bytes) {
  if (!bytes) return bytes.status();
  auto guard = db.lockExclusive();
  if (!guard) return guard.status();
  return db.writeWhole(name, bytes.value());
}

template <class Row, class Parse>
Result<PropertyList<Row>> loadOptional(const DatabaseFolder& db, const QString& name, Parse parse) {
  if (Status s = db.check(); !s) return s;
  if (!db.exists(name)) return PropertyList<Row>{};
  auto bytes = db.readWhole(name);
  if (!bytes) return bytes.status();
  PropertyList<Row> list = parse(bytes.value());
  list.present = true;
  return list;
}

}  // namespace

QList<Mail_Attribute_Row> defaultMailRows() {
  return {{QStringLiteral("Container"), QStringLiteral("Recipients")},
          {QStringLiteral("Target-Address"), QStringLiteral("%first%.%last%@yourdomain.com")},
          {QStringLiteral("Replication-Sensitivity"), QStringLiteral("20")}};
}

QStringList propertyLines(const QByteArray& bytes) {
  const QString text = text::fromCp1252(bytes);
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

PropertyList<Mail_Attribute_Row> parseMail(const QByteArray& bytes) {
  PropertyList<Mail_Attribute_Row> list;
  const QStringList lines = propertyLines(bytes);
  for (int i = 0; i < lines.size(); ++i) {
    const qsizetype p = lines[i].indexOf(u',');
    if (p >= 0)
      list.rows.append({lines[i].left(p), lines[i].mid(p + 1)});
    else if (!lines[i].isEmpty())
      list.warnings.append(lineRef(names::Mail, i + 1) + QStringLiteral(" has no comma; skipped."));
  }
  return list;
}

PropertyList<W2K_Property_Row> parseW2K(const QByteArray& bytes) {
  PropertyList<W2K_Property_Row> list;
  const QStringList lines = propertyLines(bytes);
  for (int i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    // The tag is the first character; the name runs from the third to the next comma.
    const qsizetype p = line.size() > 2 ? line.indexOf(u',', 2) : -1;
    if (p < 0) {
      list.warnings.append(lineRef(names::W2K, i + 1) +
                           QStringLiteral(" has no attribute and value; skipped."));
      continue;
    }
    list.rows.append({line.startsWith(u'p') ? kUserIcon : kMailIcon, line.mid(2, p - 2), line.mid(p + 1)});
  }
  return list;
}

PropertyList<QString> parseWTS(const QByteArray& bytes) {
  PropertyList<QString> list;
  const QStringList lines = propertyLines(bytes);
  list.rows = lines.mid(0, kWtsRows);
  if (lines.size() > kWtsRows)
    list.warnings.append(QStringLiteral("%1 has %2 lines; only the first %3 were loaded.")
                             .arg(names::WTS)
                             .arg(lines.size())
                             .arg(kWtsRows));
  return list;
}

Result<QByteArray> formatMail(const QList<Mail_Attribute_Row>& rows) {
  QStringList lines;
  for (int i = 0; i < rows.size(); ++i) {
    if (Status s = checkField(names::Mail, i + 1, QStringLiteral("name"), rows[i].Name, true); !s) return s;
    if (Status s = checkField(names::Mail, i + 1, QStringLiteral("value"), rows[i].Value, false); !s)
      return s;
    lines.append(rows[i].Name + u',' + rows[i].Value);
  }
  return joinLines(lines);
}

Result<QByteArray> formatW2K(const QList<W2K_Property_Row>& rows) {
  QStringList lines;
  for (int i = 0; i < rows.size(); ++i) {
    if (Status s = checkField(names::W2K, i + 1, QStringLiteral("name"), rows[i].Name, true); !s) return s;
    if (Status s = checkField(names::W2K, i + 1, QStringLiteral("value"), rows[i].Value, false); !s) return s;
    const QString tag = rows[i].IconKey == kUserIcon ? QStringLiteral("p,") : QStringLiteral("m,");
    lines.append(tag + rows[i].Name + u',' + rows[i].Value);
  }
  return joinLines(lines);
}

Result<QByteArray> formatWTS(const QStringList& values) {
  if (values.size() != kWtsRows)
    return Status::failure(
        QStringLiteral("%1 needs %2 values, not %3.").arg(names::WTS).arg(kWtsRows).arg(values.size()));
  for (int i = 0; i < values.size(); ++i)
    if (Status s = checkField(names::WTS, i + 1, QStringLiteral("value"), values[i], false); !s) return s;
  return joinLines(values);
}

Result<PropertyList<Mail_Attribute_Row>> loadMail(const DatabaseFolder& db) {
  if (Status s = db.check(); !s) return s;
  if (!db.exists(names::Mail)) {
    auto guard = db.lockExclusive();
    if (!guard) return guard.status();
    // Another instance may have written it while we waited for the lock.
    if (!db.exists(names::Mail)) {
      if (Status s = db.writeWhole(names::Mail, formatMail(defaultMailRows()).value()); !s) return s;
    }
  }
  return loadOptional<Mail_Attribute_Row>(db, names::Mail, parseMail);
}

Result<PropertyList<W2K_Property_Row>> loadW2K(const DatabaseFolder& db) {
  return loadOptional<W2K_Property_Row>(db, names::W2K, parseW2K);
}

Result<PropertyList<QString>> loadWTS(const DatabaseFolder& db) {
  return loadOptional<QString>(db, names::WTS, parseWTS);
}

Status saveMail(const DatabaseFolder& db, const QList<Mail_Attribute_Row>& rows) {
  return save(db, names::Mail, formatMail(rows));
}

Status saveW2K(const DatabaseFolder& db, const QList<W2K_Property_Row>& rows) {
  return save(db, names::W2K, formatW2K(rows));
}

Status saveWTS(const DatabaseFolder& db, const QStringList& values) {
  return save(db, names::WTS, formatWTS(values));
}

Result<int> writeTemplateVariables(const DatabaseFolder& db, const QString& templateName,
                                   const std::vector<TemplateVariable>& rows) {
  if (const QString refused = variablesDontFit(rows); !refused.isEmpty()) return Status::failure(refused);
  return changeFirstLive<Template_Record>(
      db, names::Template,
      [&](const Template_Record& r) {
        return r.Deleted == 0 && sameNameIgnoringCase(r.Name, templateName);
      },
      Pick::First, [&](Template_Record& r) { setVariables(r, rows); });
}

QStringList accessWords() {
  return {QStringLiteral("Full Control"), QStringLiteral("Change"), QStringLiteral("Read")};
}

PermissionListLoad loadPermissionList(const DatabaseFolder& db, const QString& name) {
  PermissionListLoad list;
  if (Status s = db.check(); !s) {
    list.error = s.message();
    return list;
  }
  auto file = db.open(name, Permission_Record::Length, RecordFile::Access::ReadWrite);
  if (!file) {
    list.error = file.message();
    return list;
  }
  auto count = file->count();
  if (!count) {
    list.error = count.message();
    return list;
  }
  for (int n = 1; n <= count.value(); ++n) {
    auto record = file->readAs<Permission_Record>(n);
    if (!record) {
      list.error = record.message();
      return list;
    }
    if (n == 1) list.newSecurity = record->NewSecurity == -1;
    list.records.append(record.value());
  }
  if (Status whole = file->checkWholeRecords(); !whole) list.error = whole.message();
  return list;
}

QString permissionRowsDontFit(const QList<PermissionRow>& rows) {
  QList<FieldText> fields;
  for (const PermissionRow& row : rows) {
    fields.append({QStringLiteral("The account \"%1\"").arg(row.account), row.account, 50});
    fields.append({QStringLiteral("The access of \"%1\"").arg(row.account), row.access, 12});
  }
  return fieldTooLong(fields);
}

QList<Permission_Record> permissionRecords(const QList<PermissionRow>& rows, bool replace, bool shareList) {
  QList<Permission_Record> out;
  if (rows.isEmpty() && shareList) {
    Permission_Record everyone;
    everyone.Account = QStringLiteral("Everyone");
    everyone.Access = QStringLiteral("Full Control");
    out.append(everyone);
    return out;
  }
  for (int i = 0; i < rows.size(); ++i) {
    Permission_Record r;
    r.NewSecurity = (i == 0 && replace) ? -1 : 0;
    r.Account = rows[i].account;
    r.Access = rows[i].access;
    out.append(r);
  }
  return out;
}

Status savePermissionList(const DatabaseFolder& db, const QString& name, const QList<Permission_Record>& records) {
  if (Status s = db.check(); !s) return s;
  QByteArray bytes;
  for (const Permission_Record& r : records) bytes += r.encode();
  auto guard = db.lockExclusive();
  if (!guard) return guard.status();
  return db.writeWhole(name, bytes);
}

}  // namespace tavrel::records
