#pragma once
// Windows-1252, the single-byte code page of the record files, Log.txt and the property lists.
// Qt 6 carries no Windows-1252 converter without ICU, so the table is our own.

#include <QByteArray>
#include <QString>

namespace tavrel::text {

// Decodes Windows-1252 bytes. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same number, as Windows does.
QString fromCp1252(const QByteArray& bytes);

// Encodes text; every code point the code page cannot hold becomes "?". When `lossy` is given it
// is set to whether any character was replaced.
QByteArray toCp1252(const QString& text, bool* lossy = nullptr);

// A fixed-width text field: the text encoded, cut at `width` bytes, padded with blanks.
QByteArray fixedField(const QString& text, int width);

// The readers' trim: removes leading and trailing blanks (0x20) only, never tabs or line breaks.
QString trimBlanks(const QString& text);
QString trimLeftBlanks(const QString& text);
QString trimRightBlanks(const QString& text);

}  // namespace tavrel::text
