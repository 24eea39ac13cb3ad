#include "creation/CsvFile.h"

#include "platform/text/Cp1252.h"

#include <QFile>
#include <QStringDecoder>

namespace tavrel::creation {

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";

bool isBreak(char c) { return c == '\n' || c == '\r'; }
}  // namespace

QString encodingName(CsvEncoding e) {
  switch (e) {
    case CsvEncoding::Utf8: return QStringLiteral("UTF-8");
    case CsvEncoding::Utf8Bom: return QStringLiteral("UTF-8 (with byte-order mark)");
    case CsvEncoding::Windows1252: return QStringLiteral("Windows-1252");
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
  return QString::fromUtf8(bytes);
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

  // Fields as RFC 4180 reads them.
  QByteArray field;
  qsizetype i = start;
  bool unclosed = false;
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
      if (!closed) {
        unclosed = true;
        break;
      }
      i = j;
    }
    // The rest of the field, as it stands (after a closing quote too).
    while (i < n && bytes_.at(i) != ',' && !isBreak(bytes_.at(i))) field.append(bytes_.at(i++));
    record.fields << decode(field);
    field.clear();
    if (i < n && bytes_.at(i) == ',') {
      ++i;
      // A comma at the end of the line leaves one more, empty field.
      if (i >= n || isBreak(bytes_.at(i))) record.fields << QString();
    }
  }

  if (unclosed) {
    // A quote that is never closed is an ordinary character: the line splits at every comma.
    const qsizetype end = lineEnd(start);
    record.raw = bytes_.mid(start, end - start);
    record.fields.clear();
    for (const QByteArray& part : record.raw.split(',')) record.fields << decode(part);
    record.text = decode(record.raw);
    pos_ = pastBreak(end);
    return record;
  }
  record.raw = bytes_.mid(start, i - start);
  record.text = decode(record.raw);
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
