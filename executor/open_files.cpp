#include "executor/open_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "lang/text.h"

namespace orv {

namespace {
constexpr std::size_t kBufSize = 1 << 16;
}

OpenFiles::~OpenFiles() {
    closeAll();
}

void OpenFiles::closeAll() {
    for (int i = 0; i < kSlots; ++i) close(i);
}

int OpenFiles::firstEmpty() const {
    for (int i = 0; i < kSlots; ++i)
        if (slots_[static_cast<std::size_t>(i)].state == State::Empty) return i;
    return -1;
}

OpenFiles::State OpenFiles::state(int slot) const {
    if (slot < 0 || slot >= kSlots) return State::Empty;
    return slots_[static_cast<std::size_t>(slot)].state;
}

int OpenFiles::openCount() const {
    int n = 0;
    for (const Slot& s : slots_)
        if (s.state != State::Empty) ++n;
    return n;
}

bool OpenFiles::open(int slot, std::string_view cp932Path) {
    if (slot < 0 || slot >= kSlots) return false;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    close(slot);
    s.state = State::Failed;
    std::string path = cp932ToUtf8(cp932Path);
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    // Only regular files: a FIFO or a device could block the run forever.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    s.fd = fd;
    s.state = State::Open;
    s.buf.assign(kBufSize, 0);
    s.beg = s.end = 0;
    s.eof = false;
    return true;
}

void OpenFiles::close(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    s.state = State::Empty;
    s.buf.clear();
    s.buf.shrink_to_fit();
    s.beg = s.end = 0;
    s.eof = false;
}

void OpenFiles::fill(Slot& s) {
    // Keep at least kChunk + 1 bytes ahead unless the file ends first. The end is looked for
    // again on every fill: lines appended after it was reached are read like any others.
    s.eof = false;
    while (!s.eof && s.end - s.beg < kChunk + 1) {
        if (s.beg > 0) {
            std::memmove(s.buf.data(), s.buf.data() + s.beg, s.end - s.beg);
            s.end -= s.beg;
            s.beg = 0;
        }
        ssize_t n = ::read(s.fd, s.buf.data() + s.end, s.buf.size() - s.end);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            s.eof = true;  // a read error counts as the end of the file
            break;
        }
        s.end += static_cast<std::size_t>(n);
    }
}

std::string_view OpenFiles::peek(int slot, int* more) {
    if (more) *more = -1;
    if (slot < 0 || slot >= kSlots) return {};
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.state != State::Open || s.fd < 0) return {};
    fill(s);
    std::size_t avail = s.end - s.beg;
    std::size_t n = avail < kChunk ? avail : kChunk;
    if (more && avail > n) *more = static_cast<unsigned char>(s.buf[s.beg + n]);
    return std::string_view(s.buf.data() + s.beg, n);
}

void OpenFiles::consume(int slot, std::size_t n) {
    if (slot < 0 || slot >= kSlots) return;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    std::size_t avail = s.end - s.beg;
    s.beg += n < avail ? n : avail;
}

}  // namespace orv
