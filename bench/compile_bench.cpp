// Compile-time benchmark: generated macros of 4, 16 and 64 KB, statement-heavy and
// assignment-heavy, compiled with the result log written to a file. Prints the best time of
// several runs, into new tables and into kept ones, and the 64 KB / 4 KB ratio (linear growth
// gives about 16; fixed costs such as the log file make small macros relatively slower).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "compiler/compile_driver.h"

namespace {

class QuietHost : public orv::CompileHost {
  public:
    void messageBox(const std::string&, const std::string&, orv::MsgIcon) override {}
};

std::string statementHeavy(std::size_t size) {
    std::string s = "DEFINE %a, %b, %i, $s\r\nSTART\r\n";
    int n = 0;
    while (s.size() + 200 < size) {
        std::string k = std::to_string(n++);
        s += "L" + k + ":\r\n";
        s +=
            "IF (%a > " + k + ") AND (%b < 5)\r\n  MMOVE +1,-1\r\nELSE\r\n  KEY SFT,a\r\nENDIF\r\n";
        s += "DO (%i < 3)\r\n  WAIT 0\r\nENDDO\r\n";
        s += "GOTO L" + k + "\r\n";
    }
    s += "END\r\n";
    return s;
}

std::string assignmentHeavy(std::size_t size) {
    std::string s = "DEFINE %x, %a, %b, %c\r\nSTART\r\n";
    while (s.size() + 40 < size) s += "%x = %a * %b + %c\r\n";
    s += "END\r\n";
    return s;
}

// Best time of several compiles. With `keepTables` the same tables are compiled into again,
// as the program does (it clears them at each compile and keeps their memory); otherwise each
// compile starts from new tables, as the first compile of a session does.
double bestMs(const std::string& text, const std::string& logPath, bool keepTables) {
    QuietHost host;
    double best = 1e9;
    orv::Tables kept;
    for (int i = 0; i < 100; ++i) {
        orv::Tables fresh;
        orv::Tables& t = keepTables ? kept : fresh;
        orv::CompileRequest req;
        req.text = text;
        req.fileName = "bench.ovm";
        req.logPath = logPath;
        auto a = std::chrono::steady_clock::now();
        bool ok = orv::compile(t, req, host);
        auto b = std::chrono::steady_clock::now();
        if (!ok) std::fprintf(stderr, "bench macro failed to compile\n");
        best = std::min(best, std::chrono::duration<double, std::milli>(b - a).count());
    }
    return best;
}

}  // namespace

int main() {
    std::string logPath = "/tmp/orv-bench-" + std::to_string(::getpid()) + ".his";
    const std::size_t sizes[] = {4096, 16384, 65535};
    struct Kind {
        const char* name;
        std::string (*make)(std::size_t);
    } kinds[] = {{"statements", statementHeavy}, {"assignments", assignmentHeavy}};
    std::printf("%-12s %6s  %14s  %14s\n", "macro", "bytes", "new tables", "kept tables");
    for (const auto& k : kinds) {
        double t4[2] = {0, 0}, t64[2] = {0, 0};
        for (std::size_t sz : sizes) {
            std::string text = k.make(sz);
            double ms[2];
            for (int keep = 0; keep < 2; ++keep) {
                ms[keep] = bestMs(text, logPath, keep == 1);
                if (sz == 4096) t4[keep] = ms[keep];
                if (sz == 65535) t64[keep] = ms[keep];
            }
            std::printf("%-12s %6zu  %11.3f ms  %11.3f ms\n", k.name, text.size(), ms[0], ms[1]);
        }
        std::printf("%-12s 64KB/4KB ratio %.1f / %.1f (linear is about 16)\n", k.name,
                    t64[0] / t4[0], t64[1] / t4[1]);
    }
    ::unlink(logPath.c_str());
    return 0;
}
