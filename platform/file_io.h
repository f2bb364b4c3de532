// Whole-file reads and atomic writes: the one place where the program and the
// command line read a file into memory or replace a file.
#pragma once

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

// Writes `bytes` to `path` atomically: a temporary file in the same folder, flushed, then
// renamed over the old file. False (and the old file untouched) on failure; `error` then
// says why.
bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Whether something exists at `path` (a dangling link counts as nothing).
bool fileExists(const std::string& path);

// Writes a file piece by piece and replaces it atomically at the end: the pieces go to a
// temporary file in the same folder, which commit() flushes and renames over `path`.
// Without a successful commit() the old file is never touched and the temporary file is
// removed.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the temporary file could not be created.
    bool opened() const { return fd_ >= 0; }
    // Writes all of `data`; returns `size`, or -1 on failure.
    long write(const char* data, std::size_t size);
    // Flushes the temporary file and renames it over the target. False on failure.
    bool commit();
    // The errno of the first failure (0 when none).
    int error() const { return error_; }

  private:
    void fail(int err);

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

}  // namespace orv
