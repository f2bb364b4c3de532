// The macros opened or saved last, newest first, at most eight: the list under
// "最近使ったファイル" in ファイル(F), kept in Orvane.ini, section RECENT, keys RECFIL1 to RECFIL8
// (CP932 paths).
#pragma once

#include <QStringList>

namespace orv {
class ProfileFile;
}

namespace orv::app {

class RecentFiles {
  public:
    static constexpr int kMost = 8;

    explicit RecentFiles(ProfileFile& ini) : ini_(ini) {}
    // Reads the list (missing and empty keys are skipped).
    void load();
    const QStringList& paths() const { return paths_; }
    // `path` becomes the newest entry; the list is stored.
    void add(const QString& path);
    void remove(const QString& path);

  private:
    void store();

    ProfileFile& ini_;
    QStringList paths_;
};

}  // namespace orv::app
