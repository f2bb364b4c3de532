// The parts of the program its controllers share: the start-up folder and the files kept
// there (Orvane.ini, comp.his, brksvfl.dbk), the settings in memory, the compiled tables, the
// desktop, the clock and the auto-click slots. One instance lives as long as the frame.
#pragma once

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

struct AppCore {
    AppCore(std::string dir, Desktop& d, Clock& c)
        : startDir(std::move(dir)), ini(startDir + "/Orvane.ini"), desktop(d), clock(c) {}

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
