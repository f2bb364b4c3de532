#include "app/tools/autoclick_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "app/codec.h"
#include "app/message.h"

namespace orv::app {

namespace {

// Control ids of the five rows: check box, set button, X, Y, seconds, run, kind, status.
struct RowIds {
    int check, set, x, y, seconds, run, kind, status;
};
constexpr RowIds kRowIds[tools::kSlots] = {
    {1023, 1018, 1022, 1021, 1024, 1025, 1054, 1026},
    {1029, 1019, 1028, 1027, 1030, 1031, 1057, 1032},
    {1035, 1020, 1034, 1033, 1036, 1037, 1058, 1038},
    {1042, 1039, 1041, 1040, 1043, 1044, 1059, 1045},
    {1049, 1046, 1048, 1047, 1050, 1051, 1060, 1052},
};

template <class W>
W* named(W* w, int id) {
    w->setObjectName(QString::number(id));
    return w;
}

QLabel* display(QWidget* parent, int id, int width) {
    auto* l = named(new QLabel(parent), id);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(width);
    return l;
}

}  // namespace

AutoClickDialog::AutoClickDialog(QWidget* frame, tools::AutoClickSettings& settings,
                                 Desktop& desktop, PickHook& hook, ProfileFile& ini)
    : QDialog(frame), frame_(frame), hook_(hook), ini_(ini), model_(settings, desktop, *this) {
    setObjectName("123");
    setWindowTitle(u8q("簡易自動クリック"));
    setModal(true);
    // The title bar of a plain dialog: a caption and a close box (which does nothing, see
    // reject()), no minimise or maximise button. Some window managers offer them anyway: the
    // dialog has a fixed size, so it cannot be maximised, and changeEvent() brings back a
    // minimised dialog, which would take the frame with it (no task bar brings them back).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    QFont f(u8q("ＭＳ Ｐゴシック"));
    f.setPointSize(9);
    setFont(f);
    auto* lay = new QVBoxLayout(this);
    lay->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;
    const char* heads[] = {"", "", "X", "Y", "秒", "", "種類", "状態"};
    for (int c = 0; c < 8; ++c) grid->addWidget(new QLabel(u8q(heads[c]), this), 0, c);
    for (int i = 0; i < tools::kSlots; ++i) buildRow(i, grid);
    lay->addLayout(grid);
    buildButtons(lay);
    blink_ = new QTimer(this);
    blink_->setInterval(1000);
    connect(blink_, &QTimer::timeout, this, [this] { act([this] { model_.blink(); }); });
    pickWindow_ = new QTimer(this);
    pickWindow_->setSingleShot(true);
    connect(pickWindow_, &QTimer::timeout, this,
            [this] { act([this] { model_.pickWindowEnded(); }); });
    model_.open();
    blink_->start();
    sync();
}

void AutoClickDialog::buildRow(int slot, QGridLayout* grid) {
    const RowIds& id = kRowIds[slot];
    Row& r = rows_[static_cast<std::size_t>(slot)];
    r.check = named(new QCheckBox(this), id.check);
    r.set = named(new QPushButton(u8q("設定") + QString::number(slot + 1), this), id.set);
    r.x = display(this, id.x, 48);
    r.y = display(this, id.y, 48);
    r.seconds = named(new QLineEdit(this), id.seconds);
    r.seconds->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), r.seconds));
    r.seconds->setMaximumWidth(64);
    r.run = named(new QPushButton(this), id.run);
    r.kind = display(this, id.kind, 64);
    r.status = named(new QLabel(this), id.status);
    r.status->setMinimumWidth(56);
    r.timer = new QTimer(this);
    QWidget* cells[] = {r.check, r.set, r.x, r.y, r.seconds, r.run, r.kind, r.status};
    for (int c = 0; c < 8; ++c) grid->addWidget(cells[c], slot + 1, c);
    connect(r.check, &QCheckBox::clicked, this,
            [this, slot](bool on) { act([=, this] { model_.check(slot, on); }); });
    connect(r.set, &QPushButton::clicked, this,
            [this, slot] { act([=, this] { model_.pressSet(slot); }); });
    connect(r.run, &QPushButton::clicked, this,
            [this, slot] { act([=, this] { model_.pressRun(slot); }); });
    connect(r.seconds, &QLineEdit::textEdited, this,
            [this, slot](const QString& t) { model_.setSeconds(slot, t.toStdString()); });
    connect(r.timer, &QTimer::timeout, this,
            [this, slot] { act([=, this] { model_.tick(slot); }); });
}

