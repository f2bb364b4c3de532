// The debugger's core: toggling rules, the breakpoint file, the worker's query, the
// variables view.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "debugger/breakpoints.h"
#include "debugger/debug_session.h"
#include "debugger/variables.h"
#include "executor_test_util.h"
#include "lang/tables.h"
#include "lang/text.h"

using namespace orv;
using namespace orv::debugger;

namespace {

std::string le32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}
std::string record(std::int32_t line, const std::string& name, std::int32_t length = -1) {
    return le32(line) + le32(length < 0 ? static_cast<std::int32_t>(name.size()) : length) + name;
}

}  // namespace

TEST(Breakpoints, ToggleRules) {
    struct Case {
        const char* title;
        int line;
        const char* text;
        ToggleResult want;
        int sizeAfter;
    };
    // Applied in order to one list.
    const Case cases[] = {
        {"a.ovm", 3, "\tMMOVE 1,2", ToggleResult::Added, 1},
        {"a.ovm", 3, "\tMMOVE 1,2", ToggleResult::Removed, 0},
        {"a.ovm", 4, " \t @ comment", ToggleResult::CommentLine, 0},
        {"a.ovm", 5, "START", ToggleResult::ReservedLine, 0},
        {"a.ovm", 5, "  END @ tail", ToggleResult::ReservedLine, 0},
        {"a.ovm", 5, "DEFINE %a", ToggleResult::ReservedLine, 0},
        {"a.ovm", 6, "STARTX", ToggleResult::Added, 1},
        {"a.ovm", 7, "START\tx", ToggleResult::Added, 2},           // a tab does not end the word
        {"a.ovm", 8, "", ToggleResult::Added, 3},                   // an empty line takes one
        {"b.ovm", 8, "", ToggleResult::Added, 4},                   // same line, another file
        {"a.ovm", 6, "@ now a comment", ToggleResult::Removed, 3},  // removal comes first
    };
    BreakpointList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + ":" + std::to_string(c.line) + " " + c.text);
        EXPECT_EQ(list.toggle(c.title, c.line, c.text), c.want);
        EXPECT_EQ(list.size(), c.sizeAfter);
    }
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.items()[0].line, 7);
    EXPECT_EQ(list.items()[2].file, "b.ovm");
    EXPECT_EQ(list.find("b.ovm", 8), 2);
    EXPECT_EQ(list.find("b.ovm", 7), -1);
    EXPECT_EQ(toggleMessage(ToggleResult::CommentLine), sj("コメント行には設定できません"));
    EXPECT_EQ(toggleMessage(ToggleResult::ReservedLine),
              sj("DEFINE/START/END行には設定できません"));
    list.remove(0);
    list.remove(5);  // out of range: nothing
    EXPECT_EQ(list.size(), 2);
}

TEST(Breakpoints, FileParsing) {
    const std::string longName(5000, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        FileError want;
        int items;
    };
    const Case cases[] = {
        {"empty", "", FileError::None, 0},
        {"two records", record(3, "a.ovm") + record(-7, sj("日本.ovm")), FileError::None, 2},
        {"long name", record(1, longName), FileError::None, 1},
        {"cut header", record(3, "a.ovm") + std::string(5, '\0'), FileError::ShortHeader, 1},
        {"zero length", record(3, "a.ovm") + le32(4) + le32(0), FileError::BadLength, 1},
        {"negative length", le32(4) + le32(-1) + "abc", FileError::BadLength, 0},
        {"cut name", record(3, "abc", 4), FileError::ShortName, 0},
        {"huge length", le32(1) + le32(0x7fffffff) + "ab", FileError::ShortName, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Breakpoint> out;
        EXPECT_EQ(parseBreakpointFile(c.bytes, out), c.want);
        EXPECT_EQ(static_cast<int>(out.size()), c.items);
    }
    std::vector<Breakpoint> out;
    parseBreakpointFile(record(-7, sj("日本.ovm")) + record(1, longName), out);
    EXPECT_EQ(out[0].line, -7);
    EXPECT_EQ(out[0].file, sj("日本.ovm"));
    EXPECT_EQ(out[1].file, longName);
    EXPECT_EQ(fileErrorMessage(FileError::ShortHeader),
              sj("ブレイクポイントファイル破壊(ERR=BTR01)"));
    EXPECT_EQ(fileErrorMessage(FileError::NameShort),
              sj("ブレイクポイントファイルWrite Error(ERR=BTW05)"));
}

// A sink whose n-th write fails or comes out short.
class FaultySink : public ByteSink {
  public:
    FaultySink(int failAt, bool shortWrite) : failAt_(failAt), short_(shortWrite) {}
    long write(const char* data, std::size_t size) override {
        if (++calls_ == failAt_) return short_ ? static_cast<long>(size / 2) : -1;
        bytes.append(data, size);
        return static_cast<long>(size);
    }
    std::string bytes;

  private:
    int failAt_, calls_ = 0;
    bool short_;
};

TEST(Breakpoints, FileWritingFailures) {
    const std::vector<Breakpoint> items = {{3, "a.ovm"}, {9, ""}, {4, "b.ovm"}};
    struct Case {
        int failAt;
        bool shortWrite;
        FileError want;
    };
    const Case cases[] = {
        {0, false, FileError::None},       {1, false, FileError::HeaderFailed},
        {1, true, FileError::HeaderShort}, {2, false, FileError::NameFailed},
        {4, true, FileError::NameShort},   {3, true, FileError::HeaderShort},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failAt);
        FaultySink sink(c.failAt, c.shortWrite);
        EXPECT_EQ(writeBreakpointRecords(items, sink), c.want);
    }
    FaultySink all(0, false);
    writeBreakpointRecords(items, all);
    EXPECT_EQ(all.bytes, record(3, "a.ovm") + record(4, "b.ovm"));  // empty names are skipped
}

