// The settings file: profile-format reads and writes.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "lang/text.h"

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

}  // namespace
