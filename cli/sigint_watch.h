// SIGINT while orvane-cli runs a macro: the signal handler only writes a byte to a pipe, and
// the watch's own thread reads it and calls `onInterrupt` there, outside the handler (as the
// stop button would, once per signal). The destructor puts the previous handler back, ends
// the thread and closes the pipe. When no pipe can be made, SIGINT keeps its previous
// handling. One watch at a time.
#pragma once

#include <signal.h>

#include <functional>
#include <thread>

namespace orv::cli {

class SigintWatch {
  public:
    explicit SigintWatch(std::function<void()> onInterrupt);
    ~SigintWatch();
    SigintWatch(const SigintWatch&) = delete;
    SigintWatch& operator=(const SigintWatch&) = delete;

  private:
    void watch();

    std::function<void()> onInterrupt_;
    int pipe_[2] = {-1, -1};
    struct sigaction previous_ {};
    std::thread thread_;
};

}  // namespace orv::cli
