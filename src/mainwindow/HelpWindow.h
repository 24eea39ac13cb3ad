#pragma once
// The help: the HTML pages installed beside the program, shown with their contents list and a
// search over the pages' text. One window for the whole run.

#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>
#include <QWidget>

namespace tavrel::mainwindow {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  // The window, created hidden when it does not exist yet.
  static HelpWindow& instance();
  static HelpWindow* existing();
  static void unload();

  // Shows `indexPage` (the contents page) and lists the pages it links to. A missing page is
  // said in the viewer itself.
  void openContents(const QString& indexPage);
  // Lists the pages whose text holds every word of `text` (letter case ignored); an empty text
  // lists the contents again.
  void search(const QString& text);

  QListWidget* Contents = nullptr;  // the contents, or the pages the search found
  QLineEdit* SearchText = nullptr;
  QTextBrowser* Viewer = nullptr;

 private:
  HelpWindow();
  struct Page {
    QString title;
    QString file;
    QString text;  // the page's words, for the search
  };
  QList<Page> pages_;
  void listPages(const QList<Page>& pages);
};

}  // namespace tavrel::mainwindow
