// The input burst of the recording benchmarks: `clicks` clicks at distinct points, each
// followed by a key tap, as one xdotool command, and the record lines it must give (each with
// its tab, without the line end).
#pragma once

#include <string>
#include <vector>

inline std::string inputBurst(int clicks, std::vector<std::string>& expected) {
    std::string cmd = "xdotool";
    for (int i = 0; i < clicks; ++i) {
        const int x = 20 + (i % 50) * 20, y = 20 + (i / 50) * 20;
        cmd += " mousemove " + std::to_string(x) + " " + std::to_string(y) +
               " click --delay 0 1 key --delay 0 a";
        expected.push_back("\tMMOVE " + std::to_string(x) + "," + std::to_string(y));
        expected.push_back("\tMCLK L");
        expected.push_back("\tKEY A");
    }
    return cmd;
}
