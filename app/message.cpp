#include "app/message.h"

#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv::app {

namespace {
MessageHook& hook() {
    static MessageHook h;
    return h;
}
}  // namespace

void setMessageHook(MessageHook h) {
    hook() = std::move(h);
}

QMessageBox::StandardButton showMessage(MsgKind kind, QWidget* parent, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) {
    if (dbg::enabled()) {
        QByteArray line = ("message box: " + caption + ": " + text).toUtf8();
        dbg::out(utf8ToCp932Lossy(
                     std::string_view(line.constData(), static_cast<std::size_t>(line.size()))) +
                 "\r\n");
    }
    if (hook()) return hook()(kind, caption, text, buttons);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
        case MsgKind::Info:
            icon = QMessageBox::Information;
            break;
        case MsgKind::Warning:
            icon = QMessageBox::Warning;
            break;
        case MsgKind::Critical:
            icon = QMessageBox::Critical;
            break;
        case MsgKind::Question:
            icon = QMessageBox::Question;
            break;
    }
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace orv::app

#include <QFileDialog>

namespace orv::app {

namespace {
FileDialogHook& fileHook() {
    static FileDialogHook h;
    return h;
}
}  // namespace

void setFileDialogHook(FileDialogHook h) {
    fileHook() = std::move(h);
}

QString chooseFile(QWidget* parent, bool save, const QString& title, const QString& initial,
                   const QString& filter) {
    if (fileHook()) return fileHook()(save, title, initial);
    if (save) return QFileDialog::getSaveFileName(parent, title, initial, filter);
    return QFileDialog::getOpenFileName(parent, title, initial, filter);
}

}  // namespace orv::app
