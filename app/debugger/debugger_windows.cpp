#include "app/debugger/debugger_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/codec.h"
#include "app/message.h"
#include "debugger/debug_session.h"
#include "platform/profile.h"

namespace orv::app {

namespace {

QTreeWidget* makeList(QWidget* parent, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName("2043");
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setWordWrap(false);
    list->setHeaderLabels(headers);
    return list;
}

void say(QWidget* owner, const std::string& cp932) {
    if (!cp932.empty())
        showMessage(MsgKind::Info, owner, QStringLiteral("Orvane"), fromCp932(cp932));
}

// Dialog 121: modeless, with a beep, gone with its OK button.
void showCloseRefusal(QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setObjectName("121");
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(u8q("エラー"));
    auto* text =
        new QLabel(u8q("マクロ実行中は閉じることはできません。\n"
                       "いったん中断ボタンを押してマクロ実行を停止してから閉じてください。"),
                   d);
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    ok->setObjectName("1");
    auto* lay = new QVBoxLayout(d);
    lay->addWidget(text);
    lay->addWidget(ok, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::close);
    QApplication::beep();
    d->show();
}

}  // namespace

void Placement::save(const QWidget* w) const {
    QRect g = w->geometry();
    rect = {g.x(), g.y(), g.width(), g.height()};
    const int values[4] = {rect.left, rect.top, rect.width, rect.height};
    for (int i = 0; i < 4; ++i) ini.writeInt(kSystem, keys[i], values[i]);
}

// ---- breakpoints ----

BreakpointsWindow::BreakpointsWindow(debugger::DebugSession& session, std::string filePath,
                                     Placement placement, std::function<bool()> debugRunning,
                                     QWidget* dialogOwner)
    : session_(session),
      path_(std::move(filePath)),
      placement_(placement),
      debugRunning_(std::move(debugRunning)),
      dialogOwner_(dialogOwner),
      list_(makeList(this, {QStringLiteral("Line"), QStringLiteral("Macro File")})) {
    setObjectName("Orv_Break");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Marco BreakPoint Window"));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu menu(this);
        QAction* del = menu.addAction(u8q("削除"));
        del->setObjectName("40036");
        connect(del, &QAction::triggered, this, &BreakpointsWindow::deleteSelected);
        menu.exec(list_->viewport()->mapToGlobal(p));
    });
    setWidget(list_);
    list_->setColumnWidth(0, 50);
    setWindowTitle(u8q("ﾌﾞﾚｲｸﾎﾟｲﾝﾄｳｨﾝﾄﾞｳ"));
    debugger::BreakpointList& bl = session_.breakpoints();
    bl.clear();
    say(dialogOwner_, debugger::fileErrorMessage(bl.load(path_)));
    refill();
}

BreakpointsWindow::~BreakpointsWindow() {
    finish();
}

void BreakpointsWindow::refill() {
    list_->clear();
    for (const debugger::Breakpoint& b : session_.breakpoints().items()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::number(b.line));
        item->setText(1, fromCp932(b.file));
    }
    showHot();
    emit listChanged();
}

void BreakpointsWindow::toggle(const std::string& title, int line1, const std::string& lineText) {
    debugger::ToggleResult r = session_.breakpoints().toggle(title, line1, lineText);
    say(dialogOwner_, debugger::toggleMessage(r));
    refill();
}

void BreakpointsWindow::deleteSelected() {
    const QList<QTreeWidgetItem*> sel = list_->selectedItems();
    if (sel.isEmpty()) return;
    session_.breakpoints().remove(list_->indexOfTopLevelItem(sel.first()));
    session_.clearHot();
    refill();
}

void BreakpointsWindow::showHot() {
    const int hot = session_.hotItem();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        QFont f = item->font(0);
        f.setBold(i == hot);
        for (int c = 0; c < 2; ++c) {
            item->setFont(c, f);
            item->setBackground(c, i == hot ? palette().highlight() : QBrush());
            item->setForeground(c, i == hot ? palette().highlightedText() : QBrush());
        }
        if (i == hot) {
            list_->setCurrentItem(item);
            list_->scrollToItem(item);
        }
    }
    // Without a stop no row looks stopped: the selection the stop made goes too.
    if (hot < 0) {
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
}

void BreakpointsWindow::layoutColumns() {
    const int w = list_->viewport()->width();
    list_->setColumnWidth(0, w / 5);
    list_->header()->setStretchLastSection(true);
}

void BreakpointsWindow::resizeEvent(QResizeEvent* e) {
    QMdiSubWindow::resizeEvent(e);
    layoutColumns();
}

void BreakpointsWindow::closeEvent(QCloseEvent* e) {
    if (debugRunning_ && debugRunning_()) {
        e->ignore();
        showCloseRefusal(dialogOwner_);
        return;
    }
    finish();
    QMdiSubWindow::closeEvent(e);
}

// On close and again on destruction (once): the file and the placement are written.
void BreakpointsWindow::finish() {
    if (finished_) return;
    finished_ = true;
    say(dialogOwner_, debugger::fileErrorMessage(session_.breakpoints().save(path_)));
    placement_.save(this);
    session_.clearHot();
}

// ---- variables ----

VariablesWindow::VariablesWindow(debugger::DebugSession& session, Placement placement)
    : session_(session),
      placement_(placement),
      list_(makeList(this, {QStringLiteral("Name"), u8q("型"), u8q("値")})) {
    setObjectName("Orv_Val");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Marco BreakPoint Window"));
    setWidget(list_);
    list_->setColumnWidth(0, 30);
    list_->setColumnWidth(1, 20);
    setWindowTitle(u8q("変数表示"));
    refresh();
}

VariablesWindow::~VariablesWindow() {
    placement_.save(this);
}

void VariablesWindow::refresh() {
    const auto& items = session_.variables().items();
    if (list_->topLevelItemCount() != static_cast<int>(items.size())) {
        list_->clear();
        for (std::size_t i = 0; i < items.size(); ++i) new QTreeWidgetItem(list_);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(i));
        item->setText(0, fromCp932(items[i].name));
        item->setText(1, fromCp932(items[i].type));
        item->setText(2, fromCp932(items[i].value));
    }
}

void VariablesWindow::resizeEvent(QResizeEvent* e) {
    QMdiSubWindow::resizeEvent(e);
    const int w = list_->viewport()->width();
    list_->setColumnWidth(0, w * 3 / 10);
    list_->setColumnWidth(1, w / 5);
    list_->header()->setStretchLastSection(true);
}

}  // namespace orv::app
