// Helpers shared by the orvane-cli commands.
#pragma once

#include <string>
#include <string_view>

#include "compiler/compile_host.h"

namespace orv::cli {

inline constexpr std::size_t kMaxMacroFile = 65535;

// Reads a macro file's bytes up to the first zero byte. Returns false with a message (UTF-8)
// when the file cannot be read or is 65,536 bytes or more ("ファイルサイズが大きすぎます").
bool readMacroFile(const std::string& path, std::string& text, std::string& message);

// Writes CP932 text to a stream as UTF-8.
void printUtf8(std::FILE* f, std::string_view cp932);

// The compile host of the command line: message boxes go to stderr in UTF-8.
class CliCompileHost : public CompileHost {
  public:
    void messageBox(const std::string& text, const std::string& caption, MsgIcon icon) override;
    void compiled(int storedMode) override { storedMode_ = storedMode; }
    void startRun(int mode) override { runMode_ = mode; }
    int storedMode() const { return storedMode_; }
    int runMode() const { return runMode_; }

  private:
    int storedMode_ = 0;
    int runMode_ = 0;
};

}  // namespace orv::cli
