#include "app/message.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv::app {

namespace {

// The installed hook of each kind (message boxes, file choosers); empty: the real dialog.
template <class Hook>
Hook& installed() {
    static Hook h;
    return h;
}

QMessageBox::Icon iconOf(MsgKind kind) {
    switch (kind) {
        case MsgKind::Info:
            return QMessageBox::Information;
        case MsgKind::Warning:
            return QMessageBox::Warning;
        case MsgKind::Critical:
            return QMessageBox::Critical;
        case MsgKind::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void setMessageHook(MessageHook h) {
    installed<MessageHook>() = std::move(h);
}

void setFileDialogHook(FileDialogHook h) {
    installed<FileDialogHook>() = std::move(h);
}

QMessageBox::StandardButton showMessage(MsgKind kind, QWidget* parent, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) {
    if (dbg::enabled()) {
        QByteArray line = ("message box: " + caption + ": " + text).toUtf8();
        dbg::out(utf8ToCp932Lossy(
                     std::string_view(line.constData(), static_cast<std::size_t>(line.size()))) +
                 "\r\n");
    }
    if (const MessageHook& hook = installed<MessageHook>())
        return hook(kind, caption, text, buttons);
    QMessageBox box(iconOf(kind), caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void showNotice(MsgKind kind, QWidget* parent, const QString& caption, const QString& text) {
    if (const MessageHook& hook = installed<MessageHook>()) {
        hook(kind, caption, text, QMessageBox::Ok);
        return;
    }
    auto* box = new QMessageBox(iconOf(kind), caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QString chooseFile(QWidget* parent, bool save, const QString& title, const QString& initial,
                   const QString& filter) {
    if (const FileDialogHook& hook = installed<FileDialogHook>()) return hook(save, title, initial);
    if (save) return QFileDialog::getSaveFileName(parent, title, initial, filter);
    return QFileDialog::getOpenFileName(parent, title, initial, filter);
}

namespace {
// Keeps folders and executable files while the first name filter is chosen.
class ProgramFilter : public QSortFilterProxyModel {
  public:
    explicit ProgramFilter(QFileDialog* d) : QSortFilterProxyModel(d), dialog_(d) {}

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (dialog_->selectedNameFilter() != dialog_->nameFilters().value(0)) return true;
        auto* fs = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!fs) return true;
        QFileInfo info = fs->fileInfo(fs->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

  private:
    QFileDialog* dialog_;
};
}  // namespace

QString chooseProgram(QWidget* parent, const QString& title, const QString& initialDir) {
    if (const FileDialogHook& hook = installed<FileDialogHook>())
        return hook(false, title, initialDir);
    QFileDialog d(parent, title, initialDir);
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters({QString::fromUtf8("実行ファイル (*)"), QStringLiteral("All files(*)")});
    d.setProxyModel(new ProgramFilter(&d));
    QObject::connect(&d, &QFileDialog::filterSelected, &d, [&d] {
        if (auto* p = qobject_cast<QSortFilterProxyModel*>(d.proxyModel())) p->invalidate();
    });
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

}  // namespace orv::app
