// Whole-file reads and atomic writes: the one place where the program and the
// command line read a file into memory or replace a file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace orv {

// Reads the file at `path` into `out` (replacing its content), at most `maxBytes` bytes.
// False when the file cannot be opened or read; `error` then says why: "path: reason" when it
// cannot be opened, "path: read error" when reading fails (a folder, say).
bool readWholeFile(const std::string& path, std::string& out, std::string* error = nullptr,
                   std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// The largest macro text, in bytes. A macro file holds the text and one zero byte after it.
inline constexpr std::size_t kMaxMacroText = 65535;
enum class MacroRead { Ok, Unreadable, TooBig };
// Reads a macro file's text: its bytes up to the first zero byte. TooBig when the file has
// more than kMaxMacroText + 1 bytes or its text more than kMaxMacroText (so every file the
// program saves reads back); Unreadable, with `error` saying why, when it cannot be read.
MacroRead readMacroText(const std::string& path, std::string& text, std::string* error = nullptr);

// Writes `bytes` to `path` atomically (AtomicFileWriter). False (and the old file untouched)
// on failure; `error` then says why ("path: reason"). A new file gets `newMode` less the umask.
bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                     mode_t newMode = 0666);

// Whether something exists at `path` (a dangling link counts as nothing).
bool fileExists(const std::string& path);
// Whether nothing at all is at `path` (unlike !fileExists, false when it cannot be told, as
// for a file in a folder that cannot be searched).
bool fileMissing(const std::string& path);

// Writes a file piece by piece and replaces it atomically at the end. The pieces go to a
// temporary file in the target's folder: an unnamed one where the file system has them (so
// that a killed save leaves nothing behind), else one named ".orvtmp-XXXXXX"; commit()
// flushes it and renames it over the target. Named temporaries of ours left in that folder by
// a killed save, older than a minute, are removed when the writer starts.
// The target is the final file a chain of links points to (the links stay links). An
// existing target keeps its permission bits, and one the user may not write is refused
// (EACCES); a new file gets `newMode` (0666 unless told) less the umask. Without a successful
// commit() the old file is never touched and the temporary file is removed.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(const std::string& path, mode_t newMode = 0666);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the target was refused or the temporary file could not be created.
    bool opened() const { return fd_ >= 0; }
    // Writes all of `data`; returns `size`, or -1 on failure.
    long write(const char* data, std::size_t size);
    // Flushes the temporary file and renames it over the target. False on failure.
    bool commit();
    // The errno of the first failure (0 when none), and the same as "path: reason".
    int error() const { return error_; }
    std::string errorText() const;

  private:
    void fail(int err);
    bool prepareTarget();
    bool openUnnamed(const std::string& dir);
    bool openNamed(const std::string& dir);
    bool linkUnnamed();
    // The temporary is created no wider than the old file (the umask applies to a new one).
    mode_t createMode() const {
        return mode_ >= 0 ? static_cast<mode_t>(mode_) & 0777 : newMode_ & 0777;
    }

    std::string path_;
    std::string target_;  // the file that is replaced (path_ with its links followed)
    std::string temp_;    // the named temporary file (empty while it is unnamed)
    int fd_ = -1;
    int mode_ = -1;  // the permission bits to keep, -1 for a new file
    mode_t newMode_ = 0666;
    bool unnamed_ = false;
    int error_ = 0;
    bool committed_ = false;
};

}  // namespace orv
