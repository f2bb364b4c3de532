// The hotkey table of the dialog "ホットキー設定": combinations as text, which of them may
// start macros, and the rows in Orvane.ini.
#include "tools/hotkeys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "lang/text.h"
#include "platform/profile.h"

using namespace orv;
using namespace orv::tools;

namespace {

TEST(Hotkeys, CombinationsAsTextAndWhichMayStartMacros) {
    const struct {
        const char* text;
        bool reads;
        const char* written;  // chordText of what was read
        ChordProblem problem;
    } rows[] = {
        {"Ctrl+Alt+1", true, "Ctrl+Alt+1", ChordProblem::None},
        {"Super+Shift+Ctrl+F5", true, "Ctrl+Shift+Super+F5", ChordProblem::None},
        {"Ctrl++", true, "Ctrl++", ChordProblem::None},
        {"Alt+PgUp", true, "Alt+PgUp", ChordProblem::None},
        {"F11", true, "F11", ChordProblem::None},
        {"Shift+Pause", true, "Shift+Pause", ChordProblem::None},
        {"Esc", true, "Esc", ChordProblem::ProgramKey},
        {"F4", true, "F4", ChordProblem::ProgramKey},
        {"Shift+F4", true, "Shift+F4", ChordProblem::None},
        {"A", true, "A", ChordProblem::TypingKey},
        {"Shift+A", true, "Shift+A", ChordProblem::TypingKey},
        {"Home", true, "Home", ChordProblem::TypingKey},
        {"", false, "", ChordProblem::None},
        {"Ctrl+", false, "", ChordProblem::None},
        {"Ctrl+Ctrl+1", false, "", ChordProblem::None},
        {"Ctrl+Alt 1", false, "", ChordProblem::None},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        const std::optional<KeyChord> c = parseChord(r.text);
        ASSERT_EQ(c.has_value(), r.reads);
        if (!c) continue;
        EXPECT_EQ(chordText(*c), r.written);
        EXPECT_EQ(checkChord(*c), r.problem);
        EXPECT_EQ(chordProblemText(r.problem).empty(), r.problem == ChordProblem::None);
    }
}

TEST(Hotkeys, RowsInTheSettingsFile) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("orv-hotkeys-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Orvane.ini").string();
    std::ofstream(path, std::ios::binary)
        << "[HOTKEY]\r\nHOTUSE0=1\r\nHOTKEY0=Ctrl+Alt+1\r\nHOTMCR0=" << sj("/m/マクロ.ovm")
        << "\r\nHOTUSE3=1\r\nHOTKEY3=Ctrl+Ctrl\r\nHOTMCR3=/m/b.ovm\r\nHOTUSE4=1\r\nHOTKEY4=F2\r\n";
    ProfileFile ini(path);
    std::vector<std::string> unreadable;
    HotkeyTable t = loadHotkeys(ini, &unreadable);
    EXPECT_TRUE(t[0].enabled);
    EXPECT_EQ(t[0].chord, "Ctrl+Alt+1");
    EXPECT_EQ(t[0].macro, sj("/m/マクロ.ovm"));
    EXPECT_FALSE(t[3].enabled);  // listed, but switched off
    EXPECT_FALSE(t[4].enabled);
    EXPECT_EQ(unreadable, (std::vector<std::string>{"HOTKEY3", "HOTKEY4"}));
    EXPECT_FALSE(t[9].enabled);
    EXPECT_TRUE(t[9].chord.empty() && t[9].macro.empty());

    t[9] = {true, "Super+F12", sj("/m/終わり.ovm")};
    saveHotkeys(ini, t);
    const HotkeyTable again = loadHotkeys(ini);
    EXPECT_TRUE(again[9].enabled);
    EXPECT_EQ(again[9].chord, "Super+F12");
    EXPECT_EQ(again[9].macro, sj("/m/終わり.ovm"));
    EXPECT_EQ(ini.readText("HOTKEY", "HOTKEY0"), "Ctrl+Alt+1");
    std::filesystem::remove_all(dir);
}

}  // namespace