void AutoClickDialog::buildButtons(QVBoxLayout* lay) {
    save_ = named(new QCheckBox(u8q("この設定を保存する"), this), 1053);
    runAll_ = named(new QPushButton(u8q("同時実行"), this), 1015);
    stopAll_ = named(new QPushButton(u8q("全停止"), this), 1016);
    close_ = named(new QPushButton(u8q("閉じる"), this), 1);
    auto* row = new QHBoxLayout;
    row->addWidget(save_);
    row->addStretch();
    for (QPushButton* b : {runAll_, stopAll_, close_}) row->addWidget(b);
    lay->addLayout(row);
    connect(save_, &QCheckBox::clicked, this, [this](bool on) { model_.setSaveChecked(on); });
    connect(runAll_, &QPushButton::clicked, this, [this] { act([this] { model_.runAll(); }); });
    connect(stopAll_, &QPushButton::clicked, this, [this] { act([this] { model_.stopAll(); }); });
    connect(close_, &QPushButton::clicked, this, &AutoClickDialog::closeDialog);
}

void AutoClickDialog::act(const std::function<void()>& f) {
    f();
    sync();
}

void AutoClickDialog::sync() {
    for (int i = 0; i < tools::kSlots; ++i) {
        const tools::SlotView& v = model_.slot(i);
        Row& r = rows_[static_cast<std::size_t>(i)];
        r.check->setChecked(v.checked);
        r.set->setEnabled(v.setEnabled);
        r.x->setText(QString::fromStdString(v.x));
        r.y->setText(QString::fromStdString(v.y));
        if (r.seconds->text().toStdString() != v.seconds)
            r.seconds->setText(QString::fromStdString(v.seconds));
        r.seconds->setEnabled(v.secondsEnabled);
        r.run->setText(QString::fromStdString(v.runLabel));
        r.run->setEnabled(v.runEnabled);
        r.kind->setText(QString::fromStdString(v.kind));
        r.status->setText(QString::fromStdString(v.status));
        r.status->setVisible(v.statusShown);
    }
    save_->setChecked(model_.saveChecked());
    runAll_->setEnabled(model_.runAllEnabled());
    stopAll_->setEnabled(model_.stopAllEnabled());
    close_->setEnabled(model_.closeEnabled());
}

void AutoClickDialog::picked(unsigned message, int tag, int lparam) {
    act([=, this] { model_.picked(message, tag, tools::pointOfPickParam(lparam)); });
}

void AutoClickDialog::closeDialog() {
    if (!model_.close(ini_)) return;
    blink_->stop();
    accept();
}

void AutoClickDialog::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        QTimer::singleShot(0, this, &AutoClickDialog::unminimize);
}

void AutoClickDialog::unminimize() {
    // While a point is picked the frame is minimised, and the dialog may go with it.
    if (isMinimized() && !model_.picking()) restoreFrame();
}

void AutoClickDialog::reject() {
    // Only "閉じる" ends the dialog.
}

void AutoClickDialog::startTimer(int slot, int periodMs) {
    rows_[static_cast<std::size_t>(slot)].timer->start(periodMs);
}

void AutoClickDialog::stopTimer(int slot) {
    rows_[static_cast<std::size_t>(slot)].timer->stop();
}

void AutoClickDialog::startPickWindow(int ms) {
    pickWindow_->start(ms);
}

void AutoClickDialog::minimizeFrame() {
    if (frame_ && !frame_->isMinimized()) frame_->showMinimized();
}

void AutoClickDialog::restoreFrame() {
    if (frame_ && frame_->isMinimized()) frame_->showNormal();
    if (isMinimized()) showNormal();
}

void AutoClickDialog::message(const std::string& utf8) {
    showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), QString::fromStdString(utf8));
}

}  // namespace orv::app
