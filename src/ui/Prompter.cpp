#include "ui/Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tavrel::ui {
namespace {

QtPrompter gQtPrompter;
Prompter* gPrompter = &gQtPrompter;

std::vector<MsgBoxResult> buttonsOf(int style) {
  switch (style & 7) {
    case 1: return {MsgBoxResult::OK, MsgBoxResult::Cancel};
    case 2: return {MsgBoxResult::Abort, MsgBoxResult::Retry, MsgBoxResult::Ignore};
    case 3: return {MsgBoxResult::Yes, MsgBoxResult::No, MsgBoxResult::Cancel};
    case 4: return {MsgBoxResult::Yes, MsgBoxResult::No};
    case 5: return {MsgBoxResult::Retry, MsgBoxResult::Cancel};
    default: return {MsgBoxResult::OK};
  }
}

QMessageBox::StandardButton toQt(MsgBoxResult r) {
  switch (r) {
    case MsgBoxResult::OK: return QMessageBox::Ok;
    case MsgBoxResult::Cancel: return QMessageBox::Cancel;
    case MsgBoxResult::Abort: return QMessageBox::Abort;
    case MsgBoxResult::Retry: return QMessageBox::Retry;
    case MsgBoxResult::Ignore: return QMessageBox::Ignore;
    case MsgBoxResult::Yes: return QMessageBox::Yes;
    case MsgBoxResult::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

QWidget* owner(QWidget* parent) { return parent ? parent : QApplication::activeWindow(); }

}  // namespace

MsgBoxResult defaultAnswer(int style) {
  const auto buttons = buttonsOf(style);
  size_t idx = static_cast<size_t>((style >> 8) & 3);
  if (idx >= buttons.size()) idx = 0;
  return buttons[idx];
}

MsgBoxResult QtPrompter::MsgBox(const QString& prompt, int style, const QString& title) {
  QMessageBox box(owner(parent_));
  box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
  box.setText(prompt);
  switch (style & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  const auto buttons = buttonsOf(style);
  for (MsgBoxResult b : buttons) box.addButton(toQt(b));
  box.setDefaultButton(toQt(defaultAnswer(style)));
  const int clicked = box.exec();
  for (MsgBoxResult b : buttons)
    if (clicked == toQt(b)) return b;
  // Closing the box: Cancel where there is one, else the only button.
  for (MsgBoxResult b : buttons)
    if (b == MsgBoxResult::Cancel) return b;
  return buttons.size() == 1 ? buttons.front() : MsgBoxResult::No;
}

std::optional<QString> QtPrompter::InputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(owner(parent_), title.isEmpty() ? kAppTitle : title,
                                             prompt, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

QString QtPrompter::OpenFile(const QString& title, const QString& dir, const QString& filter) {
  return QFileDialog::getOpenFileName(owner(parent_), title, dir, filter);
}

QString QtPrompter::SaveFile(const QString& title, const QString& dir, const QString& filter) {
  return QFileDialog::getSaveFileName(owner(parent_), title, dir, filter);
}

QString QtPrompter::ChooseFolder(const QString& title, const QString& dir) {
  return QFileDialog::getExistingDirectory(owner(parent_), title, dir);
}

std::optional<QString> ScriptedPrompter::nextText() {
  if (answers_.empty()) return std::nullopt;
  Answer a = answers_.front();
  answers_.pop_front();
  if (!a.isText || a.cancelled) return std::nullopt;
  return a.text;
}

MsgBoxResult ScriptedPrompter::MsgBox(const QString& prompt, int style, const QString& title) {
  asked.push_back({Kind::MsgBox, prompt, title, style, {}});
  if (answers_.empty()) return defaultAnswer(style);
  Answer a = answers_.front();
  answers_.pop_front();
  return a.isText ? defaultAnswer(style) : a.result;
}

std::optional<QString> ScriptedPrompter::InputBox(const QString& prompt, const QString& title,
                                                  const QString& defaultText) {
  asked.push_back({Kind::InputBox, prompt, title, 0, defaultText});
  return nextText();
}

QString ScriptedPrompter::OpenFile(const QString& title, const QString& dir, const QString&) {
  asked.push_back({Kind::OpenFile, title, title, 0, dir});
  return nextText().value_or(QString());
}

QString ScriptedPrompter::SaveFile(const QString& title, const QString& dir, const QString&) {
  asked.push_back({Kind::SaveFile, title, title, 0, dir});
  return nextText().value_or(QString());
}

QString ScriptedPrompter::ChooseFolder(const QString& title, const QString& dir) {
  asked.push_back({Kind::ChooseFolder, title, title, 0, dir});
  return nextText().value_or(QString());
}

Prompter& prompter() { return *gPrompter; }
void setPrompter(Prompter* p) { gPrompter = p ? p : &gQtPrompter; }

}  // namespace tavrel::ui
