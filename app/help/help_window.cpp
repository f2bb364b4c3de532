#include "app/help/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/codec.h"
#include "app/message.h"

namespace orv::app {

namespace {

constexpr int kPageRole = Qt::UserRole;
constexpr int kSectionRole = Qt::UserRole + 1;

const QColor kFound(0xff, 0xe8, 0x60);

}  // namespace

HelpWindow::HelpWindow(QWidget* parent, const QString& dir)
    : QWidget(parent, Qt::Window),
      manual_(dir),
      search_(new QLineEdit),
      contents_(new QTreeWidget),
      hits_(new QListWidget),
      browser_(new QTextBrowser) {
    setObjectName("help");
    setWindowTitle(u8q("Orvane ヘルプ"));
    search_->setPlaceholderText(u8q("検索する語"));
    search_->setClearButtonEnabled(true);
    contents_->setHeaderHidden(true);
    hits_->hide();
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(search_);
    sideLayout->addWidget(contents_);
    sideLayout->addWidget(hits_);
    auto* split = new QSplitter;
    split->addWidget(side);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 580});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split);
    resize(820, 600);

    buildContents();
    connect(search_, &QLineEdit::textChanged, this, &HelpWindow::searchChanged);
    connect(contents_, &QTreeWidget::itemClicked, this, &HelpWindow::itemChosen);
    connect(hits_, &QListWidget::currentRowChanged, this, &HelpWindow::hitChosen);
    if (manual_.pages().isEmpty())
        browser_->setPlainText(u8q("ヘルプのファイルが見つかりません。"));
    else
        openSection(0, 0);
}

HelpWindow* HelpWindow::showHelp(QWidget* parent) {
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void HelpWindow::buildContents() {
    const QList<HelpPage>& pages = manual_.pages();
    for (int p = 0; p < pages.size(); ++p) {
        auto* top = new QTreeWidgetItem(contents_, {pages[p].title});
        top->setData(0, kPageRole, p);
        top->setData(0, kSectionRole, 0);
        QTreeWidgetItem* parent2 = top;
        for (int s = 1; s < pages[p].sections.size(); ++s) {
            const HelpSection& sec = pages[p].sections[s];
            auto* item =
                new QTreeWidgetItem(sec.level == 3 ? parent2 : top, QStringList{sec.title});
            item->setData(0, kPageRole, p);
            item->setData(0, kSectionRole, s);
            if (sec.level == 2) parent2 = item;
        }
    }
    if (QTreeWidgetItem* first = contents_->topLevelItem(0)) first->setExpanded(true);
}

void HelpWindow::itemChosen(QTreeWidgetItem* item) {
    if (item) openSection(item->data(0, kPageRole).toInt(), item->data(0, kSectionRole).toInt());
}

void HelpWindow::searchChanged(const QString& words) {
    hitList_ = manual_.search(words);
    hits_->clear();
    for (const HelpHit& h : hitList_) {
        const HelpPage& page = manual_.pages()[h.page];
        const QString& section = page.sections[h.section].title;
        hits_->addItem(h.section == 0 ? page.title : page.title + u8q(" › ") + section);
    }
    const bool searching = !words.trimmed().isEmpty();
    hits_->setVisible(searching);
    contents_->setVisible(!searching);
    markWords();
}

void HelpWindow::hitChosen(int row) {
    if (row >= 0 && row < hitList_.size()) openSection(hitList_[row].page, hitList_[row].section);
}

void HelpWindow::openSection(int page, int section) {
    if (page < 0 || page >= manual_.pages().size()) return;
    const QUrl url = manual_.url(page);
    if (browser_->source() != url) browser_->setSource(url);
    const HelpSection target = manual_.pages()[page].sections.value(section);
    QTextDocument* doc = browser_->document();
    int top = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && section > 0; b = b.next()) {
        if (b.blockFormat().headingLevel() == target.level && b.text().trimmed() == target.title) {
            browser_->setTextCursor(QTextCursor(b));
            top = qRound(doc->documentLayout()->blockBoundingRect(b).top());
            break;
        }
    }
    browser_->verticalScrollBar()->setValue(top);
    markWords();
}

// Every place of the search words in the page shown.
void HelpWindow::markWords() {
    QList<QTextEdit::ExtraSelection> marks;
    const QStringList words = searchWords(search_->text());
    for (const QString& w : words) {
        QTextCursor c(browser_->document());
        while (!(c = browser_->document()->find(w, c)).isNull()) {
            QTextEdit::ExtraSelection s;
            s.cursor = c;
            s.format.setBackground(kFound);
            marks << s;
        }
    }
    browser_->setExtraSelections(marks);
}

QString aboutText() {
    return u8q("Orvane バージョン ") + QStringLiteral(ORV_VERSION) +
           u8q("\n\nマクロでデスクトップの操作を自動化するツール\n(Linux / X11、Qt 6)");
}

void showAbout(QWidget* parent) {
    showMessage(MsgKind::Info, parent, u8q("バージョン情報"), aboutText());
}

}  // namespace orv::app
