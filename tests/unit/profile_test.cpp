// The settings file: profile-format reads and writes, and the atomic saving under it.
#include "platform/profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "lang/text.h"
#include "platform/file_io.h"

namespace fs = std::filesystem;
using orv::ProfileFile;

namespace {

class Profile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orv-ini-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        path_ = (dir_ / "Orvane.ini").string();
        fs::remove(path_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void put(const std::string& s) { std::ofstream(path_, std::ios::binary) << s; }
    std::string get() {
        std::ifstream f(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    // Runs `body` as a user without privileges (root may read and write anything): in a
    // child process as "nobody" when we are root, here otherwise. Files made for that user
    // belong to it (own()).
    void asUser(const std::function<void()>& body) {
        if (::geteuid() != 0) return body();
        fs::permissions(dir_, fs::perms::all);
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
            if (ok) body();
            ::_exit(ok && !::testing::Test::HasFailure() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "in the child process";
    }
    void own(const std::string& path, mode_t mode) {
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    }
    static mode_t modeOf(const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return st.st_mode;
    }
    static constexpr uid_t kNobody = 65534;
    fs::path dir_;
    std::string path_;
};

TEST_F(Profile, MissingFileReadsAsMissingAndFirstWriteCreatesIt) {
    ProfileFile p(path_);
    EXPECT_EQ(p.readInt("SYSTEM", "COMTIME"), 9999);
    EXPECT_EQ(p.readText("SYSTEM", "EXEMCRO"), "ERROR");
    EXPECT_FALSE(fs::exists(path_));
    ASSERT_TRUE(p.writeInt("SYSTEM", "DMEX1ST", 1));
    ASSERT_TRUE(p.writeText("SYSTEM", "EXEMCRO", ""));
    ASSERT_TRUE(p.writeInt("AUTOCLK", "ATSSAVE", 0));
    EXPECT_EQ(get(), "[SYSTEM]\r\nDMEX1ST=1\r\nEXEMCRO=\r\n[AUTOCLK]\r\nATSSAVE=0\r\n");
    EXPECT_EQ(p.readText("SYSTEM", "EXEMCRO"), "");
    EXPECT_TRUE(p.has("system", "exemcro"));
}

TEST_F(Profile, CaseInsensitiveNamesAndValueForms) {
    put("; comment\r\n[system]\r\n comtime = 250 \r\nAutoExe=x1\r\nNEG=-12\r\n"
        "path=\"C:\\a b.ovm\"\r\n[SYSTEM]\r\nCOMTIME=7\r\n[Other]\r\nCOMTIME=3\r\n");
    ProfileFile p(path_);
    EXPECT_EQ(p.readInt("SYSTEM", "COMTIME"), 250);  // the first section with that name wins
    EXPECT_EQ(p.readInt("SYSTEM", "AUTOEXE"), 0);    // no leading digits
    EXPECT_EQ(p.readInt("SYSTEM", "NEG"), -12);
    EXPECT_EQ(p.readText("SYSTEM", "PATH"), "C:\\a b.ovm");
    EXPECT_EQ(p.readText("SYSTEM", "PATH", "ERROR", 5), "C:\\a");
    EXPECT_EQ(p.readInt("OTHER", "COMTIME"), 3);
}

TEST_F(Profile, WritesReplaceInPlaceAndKeepOtherLines) {
    put("[SYSTEM]\r\nCOMTIME=1000\r\nAUTOEXE=0\r\n\r\n[AUTOCLK]\r\nATEXEF1=1\r\n");
    ProfileFile p(path_);
    ASSERT_TRUE(p.writeInt("system", "comtime", 20));
    ASSERT_TRUE(p.writeInt("SYSTEM", "SRCENDM", 1));
    ASSERT_TRUE(p.writeInt("AUTOCLK", "ATEXEF2", 0));
    EXPECT_EQ(get(),
              "[SYSTEM]\r\ncomtime=20\r\nAUTOEXE=0\r\nSRCENDM=1\r\n\r\n[AUTOCLK]\r\nATEXEF1=1\r\n"
              "ATEXEF2=0\r\n");
    // A stored 9999 reads as missing, as the convention says.
    ASSERT_TRUE(p.writeInt("SYSTEM", "COMTIME", 9999));
    EXPECT_EQ(p.readInt("SYSTEM", "COMTIME"), ProfileFile::kMissingInt);
}

TEST_F(Profile, Cp932TextSurvives) {
    ProfileFile p(path_);
    std::string path = orv::sj("/home/利用者/表示.ovm");  // 表 has a backslash trail byte
    ASSERT_TRUE(p.writeText("SYSTEM", "EXEMCRO", path));
    EXPECT_EQ(p.readText("SYSTEM", "EXEMCRO"), path);
}

TEST_F(Profile, FailedWriteKeepsTheOldFile) {
    put("[SYSTEM]\r\nCOMTIME=5\r\n");
    ProfileFile bad((dir_ / "missing-dir" / "Orvane.ini").string());
    EXPECT_FALSE(bad.writeInt("SYSTEM", "COMTIME", 1));
    EXPECT_EQ(ProfileFile(path_).readInt("SYSTEM", "COMTIME"), 5);
}

TEST_F(Profile, UnreadableFileIsNeitherReplacedNorReportedTwice) {
    put("[SYSTEM]\r\nCOMTIME=5\r\nAUTOEXE=1\r\n");
    own(path_, 0200);  // may be written, not read
    asUser([&] {
        ProfileFile p(path_);
        EXPECT_FALSE(p.writeInt("SYSTEM", "COMTIME", 1));
        EXPECT_FALSE(p.writeInt("SYSTEM", "AUTOEXE", 0));
        EXPECT_NE(p.lastError().find("Orvane.ini"), std::string::npos);
        EXPECT_EQ(p.takeFailureToReport(), p.lastError());
        EXPECT_EQ(p.takeFailureToReport(), "");  // once
    });
    EXPECT_EQ(get(), "[SYSTEM]\r\nCOMTIME=5\r\nAUTOEXE=1\r\n");
}

TEST_F(Profile, SavingKeepsModeLinksAndRefusesReadOnlyFiles) {
    put("[SYSTEM]\r\nCOMTIME=5\r\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    const std::string link = (dir_ / "link.ini").string();
    fs::create_symlink("Orvane.ini", link);
    ASSERT_TRUE(ProfileFile(link).writeInt("SYSTEM", "COMTIME", 6));
    EXPECT_TRUE(fs::is_symlink(link));  // still a link, its target written
    EXPECT_EQ(ProfileFile(path_).readInt("SYSTEM", "COMTIME"), 6);
    EXPECT_EQ(modeOf(path_) & 0777, 0600u);  // not made readable by others

    const mode_t old = ::umask(022);
    ASSERT_TRUE(orv::writeFileAtomic((dir_ / "new").string(), "x"));
    ::umask(old);
    EXPECT_EQ(modeOf((dir_ / "new").string()) & 0777, 0644u);

    own(path_, 0444);
    asUser([&] {
        std::string why;
        EXPECT_FALSE(orv::writeFileAtomic(link, "gone", &why));
        EXPECT_EQ(why, link + ": " + std::strerror(EACCES));
    });
    EXPECT_EQ(ProfileFile(path_).readInt("SYSTEM", "COMTIME"), 6);
}

TEST_F(Profile, SavingRemovesStaleTemporariesAndLeavesNoneBehind) {
    auto makeTemp = [&](const char* name, int ageSeconds) {
        std::string p = (dir_ / name).string();
        std::ofstream(p) << "left over";
        struct timespec t[2] = {{::time(nullptr) - ageSeconds, 0},
                                {::time(nullptr) - ageSeconds, 0}};
        ::utimensat(AT_FDCWD, p.c_str(), t, 0);
    };
    makeTemp(".orvtmp-a1B2c3", 120);   // a killed save's, stale
    makeTemp(".orvtmp-x9Y8z7", 0);     // perhaps a save going on now
    makeTemp(".orvtmp-a1B2c3x", 120);  // not our pattern
    makeTemp("orvtmp-a1B2c3", 120);
    {
        orv::AtomicFileWriter w(path_);
        ASSERT_TRUE(w.opened());
        ASSERT_EQ(w.write("[A]\r\n", 5), 5);
        ASSERT_TRUE(w.commit());
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".orvtmp-a1B2c3x", ".orvtmp-x9Y8z7", "Orvane.ini",
                                               "orvtmp-a1B2c3"}));
    EXPECT_EQ(get(), "[A]\r\n");
}

}  // namespace
