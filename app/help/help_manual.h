// The manual the help window shows: where it is read from, its pages (the list of
// index.html), each page's sections (its h1, h2 and h3 headings with the text below them),
// and the search over them.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace orv::app {

struct HelpSection {
    int level = 1;  // 1 the page's top, 2 or 3 a heading
    QString title;
    QString text;  // the title and the plain text up to the next heading
};

struct HelpPage {
    QString file;   // e.g. "statements.html"
    QString title;  // as in the list of index.html
    QList<HelpSection> sections;
};

struct HelpHit {
    int page = 0;
    int section = 0;
};

// The words of a search text (split at blanks, the full-width one too).
QStringList searchWords(const QString& text);

// The folder of the manual: `envDir` ($ORVANE_HELP_DIR) when it holds index.html, else the
// copy built into the program (":/help"), else the installed one (<exe dir>/../share/orvane/
// help), else the source tree's as seen from a build folder (<exe dir>/../../resources/help).
// Empty when there is none.
QString helpDir(const QString& envDir, const QString& exeDir);
// helpDir for this process.
QString helpDir();

class HelpManual {
  public:
    // Reads index.html and the pages it lists from `dir`; no pages when there is none.
    explicit HelpManual(const QString& dir);

    const QList<HelpPage>& pages() const { return pages_; }
    QUrl url(int page) const;
    // The sections that contain every word of `words` (case-insensitive), those whose title
    // does first, each group in the manual's order.
    QList<HelpHit> search(const QString& words) const;

  private:
    void addPage(const QString& file, const QString& title);

    QString dir_;
    QList<HelpPage> pages_;
};

}  // namespace orv::app
