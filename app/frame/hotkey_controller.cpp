#include "app/frame/hotkey_controller.h"

#include <QFile>
#include <QPointer>
#include <QStringList>

#include "app/codec.h"
#include "app/dialogs/hotkey_dialog.h"
#include "app/frame/app_core.h"
#include "app/message.h"

namespace orv::app {

HotkeyController::HotkeyController(AppCore& core, QWidget* frame,
                                   std::unique_ptr<HotkeySource> source)
    : QObject(frame), core_(core), frame_(frame), source_(std::move(source)) {
    if (!source_) return;
    // The source calls from its own thread: the press reaches this thread queued.
    QPointer<HotkeyController> self(this);
    source_->setOnPressed([self](int index) {
        QMetaObject::invokeMethod(
            self,
            [self, index] {
                if (!self || index < 0 || index >= static_cast<int>(self->grabbedRows_.size()))
                    return;
                const tools::HotkeyRow& r =
                    self->table_[static_cast<std::size_t>(self->grabbedRows_[index])];
                emit self->runRequested(QFile::decodeName(r.macro.c_str()));
            },
            Qt::QueuedConnection);
    });
}

HotkeyController::~HotkeyController() {
    release();
}

// Said without waiting: a hotkey never holds up the start (an automatic run goes on).
void HotkeyController::say(const QString& text) {
    showNotice(MsgKind::Warning, frame_, QStringLiteral("Orvane"), text);
}

void HotkeyController::start() {
    std::vector<std::string> unreadable;
    table_ = tools::loadHotkeys(core_.ini, &unreadable);
    if (!unreadable.empty()) {
        QStringList keys;
        for (const std::string& k : unreadable) keys << QString::fromStdString(k);
        say(u8q("次のホットキーのキーの組み合わせを読み取れないため、使用しません: ") +
            keys.join(u8q("、")));
    }
    grabTable();
}

// Grabs the rows that are on; a combination another program holds, or a key this keyboard
// does not have, is said once and stays listed but inactive.
void HotkeyController::grabTable() {
    grabbedRows_.clear();
    if (!source_) return;
    std::vector<KeyChord> chords;
    for (int i = 0; i < tools::kHotkeyRows; ++i) {
        const tools::HotkeyRow& r = table_[static_cast<std::size_t>(i)];
        const std::optional<KeyChord> c = r.enabled ? tools::parseChord(r.chord) : std::nullopt;
        if (!c || r.macro.empty()) continue;
        chords.push_back(*c);
        grabbedRows_.push_back(i);
    }
    const std::vector<GrabResult> results = source_->grab(chords);
    QStringList busy;
    for (std::size_t k = 0; k < results.size(); ++k) {
        const QString text = QString::fromStdString(tools::chordText(chords[k]));
        if (results[k] == GrabResult::Grabbed) {
            reportedBusy_.remove(text);
        } else if (!reportedBusy_.contains(text)) {
            reportedBusy_.insert(text);
            busy << (results[k] == GrabResult::Busy ? text + u8q(" は他のプログラムが使用中です")
                                                    : text + u8q(" のキーがありません"));
        }
    }
    if (!busy.isEmpty()) say(busy.join('\n'));
}

void HotkeyController::editInDialog() {
    // While the dialog is open no combination is grabbed: it can be pressed into a field.
    if (source_) source_->release();
    std::function<std::string(unsigned)> names;
    if (source_) names = [this](unsigned code) { return source_->keyNameOfCode(code); };
    HotkeyDialog d(frame_, table_, names);
    if (d.exec() == QDialog::Accepted) {
        table_ = d.table();
        tools::saveHotkeys(core_.ini, table_);
    }
    grabTable();
}

void HotkeyController::release() {
    if (source_) source_->release();
    grabbedRows_.clear();
}

}  // namespace orv::app
