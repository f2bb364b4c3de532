#include "app/frame/record_controller.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/codec.h"
#include "app/dialogs/record_stop_window.h"
#include "app/frame/hook_bridge.h"
#include "lang/debug_out.h"

namespace orv::app {

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

RecordController::RecordController(QWidget* frame, HookBridge& hook, const Settings& settings)
    : QObject(frame),
      frame_(frame),
      hook_(hook),
      settings_(settings),
      buffer_(new QPlainTextEdit(frame)) {
    buffer_->setObjectName("2100");
    buffer_->setGeometry(0, 400, 400, 400);
    buffer_->hide();
}

QString RecordController::bufferText() const {
    return buffer_->toPlainText();
}

void RecordController::start() {
    if (recording_) return;
    recording_ = true;
    buffer_->clear();
    if (!stopWindow_) {
        stopWindow_ = new RecordStopWindow;
        connect(stopWindow_, &RecordStopWindow::stopRequested, this, &RecordController::stop);
        stopWindow_->show();
        stopWindow_->raise();
        shrinkFrame();
    }
    emit recordingChanged();
    // A hook that cannot be installed was reported by the library; the recording goes on
    // with what it has (with nothing, the stop button still ends it).
    hook_.startRecording(settings_);
    if (dbg::enabled()) stallProbe_ = new StallProbe(this);
}

// The frame shrinks to the stop window's place and lies beneath it: its outer frame, the
// window manager's title bar included, fits the stop window, whatever the menu bar would ask
// for.
void RecordController::shrinkFrame() {
    framePlace_ = frame_->geometry();
    frameMinimum_ = frame_->minimumSize();
    frame_->setMinimumSize(1, 1);
    const QRect stop = stopWindow_->placement();
    const QMargins extents(frame_->geometry().left() - frame_->frameGeometry().left(),
                           frame_->geometry().top() - frame_->frameGeometry().top(),
                           frame_->frameGeometry().right() - frame_->geometry().right(),
                           frame_->frameGeometry().bottom() - frame_->geometry().bottom());
    QRect client = stop.marginsRemoved(extents);
    client.setSize(client.size().expandedTo(QSize(1, 1)));
    frame_->setGeometry(client);
}

void RecordController::restoreFrame() {
    frame_->setMinimumSize(frameMinimum_);
    if (framePlace_.isValid()) frame_->setGeometry(framePlace_);
    frame_->show();
}

// The debug channel: the recorded lines and the longest stall of the event loop.
void RecordController::report(const QString& lines) {
    if (!dbg::enabled() || !stallProbe_) return;
    const QByteArray text = QByteArray::fromStdString(toCp932(lines));
    dbg::out("recording: " + std::to_string(text.count('\n')) + " lines, longest event-loop " +
             "stall " + std::to_string(stallProbe_->longest()) + " ms\r\n");
    dbg::out(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    delete stallProbe_;
}

void RecordController::stop() {
    if (!recording_) return;
    // Every line the monitor had before the hooks went, complete and in order.
    const QString lines = hook_.stopRecording();
    report(lines);
    restoreFrame();
    // The record buffer holds one line per block: the CR of each CR LF goes.
    buffer_->setPlainText(QString("START\r\n" + lines + "END\r\n").remove('\r'));
    recording_ = false;
    delete stopWindow_;
    emit recorded(buffer_->toPlainText());
    emit recordingChanged();
}

void RecordController::drop() {
    delete stopWindow_;
    delete stallProbe_;
    recording_ = false;
}

}  // namespace orv::app
