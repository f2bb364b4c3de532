#include "app/settings.h"

#include <algorithm>

namespace orv::app {

namespace {
constexpr int kMissing = ProfileFile::kMissingInt;

int orDefault(int v, int def) {
    return v == kMissing ? def : v;
}

WindowRect readRect(const ProfileFile& ini, const char* l, const char* t, const char* w,
                    const char* h, const WindowRect& def) {
    int left = ini.readInt(kSystem, l);
    if (left == kMissing) return def;
    return {left, ini.readInt(kSystem, t), ini.readInt(kSystem, w), ini.readInt(kSystem, h)};
}
}  // namespace

WindowRect defaultVarsRect(int clientWidth) {
    return {clientWidth - 200, 210, 200, 120};
}
WindowRect defaultBreaksRect(int clientWidth) {
    return {clientWidth - 200, 80, 200, 120};
}

bool loadSettings(const ProfileFile& ini, int clientWidth, Settings& s) {
    s.vars = defaultVarsRect(clientWidth);
    s.breaks = defaultBreaksRect(clientWidth);
    s.endMessage = true;
    s.ignoreRunErrors = false;
    s.recordWaits = false;
    s.shortestWait = kDefaultShortestWait;
    if (ini.readInt(kSystem, "DMEX1ST") == kMissing) return false;
    int l = ini.readInt(kSystem, "WNXLPOS"), t = ini.readInt(kSystem, "WNYLPOS");
    int w = ini.readInt(kSystem, "WNXRPOS"), h = ini.readInt(kSystem, "WNYRPOS");
    s.framePosSaved = l != kMissing && t != kMissing && w != kMissing && h != kMissing;
    if (s.framePosSaved) s.frame = {l, t, w, h};
    s.comTime = orDefault(ini.readInt(kSystem, "COMTIME"), 1000);
    s.autoExe = orDefault(ini.readInt(kSystem, "AUTOEXE"), 0);
    s.exeMacro = ini.readText(kSystem, "EXEMCRO", "ERROR", 1024);
    if (s.exeMacro == "ERROR") s.exeMacro.clear();
    s.autoFin = orDefault(ini.readInt(kSystem, "AUTOFIN"), 0);
    s.vars = readRect(ini, "VNXLPOS", "VNYLPOS", "VNXRPOS", "VNYRPOS", s.vars);
    s.breaks = readRect(ini, "BNXLPOS", "BNYLPOS", "BNXRPOS", "BNYRPOS", s.breaks);
    s.endMessage = flagSet(orDefault(ini.readInt(kSystem, "SRCENDM"), 1));
    s.minimizeWhileRunning = flagSet(ini.readInt(kSystem, "EMINWIN"));
    // A saved SEXEERR takes effect after a restart.
    s.ignoreRunErrors = flagSet(ini.readInt(kSystem, "SEXEERR"));
    // Keys of our own, read with their defaults (so a stored 9999 is 9999 ms).
    s.recordWaits = flagSet(ini.readInt(kSystem, "RECWAIT", 0));
    s.shortestWait = std::max(0, ini.readInt(kSystem, "RECWMIN", kDefaultShortestWait));
    return true;
}

void saveRecordWaits(ProfileFile& ini, const Settings& s) {
    if (!s.recordWaits && !ini.has(kSystem, "RECWAIT") && !ini.has(kSystem, "RECWMIN")) return;
    ini.writeInt(kSystem, "RECWAIT", s.recordWaits ? 1 : 0);
    ini.writeInt(kSystem, "RECWMIN", s.shortestWait);
}

bool loadLineNumbers(const ProfileFile& ini) {
    return ini.readInt(kSystem, "LINENUM") != 0;
}

void saveLineNumbers(ProfileFile& ini, bool on) {
    ini.writeInt(kSystem, "LINENUM", on ? 1 : 0);
}

void writeFirstRunDefaults(ProfileFile& ini, Settings& s) {
    ini.writeInt(kSystem, "DMEX1ST", 1);
    s.comTime = 1000;
    ini.writeInt(kSystem, "COMTIME", s.comTime);
    s.autoExe = 0;
    ini.writeInt(kSystem, "AUTOEXE", s.autoExe);
    s.exeMacro.clear();
    ini.writeText(kSystem, "EXEMCRO", s.exeMacro);
    s.autoFin = 0;
    ini.writeInt(kSystem, "AUTOFIN", s.autoFin);
    ini.writeInt(kAutoClk, "ATSSAVE", 0);
}

}  // namespace orv::app
