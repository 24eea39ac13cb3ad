#include "records/Layout.h"

#include "records/Records.h"

#include <QFileInfo>
#include <QList>

#include <algorithm>

namespace tavrel::records {
namespace {

struct Candidate {
  int length;
  int16_t kind;  // 0: current
};

QList<Candidate> layoutsOf(const QString& name) {
  if (name.compare(names::Site, Qt::CaseInsensitive) == 0)
    return {{Site_Record::Length, 0}, {Site_Record_V1::Length, 1}};
  if (name.compare(names::Template, Qt::CaseInsensitive) == 0)
    return {{Template_Record::Length, 0},
            {Template_Record_V1::Length, 1},
            {Template_Record_V20::Length, 2},
            {Template_Record_V21::Length, 3}};
  return {};
}

// The name of the copy a conversion keeps of `name`: "Site.v22" for "Site.dat".
QString keptName(const QString& name) {
  return name.left(name.lastIndexOf(u'.')) + QStringLiteral(".v22");
}

// Every record read in this layout starts with a deleted flag: a small number (0 and -1 as written
// by the program, other values in files of other tools), where a misaligned read finds two text
// characters, which are blanks or printable.
bool plausible(const QByteArray& bytes, int length) {
  for (qsizetype at = 0; at + length <= bytes.size(); at += length) {
    const auto high = static_cast<uint8_t>(bytes[at + 1]);
    if (high != 0x00 && high != 0xff) return false;
  }
  return true;
}

}  // namespace

Result<std::optional<int16_t>> detectFileLayout(const DatabaseFolder& db, const QString& name) {
  const QList<Candidate> layouts = layoutsOf(name);
  if (layouts.isEmpty() || !db.exists(name)) return std::optional<int16_t>();
  const qint64 size = QFileInfo(db.resolve(name)).size();
  if (size == 0) return std::optional<int16_t>();
  QList<Candidate> fitting;
  for (const Candidate& c : layouts)
    if (size % c.length == 0) fitting.append(c);
  if (fitting.size() > 1 && fitting.first().kind == 0 && db.exists(keptName(name)))
    return std::optional<int16_t>(0);
  if (fitting.size() > 1) {
    auto bytes = db.readWhole(name);
    if (!bytes) return bytes.status();
    QList<Candidate> plausibleOnes;
    for (const Candidate& c : fitting)
      if (plausible(bytes.value(), c.length)) plausibleOnes.append(c);
    fitting = plausibleOnes;
  }
  if (fitting.size() == 1) return std::optional<int16_t>(fitting.first().kind);
  if (fitting.isEmpty())
    return Status::failure(QStringLiteral("%1 is %2 bytes long: its records fit no layout of this or an "
                                          "older version. The file was not changed.")
                               .arg(name)
                               .arg(size));
  return Status::failure(QStringLiteral("%1 could be read in the layouts of more than one version. The file "
                                        "was not changed.")
                             .arg(name));
}

Result<int16_t> detectConversionKind(const DatabaseFolder& db) {
  auto site = detectFileLayout(db, names::Site);
  if (!site) return site.status();
  if (site.value() == 1) return int16_t(1);
  auto templates = detectFileLayout(db, names::Template);
  if (!templates) return templates.status();
  return templates.value().value_or(0);
}

Status checkCurrentLayout(const DatabaseFolder& db, const QString& name) {
  const QList<Candidate> layouts = layoutsOf(name);
  if (layouts.isEmpty() || !db.exists(name)) return {};
  // A length no layout divides is a damaged file: the record file's own checks report it.
  const qint64 size = QFileInfo(db.resolve(name)).size();
  if (std::none_of(layouts.begin(), layouts.end(), [&](const Candidate& c) { return size % c.length == 0; }))
    return {};
  auto layout = detectFileLayout(db, name);
  if (!layout) return layout.status();
  if (layout.value().value_or(0) != 0)
    return Status::failure(
        QStringLiteral("%1 is in the layout of an older version and must be converted first.").arg(name));
  return {};
}

}  // namespace tavrel::records
