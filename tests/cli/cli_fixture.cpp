#include "tests/cli/cli_fixture.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>

#include "platform/file_io.h"

namespace orv::clitest {

CliResult runShell(const std::string& command) {
    CliResult r;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

void ScratchFolder::SetUp() {
    char tmpl[] = "/tmp/orv-cli-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
}

void ScratchFolder::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string ScratchFolder::path(const std::string& name) const {
    return (dir_ / name).string();
}

std::string ScratchFolder::write(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(writeFileAtomic(path(name), bytes)) << name;
    return path(name);
}

std::string ScratchFolder::read(const std::string& name) const {
    std::string text;
    readWholeFile(path(name), text);
    return text;
}

void ScratchFolder::copyFrom(const std::filesystem::path& folder) {
    for (const auto& e : std::filesystem::directory_iterator(folder))
        std::filesystem::copy_file(e.path(), dir_ / e.path().filename());
}

CliResult ScratchFolder::cli(const std::string& args, const std::string& prefix) {
    CliResult r = runShell("cd '" + dir_.string() + "' && " + prefix + " '" ORV_CLI "' " + args +
                           " 2>stderr.txt");
    r.err = read("stderr.txt");
    return r;
}

}  // namespace orv::clitest
