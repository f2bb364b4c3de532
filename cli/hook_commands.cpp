// orvane-cli hookreplay EVENTS: feeds the hook procedures from an event list and prints the
// record-buffer text and RUNABORT lines (no display needed).
// orvane-cli record FILE: records the desktop of $DISPLAY until SIGINT/SIGTERM and writes
// FILE ("START", the recorded lines, "END"; CP932, CR LF) through a temporary file.
// Exit codes: 0 done, 1 capture or write failure, 2 bad command line or input.
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "hook/orvhook.h"
#include "lang/text.h"
#include "platform/file_io.h"
#include "recorder/recorder.h"
#include "recorder/replay.h"

namespace orv::cli {

namespace {

// SIGINT and SIGTERM, blocked in this thread and in every thread started after it (the
// monitor's among them), taken with wait().
class StopSignals {
  public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    void wait() {
        int sig = 0;
        while (sigwait(&set_, &sig) != 0) {
        }
    }

  private:
    sigset_t set_;
};

// The library's message boxes, with their caption.
void printMessageBox(const recorder::Delivery& d) {
    if (d.kind != ORV_DELIVER_MSGBOX) return;
    std::fprintf(stderr, "%s: %s\n", cp932ToUtf8(d.caption).c_str(), cp932ToUtf8(d.text).c_str());
}

}  // namespace

int hookreplayCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: orvane-cli hookreplay EVENTS\n", stderr);
        return 2;
    }
    std::string events, message;
    if (!readWholeFile(argv[1], events, &message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 2;
    }
    std::string output, error;
    if (!recorder::replayEvents(events, output, error)) {
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
    StopSignals signals;  // before any thread starts
    recorder::HookLink link(printMessageBox);
    recorder::RecordingSession recording;
    if (!recording.start()) {
        std::fputs("orvane-cli: record: cannot capture the input of the display (DISPLAY)\n",
                   stderr);
        return 1;
    }
    std::fputs("orvane-cli: recording, Ctrl-C to stop\n", stderr);
    std::fflush(stderr);
    signals.wait();
    // The monitor hands over what happened before the removal, then says it stopped.
    const std::string file = "START\r\n" + recording.stop(std::chrono::seconds(5)) + "END\r\n";
    std::string message;
    if (!writeFileAtomic(path, file, &message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace orv::cli
