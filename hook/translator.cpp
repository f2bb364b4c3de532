#include "hook/translator.h"

#include <cstdlib>

namespace orv::hook {

void InjectedKeyNotes::expire(Clock::time_point now) {
    while (!notes_.empty() && now - notes_.front().when > kLifetime) notes_.pop_front();
}

void InjectedKeyNotes::note(std::int32_t vk, bool down, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(lock_);
    expire(now);
    if (notes_.size() >= kMaxNotes) notes_.pop_front();
    notes_.push_back({vk, down, now});
}

bool InjectedKeyNotes::consume(std::int32_t vk, bool down, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(lock_);
    expire(now);
    for (auto it = notes_.begin(); it != notes_.end(); ++it) {
        if (it->vk == vk && it->down == down) {
            notes_.erase(it);
            return true;
        }
    }
    return false;
}

void InjectedKeyNotes::clear() {
    std::lock_guard<std::mutex> lock(lock_);
    notes_.clear();
}

void Translator::feedMove(std::int32_t x, std::int32_t y, std::uint32_t time,
                          std::vector<ProcInput>& out) {
    haveMove_ = true;
    moveX_ = x;
    moveY_ = y;
    ProcInput in;
    in.message = ORV_WM_MOUSEMOVE;
    in.point = {x, y, time};
    out.push_back(in);
}

void Translator::motion(std::int32_t x, std::int32_t y, std::uint32_t time,
                        std::vector<ProcInput>& out) {
    if (haveMove_ && x == moveX_ && y == moveY_) return;
    feedMove(x, y, time, out);
}

void Translator::button(int button, bool down, std::int32_t x, std::int32_t y, std::uint32_t time,
                        bool clientArea, std::vector<ProcInput>& out) {
    if (button >= 4 && button <= 7) {
        if (!down || !clientArea) return;
        ProcInput in;
        in.message = button <= 5 ? ORV_WM_MOUSEWHEEL : ORV_WM_MOUSEHWHEEL;
        in.point = {x, y, time};
        out.push_back(in);
        return;
    }
    if (button < 1 || button > 3) return;
    // Message families by X button: left, middle, right.
    static const std::int32_t kDown[4] = {0, ORV_WM_LBUTTONDOWN, ORV_WM_MBUTTONDOWN,
                                          ORV_WM_RBUTTONDOWN};
    ProcInput in;
    in.point = {x, y, time};
    in.edge = down ? ProcInput::Edge::Press : ProcInput::Edge::Release;
    if (down) {
        if (!clientArea) {
            suppressed_[button] = true;
            lastButton_ = 0;
            return;
        }
        suppressed_[button] = false;
        if (!haveMove_ || x != moveX_ || y != moveY_) feedMove(x, y, time, out);
        const bool dbl = lastButton_ == button && time - lastTime_ <= kDoubleClickTime &&
                         std::abs(x - lastX_) <= kDoubleClickDistance &&
                         std::abs(y - lastY_) <= kDoubleClickDistance;
        if (dbl) {
            in.message = kDown[button] + 2;
            lastButton_ = 0;  // a third press starts a new pair
        } else {
            in.message = kDown[button];
            lastButton_ = button;
            lastX_ = x;
            lastY_ = y;
            lastTime_ = time;
        }
        out.push_back(in);
        return;
    }
    if (suppressed_[button]) {
        suppressed_[button] = false;
        return;
    }
    if (!haveMove_ || x != moveX_ || y != moveY_) feedMove(x, y, time, out);
    in.message = kDown[button] + 1;
    out.push_back(in);
}

void Translator::key(std::int32_t vk, bool down, std::uint32_t time,
                     InjectedKeyNotes::Clock::time_point now, std::vector<ProcInput>& out) {
    ProcInput in;
    in.isKey = true;
    in.message = vk;
    in.point.time = time;
    in.edge = down ? ProcInput::Edge::Press : ProcInput::Edge::Release;
    in.keyFlags = down ? 0u : ORV_KF_RELEASE;
    if (!notes_.consume(vk, down, now)) in.keyFlags |= ORV_KF_PHYSICAL;
    out.push_back(in);
}

}  // namespace orv::hook
