#include "resources/FileOperation.h"

#include "platform/files/ShellOperation.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"

namespace tavrel::resources {

namespace {

QString nameOf(const QString& path) {
  const qsizetype cut = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
  return cut < 0 ? path : path.mid(cut + 1);
}

// The shell's questions as message boxes.
class PromptQuestions : public files::ShellQuestions {
 public:
  files::Conflicts::Answer confirmReplace(const QString& target, bool isDirectory) override {
    const QString text =
        isDirectory
            ? QStringLiteral("This folder already contains a folder named '%1'.\n\nIf the files in the existing "
                             "folder have the same names as files in the folder you are moving or copying, they "
                             "will be replaced. Do you still want to move or copy the folder?")
                  .arg(nameOf(target))
            : QStringLiteral("This folder already contains a file named '%1'.\n\nWould you like to replace the "
                             "existing file?")
                  .arg(nameOf(target));
    const auto a = ui::prompter().MsgBox(text, 3 + ui::kStyleExclamation,
                                         isDirectory ? QStringLiteral("Confirm Folder Replace")
                                                     : QStringLiteral("Confirm File Replace"));
    if (a == ui::MsgBoxResult::Yes) return files::Conflicts::Answer::Yes;
    if (a == ui::MsgBoxResult::No) return files::Conflicts::Answer::No;
    return files::Conflicts::Answer::Cancel;
  }
  bool confirmDelete(const QString& path, bool isDirectory) override {
    const QString text = isDirectory
                             ? QStringLiteral("Are you sure you want to delete '%1' and all of its contents?").arg(nameOf(path))
                             : QStringLiteral("Are you sure you want to delete '%1'?").arg(nameOf(path));
    return ui::prompter().MsgBox(text, 4 + ui::kStyleExclamation,
                                 isDirectory ? QStringLiteral("Confirm Folder Delete")
                                             : QStringLiteral("Confirm File Delete")) == ui::MsgBoxResult::Yes;
  }
  bool confirmCreateFolder(const QString& path) override {
    return ui::prompter().MsgBox(QStringLiteral("The folder '%1' does not exist.\n\nDo you want to create it?").arg(path),
                                 ui::kStyleYesNoQuestion, QStringLiteral("Confirm Create Folder")) ==
           ui::MsgBoxResult::Yes;
  }
  void showError(const QString& text) override {
    ui::prompter().MsgBox(text, ui::kStyleCritical, QStringLiteral("Error"));
  }
};

}  // namespace

bool noPromptRule(const BulkPromptOptions& options) {
  const state::SharedState& s = state::shared();
  return (options.No_Prompt == 1 && s.Bulk_Move_Running) || (options.No_Prompting == 1 && s.Bulk_Delete_Running);
}

quint16 fileOperationFlags(const BulkPromptOptions& options) {
  return noPromptRule(options) ? quint16(files::FOF_SILENT | files::FOF_NOCONFIRMATION | files::FOF_NOCONFIRMMKDIR)
                               : quint16(files::FOF_NOCONFIRMMKDIR);
}

bool File_Operation(const QString& From, const QString& To, int16_t Func, const BulkPromptOptions& options) {
  files::SHFILEOPSTRUCT op;
  op.wFunc = static_cast<quint32>(Func);
  op.pFrom = files::splitNulList(From);
  op.pTo = files::splitNulList(To);
  op.fFlags = fileOperationFlags(options);
  PromptQuestions questions;
  const int r = files::SHFileOperation(op, &questions);
  return r == 0 && !op.fAnyOperationsAborted;
}

}  // namespace tavrel::resources
