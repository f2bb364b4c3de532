#include "app/frame/editor_controller.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextDocument>

#include "app/codec.h"
#include "app/dialogs/find_dialog.h"
#include "app/frame/window_places.h"
#include "app/message.h"

namespace orv::app {

EditorController::EditorController(QMdiArea* mdi, QWidget* dialogOwner, const EditorRunQuery& runs,
                                   ProfileFile& ini)
    : QObject(mdi), mdi_(mdi), owner_(dialogOwner), runs_(runs), recent_(ini) {}

MacroEditor* EditorController::open(int mode, const QString& source) {
    const int n = count_++;
    auto* e = new MacroEditor(owner_, runs_, count_);
    connect(e, &QObject::destroyed, this, [this, e] { editorDestroyed(e); });
    // A file loaded or saved (from the start on) leads the recent files.
    connect(e, &MacroEditor::fileUsed, this, [this](const QString& path) { recent_.add(path); });
    if (!e->start(EditorStart{mode, source})) {
        delete e;  // its destruction counts it down again
        return nullptr;
    }
    connectEditor(e);
    e->setLockedWhileRunning(locked_);
    addChild(mdi_, e, QRect(7 * n, 7 * n + firstTop_, 500, 400), Activation::Take);
    emit opened(e);
    emit changed();
    return e;
}

MacroEditor* EditorController::openRecovered(const QString& title, const std::string& bytes) {
    MacroEditor* e = open(EDITOR_NEW);
    if (!e) return nullptr;
    e->setTextBytes(bytes);
    if (!title.isEmpty()) e->setWindowTitle(title);
    e->setModified(true);
    return e;
}

void EditorController::openRecent(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        showMessage(
            MsgKind::Warning, owner_, QStringLiteral("Orvane"),
            u8q("ファイルが見つかりません。最近使ったファイルの一覧から削除します。\n") + path);
        recent_.remove(path);
        return;
    }
    openPath(path);
}

MacroEditor* EditorController::openPath(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (MacroEditor* e : all()) {
        if (e->windowTitle() != absolute) continue;
        bringIntoView(mdi_, e);
        return e;
    }
    return open(EDITOR_PATH, absolute);
}

void EditorController::connectEditor(MacroEditor* e) {
    connect(e, &MacroEditor::stopDebugRequested, this, &EditorController::stopDebugRequested);
    connect(e, &MacroEditor::gutterClicked, this,
            [this, e](int line1) { emit gutterClicked(e, line1); });
    connect(e, &QMdiSubWindow::windowTitleChanged, this, &EditorController::changed);
    connect(e->edit()->document(), &QTextDocument::modificationChanged, this,
            &EditorController::changed);
}

void EditorController::editorDestroyed(MacroEditor* e) {
    if (last_ == e) last_ = nullptr;
    if (shutDown_) return;
    --count_;
    emit changed();
}

MacroEditor* EditorController::active() const {
    return qobject_cast<MacroEditor*>(mdi_->currentSubWindow());
}

QList<MacroEditor*> EditorController::all() const {
    QList<MacroEditor*> out;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* e = qobject_cast<MacroEditor*>(w)) out << e;
    return out;
}

void EditorController::activated(MacroEditor* e) {
    last_ = e;
}

void EditorController::save(bool asNew) {
    if (MacroEditor* e = active()) e->save(asNew);
}

MacroEditor* EditorController::editTarget() {
    if (!mdi_->currentSubWindow()) {
        showMessage(MsgKind::Info, owner_, QStringLiteral("Orvane"),
                    u8q("検索文書が選択されていません"));
        return nullptr;
    }
    return active();
}

void EditorController::edit(Edit op) {
    MacroEditor* e = editTarget();
    if (!e) return;
    QPlainTextEdit* t = e->edit();
    switch (op) {
        case Edit::Cut:
            t->cut();
            break;
        case Edit::Copy:
            t->copy();
            break;
        case Edit::Paste:
            t->paste();
            break;
        case Edit::SelectAll:
            if (!t->document()->isEmpty()) t->selectAll();
            break;
    }
}

void EditorController::find(bool withReplace) {
    MacroEditor* e = editTarget();
    if (!e) return;
    if (find_) find_->deleteLater();
    find_ = new FindDialog(owner_, e->edit(), withReplace);
    find_->setAttribute(Qt::WA_DeleteOnClose);
    // What was searched for stays until the program ends.
    find_->what()->setText(findMemory_.what);
    find_->what()->selectAll();
    find_->matchCase()->setChecked(findMemory_.matchCase);
    connect(find_->what(), &QLineEdit::textChanged, this,
            [this](const QString& t) { findMemory_.what = t; });
    connect(find_->matchCase(), &QCheckBox::toggled, this,
            [this](bool on) { findMemory_.matchCase = on; });
    if (QLineEdit* with = find_->with()) {
        with->setText(findMemory_.with);
        connect(with, &QLineEdit::textChanged, this,
                [this](const QString& t) { findMemory_.with = t; });
    }
    find_->show();
}

bool EditorController::confirmClose() {
    for (MacroEditor* e : all()) {
        if (!e->modified()) continue;
        mdi_->setActiveSubWindow(e);
        if (!e->mayCloseModified()) return false;
    }
    return true;
}

void EditorController::gotoLine(const QString& title, int line1) {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (w->windowTitle() != title) continue;
        mdi_->setActiveSubWindow(w);
        if (auto* e = qobject_cast<MacroEditor*>(w)) e->gotoLine(line1);
        return;
    }
}

void EditorController::lockWhileRunning(bool on) {
    if (on == locked_) return;
    locked_ = on;
    for (MacroEditor* e : all()) e->setLockedWhileRunning(on);
}

void EditorController::shutdown() {
    shutDown_ = true;
    if (find_) delete find_;
}

}  // namespace orv::app
