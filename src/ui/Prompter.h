#pragma once
// Every message box, input box and file dialog goes through the Prompter. The default shows Qt
// dialogs; tests install a ScriptedPrompter and check what was asked.
//
// Message-box styles are the classic numeric ones: the low three bits choose the buttons
// (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel) and
// 16, 32, 48, 64 the icon (critical stop, question, exclamation, information); 256 and 512 make
// the second or third button the default. So 16 is a stop with OK, 36 Yes/No with a question.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace tavrel::ui {

enum class MsgBoxResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

inline constexpr int kStyleCritical = 16;
inline constexpr int kStyleYesNoQuestion = 36;
inline constexpr int kStyleExclamation = 48;
inline constexpr int kStyleInformation = 64;

// The title a message box gets when none is given: the program's title.
inline const QString kAppTitle = QStringLiteral("Tavrel");

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MsgBoxResult MsgBox(const QString& prompt, int style = 0, const QString& title = kAppTitle) = 0;
  // The text typed, or nullopt when the box was cancelled.
  virtual std::optional<QString> InputBox(const QString& prompt, const QString& title = kAppTitle,
                                          const QString& defaultText = {}) = 0;
  // The chosen path, or empty on cancel.
  virtual QString OpenFile(const QString& title, const QString& dir, const QString& filter) = 0;
  virtual QString SaveFile(const QString& title, const QString& dir, const QString& filter) = 0;
  virtual QString ChooseFolder(const QString& title, const QString& dir) = 0;

  // The window dialogs are owned by (nullptr: the active window).
  void setParentWidget(QWidget* w) { parent_ = w; }

 protected:
  QWidget* parent_ = nullptr;
};

// Qt dialogs.
class QtPrompter : public Prompter {
 public:
  MsgBoxResult MsgBox(const QString& prompt, int style, const QString& title) override;
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  QString OpenFile(const QString& title, const QString& dir, const QString& filter) override;
  QString SaveFile(const QString& title, const QString& dir, const QString& filter) override;
  QString ChooseFolder(const QString& title, const QString& dir) override;
};

// Answers from a script, in order, and a record of every question.
class ScriptedPrompter : public Prompter {
 public:
  enum class Kind { MsgBox, InputBox, OpenFile, SaveFile, ChooseFolder };
  struct Asked {
    Kind kind;
    QString prompt;  // the prompt, or the dialog's title for file dialogs
    QString title;
    int style = 0;
    QString defaultText;
  };
  struct Answer {
    bool isText = false;
    MsgBoxResult result = MsgBoxResult::OK;
    bool cancelled = false;  // a text answer that cancels the dialog
    QString text;
  };

  void answer(MsgBoxResult r) { answers_.push_back(Answer{false, r, false, {}}); }
  void answerText(std::optional<QString> text) {
    answers_.push_back(Answer{true, MsgBoxResult::OK, !text.has_value(), text.value_or(QString())});
  }
  // An unscripted message box answers its default button; an unscripted input box is cancelled.
  std::vector<Asked> asked;
  size_t pending() const { return answers_.size(); }

  MsgBoxResult MsgBox(const QString& prompt, int style, const QString& title) override;
  std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  QString OpenFile(const QString& title, const QString& dir, const QString& filter) override;
  QString SaveFile(const QString& title, const QString& dir, const QString& filter) override;
  QString ChooseFolder(const QString& title, const QString& dir) override;

 private:
  std::optional<QString> nextText();
  std::deque<Answer> answers_;
};

// The answer a box of `style` gives when nothing is scripted: its default button.
MsgBoxResult defaultAnswer(int style);

Prompter& prompter();
void setPrompter(Prompter* p);  // nullptr restores the Qt prompter; the caller keeps ownership

}  // namespace tavrel::ui
