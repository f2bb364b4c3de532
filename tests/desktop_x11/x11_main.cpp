// Starts the private display before the end-to-end tests and stops it after them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/desktop_x11/x11_env.h"

namespace {

class BenchEnvironment : public ::testing::Environment {
  public:
    void TearDown() override { orvtest::X11Bench::get().stop(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string message;
    if (!orvtest::X11Bench::get().start(message)) {
        // A missing display is a failure, not a skip: the suite must run where it is run.
        std::fprintf(stderr, "cannot set up the X11 test display: %s\n", message.c_str());
        orvtest::X11Bench::get().stop();
        return 1;
    }
    ::testing::AddGlobalTestEnvironment(new BenchEnvironment);
    return RUN_ALL_TESTS();
}
