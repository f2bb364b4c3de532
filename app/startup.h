// The start-up decisions of the program that do not need its window: which display it runs
// on and what it says about it, and Qt's own texts in Japanese.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;
class QWidget;

namespace orv::app {

enum class DisplayKind {
    X11,        // an X display
    Wayland,    // an X display inside a Wayland session (WAYLAND_DISPLAY is set too)
    Offscreen,  // the offscreen platform with the virtual desktop (tests)
    None,       // no display: the program ends with "対応していないOSです"
};

// The display from the environment's QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY.
DisplayKind displayKind(const QString& qpaPlatform, const QString& display,
                        const QString& waylandDisplay);
DisplayKind displayKind();
// What start-up says about `kind` on stderr and, for Wayland, in a message box; empty for
// nothing to say.
QString displayMessage(DisplayKind kind);
// The Wayland note as a message box that does not stop the program (an automatic run goes on
// while it is open).
void showDisplayNote(DisplayKind kind, QWidget* parent);

// Installs Qt's own Japanese texts (qtbase_ja.qm: the buttons of message boxes, the file
// choosers) whatever the user's locale, since the program speaks Japanese. The translator
// belongs to `app`; null when the translation file is missing.
QTranslator* loadQtTranslations(QCoreApplication& app);

}  // namespace orv::app
