#include "platform/virtual/virtual_desktop.h"

#include <utility>

namespace orv {

void VirtualDesktop::setCursorQuiet(int x, int y) {
    std::lock_guard<std::mutex> lock(mu_);
    cursor_ = {x, y};
}

std::uint64_t VirtualDesktop::addWindow(std::string title, int left, int top, int width, int height,
                                        std::string className, int pid) {
    std::lock_guard<std::mutex> lock(mu_);
    WindowInfo w;
    w.id = nextId_++;
    w.title = std::move(title);
    w.className = std::move(className);
    w.pid = pid != 0 ? pid : 1000 + static_cast<int>(w.id);
    w.tid = w.pid;
    w.left = left;
    w.top = top;
    w.width = width;
    w.height = height;
    windows_.push_back(std::move(w));
    return windows_.back().id;
}

void VirtualDesktop::setTraceSink(TraceSink sink) {
    std::lock_guard<std::mutex> lock(mu_);
    sink_ = std::move(sink);
}

std::vector<std::string> VirtualDesktop::trace() const {
    std::lock_guard<std::mutex> lock(mu_);
    return trace_;
}

void VirtualDesktop::clearTrace() {
    std::lock_guard<std::mutex> lock(mu_);
    trace_.clear();
}

void VirtualDesktop::setKeepTrace(bool keep) {
    std::lock_guard<std::mutex> lock(mu_);
    keep_ = keep;
}

void VirtualDesktop::record(std::string line) {
    if (sink_) sink_(line);
    if (keep_) trace_.push_back(std::move(line));
}

int VirtualDesktop::find(std::uint64_t id) const {
    for (std::size_t i = 0; i < windows_.size(); ++i)
        if (windows_[i].id == id) return static_cast<int>(i);
    return -1;
}

void VirtualDesktop::raise(int index) {
    if (index <= 0) return;
    WindowInfo w = std::move(windows_[static_cast<std::size_t>(index)]);
    windows_.erase(windows_.begin() + index);
    windows_.insert(windows_.begin(), std::move(w));
}

Point VirtualDesktop::cursor() {
    std::lock_guard<std::mutex> lock(mu_);
    return cursor_;
}

void VirtualDesktop::setCursor(int x, int y) {
    std::lock_guard<std::mutex> lock(mu_);
    cursor_ = {x, y};
    record("move " + std::to_string(x) + " " + std::to_string(y));
}

void VirtualDesktop::mouseButton(MouseButton button, bool down) {
    std::lock_guard<std::mutex> lock(mu_);
    const char* b = button == MouseButton::Left ? "L" : button == MouseButton::Right ? "R" : "C";
    record(std::string("button ") + b + (down ? " down" : " up"));
}

void VirtualDesktop::key(int vk, bool down) {
    std::lock_guard<std::mutex> lock(mu_);
    record("key " + std::to_string(vk) + (down ? " down" : " up"));
}

std::vector<WindowInfo> VirtualDesktop::windows() {
    std::lock_guard<std::mutex> lock(mu_);
    return windows_;
}

void VirtualDesktop::activate(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mu_);
    int i = find(id);
    if (i < 0) return;
    record("focus " + windows_[static_cast<std::size_t>(i)].title);
    raise(i);
}

void VirtualDesktop::requestClose(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mu_);
    int i = find(id);
    if (i < 0) return;
    record("close " + windows_[static_cast<std::size_t>(i)].title);
    windows_.erase(windows_.begin() + i);
}

void VirtualDesktop::moveWindow(std::uint64_t id, int left, int top) {
    changeRect(id, "movewin", &WindowInfo::left, left, &WindowInfo::top, top);
}

void VirtualDesktop::resizeWindow(std::uint64_t id, int width, int height) {
    changeRect(id, "sizewin", &WindowInfo::width, width, &WindowInfo::height, height);
}

void VirtualDesktop::changeRect(std::uint64_t id, const char* verb, int WindowInfo::*first, int a,
                                int WindowInfo::*second, int b) {
    std::lock_guard<std::mutex> lock(mu_);
    int i = find(id);
    if (i < 0) return;
    WindowInfo& w = windows_[static_cast<std::size_t>(i)];
    w.*first = a;
    w.*second = b;
    record(std::string(verb) + " " + w.title + " " + std::to_string(a) + " " + std::to_string(b));
    raise(i);
}

void VirtualDesktop::open(const std::string& path) {
    std::lock_guard<std::mutex> lock(mu_);
    record("open " + path);
}

void VirtualDesktop::waitNotice(int ms) {
    std::lock_guard<std::mutex> lock(mu_);
    record("sleep " + std::to_string(ms));
}

}  // namespace orv