TEST(Breakpoints, LoadAndSaveOnDisk) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("orv-dbk-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "brksvfl.dbk").string();

    BreakpointList list;
    EXPECT_EQ(list.load(path), FileError::None);  // a missing file is created empty
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);

    list.toggle("a.ovm", 2, "KEY a");
    list.toggle(sj("c:日本.ovm"), 12, "WAIT 1");
    EXPECT_EQ(list.save(path), FileError::None);
    BreakpointList again;
    EXPECT_EQ(again.load(path), FileError::None);
    ASSERT_EQ(again.size(), 2);
    EXPECT_EQ(again.items()[1].file, sj("c:日本.ovm"));
    EXPECT_EQ(again.items()[1].line, 12);

    // A broken file keeps the records before the damage.
    {
        std::ofstream f(path, std::ios::binary);
        f << record(5, "x.ovm") << le32(1) << le32(0);
    }
    BreakpointList broken;
    EXPECT_EQ(broken.load(path), FileError::BadLength);
    EXPECT_EQ(broken.size(), 1);

    // A folder that cannot take the temporary file: BTW01, the old file untouched.
    if (::geteuid() != 0) {
        ::chmod(dir.c_str(), 0555);
        EXPECT_EQ(list.save(path), FileError::OpenForWrite);
        ::chmod(dir.c_str(), 0755);
        EXPECT_EQ(fs::file_size(path), 8u + 8u + 5u);
    }
    EXPECT_EQ(list.save((dir / "missing" / "brksvfl.dbk").string()), FileError::OpenForWrite);
    fs::remove_all(dir);
}

TEST(Breakpoints, MatcherFollowsEdits) {
    BreakpointList list;
    BreakpointMatcher m(list);
    EXPECT_FALSE(m.hit("a.ovm", 3));
    list.toggle("a.ovm", 3, "");
    list.toggle("b.ovm", 4, "");
    EXPECT_TRUE(m.hit("a.ovm", 3));
    EXPECT_FALSE(m.hit("a.ovm", 4));
    EXPECT_TRUE(m.hit("b.ovm", 4));
    EXPECT_FALSE(m.hit("a.ovm", -1));
    EXPECT_FALSE(m.hit("a.ovm", 1 << 30));
    list.toggle("a.ovm", 3, "");
    EXPECT_FALSE(m.hit("a.ovm", 3));
    // A line no macro can have (from a damaged file) is never hit and costs no memory.
    list.append({{kMaxMacroLines, "a.ovm"}, {INT32_MAX, "a.ovm"}});
    EXPECT_TRUE(m.hit("a.ovm", kMaxMacroLines));
    EXPECT_FALSE(m.hit("a.ovm", INT32_MAX));
}

