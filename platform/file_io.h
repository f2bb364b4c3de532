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

}  // namespace orv
