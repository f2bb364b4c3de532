// The virtual desktop: an in-memory screen with a cursor and a stack of
// top-level windows. Every effect is applied to that model and recorded as
// one trace line (CP932): "move X Y", "button L|R|C down|up", "key VK down|up",
// "open PATH", "focus CAPTION", "close CAPTION", "movewin CAPTION LEFT TOP",
// "sizewin CAPTION WIDTH HEIGHT", "sleep MS".
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace orv {

class VirtualDesktop : public Desktop {
  public:
    using TraceSink = std::function<void(std::string_view cp932Line)>;

    VirtualDesktop() = default;

    // Set-up (before a run).
    void setCursorQuiet(int x, int y);
    // Adds a window below the existing ones (callers list them topmost first).
    std::uint64_t addWindow(std::string title, int left, int top, int width, int height,
                            std::string className = "OrvVirtual", int pid = 0);
    // Every trace line is also passed to the sink, as it happens.
    void setTraceSink(TraceSink sink);
    // Whether trace() keeps the lines (default yes); a long run with a sink need not.
    void setKeepTrace(bool keep);

    // Observation.
    std::vector<std::string> trace() const;
    void clearTrace();

    // Desktop.
    Point cursor() override;
    void setCursor(int x, int y) override;
    void mouseButton(MouseButton button, bool down) override;
    void key(int vk, bool down) override;
    std::vector<WindowInfo> windows() override;
    void activate(std::uint64_t id) override;
    void requestClose(std::uint64_t id) override;
    void moveWindow(std::uint64_t id, int left, int top) override;
    void resizeWindow(std::uint64_t id, int width, int height) override;
    void open(const std::string& path) override;
    void waitNotice(int ms) override;

  private:
    void record(std::string line);
    // Sets two fields of a window's rectangle, traces "VERB CAPTION A B" and raises it.
    void changeRect(std::uint64_t id, const char* verb, int WindowInfo::*first, int a,
                    int WindowInfo::*second, int b);
    int find(std::uint64_t id) const;
    void raise(int index);

    mutable std::mutex mu_;
    Point cursor_;
    std::vector<WindowInfo> windows_;  // topmost first
    std::uint64_t nextId_ = 1;
    std::vector<std::string> trace_;
    TraceSink sink_;
    bool keep_ = true;
};

}  // namespace orv
