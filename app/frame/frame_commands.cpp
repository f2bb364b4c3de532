// The frame's menu commands, one function per item of menu 102.
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/codec.h"
#include "app/dialogs/settings_dialog.h"
#include "app/frame/main_frame.h"
#include "app/frame/mdi_arrange.h"
#include "app/help/help_window.h"
#include "app/ids.h"
#include "app/message.h"
#include "executor/executor.h"
#include "lang/codes.h"

namespace orv::app {

// ---- file ----

void MainFrame::newMacro() {
    openEditor(EDITOR_NEW);
}
void MainFrame::openMacro() {
    openEditor(EDITOR_OPEN);
}
void MainFrame::saveMacro() {
    if (MacroEditor* e = activeEditor()) e->save(false);
}
void MainFrame::saveMacroAs() {
    if (MacroEditor* e = activeEditor()) e->save(true);
}
void MainFrame::exitProgram() {
    close();
}

// ---- edit ----

MacroEditor* MainFrame::editTarget() {
    if (!activeChild()) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"),
                    u8q("検索文書が選択されていません"));
        return nullptr;
    }
    return activeEditor();
}

void MainFrame::cut() {
    if (MacroEditor* e = editTarget()) e->edit()->cut();
}
void MainFrame::copy() {
    if (MacroEditor* e = editTarget()) e->edit()->copy();
}
void MainFrame::paste() {
    if (MacroEditor* e = editTarget()) e->edit()->paste();
}
void MainFrame::selectAll() {
    MacroEditor* e = editTarget();
    if (e && !e->edit()->document()->isEmpty()) e->edit()->selectAll();
}
void MainFrame::find() {
    openFindDialog(false);
}
void MainFrame::replace() {
    openFindDialog(true);
}

void MainFrame::openFindDialog(bool withReplace) {
    MacroEditor* e = editTarget();
    if (!e) return;
    if (findDialog_) findDialog_->deleteLater();
    findDialog_ = new FindDialog(this, e->edit(), withReplace);
    findDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // What was searched for stays until the program ends.
    findDialog_->what()->setText(findMemory_.what);
    findDialog_->what()->selectAll();
    findDialog_->matchCase()->setChecked(findMemory_.matchCase);
    connect(findDialog_->what(), &QLineEdit::textChanged, this,
            [this](const QString& t) { findMemory_.what = t; });
    connect(findDialog_->matchCase(), &QCheckBox::toggled, this,
            [this](bool on) { findMemory_.matchCase = on; });
    if (QLineEdit* with = findDialog_->with()) {
        with->setText(findMemory_.with);
        connect(with, &QLineEdit::textChanged, this,
                [this](const QString& t) { findMemory_.with = t; });
    }
    findDialog_->show();
}

// ---- help ----

void MainFrame::help() {
    HelpWindow::showHelp(this);
}
void MainFrame::about() {
    showAbout(this);
}

// ---- windows ----

void MainFrame::closeAll() {
    if (!confirmCloseEditors()) return;
    for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
    noChildrenLeft();
}

bool MainFrame::confirmCloseEditors() {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        auto* e = qobject_cast<MacroEditor*>(w);
        if (!e || !e->modified()) continue;
        mdi_->setActiveSubWindow(e);
        if (!e->mayCloseModified()) return false;
    }
    return true;
}
void MainFrame::closeChild() {
    QMdiSubWindow* w = activeChild();
    if (!w) return;
    delete w;
    // The toolbox does not count as a window here.
    const auto rest = mdi_->subWindowList();
    if (rest.isEmpty() || (rest.size() == 1 && rest.first() == toolbox_)) noChildrenLeft();
}
void MainFrame::tileChildren() {
    mdi_->tileSubWindows();
}
void MainFrame::arrangeIconic() {
    arrangeIcons(mdi_);
}
void MainFrame::cascadeChildren() {
    mdi_->cascadeSubWindows();
}
void MainFrame::showCheckResult() {
    openCheckResult();
}

// ---- tools ----

void MainFrame::runMacro() {
    compileEditor(activeEditor(), MODE_RUN);
}
void MainFrame::checkMacro() {
    compileEditor(activeEditor(), MODE_CHECK);
}
void MainFrame::debugRun() {
    compileEditor(activeEditor(), MODE_DEBUG);
}
void MainFrame::stepRun() {
    compileEditor(activeEditor(), MODE_STEP);
}
void MainFrame::systemSettings() {
    SettingsDialog d(this, settings_, ini_);
    d.exec();
}

}  // namespace orv::app
