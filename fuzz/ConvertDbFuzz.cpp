// Convert_DB on a database folder of crafted files. The first byte picks the Kind (1 to 3), the
// next two give Site.dat's length (little-endian; all ones: no Site.dat), the rest is Template.dat
// (empty: no Template.dat). Afterwards either the conversion failed and both files are as they
// were, with nothing half-written left beside them, or it succeeded and every file is in the
// current layout.

#include "FuzzSupport.h"
#include "records/Conversion.h"
#include "records/DatabaseFolder.h"
#include "records/Layout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tavrel;
using namespace tavrel::records;

namespace {

QByteArray read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    fuzz::fail("cannot write the test folder", path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static QTemporaryDir tmp;
  const QString folder = tmp.path() + QStringLiteral("/db/");
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);

  const int16_t kind = static_cast<int16_t>(1 + data[0] % 3);
  const std::size_t siteLength = data[1] | (data[2] << 8);
  const bool hasSites = siteLength != 0xffff;
  const std::size_t siteBytes = hasSites ? std::min(siteLength, size - 3) : 0;
  const QByteArray sites = fuzz::bytes(data + 3, siteBytes);
  const QByteArray templates = fuzz::bytes(data + 3 + siteBytes, size - 3 - siteBytes);
  if (hasSites) write(folder + QStringLiteral("Site.dat"), sites);
  if (!templates.isEmpty()) write(folder + QStringLiteral("Template.dat"), templates);

  ConvertHooks hooks;
  int versionWrites = 0;
  hooks.message = [](const QString&, const QString&) {};
  hooks.writeVersion = [&] {
    ++versionWrites;
    return true;
  };
  const Status s = Convert_DB(folder, kind, hooks);
  const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
  TAVREL_FUZZ_CHECK(
      !left.contains(QStringLiteral("Site.new")) && !left.contains(QStringLiteral("Template.new")),
      left.join(u' '));
  if (!s.ok()) {
    TAVREL_FUZZ_CHECK(read(folder + QStringLiteral("Site.dat")) == sites, s.message());
    TAVREL_FUZZ_CHECK(read(folder + QStringLiteral("Template.dat")) == templates, s.message());
    TAVREL_FUZZ_CHECK(versionWrites == 0, s.message());
    return 0;
  }
  TAVREL_FUZZ_CHECK(versionWrites == 1, QString::number(versionWrites));
  const DatabaseFolder db(folder);
  for (const QString& name : {names::Site, names::Template}) {
    // A file of another older layout than the Kind's stops the conversion, so after a success
    // every file of the Kind's files is current, missing or empty.
    if (name == names::Site && kind != 1) continue;
    auto layout = detectFileLayout(db, name);
    TAVREL_FUZZ_CHECK(layout.ok(), layout.message());
    TAVREL_FUZZ_CHECK(!layout.value() || *layout.value() == 0, name);
  }
  return 0;
}
