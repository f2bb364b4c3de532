// Every message box and file chooser of the program goes through here, so that tests can
// answer them.
#pragma once

#include <QMessageBox>
#include <functional>

namespace orv::app {

enum class MsgKind { Info, Warning, Critical, Question };

using MessageHook = std::function<QMessageBox::StandardButton(
    MsgKind kind, const QString& caption, const QString& text, QMessageBox::StandardButtons)>;

// Replaces the dialog by a function (tests); an empty hook restores the dialog.
void setMessageHook(MessageHook hook);

QMessageBox::StandardButton showMessage(MsgKind kind, QWidget* parent, const QString& caption,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The same box without waiting for its answer (OK only): a notice that must not hold up what
// the program is doing, such as an automatic run at start. Through the same hook.
void showNotice(MsgKind kind, QWidget* parent, const QString& caption, const QString& text);

// File choosers (open or save) go through here too; the hook gets the title and the initial
// file and returns the chosen path (empty: cancelled).
using FileDialogHook =
    std::function<QString(bool save, const QString& title, const QString& initial)>;
void setFileDialogHook(FileDialogHook hook);
QString chooseFile(QWidget* parent, bool save, const QString& title, const QString& initial,
                   const QString& filter);
// An open-file chooser that lists the executable files (and folders) of `initialDir`, with
// "All files(*)" as the other choice; through the same hook as chooseFile.
QString chooseProgram(QWidget* parent, const QString& title, const QString& initialDir);

}  // namespace orv::app