TEST(Variables, FillAndRefresh) {
    Tables t;
    auto add = [&](const char* name, std::string_view type, const std::string& value) {
        int r = t.hVal.append(name, 0);
        t.hVal.set(r, val::type, type);
        t.hVal.set(r, val::value, value);
        return r;
    };
    add("#MAX", kTypeNumber, "10");
    int s = add("$s", kTypeString, sj("あ"));
    int a = add("%a", kTypeNumber, "0");
    add("!1", kTypeNumber, "5");
    add("LOOP", kTypeLabel, "3");
    add("&1", kTypeFile, "0");
    VariablesView v;
    v.fill(t.hVal);
    ASSERT_EQ(v.items().size(), 2u);
    EXPECT_EQ(v.items()[0].name, "$s");
    EXPECT_EQ(v.items()[0].type, sj("文字"));
    EXPECT_EQ(v.items()[0].value, sj("あ"));
    EXPECT_EQ(v.items()[1].type, sj("数値"));

    t.hVal.set(a, val::value, "42");
    t.hVal.set(s, val::value, "x");
    add("%new", kTypeNumber, "1");  // a later variable is not added by a refresh
    v.refresh(t.hVal);
    ASSERT_EQ(v.items().size(), 2u);
    EXPECT_EQ(v.items()[0].value, "x");
    EXPECT_EQ(v.items()[1].value, "42");

    t.hVal.clear();  // gone variables keep their old values
    v.refresh(t.hVal);
    EXPECT_EQ(v.items()[1].value, "42");
}

// The program's host in small: the worker's breakpoint test goes to the session.
class SessionHost : public orvtest::FakeRunHost {
  public:
    explicit SessionHost(DebugSession& s) : session_(s) {}
    bool breakpointHit(const std::string& title, int line1) override {
        return session_.breakpointHit(title, line1);
    }
    const std::atomic<std::uint64_t>* breakpointVersion() override { return &session_.version(); }

  private:
    DebugSession& session_;
};

// A debug run of one macro title, its tables and desktop, the session as its host.
struct DebugRun {
    DebugRun(DebugSession& session, const char* title) : host(session) {
        ex.settings().comTime = 0;
        ex.record().macroTitle = title;
    }
    Tables tables;
    VirtualDesktop desk;
    FixedClock clock{orvtest::fixedNow()};
    SessionHost host;
    Executor ex{tables, desk, clock, host};
};

TEST(DebugSession, SameLineInTwoFilesStopsOnlyTheRunOfItsFile) {
    BreakpointList list;
    list.toggle("b.ovm", 4, "");
    list.toggle("a.ovm", 4, "");
    DebugSession session(list);
    struct Case {
        const char* title;
        int hot;  // the item marked at the stop, -1: no stop
    };
    for (const Case& c : {Case{"a.ovm", 1}, Case{"b.ovm", 0}, Case{"c.ovm", -1}}) {
        SCOPED_TRACE(c.title);
        DebugRun run(session, c.title);
        Tables& tables = run.tables;
        Executor& ex = run.ex;
        ASSERT_TRUE(compileText(tables, "DEFINE %a\r\nSTART\r\n%a = 1\r\n%a = 2\r\nEND\r\n"));
        ex.compiled(MODE_DEBUG);
        session.clearHot();
        ASSERT_TRUE(ex.startRun(MODE_DEBUG));
        ex.join();
        EXPECT_EQ(session.hotItem(), c.hot);
        EXPECT_EQ(ex.record().mode.load(), c.hot < 0 ? MODE_IDLE : MODE_STEP);
        EXPECT_EQ(tables.hVal.cell(0, val::value), c.hot < 0 ? "2" : "1");
        ex.stopDebug();
    }
}

TEST(DebugSession, BreakpointSetDuringARunStopsIt) {
    // The worker remembers lines without a breakpoint; an edit of the list makes it ask again.
    BreakpointList list;
    DebugSession session(list);
    DebugRun run(session, "a.ovm");
    Tables& tables = run.tables;
    Executor& ex = run.ex;
    ASSERT_TRUE(compileText(
        tables, "DEFINE %i\r\nSTART\r\nDO (%i < 5000000)\r\n%i = %i + 1\r\nENDDO\r\nEND\r\n"));
    ex.compiled(MODE_DEBUG);
    ASSERT_TRUE(ex.startRun(MODE_DEBUG));
    while (ex.record().inLoop.load() == 0 && ex.workerActive()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // line 4 asked and remembered
    list.toggle("a.ovm", 4, "");
    ex.join();
    EXPECT_EQ(ex.record().mode.load(), MODE_STEP);
    EXPECT_EQ(session.hotItem(), 0);
    EXPECT_EQ(tables.hMacro.cell(ex.record().currentRow.load(), mac::MacroLine), "3");
    ex.stopDebug();
}
