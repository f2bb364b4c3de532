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

bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
    std::string dir = ".";
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) dir = slash == 0 ? "/" : path.substr(0, slash);
    std::string tmpl = dir + "/.orvtmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        say(error, path, errno);
        return false;
    }
    auto fail = [&](int err) {
        ::unlink(name.data());
        say(error, path, err);
        return false;
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return fail(err);
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (::close(fd) != 0) return fail(errno);
    if (::rename(name.data(), path.c_str()) != 0) return fail(errno);
    return true;
}

}  // namespace orv
