// The compile result log (comp.his) and the error reporter used by every
// part of the compiler.
#pragma once

#include <string>
#include <string_view>

#include "lang/codes.h"

namespace orv {

class CompileHost;

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};

class CompileLog {
  public:
    static constexpr int kMaxError = kMaxCompileError;
    static constexpr std::size_t kMaxLine = 499;

    explicit CompileLog(CompileHost* host) : host_(host) {}
    ~CompileLog();
    CompileLog(const CompileLog&) = delete;
    CompileLog& operator=(const CompileLog&) = delete;

    // Creates or truncates `path` (an empty path keeps the log in memory only) and writes the start
    // line for `fileName` (CP932). Failures are shown through the host; the compile goes on.
    void open(const std::string& path, std::string_view fileName, TimeOfDay now);
    // Writes one line's bytes at once (after the start line); failures go to the host.
    void write(std::string_view bytes);
    // Formats and writes one error line (1-based line in the text) and counts it;
    // CompileError::EndLine writes the end line and does not count it.
    void report(int line0, CompileError error, std::string_view text = {});
    void close();

    int errorCount() const { return errors_; }
    const std::string& fileName() const { return fileName_; }
    // Every byte written so far (also when the file could not be opened).
    const std::string& text() const { return written_; }

    // The formatted line for an error number, exactly as written: at most 499 bytes, a longer
    // text cut before its CR LF, which stays; a number without a message gives a bare error
    // line.
    static std::string format(int line0, int errorNo, std::string_view text,
                              std::string_view fileName, int errorCount);

  private:
    void fail(const char* utf8Message);

    CompileHost* host_;
    int fd_ = -1;
    bool memoryOnly_ = false;
    int errors_ = 0;
    std::string fileName_;
    std::string written_;
};

}  // namespace orv
