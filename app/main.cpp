// orvane: start-up of the desktop program.
#include <langinfo.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/codec.h"
#include "app/frame/main_frame.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"
#ifdef ORV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#endif

namespace {

bool offscreen() {
    return orv::app::displayKind() == orv::app::DisplayKind::Offscreen;
}

// One instance per user and display.
QString lockPath() {
    QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (runtime.isEmpty() || !QDir(runtime).exists()) runtime = QDir::tempPath();
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    if (offscreen()) display = QStringLiteral("offscreen");
    display.replace('/', '_');
    return QStringLiteral("%1/orvane-%2-%3.lock").arg(runtime).arg(::getuid()).arg(display);
}

// Qt and Xlib take the text encoding of titles and input methods from the character locale,
// and Japanese needs a UTF-8 one: in the "C" locale, for one, Xlib would label the UTF-8
// bytes of a window title as Latin-1 (WM_NAME). A locale that is not UTF-8 has its character
// part replaced by C.UTF-8 (inherited by the programs a macro starts).
void useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && std::strcmp(codeset, "UTF-8") == 0) return;
    const char* all = std::getenv("LC_ALL");
    ::setenv(all && *all ? "LC_ALL" : "LC_CTYPE", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "");
}

// Japanese UI fonts: the Windows family names map to the IPA fonts.
void fontSubstitutes() {
    using orv::app::u8q;
    QFont::insertSubstitution(u8q("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(u8q("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(u8q("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho"));
}

}  // namespace

int main(int argc, char** argv) {
    // The platform check: an X display, or the offscreen platform for tests. In a Wayland
    // session the program is an X11 client too (its windows, the hook and the desktop backend
    // are X11's), and it says once what it can reach.
    const orv::app::DisplayKind display = orv::app::displayKind();
    if (display == orv::app::DisplayKind::None) {
        std::fprintf(stderr, "%s\n", orv::app::displayMessage(display).toUtf8().constData());
        return 0;
    }
    if (display == orv::app::DisplayKind::Wayland) {
        std::fprintf(stderr, "orvane: %s\n",
                     orv::app::displayMessage(display).toUtf8().constData());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    }
    useUtf8Locale();
    QLockFile lock(lockPath());
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) return 0;  // a second instance ends silently

    QApplication app(argc, argv);
    // Every window, the MDI children included, shows the program's icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvane.png")));
    orv::app::loadQtTranslations(app);
    fontSubstitutes();
    QApplication::setFont(QFont(orv::app::u8q("ＭＳ Ｐゴシック"), 9));

    orv::app::StartOptions opts;
    opts.startDir = QDir::currentPath().toStdString();
    QStringList args = QApplication::arguments();
    if (args.size() > 1) opts.macroPath = args[1];
    if (args.size() > 2) {
        opts.exitFlag = args[2];
        opts.haveExitFlag = true;
    }

    std::unique_ptr<orv::Desktop> desktop;
#ifdef ORV_HAVE_X11
    if (!offscreen()) {
        std::string message;
        desktop = orv::X11Desktop::connect("", message);
        if (!desktop) {
            std::fprintf(stderr, "orvane: %s\n", message.c_str());
            return 1;
        }
    }
#endif
    if (!desktop) desktop = std::make_unique<orv::VirtualDesktop>();
    orv::SystemClock clock;

    int code = 0;
    {
        orv::app::MainFrame frame(opts, *desktop, clock);
        if (!frame.startUp()) {
            frame.close();
            return 0;
        }
        orv::app::showDisplayNote(display, &frame);
        code = app.exec();
    }
    return code;
}
