#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path) {
    std::string dir = ".";
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) dir = slash == 0 ? "/" : path.substr(0, slash);
    std::string tmpl = dir + "/.orvtmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    temp_ = name.data();
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::fail(int err) {
    if (error_ == 0) error_ = err;
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
    ::fchmod(fd_, 0644);
    int fd = fd_;
    fd_ = -1;
    if (::fsync(fd) != 0) {
        fail(errno);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        fail(errno);
        return false;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail(errno);
        return false;
    }
    committed_ = true;
    return true;
}

bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
    AtomicFileWriter w(path);
    if (w.write(bytes.data(), bytes.size()) >= 0 && w.commit()) return true;
    say(error, path, w.error() ? w.error() : EIO);
    return false;
}

}  // namespace orv
