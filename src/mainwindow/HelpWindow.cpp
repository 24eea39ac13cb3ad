#include "mainwindow/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace tavrel::mainwindow {

namespace {
QPointer<HelpWindow>& current() {
  static QPointer<HelpWindow> w;
  return w;
}

QString readPage(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

QString plainText(const QString& html) {
  QTextDocument doc;
  doc.setHtml(html);
  return doc.toPlainText();
}

QString titleOf(const QString& html, const QString& fallback) {
  static const QRegularExpression re(
      QStringLiteral("<title>(.*?)</title>"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const auto m = re.match(html);
  return m.hasMatch() ? m.captured(1).trimmed() : fallback;
}
}  // namespace

HelpWindow& HelpWindow::instance() {
  if (!current()) current() = new HelpWindow;
  return *current();
}

HelpWindow* HelpWindow::existing() {
  return current().data();
}

void HelpWindow::unload() {
  delete current().data();
}

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Tavrel Help"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  // The help open beside it does not keep the program running once the main window is closed.
  setAttribute(Qt::WA_QuitOnClose, false);

  auto* side = new QWidget;
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  SearchText = new QLineEdit(side);
  SearchText->setObjectName(QStringLiteral("SearchText"));
  SearchText->setPlaceholderText(QStringLiteral("Search"));
  SearchText->setClearButtonEnabled(true);
  Contents = new QListWidget(side);
  Contents->setObjectName(QStringLiteral("Contents"));
  sideLayout->addWidget(new QLabel(QStringLiteral("Contents"), side));
  sideLayout->addWidget(SearchText);
  sideLayout->addWidget(Contents, 1);

  Viewer = new QTextBrowser;
  Viewer->setObjectName(QStringLiteral("Viewer"));
  Viewer->setOpenExternalLinks(false);

  auto* split = new QSplitter(this);
  split->addWidget(side);
  split->addWidget(Viewer);
  split->setStretchFactor(1, 1);
  split->setSizes({300, 700});
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(split);
  resize(1000, 660);

  connect(SearchText, &QLineEdit::textChanged, this, &HelpWindow::search);
  connect(Contents, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) Viewer->setSource(QUrl::fromLocalFile(item->data(Qt::UserRole).toString()));
  });
}

void HelpWindow::openContents(const QString& indexPage) {
  pages_.clear();
  const QString html = indexPage.isEmpty() ? QString() : readPage(indexPage);
  if (html.isEmpty()) {
    listPages({});
    Viewer->setHtml(QStringLiteral("<h2>No help</h2><p>The help file %1 was not found.</p>")
                        .arg(indexPage.isEmpty() ? QStringLiteral("(none)") : indexPage.toHtmlEscaped()));
    return;
  }
  const QFileInfo index(indexPage);
  pages_.append({titleOf(html, QStringLiteral("Contents")), index.absoluteFilePath(), plainText(html)});
  // The pages the contents page links to, in its order, each once.
  static const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+\\.html)\""));
  QStringList seen{index.fileName()};
  for (auto it = link.globalMatch(html); it.hasNext();) {
    const QString file = it.next().captured(1);
    if (seen.contains(file)) continue;
    seen << file;
    const QString path = index.absoluteDir().filePath(file);
    const QString page = readPage(path);
    if (page.isEmpty()) continue;
    pages_.append({titleOf(page, file), path, plainText(page)});
  }
  SearchText->clear();
  listPages(pages_);
  Viewer->setSource(QUrl::fromLocalFile(index.absoluteFilePath()));
}

void HelpWindow::search(const QString& text) {
  const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
  QList<Page> found;
  for (const Page& p : std::as_const(pages_)) {
    bool all = true;
    for (const QString& w : words) all = all && p.text.contains(w, Qt::CaseInsensitive);
    if (all) found << p;
  }
  listPages(found);
}

void HelpWindow::listPages(const QList<Page>& pages) {
  const QSignalBlocker quiet(Contents);
  Contents->clear();
  for (const Page& p : pages) {
    auto* item = new QListWidgetItem(p.title, Contents);
    item->setData(Qt::UserRole, p.file);
  }
}

}  // namespace tavrel::mainwindow
