// The parts of the program its controllers share: the start-up folder and the files kept
// there (Orvane.ini, comp.his, brksvfl.dbk), the settings in memory, the compiled tables, the
// desktop, the clock and the auto-click slots. One instance lives as long as the frame.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "app/settings.h"
#include "lang/tables.h"
#include "platform/profile.h"
#include "tools/autoclick.h"

namespace orv {
class Desktop;
class Clock;
}  // namespace orv

namespace orv::app {

// The command line: a macro to run at start and its exit flag.
struct StartOptions {
    std::string startDir;  // the current directory at start (UTF-8 path)
    QString macroPath;     // first command-line argument, empty if none
    QString exitFlag;      // second command-line argument, empty if none
    bool haveExitFlag = false;
    QStringList openFiles;  // orvane --open FILE...: opened, never run
};

struct AppCore {
    AppCore(const StartOptions& opts, Desktop& d, Clock& c)
        : start(opts),
          startDir(opts.startDir),
          ini(startDir + "/Orvane.ini"),
          desktop(d),
          clock(c) {}

    StartOptions start;
    std::string startDir;  // the current directory at start (UTF-8 path)
    ProfileFile ini;
    Settings settings;
    Tables tables;
    Desktop& desktop;
    Clock& clock;
    tools::AutoClickSettings autoClick;  // kept for the program's lifetime

    std::string logPath() const { return startDir + "/comp.his"; }
    std::string breakpointFile() const { return startDir + "/brksvfl.dbk"; }
};

}  // namespace orv::app
