// orvane: start-up of the desktop program.
#include <langinfo.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
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
#include "app/handover.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/hotkeys.h"
#include "platform/virtual/virtual_desktop.h"
#ifdef ORV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_hotkeys.h"
#endif

namespace {

bool offscreen() {
    return orv::app::displayKind() == orv::app::DisplayKind::Offscreen;
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

// The desktop backends: X11 (the desktop and the hotkeys) on a display, the virtual desktop
// offscreen (tests). False when the X display cannot serve the program.
bool connectDesktop(std::unique_ptr<orv::Desktop>& desktop,
                    std::unique_ptr<orv::HotkeySource>& hotkeys) {
#ifdef ORV_HAVE_X11
    if (!offscreen()) {
        std::string message;
        desktop = orv::X11Desktop::connect("", message);
        if (!desktop) {
            std::fprintf(stderr, "orvane: %s\n", message.c_str());
            return false;
        }
        std::string why;
        hotkeys = orv::connectX11Hotkeys("", why);
        if (!hotkeys) std::fprintf(stderr, "orvane: %s\n", why.c_str());
    }
#endif
    if (!desktop) desktop = std::make_unique<orv::VirtualDesktop>();
    return true;
}

const char* const kUsage =
    "Usage: orvane [\"/abs/path/macro.ovm\" [0|1]]\n"
    "       orvane --open FILE...\n"
    "       orvane --help | --version\n"
    "\n"
    "With a macro file, orvane runs it at start; with the exit flag 1 the program closes\n"
    "when the macro has finished. --open opens each file in an editor without running it;\n"
    "when orvane already runs for this user on this display, the files are handed to it.\n";

// What the command line asks for. The shell has split it: the macro path, then the exit-flag
// token; or an option of our own.
struct CommandLine {
    enum { Start, Open, Help, Version } what = Start;
    orv::app::StartOptions opts;
};

CommandLine readCommandLine(int argc, char** argv) {
    CommandLine c;
    c.opts.startDir = QDir::currentPath().toStdString();
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (first == "--help") c.what = CommandLine::Help;
    if (first == "--version") c.what = CommandLine::Version;
    if (first == "--open") {
        c.what = CommandLine::Open;
        for (int i = 2; i < argc; ++i)
            c.opts.openFiles << QDir().absoluteFilePath(QFile::decodeName(argv[i]));
        return c;
    }
    if (argc > 1) c.opts.macroPath = first;
    if (argc > 2) {
        c.opts.exitFlag = QString::fromLocal8Bit(argv[2]);
        c.opts.haveExitFlag = true;
    }
    return c;
}

// A second process: the specified start ends silently; --open hands its files over.
int secondInstance(int argc, char** argv, const CommandLine& c) {
    if (c.what != CommandLine::Open) return 0;
    QCoreApplication app(argc, argv);
    QString why;
    if (orv::app::handOver(c.opts.openFiles, &why)) return 0;
    std::fprintf(stderr, "orvane: the running orvane did not take the files: %s\n",
                 why.toUtf8().constData());
    return 1;
}

// The platform check: an X display, or the offscreen platform for tests. In a Wayland session
// the program is an X11 client too (its windows, the hook and the desktop backend are X11's),
// and it says once what it can reach. False when there is no display to run on.
bool checkPlatform(orv::app::DisplayKind display) {
    if (display == orv::app::DisplayKind::None) {
        std::fprintf(stderr, "%s\n", orv::app::displayMessage(display).toUtf8().constData());
        return false;
    }
    if (display == orv::app::DisplayKind::Wayland) {
        std::fprintf(stderr, "orvane: %s\n",
                     orv::app::displayMessage(display).toUtf8().constData());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const CommandLine cmd = readCommandLine(argc, argv);
    if (cmd.what == CommandLine::Help || cmd.what == CommandLine::Version) {
        std::fputs(cmd.what == CommandLine::Help ? kUsage : "orvane " ORV_VERSION "\n", stdout);
        return 0;
    }
    const orv::app::DisplayKind display = orv::app::displayKind();
    if (!checkPlatform(display)) return 0;
    useUtf8Locale();
    QLockFile lock(orv::app::instancePath("lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) return secondInstance(argc, argv, cmd);

    QApplication app(argc, argv);
    // Every window, the MDI children included, shows the program's icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvane.png")));
    orv::app::loadQtTranslations(app);
    fontSubstitutes();
    QApplication::setFont(QFont(orv::app::u8q("ＭＳ Ｐゴシック"), 9));

    std::unique_ptr<orv::Desktop> desktop;
    std::unique_ptr<orv::HotkeySource> hotkeys;
    if (!connectDesktop(desktop, hotkeys)) return 1;
    orv::SystemClock clock;
    orv::app::MainFrame frame(cmd.opts, *desktop, clock, std::move(hotkeys));
    orv::app::OpenServer server;
    QObject::connect(&server, &orv::app::OpenServer::filesRequested, &frame,
                     &orv::app::MainFrame::openFiles);
    QString why;
    if (!server.listen(&why))
        std::fprintf(stderr, "orvane: files cannot be handed to this program: %s\n",
                     why.toUtf8().constData());
    if (!frame.startUp()) {
        frame.close();
        return 0;
    }
    orv::app::showDisplayNote(display, &frame);
    return app.exec();
}
