#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "lang/text.h"
#include "platform/file_io.h"

namespace orv {

namespace {

// Compares two CP932 texts, folding ASCII letters only (never the trail byte of a
// double-byte character).
bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (isCp932LeadByte(x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t s = 0;
    while (s < text.size()) {
        std::size_t e = text.find('\n', s);
        if (e == std::string_view::npos) e = text.size();
        std::string_view l = text.substr(s, e - s);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        out.push_back(l);
        s = e + 1;
    }
    return out;
}

// "[name]" -> name; empty optional otherwise.
bool sectionName(std::string_view line, std::string_view& name) {
    std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// The text with `key` set in `section` (the first section of that name; the key replaced
// where it stands, a new key after the section's last line, a new section at the end).
std::string withEntry(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::vector<std::string_view> lines = splitLines(text);
    std::string entry = std::string(key) + "=" + std::string(value);
    // Find the first matching section and, in it, the key.
    int secLine = -1, keyLine = -1, secEnd = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        std::string_view name;
        if (sectionName(lines[static_cast<std::size_t>(i)], name)) {
            if (secLine >= 0) {
                secEnd = i;
                break;
            }
            if (equalNoCase(name, section)) secLine = i;
            continue;
        }
        std::string_view k, v;
        if (secLine >= 0 && keyLine < 0 && keyValue(lines[static_cast<std::size_t>(i)], k, v) &&
            equalNoCase(k, key))
            keyLine = i;
    }
    if (secLine >= 0 && secEnd < 0) secEnd = static_cast<int>(lines.size());
    std::string out;
    auto add = [&](std::string_view l) {
        out += l;
        out += "\r\n";
    };
    if (secLine < 0) {
        for (auto l : lines) add(l);
        add("[" + std::string(section) + "]");
        add(entry);
    } else {
        // Insert after the last non-blank line of the section when the key is new.
        int insertAfter = secLine;
        for (int i = secLine + 1; i < secEnd; ++i)
            if (!trim(lines[static_cast<std::size_t>(i)]).empty()) insertAfter = i;
        for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
            if (i == keyLine) {
                add(entry);
                continue;
            }
            add(lines[static_cast<std::size_t>(i)]);
            if (keyLine < 0 && i == insertAfter) add(entry);
        }
    }
    return out;
}

}  // namespace

bool ProfileFile::lookup(std::string_view section, std::string_view key, std::string& value) const {
    std::string text;
    if (!readWholeFile(path_, text)) return false;
    bool inSection = false, seenSection = false;
    for (std::string_view line : splitLines(text)) {
        std::string_view name;
        if (sectionName(line, name)) {
            if (inSection) return false;  // only the first matching section counts
            inSection = equalNoCase(name, section) && !seenSection;
            if (inSection) seenSection = true;
            continue;
        }
        if (!inSection) continue;
        std::string_view k, v;
        if (keyValue(line, k, v) && equalNoCase(k, key)) {
            if (v.size() >= 2 &&
                ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
                v = v.substr(1, v.size() - 2);
            value = std::string(v);
            return true;
        }
    }
    return false;
}

bool ProfileFile::has(std::string_view section, std::string_view key) const {
    std::string v;
    return lookup(section, key, v);
}

int ProfileFile::readInt(std::string_view section, std::string_view key, int def) const {
    std::string v;
    if (!lookup(section, key, v)) return def;
    return toInt(v);
}

std::string ProfileFile::readText(std::string_view section, std::string_view key,
                                  std::string_view def, std::size_t bufSize) const {
    std::string v;
    if (!lookup(section, key, v)) v = std::string(def);
    std::size_t max = bufSize == 0 ? 0 : bufSize - 1;
    if (v.size() > max) v.resize(max);
    return v;
}

bool ProfileFile::writeInt(std::string_view section, std::string_view key, int value) {
    return writeText(section, key, std::to_string(value));
}

bool ProfileFile::writeText(std::string_view section, std::string_view key,
                            std::string_view value) {
    return writeTexts(section, {{std::string(key), std::string(value)}});
}

bool ProfileFile::writeTexts(std::string_view section, const Entries& entries) {
    std::string text, why;
    if (!readWholeFile(path_, text, &why) && !fileMissing(path_)) return failed(why);
    for (const auto& [key, value] : entries) text = withEntry(text, section, key, value);
    if (!writeFileAtomic(path_, text, &why)) return failed(why);
    error_.clear();
    reported_ = false;
    return true;
}

bool ProfileFile::failed(std::string why) {
    error_ = std::move(why);
    return false;
}

std::string ProfileFile::takeFailureToReport() {
    if (error_.empty() || reported_) return {};
    reported_ = true;
    return error_;
}

}  // namespace orv
