// Running orvane-cli as a separate process in a scratch folder of its own: the fixture of the
// command-line tests (tests/cli, tests/hook).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orv::clitest {

struct CliResult {
    int code = -1;    // the exit status (-1: the command did not exit normally)
    std::string out;  // its standard output
    std::string err;  // its standard error
};

// Runs a shell command and captures its standard output (stderr is left alone).
CliResult runShell(const std::string& command);

class ScratchFolder : public ::testing::Test {
  protected:
    // A fresh folder for each test, removed after it.
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const;
    // Writes a file into the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes);
    // A file of the folder ("" when missing).
    std::string read(const std::string& name) const;
    // Copies every file of `folder` into the scratch folder.
    void copyFrom(const std::filesystem::path& folder);
    // Runs `orvane-cli ARGS` (shell words) in the folder, `prefix` (such as "env -u DISPLAY")
    // before the program. Its standard error also stays in the folder's stderr.txt.
    CliResult cli(const std::string& args, const std::string& prefix = "");

    std::filesystem::path dir_;
};

}  // namespace orv::clitest
