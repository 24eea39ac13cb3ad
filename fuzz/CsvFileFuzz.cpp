// The import file's reader over crafted bytes: it always ends, every record's bytes are a piece
// of the input in order (so the records cover the file), and a record read again from its own
// bytes gives the same fields, which is what Import.err relies on.

#include "FuzzSupport.h"
#include "creation/CsvFile.h"

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  creation::CsvReader reader(bytes);
  qsizetype at = reader.encoding() == creation::CsvEncoding::Utf8Bom ? 3 : 0;
  qsizetype records = 0;
  while (auto r = reader.next()) {
    TAVREL_FUZZ_CHECK(++records <= qsizetype(size) + 1, QStringLiteral("more records than bytes"));
    const qsizetype found = bytes.indexOf(r->raw, at);
    TAVREL_FUZZ_CHECK(found == at, QString::fromLatin1(r->raw.toHex()));
    at += r->raw.size();
    // One line break (CR LF, LF or CR) ends the record.
    if (at + 1 < bytes.size() && bytes.at(at) == '\r' && bytes.at(at + 1) == '\n')
      at += 2;
    else if (at < bytes.size() && (bytes.at(at) == '\r' || bytes.at(at) == '\n'))
      ++at;
    if (r->raw.isEmpty()) {
      TAVREL_FUZZ_CHECK(r->fields.isEmpty(), QStringLiteral("an empty line has no fields"));
      continue;
    }
    // The record alone, read with the file's encoding, is the same record.
    // A first field of its own keeps the encoding (0xFF is never UTF-8) and keeps the bytes from
    // being taken for a byte-order mark; it is dropped again.
    QByteArray alone = r->raw;
    alone.prepend(reader.encoding() == creation::CsvEncoding::Windows1252 ? "\xFF," : "x,");
    creation::CsvReader again(alone);
    auto same = again.next();
    TAVREL_FUZZ_CHECK(same.has_value() && !same->fields.isEmpty(), QString::fromLatin1(r->raw.toHex()));
    QStringList fields = same->fields;
    fields.removeFirst();
    TAVREL_FUZZ_CHECK(fields == r->fields, QString::fromLatin1(r->raw.toHex()));
  }
  TAVREL_FUZZ_CHECK(at == bytes.size(), QStringLiteral("the records leave bytes out"));
  return 0;
}
