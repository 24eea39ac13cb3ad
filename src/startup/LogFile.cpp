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

namespace {

// The file a Hold keeps open, and how many Holds of its folder live.
struct Kept {
  QString path;
  int holds = 0;
  std::shared_ptr<QFile> file;
};
Kept& kept() {
  static Kept k;
  return k;
}

}  // namespace

LogFile::Hold::Hold(const QString& dbpath) {
  Kept& k = kept();
  const QString path = pathFor(dbpath);
  if (k.holds > 0 && k.path != path) return;  // one folder at a time; others open as usual
  k.path = path;
  ++k.holds;
  counted_ = true;
}

LogFile::Hold::~Hold() {
  Kept& k = kept();
  if (counted_ && --k.holds == 0) k.file.reset();
}

LogFile::LogFile(const QString& dbpath) : path_(pathFor(dbpath)) {
  Kept& k = kept();
  held_ = k.holds > 0 && k.path == path_;
  if (held_ && k.file && k.file->isOpen()) {
    file_ = k.file;
  } else {
    file_ = std::make_shared<QFile>(path_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
      error_ = file_->errorString();
      return;
    }
    if (held_) k.file = file_;
  }
  ok_ = true;
  // The header's two lines go out in one write.
  write(text::toCp1252(kLogHeader + QStringLiteral("\r\n") + showControls(clock().dateTimeText())) + "\r\n");
}

LogFile::~LogFile() {
  close();
}

void LogFile::line(const QString& text) {
  if (!ok_) return;
  QByteArray bytes = text::toCp1252(showControls(text));
  bytes.append("\r\n");
  write(bytes);
}

void LogFile::write(const QByteArray& bytes) {
  // Each line reaches the file at once, so a crash keeps what was logged before it.
  if (file_->write(bytes) != bytes.size() || !file_->flush()) {
    error_ = file_->errorString();
    ok_ = false;
  }
}

void LogFile::close() {
  // A kept file stays open for the next block; the Hold closes it.
  if (file_ && file_->isOpen() && !held_) file_->close();
  file_.reset();
  ok_ = false;
}

}  // namespace tavrel::startup
