#pragma once
// Copying, moving, renaming and deleting files and folder trees as the shell does it, with its
// questions going through the Prompter unless a bulk run was told not to ask.

#include <QString>

#include <cstdint>

namespace tavrel::resources {

constexpr int16_t FO_MOVE = 1;
constexpr int16_t FO_COPY = 2;
constexpr int16_t FO_DELETE = 3;
constexpr int16_t FO_RENAME = 4;

// The bulk window's options, checked (1) or not: `No_Prompt` for the bulk move, `No_Prompting`
// for the bulk delete.
struct BulkPromptOptions {
  int No_Prompt = 0;
  int No_Prompting = 0;
};

// The no-prompt rule: the move's option while a bulk move runs, or the delete's while a bulk
// delete runs (the running flags come from the shared state).
bool noPromptRule(const BulkPromptOptions& options);
// 0x214 (silent, no confirmation, no question before creating a folder) under the rule, else 0x200.
quint16 fileOperationFlags(const BulkPromptOptions& options);

// True when the operation completed and nothing was cancelled. To is empty for a delete; for a
// rename it is the new path or the new name.
bool File_Operation(const QString& From, const QString& To, int16_t Func, const BulkPromptOptions& options = {});

}  // namespace tavrel::resources
