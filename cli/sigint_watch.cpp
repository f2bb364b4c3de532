#include "cli/sigint_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace orv::cli {

namespace {

constexpr char kInterrupt = 'i';
constexpr char kQuit = 'q';

// The pipe end the handler writes to (-1: no watch).
std::atomic<int> g_writeEnd{-1};

void sendByte(int fd, char c) {
    ssize_t r = ::write(fd, &c, 1);
    (void)r;
}

extern "C" void onSigint(int) {
    const int fd = g_writeEnd.load();
    if (fd >= 0) sendByte(fd, kInterrupt);
}

}  // namespace

SigintWatch::SigintWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
    if (::pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    g_writeEnd = pipe_[1];
    struct sigaction act {};
    act.sa_handler = onSigint;
    sigemptyset(&act.sa_mask);
    sigaction(SIGINT, &act, &previous_);
    thread_ = std::thread([this] { watch(); });
}

SigintWatch::~SigintWatch() {
    if (pipe_[0] < 0) return;
    sigaction(SIGINT, &previous_, nullptr);
    sendByte(pipe_[1], kQuit);
    thread_.join();
    g_writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void SigintWatch::watch() {
    for (;;) {
        char c = 0;
        const ssize_t r = ::read(pipe_[0], &c, 1);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || c == kQuit) return;
        onInterrupt_();
    }
}

}  // namespace orv::cli
