// "Import Users" and "Import Options": the window's side of the CSV import. The run itself is
// creation::Run_Import; this window gives it the name fields, the create button and the cancel
// window.

#include "creation/CreationRun.h"
#include "creation/ImportRun.h"
#include "format/NameFields.h"
#include "mainwindow/ImportWindows.h"
#include "mainwindow/form1.h"
#include "platform/text/Cp1252.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/LayoutHold.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tavrel::mainwindow {

// While an import runs, the main window's geometry is worked out and painted once per paint turn:
// the labels each user changes (marks, progress, status, the import count) ask for a layout every
// time, and the layouts asked for between two paint turns are kept back and done at the next one.
// So are the window's requests to paint: what changed meanwhile stays marked and is painted at the
// turn, and only that, rather than the whole window.
class LayoutDeferral : public QObject {
 public:
  explicit LayoutDeferral(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
  ~LayoutDeferral() override {
    qApp->removeEventFilter(this);
    pass();
    paint();
  }
  // The paint turn: the layouts kept back are done now, in the order they were asked for, with
  // those they ask for in turn, and further ones go through until `keepBack`.
  void pass() {
    passing_ = true;
    for (const QPointer<QWidget>& w : std::exchange(owed_, {})) {
      if (!w) continue;
      QEvent request(QEvent::LayoutRequest);
      QCoreApplication::sendEvent(w, &request);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  }
  // Paints what changed since the last turn, now; the requests kept back asked for nothing more.
  void paint() {
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(&window_, &request);
  }
  void keepBack() { passing_ = false; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (passing_) return false;
    if (event->type() == QEvent::UpdateRequest) return watched == &window_;
    if (event->type() != QEvent::LayoutRequest || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != &window_ && !window_.isAncestorOf(widget)) return false;
    if (!owed_.contains(widget)) owed_.append(widget);
    return true;
  }

 private:
  QWidget& window_;
  QList<QPointer<QWidget>> owed_;
  bool passing_ = false;
};

class ImportWindowHost : public creation::ImportHost {
  // Something held back until the next paint turn, given back when released.
  struct Hold {
    virtual ~Hold() = default;
  };
  // A widget whose updates are off: turning them on again marks it whole for painting.
  struct UpdatesOff : Hold {
    explicit UpdatesOff(QWidget* w) : widget(w) { widget->setUpdatesEnabled(false); }
    ~UpdatesOff() override { widget->setUpdatesEnabled(true); }
    QWidget* widget;
  };
  struct LayoutHeld : Hold {
    explicit LayoutHeld(QTreeWidget* tree) : scope(tree) {}
    ui::LayoutHoldScope scope;
  };

 public:
  explicit ImportWindowHost(form1& w) : w_(w) {}

  void clearUserId() override {
    // Cleared when the names are set, unless a preview writes the box then.
    clearOwed_ = true;
    w_.userIdTypedByHand_ = false;
  }
  void setNames(const QString& first, const QString& middle, const QString& last) override {
    // Each field that changes makes the user ID preview, as typing it would, in the same order and
    // with the same red rows; only the ID box is written once, with the last of them.
    const bool suppressed = std::exchange(w_.previewSuppressed_, true);
    std::optional<QString> id;
    const std::pair<QLineEdit*, const QString*> fields[] = {
        {w_.strFirst, &first}, {w_.StrMiddle, &middle}, {w_.strLast, &last}};
    for (const auto& [field, text] : fields) {
      const QString before = field->text();
      field->setText(*text);
      if (suppressed || field->text() == before) continue;
      const format::Expanded preview = format::UserID_Preview(
          w_.setupid->text(), w_.strFirst->text(), w_.StrMiddle->text(), w_.strLast->text());
      id = preview.text;
      if (!preview.ok()) w_.LOG_TAB(QStringLiteral("RED"), preview.error);
    }
    w_.previewSuppressed_ = suppressed;
    if (id) {
      clearOwed_ = false;
      w_.userIdTypedByHand_ = false;
      w_.UserID_Box->setText(*id);
    }
    payClear();
  }
  QString userId() const override { return clearOwed_ ? QString() : w_.UserID_Box->text(); }
  Created pressCreate() override {
    payClear();
    const int rows = w_.ListView1->topLevelItemCount();
    w_.CreateUser_Click();
    Created made;
    made.finished = w_.lastCreation && w_.lastCreation->finished;
    if (!made.finished) made.why = whyNoUser(rows);
    return made;
  }
  void setStatus(const QString& text) override { w_.StatusBar1->setPanelText(1, text); }
  void setImportText(const QString& text) override {
    w_.Import_Text->setText(text);
  }
  bool haltOnErrors() const override { return w_.STOP_ON_RED[0]->isChecked(); }
  bool haltOnWarnings() const override { return w_.STOP_ON_RED[1]->isChecked(); }
  void setMainWindowEnabled(bool enabled) override {
    w_.setEnabled(enabled);
    // While the window takes no input and is painted only now and then, the tree and the
    // on-screen log are laid out once per paint instead of once per user.
    if (enabled) {
      holds_.clear();
      layouts_.reset();
    } else if (holds_.empty()) {
      holdLayouts();
      layouts_ = std::make_unique<LayoutDeferral>(w_);
    }
  }
  void showCancelWindow() override {
    // A window of its own, so that it takes input while the main window does not.
    cancel_ = std::make_unique<CancelImport>();
    cancel_->setAttribute(Qt::WA_DeleteOnClose, false);
    cancel_->adjustSize();
    const QRect main = w_.frameGeometry();
    cancel_->move(main.right() - cancel_->width() - 24, main.top() + 48);
    cancel_->show();
    cancel_->raise();
    cancel_->repaint();
  }
  void closeCancelWindow() override {
    if (cancel_) cancel_->close();
    cancel_.reset();
  }
  bool logTab(const QString& colour, const QString& message) override { return w_.LOG_TAB(colour, message); }
  void yield() override {
    // Every turn serves input (the Stop button) and the cancel window; the main window, whose
    // tree and log change with every user, is painted at most every kPaintInterval ms, since
    // painting it each time would cost as much as making the user.
    const bool paint = !sincePaint_.isValid() || sincePaint_.elapsed() >= kPaintIntervalMs;
    const bool held = !holds_.empty();
    if (paint) {
      holds_.clear();
      if (layouts_) {
        layouts_->pass();
        // Painted now rather than by a request served only after the turn.
        layouts_->paint();
      }
      sincePaint_.start();
    }
    QCoreApplication::processEvents();
    if (paint) {
      if (held) holdLayouts();
      if (layouts_) layouts_->keepBack();
    }
  }

 private:
  // Why the creation that started when the on-screen log had `rowsBefore` rows made no user: what
  // it said in red, else what is wrong with the ID (an import ends those runs without a word).
  QString whyNoUser(int rowsBefore) const {
    for (int i = w_.ListView1->topLevelItemCount() - 1; i >= rowsBefore; --i) {
      const QTreeWidgetItem* row = w_.ListView1->topLevelItem(i);
      if (row->data(0, Qt::UserRole).toString() == QLatin1String("RED")) return row->text(0).trimmed();
    }
    const QString id = text::trimBlanks(w_.UserID_Box->text());
    if (id.isEmpty()) return QStringLiteral("the User ID is empty");
    if (id.size() > kMaxIdLength)
      return QStringLiteral("the User ID is longer than %1 characters: ").arg(kMaxIdLength) + id;
    const QString bad = creation::CreationRun::invalidCharacters(id, state::shared().Directory_Mode == 2);
    if (!bad.isEmpty())
      return QStringLiteral("the User ID holds characters an account name cannot hold (") + bad +
             QStringLiteral("): ") + id;
    return QStringLiteral("no user was created: ") + w_.StatusBar1->panelText(1);
  }

  // The two trees are neither laid out nor painted until the next turn: a tree whose layout is
  // held must not be painted (by an exposure, say) before it is laid out again.
  void payClear() {
    if (std::exchange(clearOwed_, false)) w_.UserID_Box->clear();
  }

  void holdLayouts() {
    for (QTreeWidget* tree : {w_.TreeView1, w_.ListView1}) {
      holds_.push_back(std::make_unique<UpdatesOff>(tree));
      holds_.push_back(std::make_unique<LayoutHeld>(tree));
    }
  }

  static constexpr qint64 kPaintIntervalMs = 200;
  static constexpr int kMaxIdLength = 20;
  form1& w_;
  // Declared after w_ so that they are released, laying the views out, before the host goes.
  std::vector<std::unique_ptr<Hold>> holds_;
  std::unique_ptr<LayoutDeferral> layouts_;
  std::unique_ptr<CancelImport> cancel_;
  QElapsedTimer sincePaint_;
  bool clearOwed_ = false;
};

namespace {
// The last import's counts, for the status "Import Users" shows when it ends.
creation::ImportSummary lastSummary;
}  // namespace

bool form1::Run_Import(const QString& path) {
  ImportWindowHost host(*this);
  return creation::Run_Import(path, dbpath->text(), host, &lastSummary);
}

void form1::Import_Users_Click() {
  state::SharedState& sh = state::shared();
  // 1.
  SSTab1->setCurrentIndex(kNewUserPage);
  for (QLineEdit* e : {strFirst, StrMiddle, strLast}) e->clear();
  for (QLabel* mark : {Createdirs, Sharedirs, Security, UserAccount, MailAccount, run}) mark->clear();
  ProgressBar1->setValue(0);
  progress->setText(QStringLiteral("Ready."));

  // 2. The selections. Without a selected node nothing can be checked: the command ends.
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!node) {
    Import_Text->clear();
    return;
  }
  const QString image = node->data(0, kNodeImageRole).toString();
  const bool ntMode = sh.Directory_Mode == 2;
  const bool noChoice = nutemplate->currentText().isEmpty() || NUsitename->currentText().isEmpty();
  const bool copyUser = Copy_User->isChecked();
  const bool refused = noChoice || (!ntMode && !copyUser && image != QLatin1String("OU")) ||
                       (copyUser && image != QLatin1String("USER"));
  if (refused) {
    const QString head = QStringLiteral("To Import Users you must select a Template and a Site");
    QString text;
    if (ntMode)
      text = head + u'.';
    else if (copyUser && image != QLatin1String("USER"))
      text = head + QStringLiteral(
                        "\r\nand select an User from the treeview.\r\nor turn off 'copy user' function, and "
                        "select an OU");
    else
      text = head + QStringLiteral("\r\nand select an OU from the treeview.");
    ui::prompter().MsgBox(text, ui::kStyleCritical, QStringLiteral("Can't Import Users"));
    return;
  }

  // 3.
  const QString path = ui::prompter().OpenFile(QStringLiteral("Open file to import"), QString(),
                                               QStringLiteral("CSV Files (*.csv)"));
  if (path.isEmpty()) return;

  // 4.
  {
    CSV_Import preview(this);
    preview.Form_Load(path);
    preview.exec();
    if (!preview.Import_Accepted) return;
  }

  // 5 .. 7.
  startup::LogFile(dbpath->text()).line(QStringLiteral("Starting Import from: ") + path);
  StatusBar1->setPanelText(1, QStringLiteral("Importing Users...."));
  const bool ok = Run_Import(path);
  startup::LogFile(dbpath->text()).line(QStringLiteral("Import Finished"));

  // 8.
  if (!ok) {
    // The running count would otherwise stay on the status bar as if the import still ran.
    StatusBar1->setPanelText(1, QStringLiteral("Errors during Import. Check log files for details."));
    ui::prompter().MsgBox(QStringLiteral("Errors during Import. Check log files for details."), 0,
                          QStringLiteral("Import error"));
    return;
  }
  Import_Text->clear();
  const creation::ImportSummary& sum = lastSummary;
  const QString added = QString::number(sh.Users_Added_Count) + QStringLiteral(" users Added");
  const QString notAdded =
      QStringLiteral(", ") + QString::number(sum.notAdded) + QStringLiteral(" not added");
  if (sum.stopped)
    StatusBar1->setPanelText(
        1, QStringLiteral("Import Stopped after line %1 of %2. ").arg(sum.lastLine).arg(sum.lines) + added +
               notAdded + QStringLiteral(". The lines not imported are in ") + sum.errPath);
  else
    StatusBar1->setPanelText(1, QStringLiteral("Import Complete. ") + added +
                                    (sum.notAdded ? notAdded : QString()) + QStringLiteral(". Check ") +
                                    sum.errPath + QStringLiteral(" for errors."));
}

void form1::IMPORT_GRP_Click() {
  ImportGrps::instance().exec();
}

}  // namespace tavrel::mainwindow
