// The import file's reader over crafted bytes: it always ends; every record's bytes are a piece
// of the input in order and its line numbers follow on, so every line of the file is in exactly
// one record; a record of several lines is one whose quotes were sound, and a malformed one is a
// single line; and a record read again from its own bytes, or from its text written as UTF-8 (as
// Import.err holds it), gives the same fields.

#include "FuzzSupport.h"
#include "creation/CsvFile.h"

using namespace tavrel;

namespace {

// The fields of `raw` read alone as the only record after a first field of its own, which keeps
// the encoding (0xFF is never UTF-8) and keeps the bytes from being taken for a byte-order mark.
std::optional<QStringList> readAlone(const QByteArray& prefix, const QByteArray& raw) {
  creation::CsvReader again(prefix + raw);
  auto same = again.next();
  if (!same || same->fields.isEmpty() || again.next()) return std::nullopt;
  QStringList fields = same->fields;
  fields.removeFirst();
  return fields;
}

qsizetype breaksIn(const QByteArray& raw) {
  qsizetype n = 0;
  for (qsizetype k = 0; k < raw.size(); ++k) {
    if (raw.at(k) != '\r' && raw.at(k) != '\n') continue;
    if (raw.at(k) == '\r' && k + 1 < raw.size() && raw.at(k + 1) == '\n') ++k;
    ++n;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  creation::CsvReader reader(bytes);
  qsizetype at = reader.encoding() == creation::CsvEncoding::Utf8Bom ? 3 : 0;
  qsizetype records = 0;
  qsizetype line = 1;
  while (auto r = reader.next()) {
    const QString hex = QString::fromLatin1(r->raw.toHex());
    TAVREL_FUZZ_CHECK(++records <= qsizetype(size) + 1, QStringLiteral("more records than bytes"));
    const qsizetype found = bytes.indexOf(r->raw, at);
    TAVREL_FUZZ_CHECK(found == at, hex);
    at += r->raw.size();
    // One line break (CR LF, LF or CR) ends the record.
    if (at + 1 < bytes.size() && bytes.at(at) == '\r' && bytes.at(at + 1) == '\n')
      at += 2;
    else if (at < bytes.size() && (bytes.at(at) == '\r' || bytes.at(at) == '\n'))
      ++at;
    // The record's lines follow the previous record's, and are the lines its bytes hold.
    TAVREL_FUZZ_CHECK(r->line == line, QStringLiteral("line %1 where %2 was due").arg(r->line).arg(line));
    TAVREL_FUZZ_CHECK(r->lines == 1 + breaksIn(r->raw), hex);
    TAVREL_FUZZ_CHECK(!r->malformed || r->lines == 1, QStringLiteral("a malformed record of several lines"));
    if (r->lines > 1) TAVREL_FUZZ_CHECK(r->raw.startsWith('"') || r->raw.contains(",\""), hex);
    line += r->lines;
    if (r->raw.isEmpty()) {
      TAVREL_FUZZ_CHECK(r->fields.isEmpty(), QStringLiteral("an empty line has no fields"));
      continue;
    }
    // The record alone, read with the file's encoding, is the same record.
    const bool cp1252 = reader.encoding() == creation::CsvEncoding::Windows1252;
    TAVREL_FUZZ_CHECK(readAlone(cp1252 ? "\xFF," : "x,", r->raw) == r->fields, hex);
    // Its text as Import.err writes it (UTF-8 after a byte-order mark) reads back the same.
    TAVREL_FUZZ_CHECK(readAlone("\xEF\xBB\xBFx,", r->text.toUtf8()) == r->fields, hex);
  }
  TAVREL_FUZZ_CHECK(at == bytes.size(), QStringLiteral("the records leave bytes out"));
  return 0;
}
