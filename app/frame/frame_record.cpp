// Recording in the program: 40037 (F1) starts it, the record-stop window's button ends it,
// and the recorded actions become a new macro editor.
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/codec.h"
#include "app/dialogs/record_stop_window.h"
#include "app/frame/hook_bridge.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"
#include "lang/debug_out.h"

namespace orv::app {

namespace {
// The commands a recording greys, and enables again at its end.
constexpr int kRecordExcludes[] = {ID_RECORD, ID_DEBUGRUN, ID_STEP, ID_RUN, ID_CHECK};
}  // namespace

// While recording, a 10 ms timer notes the longest gap between its ticks: how long the event
// loop was kept from running. The debug channel reports it with the recorded lines.
class StallProbe : public QObject {
  public:
    explicit StallProbe(QObject* parent) : QObject(parent) {
        since_.start();
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this,
                [this] { longest_ = std::max(longest_, since_.restart() - 10); });
        timer_.start();
    }
    qint64 longest() const { return std::max<qint64>(longest_, 0); }

  private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

void MainFrame::startRecording() {
    if (recording_ || runActive()) return;
    for (int id : kRecordExcludes) setEnabled(id, false);
    recording_ = true;
    recordBuffer_->clear();
    if (!recordStop_) {
        recordStop_ = new RecordStopWindow;
        connect(recordStop_, &RecordStopWindow::stopRequested, this, &MainFrame::stopRecording);
        recordStop_->show();
        recordStop_->raise();
        // The frame shrinks to the stop window's size and lies beneath it.
        setGeometry(recordStop_->placement());
    }
    // A hook that cannot be installed was reported by the library; the recording goes on
    // with what it has (with nothing, the stop button still ends it).
    hook_->startRecording();
    if (dbg::enabled()) stallProbe_ = new StallProbe(this);
}

// The debug channel: the recorded lines and the longest stall of the event loop.
void MainFrame::reportRecording(const QString& lines) {
    if (!dbg::enabled() || !stallProbe_) return;
    const QByteArray text = QByteArray::fromStdString(toCp932(lines));
    dbg::out("recording: " + std::to_string(text.count('\n')) + " lines, longest event-loop " +
             "stall " + std::to_string(stallProbe_->longest()) + " ms\r\n");
    dbg::out(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    delete stallProbe_;
}

void MainFrame::stopRecording() {
    if (!recording_) return;
    // Every line the monitor had before the hooks went, complete and in order.
    const QString lines = hook_->stopRecording();
    reportRecording(lines);
    if (frameRect_.isValid()) setGeometry(frameRect_);
    show();
    // The record buffer holds one line per block: the CR of each CR LF goes.
    recordBuffer_->setPlainText(QString("START\r\n" + lines + "END\r\n").remove('\r'));
    openEditor(EDITOR_RECORDED);
    recording_ = false;
    for (int id : kRecordExcludes) setEnabled(id, true);
    setEditRunGroup(openEditors_ > 0);
    delete recordStop_;
}

}  // namespace orv::app
