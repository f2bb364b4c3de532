// Starts the suite's private display before the end-to-end tests; it ends with the program.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "tests/desktop_x11/x11_env.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string message;
    if (!orvtest::suite().start(message)) {
        // A missing display is a failure, not a skip: the suite must run where it is run.
        std::fprintf(stderr, "cannot set up the X11 test display: %s\n", message.c_str());
        return 1;
    }
    setenv("DISPLAY", orvtest::suite().display().c_str(), 1);
    return RUN_ALL_TESTS();
}
