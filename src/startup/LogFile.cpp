#include "startup/LogFile.h"

#include "platform/text/Cp1252.h"
#include "startup/Clock.h"

#include <QFile>

namespace tavrel::startup {

bool isControlCharacter(QChar c) {
  const QChar::Category cat = c.category();
  return cat == QChar::Other_Control || cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph;
}

QString showControls(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && !isControlCharacter(text.at(i))) ++i;
  if (i == text.size()) return text;
  QString out = text.left(i);
  for (; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (!isControlCharacter(c))
      out += c;
    else if (c == u'\r')
      out += QLatin1StringView("<CR>");
    else if (c == u'\n')
      out += QLatin1StringView("<LF>");
    else if (c == u'\t')
      out += QLatin1StringView("<TAB>");
    else
      out += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
  }
  return out;
}

LogFile::LogFile(const QString& dbpath) : path_(pathFor(dbpath)), file_(std::make_unique<QFile>(path_)) {
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Append)) {
    error_ = file_->errorString();
    return;
  }
  ok_ = true;
  line(kLogHeader);
  line(clock().dateTimeText());
}

LogFile::~LogFile() {
  close();
}

void LogFile::line(const QString& text) {
  if (!ok_) return;
  QByteArray bytes = text::toCp1252(showControls(text));
  bytes.append("\r\n");
  // Each line reaches the file at once, so a crash keeps what was logged before it.
  if (file_->write(bytes) != bytes.size() || !file_->flush()) {
    error_ = file_->errorString();
    ok_ = false;
  }
}

void LogFile::close() {
  if (file_ && file_->isOpen()) file_->close();
  ok_ = false;
}

}  // namespace tavrel::startup
