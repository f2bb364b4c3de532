#include "app/frame/recovery_controller.h"

#include <signal.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextDocument>
#include <functional>

#include "app/codec.h"
#include "app/frame/editor_controller.h"
#include "app/message.h"
#include "platform/file_io.h"

namespace orv::app {

namespace {

constexpr char kMagic[] = "ORVANE-RECOVERY 1\n";
constexpr char kSuffix[] = ".ovr";

// Seconds between writes: 30, or ORVANE_RECOVERY_SECONDS (tests).
int intervalMs() {
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("ORVANE_RECOVERY_SECONDS", &ok);
    return (ok && s > 0 ? s : 30) * 1000;
}

// Whether the program whose process id names a file is still running (then the file is its).
bool ownerRuns(const QString& fileName) {
    bool ok = false;
    const int pid = fileName.section('-', 0, 0).toInt(&ok);
    if (!ok || pid <= 0 || ::kill(pid, 0) != 0) return false;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "orvane";
}

std::size_t hashOf(const std::string& text) {
    return std::hash<std::string>{}(text);
}

std::string fileBytes(const QString& title, const std::string& text) {
    const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
    return kMagic + ("title=" + title + "\ntime=" + time + "\n\n").toStdString() + text;
}

bool parse(const std::string& all, RecoveredText& out) {
    if (all.rfind(kMagic, 0) != 0) return false;
    const std::size_t end = all.find("\n\n");
    if (end == std::string::npos) return false;
    const QString head = QString::fromStdString(all.substr(0, end));
    for (const QString& line : head.split('\n')) {
        if (line.startsWith("title=")) out.title = line.mid(6);
        if (line.startsWith("time=")) out.time = line.mid(5);
    }
    out.bytes = all.substr(end + 2);
    return true;
}

}  // namespace

QString RecoveryController::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/orvane/recovery");
}

RecoveryController::RecoveryController(EditorController& editors, QWidget* frame, QString dir)
    : QObject(frame),
      editors_(editors),
      frame_(frame),
      dir_(dir.isEmpty() ? defaultFolder() : dir) {
    connect(&editors_, &EditorController::opened, this, &RecoveryController::track);
    timer_.setInterval(intervalMs());
    connect(&timer_, &QTimer::timeout, this, &RecoveryController::writeChanged);
    timer_.start();
}

// A file of this program's own: its process id, then a serial number.
QString RecoveryController::newFileName() {
    return dir_ + QStringLiteral("/%1-%2%3").arg(::getpid()).arg(++serial_).arg(kSuffix);
}

void RecoveryController::sayOnce(const QString& text) {
    if (said_) return;
    said_ = true;
    showNotice(MsgKind::Warning, frame_, QStringLiteral("Orvane"), text);
}

void RecoveryController::track(MacroEditor* e) {
    entries_[e];
    connect(e->edit()->document(), &QTextDocument::modificationChanged, this, [this, e](bool m) {
        if (!m) forget(e);  // saved, or discarded by its question
    });
    connect(e, &QObject::destroyed, this, [this, e] {
        forget(e);
        entries_.erase(e);
    });
}

void RecoveryController::forget(MacroEditor* e) {
    auto it = entries_.find(e);
    if (it == entries_.end()) return;
    if (!it->second.file.isEmpty()) QFile::remove(it->second.file);
    it->second = Entry{};
}

bool RecoveryController::write(MacroEditor* e, Entry& entry) {
    const std::string text = e->textBytes();
    const std::size_t hash = hashOf(text);
    if (!entry.file.isEmpty() && entry.written == hash) return true;
    // A new folder is the user's alone; one that exists is left as the user has it.
    if (!QDir(dir_).exists() &&
        (!QDir().mkpath(dir_) ||
         !QFile::setPermissions(dir_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))) {
        sayOnce(u8q("編集内容の回復用フォルダを作れません。\n") + dir_);
        return false;
    }
    if (entry.file.isEmpty()) entry.file = newFileName();
    std::string why;
    if (!writeFileAtomic(QFile::encodeName(entry.file).toStdString(),
                         fileBytes(e->windowTitle(), text), &why, 0600)) {
        sayOnce(u8q("編集内容の回復用ファイルを書き込めません。\n") +
                QString::fromLocal8Bit(why.c_str()));
        return false;
    }
    entry.written = hash;
    return true;
}

void RecoveryController::writeChanged() {
    for (auto& [editor, entry] : entries_)
        if (editor->modified()) write(editor, entry);
}

QList<RecoveredText> RecoveryController::leftovers() {
    QList<RecoveredText> out;
    const QDir dir(dir_);
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name)) {
        if (ownerRuns(name)) continue;
        RecoveredText r;
        r.file = dir.filePath(name);
        std::string all, why;
        if (!readWholeFile(QFile::encodeName(r.file).toStdString(), all, &why) || !parse(all, r)) {
            sayOnce(u8q("編集内容の回復用ファイルを読めません。\n") + r.file);
            continue;
        }
        out << r;
    }
    return out;
}

void RecoveryController::offerLeftovers(bool ask) {
    const QList<RecoveredText> texts = leftovers();
    if (texts.isEmpty() || !ask) return;
    const bool restore =
        showMessage(MsgKind::Question, frame_, QStringLiteral("Orvane"),
                    u8q("前回終了時に保存されていない編集内容があります。復元しますか？"),
                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    for (const RecoveredText& r : texts) {
        MacroEditor* e = nullptr;
        if (restore)
            e = editors_.openRecovered(QDir::isAbsolutePath(r.title) ? r.title : QString(),
                                       r.bytes);
        if (!e) {
            QFile::remove(r.file);
            continue;
        }
        // The editor takes the file over under this program's name.
        Entry& entry = entries_[e];
        entry.file = newFileName();
        entry.written = hashOf(e->textBytes());
        if (!QFile::rename(r.file, entry.file)) entry = Entry{};
    }
}

void RecoveryController::removeAll() {
    timer_.stop();
    for (auto& [editor, entry] : entries_)
        if (!entry.file.isEmpty()) QFile::remove(entry.file);
    entries_.clear();
}

}  // namespace orv::app
