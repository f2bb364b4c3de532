// CSV reading speed: READ of a 1,000,000-record file with three bound fields,
// summing the third, against awk -F, '{s+=$3} END{print s}' on the same file,
// timed in the same run. Prints records per second and the ratio.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/headless_run.h"

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::string path = "/tmp/orv_csv_bench_" + std::to_string(::getpid()) + ".csv";
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 1;
        for (long i = 0; i < n; ++i) std::fprintf(f, "item%ld,%ld,%ld\r\n", i, i % 97, i % 1000);
        std::fclose(f);
    }
    std::string text =
        "DEFINE $a, %b, %c, %s\r\nSTART\r\nOPEN '" + path +
        "' AS &1\r\nSET $a AS 1 FROM &1\r\nSET %b AS 2 FROM &1\r\nSET %c AS 3 FROM &1\r\n"
        "READ &1\r\nDO (&1 <> EOF)\r\n%s = %s + %c\r\nREAD &1\r\nENDDO\r\nCLOSE &1\r\nEND\r\n";
    orv::Tables tables;
    const double secs = orv::bench::runHeadless(tables, text);
    if (secs < 0) return 1;
    std::string sum = tables.hVal.cell(3, orv::val::value);

    std::string cmd = "awk -F, '{s+=$3} END{print s}' " + path;
    const auto t0 = std::chrono::steady_clock::now();
    FILE* p = popen(cmd.c_str(), "r");
    char buf[64] = {0};
    if (p) {
        if (!std::fgets(buf, sizeof buf, p)) buf[0] = 0;
        pclose(p);
    }
    double awkSecs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::string awkSum = buf;
    while (!awkSum.empty() && (awkSum.back() == '\n' || awkSum.back() == '\r')) awkSum.pop_back();
    std::remove(path.c_str());

    std::printf("orvane: %ld records in %.3f s  %.2f M records/s  sum=%s\n", n, secs,
                static_cast<double>(n) / secs / 1e6, sum.c_str());
    std::printf("awk:    %ld records in %.3f s  %.2f M records/s  sum=%s\n", n, awkSecs,
                static_cast<double>(n) / awkSecs / 1e6, awkSum.c_str());
    std::printf("ratio (orvane time / awk time): %.2f\n", secs / awkSecs);
    return sum == awkSum ? 0 : 1;
}
