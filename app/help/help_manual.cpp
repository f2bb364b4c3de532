#include "app/help/help_manual.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

namespace orv::app {

namespace {

constexpr const char* kBuiltIn = ":/help";

bool holdsManual(const QString& dir) {
    return !dir.isEmpty() && QFile::exists(dir + QStringLiteral("/index.html"));
}

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The sections of a page: a new one at each h1, h2 or h3.
QList<HelpSection> sectionsOf(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    QList<HelpSection> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        const QString text = b.text().trimmed();
        if (level >= 1 && level <= 3) {
            out.append({level, text, text});
        } else if (!text.isEmpty()) {
            if (out.isEmpty()) out.append({1, QString(), QString()});
            out.back().text += '\n' + text;
        }
    }
    return out;
}

bool containsAll(const QString& text, const QStringList& words) {
    for (const QString& w : words)
        if (!text.contains(w, Qt::CaseInsensitive)) return false;
    return true;
}

}  // namespace

QStringList searchWords(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

QString helpDir(const QString& envDir, const QString& exeDir) {
    const QString candidates[] = {envDir, QString::fromLatin1(kBuiltIn),
                                  exeDir + QStringLiteral("/../share/orvane/help"),
                                  exeDir + QStringLiteral("/../../resources/help")};
    for (const QString& dir : candidates)
        if (holdsManual(dir)) return dir;
    return {};
}

QString helpDir() {
    return helpDir(qEnvironmentVariable("ORVANE_HELP_DIR"), QCoreApplication::applicationDirPath());
}

HelpManual::HelpManual(const QString& dir) : dir_(dir) {
    const QString index = readText(dir + QStringLiteral("/index.html"));
    if (index.isEmpty()) return;
    addPage(QStringLiteral("index.html"), QString());
    static const QRegularExpression item(QStringLiteral("<li><a href=\"([^\"#]+)\">([^<]+)</a>"));
    for (auto it = item.globalMatch(index); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        addPage(m.captured(1), m.captured(2));
    }
}

void HelpManual::addPage(const QString& file, const QString& title) {
    HelpPage page{file, title, sectionsOf(readText(dir_ + '/' + file))};
    if (page.title.isEmpty() && !page.sections.isEmpty()) page.title = page.sections[0].title;
    pages_.append(page);
}

QUrl HelpManual::url(int page) const {
    const QString path = dir_ + '/' + pages_.value(page).file;
    if (path.startsWith(QStringLiteral(":/"))) return QUrl(QStringLiteral("qrc") + path);
    return QUrl::fromLocalFile(path);
}

QList<HelpHit> HelpManual::search(const QString& words) const {
    const QStringList list = searchWords(words);
    QList<HelpHit> byTitle, byText;
    if (list.isEmpty()) return {};
    for (int p = 0; p < pages_.size(); ++p) {
        const QList<HelpSection>& sections = pages_[p].sections;
        for (int s = 0; s < sections.size(); ++s) {
            if (containsAll(sections[s].title, list))
                byTitle.append({p, s});
            else if (containsAll(sections[s].text, list))
                byText.append({p, s});
        }
    }
    return byTitle + byText;
}

}  // namespace orv::app
