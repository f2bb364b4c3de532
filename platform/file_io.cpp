#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace orv {

namespace {
void say(std::string* error, const std::string& path, int err) {
    if (error) *error = path + ": " + std::strerror(err);
}
}  // namespace

bool readWholeFile(const std::string& path, std::string& out, std::string* error,
                   std::size_t maxBytes) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        say(error, path, errno);
        return false;
    }
    char buf[16384];
    while (out.size() < maxBytes) {
        std::size_t want = sizeof buf;
        if (maxBytes - out.size() < want) want = maxBytes - out.size();
        ssize_t n = ::read(fd, buf, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            if (error) *error = path + ": read error";
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

MacroRead readMacroText(const std::string& path, std::string& text, std::string* error) {
    // One byte more than a saved file tells a file that is too large.
    if (!readWholeFile(path, text, error, kMaxMacroText + 2)) return MacroRead::Unreadable;
    const bool fileTooBig = text.size() > kMaxMacroText + 1;
    std::size_t z = text.find('\0');
    if (z != std::string::npos) text.resize(z);
    if (!fileTooBig && text.size() <= kMaxMacroText) return MacroRead::Ok;
    text.clear();
    return MacroRead::TooBig;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool fileMissing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
}

namespace {

constexpr std::string_view kTempPrefix = ".orvtmp-";
constexpr std::size_t kTempRandom = 6;
constexpr time_t kStaleSeconds = 60;
constexpr int kMaxLinks = 40;
constexpr int kMaxNameTries = 100;

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// ".orvtmp-" and exactly six letters or digits: the name of our named temporaries.
bool isTempName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempRandom ||
        name.substr(0, kTempPrefix.size()) != kTempPrefix)
        return false;
    for (char c : name.substr(kTempPrefix.size()))
        if (!isAsciiAlnum(c)) return false;
    return true;
}

std::string tempName(const std::string& dir) {
    static constexpr char kChars[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = (static_cast<std::uint64_t>(::getpid()) << 32) ^
                      static_cast<std::uint64_t>(::time(nullptr)) ^
                      (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    x ^= static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string name = dir + "/" + std::string(kTempPrefix);
    for (std::size_t i = 0; i < kTempRandom; ++i) {
        x = (x ^ (x >> 31)) * 0xBF58476D1CE4E5B9ULL;  // splitmix-style scrambling
        name += kChars[x % (sizeof kChars - 1)];
    }
    return name;
}

// Removes our named temporaries in `dir` that a killed save left behind: regular files of
// this user with the exact name pattern, untouched for a minute.
void removeStaleTemps(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    const time_t now = ::time(nullptr);
    const int dfd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        if (!isTempName(e->d_name)) continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (now - st.st_mtime >= kStaleSeconds) ::unlinkat(dfd, e->d_name, 0);
    }
    ::closedir(d);
}

// The file a chain of links at `path` ends at (`path` itself when it is no link; the link's
// target when that does not exist yet). False with errno set when the chain cannot be read.
bool followLinks(const std::string& path, std::string& out) {
    std::string p = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = p;
            return true;
        }
        std::string to(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        ssize_t n = ::readlink(p.c_str(), to.data(), to.size());
        if (n < 0) return false;
        to.resize(static_cast<std::size_t>(n));
        if (to.empty()) {
            errno = ENOENT;
            return false;
        }
        p = to[0] == '/' ? to : folderOf(p) + "/" + to;
    }
    errno = ELOOP;
    return false;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path, mode_t newMode)
    : path_(path), target_(path), newMode_(newMode) {
    if (!prepareTarget()) return;
    const std::string dir = folderOf(target_);
    removeStaleTemps(dir);
    if (!openUnnamed(dir) && !openNamed(dir)) return;
    // The temporary file was created no wider than the old file; now exactly like it.
    if (mode_ >= 0 && ::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) {
        fail(errno);
        ::close(fd_);
        fd_ = -1;
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

// Follows the links, notes the old file's permission bits, and refuses a file the user may
// not write.
bool AtomicFileWriter::prepareTarget() {
    if (!followLinks(path_, target_)) {
        fail(errno);
        return false;
    }
    struct stat st {};
    if (::stat(target_.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        fail(errno);
        return false;
    }
    mode_ = static_cast<int>(st.st_mode & 07777);
    if (::access(target_.c_str(), W_OK) != 0) {
        fail(errno);
        return false;
    }
    return true;
}

// An unnamed temporary file (O_TMPFILE), named only at commit through /proc/self/fd.
bool AtomicFileWriter::openUnnamed(const std::string& dir) {
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) != 0) return false;
    fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode());
    unnamed_ = fd_ >= 0;
    return unnamed_;
#else
    (void)dir;
    return false;
#endif
}

bool AtomicFileWriter::openNamed(const std::string& dir) {
    for (int i = 0; i < kMaxNameTries; ++i) {
        std::string name = tempName(dir);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode());
        if (fd_ >= 0) {
            temp_ = std::move(name);
            return true;
        }
        if (errno != EEXIST) break;
    }
    fail(errno);
    return false;
}

// Gives the unnamed temporary file a temporary name beside the target.
bool AtomicFileWriter::linkUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int i = 0; i < kMaxNameTries; ++i) {
        std::string name = tempName(folderOf(target_));
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = std::move(name);
            return true;
        }
        if (errno != EEXIST) break;
    }
    fail(errno);
    return false;
}

void AtomicFileWriter::fail(int err) {
    if (error_ == 0) error_ = err;
}

std::string AtomicFileWriter::errorText() const {
    return path_ + ": " + std::strerror(error_ ? error_ : EIO);
}

long AtomicFileWriter::write(const char* data, std::size_t size) {
    if (fd_ < 0) return -1;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? errno : ENOSPC);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(size);
}

bool AtomicFileWriter::commit() {
    if (fd_ < 0 || error_ != 0) return false;
    int fd = fd_;
    bool ok = true;
    if (::fsync(fd) != 0) {
        fail(errno);
        ok = false;
    }
    if (ok && unnamed_) ok = linkUnnamed();
    fd_ = -1;
    if (::close(fd) != 0 && ok) {
        fail(errno);
        ok = false;
    }
    if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail(errno);
        ok = false;
    }
    committed_ = ok;
    return ok;
}

bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     mode_t newMode) {
    AtomicFileWriter w(path, newMode);
    if (w.write(bytes.data(), bytes.size()) >= 0 && w.commit()) return true;
    if (error) *error = w.errorText();
    return false;
}

}  // namespace orv
