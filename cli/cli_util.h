// Helpers shared by the orvane-cli commands: the macro file and its compile request, the
// compile log, UTF-8 output, and the command line's compile host.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "compiler/compile_driver.h"
#include "compiler/compile_host.h"

namespace orv::cli {

// The compile log, written in the current folder.
inline constexpr char kCompileLog[] = "comp.his";

// Reads a macro file's bytes up to the first zero byte. Returns false with a message (UTF-8)
// when the file cannot be read or is too big (readMacroText: "ファイルサイズが大きすぎます").
bool readMacroFile(const std::string& path, std::string& text, std::string& message);
// readMacroFile that prints its message ("orvane-cli: MESSAGE") on stderr.
bool loadMacro(const std::string& path, std::string& text);
// The compile of `text`, read from `path` (shown in the log as given, in CP932), in `mode`
// (lang/codes.h), logging to comp.his. `text` must outlive the request.
CompileRequest macroRequest(const std::string& path, std::string_view text, int mode);

// Writes CP932 text to a stream as UTF-8.
void printUtf8(std::FILE* f, std::string_view cp932);
// Writes a CP932 line as UTF-8 followed by a line end.
void printLine(std::FILE* f, std::string_view cp932);

// The compile host of the command line: message boxes go to stderr in UTF-8.
class CliCompileHost : public CompileHost {
  public:
    void messageBox(const std::string& text, const std::string& caption, MsgIcon icon) override;
    void compiled(int storedMode) override { storedMode_ = storedMode; }
    void compileLogged(const std::string& log) override { log_ = log; }
    int storedMode() const { return storedMode_; }
    // The log of the compile (CP932 bytes); empty when none was done.
    const std::string& log() const { return log_; }

  private:
    std::string log_;
    int storedMode_ = 0;
};

}  // namespace orv::cli
