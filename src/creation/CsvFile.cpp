#include "creation/CsvFile.h"

#include "platform/text/Cp1252.h"

#include <QFile>
#include <QStringDecoder>

namespace tavrel::creation {

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";

bool isBreak(char c) {
  return c == '\n' || c == '\r';
}
}  // namespace

QString encodingName(CsvEncoding e) {
  switch (e) {
    case CsvEncoding::Utf8:
      return QStringLiteral("UTF-8");
    case CsvEncoding::Utf8Bom:
      return QStringLiteral("UTF-8 (with byte-order mark)");
    case CsvEncoding::Windows1252:
      return QStringLiteral("Windows-1252");
  }
  return {};
}

CsvEncoding detectEncoding(const QByteArray& bytes) {
  const bool bom = bytes.startsWith(kBom);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString ignored = utf8(QByteArrayView(bytes).sliced(bom ? 3 : 0));
  if (utf8.hasError()) return CsvEncoding::Windows1252;
  return bom ? CsvEncoding::Utf8Bom : CsvEncoding::Utf8;
}

CsvReader::CsvReader(QByteArray bytes) : bytes_(std::move(bytes)), encoding_(detectEncoding(bytes_)) {
  if (encoding_ == CsvEncoding::Utf8Bom) pos_ = 3;
}

QString CsvReader::decode(QByteArrayView bytes) const {
  if (encoding_ == CsvEncoding::Windows1252) return text::fromCp1252(bytes.toByteArray());
  // A U+FEFF inside the file is a character of its field (only the file's first is a mark).
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return utf8(bytes);
}

qsizetype CsvReader::lineEnd(qsizetype from) const {
  while (from < bytes_.size() && !isBreak(bytes_.at(from))) ++from;
  return from;
}

qsizetype CsvReader::pastBreak(qsizetype at) const {
  if (at >= bytes_.size()) return at;
  if (bytes_.at(at) == '\r' && at + 1 < bytes_.size() && bytes_.at(at + 1) == '\n') return at + 2;
  return at + 1;
}

std::optional<CsvRecord> CsvReader::next() {
  if (pos_ >= bytes_.size()) return std::nullopt;
  const qsizetype start = pos_;
  const qsizetype n = bytes_.size();
  CsvRecord record;
  record.line = line_;

  // Fields as RFC 4180 reads them; `i` stands at the start of a field.
  QByteArray field;
  qsizetype i = start;
  bool malformed = false;
  while (i < n && !isBreak(bytes_.at(i))) {
    if (bytes_.at(i) == '"') {
      // A quoted field: up to the closing quote, a doubled quote standing for one.
      qsizetype j = i + 1;
      bool closed = false;
      while (j < n) {
        if (bytes_.at(j) != '"') {
          field.append(bytes_.at(j++));
        } else if (j + 1 < n && bytes_.at(j + 1) == '"') {
          field.append('"');
          j += 2;
        } else {
          closed = true;
          ++j;
          break;
        }
      }
      // The closing quote ends the field, or the quote was no field's quoting.
      if (!closed || (j < n && bytes_.at(j) != ',' && !isBreak(bytes_.at(j)))) {
        malformed = true;
        break;
      }
      i = j;
    } else {
      while (i < n && bytes_.at(i) != ',' && !isBreak(bytes_.at(i))) field.append(bytes_.at(i++));
    }
    record.fields << decode(field);
    field.clear();
    if (i < n && bytes_.at(i) == ',') {
      ++i;
      // A comma at the end of the line leaves one more, empty field.
      if (i >= n || isBreak(bytes_.at(i))) record.fields << QString();
    }
  }

  if (malformed) {
    // The record is its first line, split at every comma; the next record starts on the next line.
    i = lineEnd(start);
    record.fields.clear();
    for (const QByteArray& part : bytes_.mid(start, i - start).split(',')) record.fields << decode(part);
    record.malformed = true;
  }
  record.raw = bytes_.mid(start, i - start);
  record.text = decode(record.raw);
  // Line breaks inside the record (only a quoted field holds them), CR LF counting as one.
  for (qsizetype k = 0; k < record.raw.size(); ++k) {
    if (!isBreak(record.raw.at(k))) continue;
    if (record.raw.at(k) == '\r' && k + 1 < record.raw.size() && record.raw.at(k + 1) == '\n') ++k;
    ++record.lines;
  }
  line_ += record.lines;
  pos_ = pastBreak(i);
  return record;
}

std::optional<QByteArray> readWholeFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  return bytes;
}

}  // namespace tavrel::creation
