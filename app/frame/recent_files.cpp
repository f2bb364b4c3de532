#include "app/frame/recent_files.h"

#include <string>

#include "app/codec.h"
#include "platform/profile.h"

namespace orv::app {

namespace {
constexpr const char* kSection = "RECENT";

std::string keyOf(int n) {
    return "RECFIL" + std::to_string(n);
}
}  // namespace

void RecentFiles::load() {
    paths_.clear();
    for (int n = 1; n <= kMost; ++n) {
        const std::string path = ini_.readText(kSection, keyOf(n), "", 1024);
        if (!path.empty() && !paths_.contains(fromCp932(path))) paths_ << fromCp932(path);
    }
}

void RecentFiles::add(const QString& path) {
    if (paths_.value(0) == path) return;
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > kMost) paths_.removeLast();
    store();
}

void RecentFiles::remove(const QString& path) {
    if (paths_.removeAll(path) > 0) store();
}

void RecentFiles::store() {
    ProfileFile::Entries keys;
    for (int n = 1; n <= kMost; ++n)
        keys.emplace_back(keyOf(n), n <= paths_.size() ? toCp932(paths_[n - 1]) : std::string());
    ini_.writeTexts(kSection, keys);
}

}  // namespace orv::app
