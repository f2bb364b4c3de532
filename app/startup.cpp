#include "app/startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "app/codec.h"

namespace orv::app {

DisplayKind displayKind(const QString& qpaPlatform, const QString& display,
                        const QString& waylandDisplay) {
    if (qpaPlatform.startsWith(QStringLiteral("offscreen"))) return DisplayKind::Offscreen;
    if (display.isEmpty()) return DisplayKind::None;
    return waylandDisplay.isEmpty() ? DisplayKind::X11 : DisplayKind::Wayland;
}

DisplayKind displayKind() {
    return displayKind(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
                       qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QString displayMessage(DisplayKind kind) {
    switch (kind) {
        case DisplayKind::None:
            return u8q("対応していないOSです");
        case DisplayKind::Wayland:
            return u8q(
                "Wayland のセッションで起動されました。Orvane が検索、移動、入力できるのは "
                "X11 で動作しているプログラム(XWayland を含む)のウインドウだけです。"
                "Wayland で直接動作しているプログラムのウインドウは対象になりません。");
        case DisplayKind::X11:
        case DisplayKind::Offscreen:
            break;
    }
    return {};
}

void showDisplayNote(DisplayKind kind, QWidget* parent) {
    if (kind != DisplayKind::Wayland) return;
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Orvane"),
                                displayMessage(kind), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QTranslator* loadQtTranslations(QCoreApplication& app) {
    auto* t = new QTranslator(&app);
    if (!t->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return nullptr;
    }
    app.installTranslator(t);
    return t;
}

}  // namespace orv::app
