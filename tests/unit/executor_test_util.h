// Test harness of the executor: a compiled macro run against the virtual
// desktop with a fixed clock and a fake run host that records what the run
// loop does to windows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/tables.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"

namespace orvtest {

class FakeRunHost : public orv::RunHost {
  public:
    void runtimeError(const std::string& m) override { push("error " + orv::cp932ToUtf8(m)); }
    void messageBox(const std::string& m) override { push("box " + orv::cp932ToUtf8(m)); }
    void showLine(int line0) override { push("line " + std::to_string(line0)); }
    void refreshVariables() override { push("refresh"); }
    bool breakpointHit(const std::string&, int line1) override {
        std::lock_guard<std::mutex> lock(mu_);
        return breaks.count(line1) != 0;
    }
    bool macroModified() override { return modified; }
    bool askYesNo(const std::string&) override { return answer; }
    // The frame's commands these requests map to.
    void restartStep() override { push("post 40029"); }
    void restartDebugRun() override { push("post 40028"); }
    void stopDebugging() override { push("post 40030"); }
    void runEnded(int autoRun, int running) override {
        push("end " + std::to_string(autoRun) + " " + std::to_string(running));
        std::lock_guard<std::mutex> lock(mu_);
        ++ended_;
        cv_.notify_all();
    }
    void waitEnd(int count) {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [&] { return ended_ >= count; });
    }
    std::vector<std::string> events() {
        std::lock_guard<std::mutex> lock(mu_);
        return events_;
    }
    std::vector<std::string> errors() {
        std::vector<std::string> out;
        for (auto& e : events())
            if (e.rfind("error ", 0) == 0) out.push_back(e.substr(6));
        return out;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mu_);
        events_.clear();
    }
    std::set<int> breaks;
    bool modified = false;
    bool answer = false;

  private:
    void push(std::string s) {
        std::lock_guard<std::mutex> lock(mu_);
        events_.push_back(std::move(s));
    }
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::string> events_;
    int ended_ = 0;
};

inline orv::LocalTime fixedNow() {
    orv::LocalTime t;
    t.year = 2005;
    t.month = 3;
    t.day = 1;
    t.hour = 23;
    t.minute = 30;
    t.second = 0;
    return t;
}

struct Harness {
    orv::Tables tables;
    orv::VirtualDesktop desk;
    orv::FixedClock clock{fixedNow()};
    FakeRunHost host;
    orv::Executor ex{tables, desk, clock, host};
    int runs = 0;

    Harness() { ex.settings().comTime = 0; }

    // Compiles UTF-8 lines (joined with CR LF); fails the test on a compile error.
    bool compile(const std::vector<std::string>& lines) {
        std::string text;
        for (auto& l : lines) text += l + "\r\n";
        std::string log;
        bool ok = orv::compileText(tables, orv::utf8ToCp932Lossy(text), &log);
        EXPECT_TRUE(ok) << orv::cp932ToUtf8(log);
        ex.compiled(ok ? 1 : 0);
        return ok;
    }
    // Compiles and runs to the end (mode 1).
    bool run(const std::vector<std::string>& lines) {
        if (!compile(lines)) return false;
        return start(orv::MODE_RUN);
    }
    // The same for "DEFINE <names>", "START", the body's lines, "END".
    bool runBody(const std::string& names, const std::vector<std::string>& body) {
        std::vector<std::string> lines = {"DEFINE " + names, "START"};
        lines.insert(lines.end(), body.begin(), body.end());
        lines.push_back("END");
        return run(lines);
    }
    bool start(int mode) {
        if (!ex.startRun(mode)) return false;
        host.waitEnd(++runs);
        ex.join();
        return true;
    }
    // Value of a variable by name (UTF-8), as text.
    std::string value(const std::string& name) {
        std::string n = orv::utf8ToCp932Lossy(name);
        for (int r = 0; r < tables.hVal.rowCount(); ++r)
            if (tables.hVal.cell(r, orv::val::Val) == n)
                return orv::cp932ToUtf8(tables.hVal.cell(r, orv::val::value));
        ADD_FAILURE() << "no variable " << name;
        return {};
    }
    std::vector<std::string> trace() {
        std::vector<std::string> out;
        for (auto& l : desk.trace()) out.push_back(orv::cp932ToUtf8(l));
        return out;
    }
};

// Rows built by hand, for tables the compiler would not write.
// An hVal row: name, type and value.
inline int addVal(orv::Tables& t, const char* name, const char* type, const char* value) {
    int r = t.hVal.append(name, 0);
    t.hVal.set(r, orv::val::type, type);
    t.hVal.set(r, orv::val::value, value);
    return r;
}
// An hCal row that copies a literal number into hVal row `left`.
inline int addCopy(orv::Tables& t, const char* left, const char* number) {
    int r = t.hCal.append(left, 0);
    t.hCal.set(r, orv::cal::RIGHT1, number);
    t.hCal.set(r, orv::cal::RIGHT1_KIND, "2");
    t.hCal.set(r, orv::cal::ENZANSI, "=");
    return r;
}
// An hMacro row: cells from instruct on, its sequence number and its source line.
inline void addRow(orv::Tables& t, const std::vector<std::string>& cells, const char* line) {
    int r = t.hMacro.append(cells[0], t.hMacro.rowCount());
    for (std::size_t c = 1; c < cells.size(); ++c) t.hMacro.set(r, static_cast<int>(c), cells[c]);
    t.hMacro.set(r, orv::mac::Line, std::to_string(r));
    t.hMacro.set(r, orv::mac::MacroLine, line);
}

// A temporary file with the given bytes, removed with the object.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& bytes, const std::string& name = "orv_exec_test") {
        static int counter = 0;
        path = std::string(::testing::TempDir()) + name + std::to_string(::getpid()) + "_" +
               std::to_string(counter++) + ".csv";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace orvtest
