#pragma once
// The import file: lines of comma-separated fields, one user per line, no header row. A field
// that starts with a double quote runs to the matching closing quote and may hold commas, line
// breaks and doubled quotes (""); every other comma separates. The closing quote must end the
// field: a comma, a line break or the end of the file follows it. When a quoted field of a record
// is never closed, or its closing quote is followed by anything else, the record is its first
// line alone, split at every comma as if it held no quotes, and is marked malformed; reading goes
// on with the next line. So a stray quote never swallows the lines after it.
//
// The file is read whole and decoded once: as UTF-8 when it is valid UTF-8 (a byte-order mark
// is dropped), otherwise as Windows-1252. Each record keeps its bytes as they stand in the file
// and the lines it covers; the records cover the file, every line in exactly one.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel::creation {

enum class CsvEncoding { Utf8, Utf8Bom, Windows1252 };

// How the preview names an encoding.
QString encodingName(CsvEncoding e);

// The encoding a file's bytes are read with.
CsvEncoding detectEncoding(const QByteArray& bytes);

struct CsvRecord {
  QByteArray raw;          // the record as it stands in the file, without its line break
  QString text;            // the same, decoded
  QStringList fields;      // field 1 first; an empty line has none
  qsizetype line = 0;      // the file's line the record starts on, from 1
  qsizetype lines = 1;     // how many lines it covers (more than 1 only through a quoted line break)
  bool malformed = false;  // a quote did not close its field: the first line, split at every comma
};

class CsvReader {
 public:
  explicit CsvReader(QByteArray bytes);

  CsvEncoding encoding() const { return encoding_; }
  // The next record, or nullopt at the end of the file.
  std::optional<CsvRecord> next();

 private:
  QString decode(QByteArrayView bytes) const;
  // The end of the line that starts at `from` (the position of its line break, or the end).
  qsizetype lineEnd(qsizetype from) const;
  // Past the line break at `at` (CR LF, LF or CR).
  qsizetype pastBreak(qsizetype at) const;

  QByteArray bytes_;
  CsvEncoding encoding_;
  qsizetype pos_ = 0;
  qsizetype line_ = 1;
};

// Reads a whole file; nullopt with `error` when it cannot be opened or read.
std::optional<QByteArray> readWholeFile(const QString& path, QString* error = nullptr);

}  // namespace tavrel::creation
