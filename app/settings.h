// The program's settings in memory and their loading from Orvane.ini.
#pragma once

#include <string>

#include "platform/profile.h"

namespace orv::app {

struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// RECWMIN when it is missing.
inline constexpr int kDefaultShortestWait = 200;

struct Settings {
    int comTime = 1000;    // COMTIME
    int autoExe = 0;       // AUTOEXE
    std::string exeMacro;  // EXEMCRO (CP932)
    int autoFin = 0;       // AUTOFIN
    bool framePosSaved = false;
    WindowRect frame;                   // WNXLPOS.. (screen)
    WindowRect vars;                    // VNXLPOS.. (MDI client coordinates)
    WindowRect breaks;                  // BNXLPOS..
    bool endMessage = true;             // SRCENDM 1: "マクロ実行終了" after a run
    bool minimizeWhileRunning = false;  // EMINWIN 1
    bool ignoreRunErrors = false;       // SEXEERR 1
    bool recordWaits = false;           // RECWAIT 1: recordings keep their pauses as WAIT lines
    int shortestWait = kDefaultShortestWait;  // RECWMIN: the shortest pause recorded (ms)
};

inline constexpr const char* kSystem = "SYSTEM";
inline constexpr const char* kAutoClk = "AUTOCLK";

// A flag key as the program reads it: set when the stored value is 1.
inline bool flagSet(int stored) {
    return stored == 1;
}

// Loads the SYSTEM keys in the order the program start uses (the auto-click slots load their
// own AUTOCLK keys). Returns false on a first run (no DMEX1ST), in which case only the defaults
// below are set: SRCENDM 1, the debugger windows at their default places for a client of width
// `clientWidth`, SEXEERR 0, RECWAIT 0 and RECWMIN 200.
bool loadSettings(const ProfileFile& ini, int clientWidth, Settings& s);
// RECWAIT and RECWMIN, keys of our own: written when recordings keep their pauses, or when the
// file holds either key already (so a file that never had them keeps none).
void saveRecordWaits(ProfileFile& ini, const Settings& s);
// The first-run set-up's writes (the caller shows the welcome message before and the settings
// dialog after).
void writeFirstRunDefaults(ProfileFile& ini, Settings& s);
// LINENUM: the editors' line numbers are shown (1, or when the key is missing) or not (0).
bool loadLineNumbers(const ProfileFile& ini);
void saveLineNumbers(ProfileFile& ini, bool on);
// Default rectangles of the variables and breakpoints windows.
WindowRect defaultVarsRect(int clientWidth);
WindowRect defaultBreaksRect(int clientWidth);

}  // namespace orv::app
