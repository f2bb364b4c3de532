// Interpreter speed: a counting loop of 10,000,000 passes run by the executor
// (COMTIME 0, virtual desktop) against the same loop in CPython, timed in the
// same run. Prints rows per second and the ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/headless_run.h"

namespace {

double pythonSeconds(long n) {
    std::string cmd = "python3 -c \"import time,sys\nt=time.perf_counter()\ni = 0\nwhile i < " +
                      std::to_string(n) + ": i += 1\nprint(time.perf_counter()-t)\"";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    double s = -1;
    if (std::fscanf(p, "%lf", &s) != 1) s = -1;
    pclose(p);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 10000000;
    std::string text = "DEFINE %i\r\nSTART\r\nDO (%i < " + std::to_string(n) +
                       ")\r\n%i = %i + 1\r\nENDDO\r\nEND\r\n";
    orv::Tables tables;
    const double secs = orv::bench::runHeadless(tables, text);
    if (secs < 0) return 1;
    std::string result = tables.hVal.cell(0, orv::val::value);
    // Rows per pass: the test, the assignment, the jump back; then the failing test and END.
    double rows = 3.0 * static_cast<double>(n) + 2;
    double py = pythonSeconds(n);
    std::printf("orvane:  %ld passes in %.3f s  (%%i=%s)  %.1f M rows/s  %.1f M passes/s\n", n,
                secs, result.c_str(), rows / secs / 1e6, static_cast<double>(n) / secs / 1e6);
    if (py > 0) {
        std::printf("CPython: %ld passes in %.3f s  %.1f M passes/s\n", n, py,
                    static_cast<double>(n) / py / 1e6);
        std::printf("ratio (CPython time / orvane time): %.2f\n", py / secs);
    } else {
        std::printf("CPython: not available\n");
    }
    return result == std::to_string(n) ? 0 : 1;
}
