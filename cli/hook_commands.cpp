// orvane-cli hookreplay EVENTS: feeds the hook procedures from an event list and prints the
// record-buffer text and RUNABORT lines (no display needed).
// orvane-cli record FILE: records the desktop of $DISPLAY until SIGINT/SIGTERM and writes
// FILE ("START", the recorded lines, "END"; CP932, CR LF) through a temporary file.
// Exit codes: 0 done, 1 capture or write failure, 2 bad command line or input.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "hook/orvhook.h"
#include "hook/replay.h"
#include "lang/text.h"

namespace orv::cli {

namespace {

bool readWholeFile(const char* path, std::string& out, std::string& message) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        message = std::string(path) + ": " + std::strerror(errno);
        return false;
    }
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const bool err = std::ferror(f) != 0;
    std::fclose(f);
    if (err) message = std::string(path) + ": read error";
    return !err;
}

// Writes `bytes` to a temporary file beside `path` and renames it over `path`.
bool writeAtomically(const std::string& path, const std::string& bytes, std::string& message) {
    std::string tmpl = path + ".tmpXXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        message = path + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok) ::chmod(tmpl.c_str(), 0644);
    if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        message = path + ": " + std::strerror(errno);
        ::unlink(tmpl.c_str());
    }
    return ok;
}

// Identifiers the command hands to the library.
constexpr std::int32_t kMainWindow = 1;
constexpr std::int32_t kRecordBuffer = 2;

struct Recording {
    std::mutex lock;
    std::condition_variable cv;
    std::string text;  // CP932, the record buffer
    bool stopped = false;
};

void onDelivery(void* ctx, const OrvHookDelivery* d) {
    auto& rec = *static_cast<Recording*>(ctx);
    switch (d->kind) {
        case ORV_DELIVER_TEXT:
            if (d->window == kRecordBuffer && d->text) {
                std::lock_guard<std::mutex> lock(rec.lock);
                rec.text += d->text;
            }
            break;
        case ORV_DELIVER_MSGBOX:
            std::fprintf(stderr, "%s: %s\n", cp932ToUtf8(d->caption ? d->caption : "").c_str(),
                         cp932ToUtf8(d->text ? d->text : "").c_str());
            break;
        case ORV_DELIVER_STOPPED: {
            std::lock_guard<std::mutex> lock(rec.lock);
            rec.stopped = true;
            rec.cv.notify_all();
            break;
        }
        default:
            break;
    }
}

}  // namespace

int hookreplayCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: orvane-cli hookreplay EVENTS\n", stderr);
        return 2;
    }
    std::string events, message;
    if (!readWholeFile(argv[1], events, message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 2;
    }
    std::string output, error;
    if (!hook::replayEvents(events, output, error)) {
        std::fprintf(stderr, "orvane-cli: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int recordCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: orvane-cli record FILE\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    // The monitor thread must not take the signals: block them before it starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Static: a late delivery can never reach a destroyed object.
    static Recording rec;
    SetMainHwnd(kMainWindow, kRecordBuffer);
    OrvHookSetDelivery(onDelivery, &rec);
    Recflgset(1);
    const bool mouse = ChkMHook() == 0 && MsetHook() == 0;
    const bool keyboard = ChkKHook() == 0 && KsetHook() == 0;
    if (!mouse && !keyboard) {
        OrvHookSetDelivery(nullptr, nullptr);
        std::fputs("orvane-cli: record: cannot capture the input of the display (DISPLAY)\n",
                   stderr);
        return 1;
    }
    std::fputs("orvane-cli: recording, Ctrl-C to stop\n", stderr);
    std::fflush(stderr);

    int sig = 0;
    while (sigwait(&stopSignals, &sig) != 0) {
    }

    Recflgset(0);
    if (ChkMHook() != 0) MendHook();
    if (ChkKHook() != 0) KendHook();
    std::string body;
    {
        // The monitor hands over what happened before the removal, then says it stopped.
        std::unique_lock<std::mutex> lock(rec.lock);
        rec.cv.wait_for(lock, std::chrono::seconds(5), [&] { return rec.stopped; });
        body = rec.text;
    }
    OrvHookSetDelivery(nullptr, nullptr);
    OrvHookWaitStopped(2000);

    const std::string file = "START\r\n" + body + "END\r\n";
    std::string message;
    if (!writeAtomically(path, file, message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace orv::cli
