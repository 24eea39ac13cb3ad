#pragma once
// The import run: one creation run per line of a CSV file, the lines that produced no user
// collected in Import.err (as they stand in the file), the halts on errors or warnings, and the
// administrator's Stop. The run knows no window: it acts on the main window through an
// ImportHost.

#include <QString>

namespace tavrel::creation {

class ImportHost {
 public:
  virtual ~ImportHost() = default;
  // USERID cleared, and the three name fields (which refresh the ID preview).
  virtual void clearUserId() = 0;
  virtual void setNames(const QString& first, const QString& middle, const QString& last) = 0;
  // Presses "Create User"; true when the creation ran to its end (a user was made, perhaps
  // with warnings).
  virtual bool pressCreate() = 0;
  virtual void setImportText(const QString& text) = 0;
  virtual bool haltOnErrors() const = 0;
  virtual bool haltOnWarnings() const = 0;
  // The main window takes input or not; the cancel window shown or closed.
  virtual void setMainWindowEnabled(bool enabled) = 0;
  virtual void showCancelWindow() = 0;
  virtual void closeCancelWindow() = 0;
  virtual bool logTab(const QString& colour, const QString& message) = 0;
  // Serves the event loop once (the Stop button, repaints).
  virtual void yield() = 0;
};

inline const QString kImportErrName = QStringLiteral("Import.err");

// Run_Import: true when the file was read to its end or the administrator stopped the import;
// false when it halted for errors or warnings or could not go on (the reason is in the
// on-screen log). `dbpath` ends with the folder separator.
bool Run_Import(const QString& path, const QString& dbpath, ImportHost& host);

}  // namespace tavrel::creation
