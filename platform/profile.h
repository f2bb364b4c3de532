// Settings files in the profile ("INI") format: [section] headers and key=value lines,
// CP932 text. Sections and keys match without regard to case; every read and write goes to
// the file (nothing is cached); writes replace the file atomically (temporary file in the
// same folder, then rename), and the file is created by the first write. A missing or
// unreadable file reads as all keys missing; a write never replaces a file it could not read
// (its settings would be lost), it fails and keeps the file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

class ProfileFile {
  public:
    static constexpr int kMissingInt = 9999;

    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The stored integer (leading sign and digits of the value; 0 when there are none), or
    // `def` when the key is missing.
    int readInt(std::string_view section, std::string_view key, int def = kMissingInt) const;
    // The stored text (surrounding blanks and one pair of enclosing quotes removed), cut to
    // bufSize - 1 bytes, or `def` when the key is missing.
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view def = "ERROR", std::size_t bufSize = 1024) const;
    // Whether the key exists.
    bool has(std::string_view section, std::string_view key) const;

    // Writes a value; false when the file could not be read or written (the old file is
    // kept).
    bool writeInt(std::string_view section, std::string_view key, int value);
    bool writeText(std::string_view section, std::string_view key, std::string_view value);
    // Several keys of one section with one replacement of the file (the same file as writing
    // them one by one).
    using Entries = std::vector<std::pair<std::string, std::string>>;
    bool writeTexts(std::string_view section, const Entries& entries);

    // Why the last write failed ("path: reason"), empty after a successful one.
    const std::string& lastError() const { return error_; }
    // For reporting failures once: the reason a write failed, handed out once for each run
    // of failed writes (a successful write ends the run); empty otherwise.
    std::string takeFailureToReport();

  private:
    bool lookup(std::string_view section, std::string_view key, std::string& value) const;
    bool failed(std::string why);
    std::string path_;
    std::string error_;
    bool reported_ = false;
};

}  // namespace orv
