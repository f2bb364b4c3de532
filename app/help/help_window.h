// The help window (ヘルプ(H) → ヘルプ): the manual in a text browser, with its contents (pages
// and their headings) and a search field whose hits open the page at the section.
#pragma once

#include <QWidget>

#include "app/help/help_manual.h"

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv::app {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    // Reads the manual from `dir` (helpDir() by default).
    explicit HelpWindow(QWidget* parent = nullptr, const QString& dir = helpDir());

    // Opens the program's one help window, or brings it to the front.
    static HelpWindow* showHelp(QWidget* parent);

    QLineEdit* searchField() const { return search_; }
    QTreeWidget* contents() const { return contents_; }
    QListWidget* hits() const { return hits_; }
    QTextBrowser* browser() const { return browser_; }
    const HelpManual& manual() const { return manual_; }

    // Shows a page with the heading of `section` at the top and the search words marked.
    void openSection(int page, int section);

  private:
    void buildContents();
    void searchChanged(const QString& words);
    void itemChosen(QTreeWidgetItem* item);
    void hitChosen(int row);
    void markWords();

    HelpManual manual_;
    QLineEdit* search_;
    QTreeWidget* contents_;
    QListWidget* hits_;
    QTextBrowser* browser_;
    QList<HelpHit> hitList_;
};

// The About box (バージョン情報): the program's name, version and what it is.
QString aboutText();
void showAbout(QWidget* parent);

}  // namespace orv::app
