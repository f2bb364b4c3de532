// Feeds arbitrary bytes to the settings file as its content, writes one key and reads the file
// again: the written key reads as written, and every other key that could be read before
// reads the same after (no key lost or changed). The first input byte picks the key written:
// one of the file's own (section, key) pairs when they are plain names, else a fixed one.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/profile.h"

namespace {

struct Name {
    std::string section, key;
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Every (section, key) pair the text seems to hold; lookups decide which really count.
std::vector<Name> namesIn(std::string_view text) {
    std::vector<Name> out;
    std::string section;
    bool haveSection = false;
    while (!text.empty()) {
        std::size_t e = text.find('\n');
        std::string_view line = trim(text.substr(0, e));
        text.remove_prefix(e == std::string_view::npos ? text.size() : e + 1);
        std::size_t close = line.find(']');
        if (line.size() >= 2 && line.front() == '[' && close != std::string_view::npos) {
            section = std::string(trim(line.substr(1, close - 1)));
            haveSection = true;
            continue;
        }
        std::size_t eq = line.find('=');
        if (haveSection && eq != std::string_view::npos && !line.empty() && line.front() != ';')
            out.push_back({section, std::string(trim(line.substr(0, eq)))});
    }
    return out;
}

bool plain(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// A file of this process in TMPDIR, else in memory (/dev/shm, where the saves' flushes cost
// nothing) when there is one.
std::string scratchFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    dir += "/orv_ini_fuzz_" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0700);
    return dir + "/Orvane.ini";
}

constexpr std::size_t kWhole = 1 << 20;
constexpr const char* kMissing = "\x01missing";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const std::string path = scratchFile();
    static const int cleanup = std::atexit([] {
        ::unlink(path.c_str());
        ::rmdir(path.substr(0, path.rfind('/')).c_str());
    });
    (void)cleanup;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!orv::writeFileAtomic(path, text)) __builtin_trap();
    orv::ProfileFile ini(path);
    const std::vector<Name> names = namesIn(text);
    std::vector<std::string> before;
    for (const Name& n : names) before.push_back(ini.readText(n.section, n.key, kMissing, kWhole));

    Name w{"SYSTEM", "NEWKEY"};
    if (!names.empty()) {
        const Name& pick = names[data[0] % names.size()];
        if (plain(pick.section) && plain(pick.key) && (data[0] & 0x80)) w = pick;
    }
    const std::string value = "v" + std::to_string(data[0]);
    if (!ini.writeText(w.section, w.key, value)) __builtin_trap();
    if (ini.readText(w.section, w.key, kMissing, kWhole) != value) __builtin_trap();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Name& n = names[i];
        if (sameName(n.section, w.section) && sameName(n.key, w.key)) continue;
        if (ini.readText(n.section, n.key, kMissing, kWhole) != before[i]) __builtin_trap();
    }
    return 0;
}
