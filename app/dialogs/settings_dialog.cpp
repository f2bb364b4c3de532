#include "app/dialogs/settings_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/codec.h"
#include "app/message.h"
#include "app/settings.h"
#include "platform/profile.h"

namespace orv::app {

namespace {

QCheckBox* checkBox(QWidget* parent, const char* id, const char* text, bool checked) {
    auto* b = new QCheckBox(u8q(text), parent);
    b->setObjectName(id);
    b->setChecked(checked);
    return b;
}

QPushButton* button(QWidget* parent, const char* id, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(id);
    return b;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* owner, Settings& settings, ProfileFile& ini)
    : QDialog(owner), s_(settings), ini_(ini) {
    setObjectName("118");
    setWindowTitle(u8q("システム設定"));
    QFont f(u8q("ＭＳ Ｐゴシック"));
    f.setPointSize(9);
    setFont(f);
    createControls();
    layOut();
    pendingPath_ = s_.exeMacro;
    pendingInterval_ = s_.comTime;
    pendingAutoExe_ = s_.autoExe;
    pendingAutoFin_ = s_.autoFin;
    if (s_.autoExe == 0) {
        path_->setEnabled(false);
        autoFin_->setEnabled(false);
    }
    connectControls();
}

void SettingsDialog::createControls() {
    interval_ = new QLineEdit(QString::number(s_.comTime), this);
    interval_->setObjectName("1003");
    interval_->setAlignment(Qt::AlignRight);
    interval_->setValidator(new QIntValidator(0, 999999999, interval_));
    interval_->setMaxLength(20);
    endMsg_ = checkBox(this, "1014", "マクロ終了時にメッセージを出して知らせる", s_.endMessage);
    minimise_ = checkBox(this, "1015", "マクロ実行時最小化する", s_.minimizeWhileRunning);
    ignoreErrors_ =
        checkBox(this, "1057", "実行時のエラーを無視して処理を続行する", s_.ignoreRunErrors);
    createRecordWaits();
    createStartGroup();
    ok_ = button(this, "1", QStringLiteral("OK"));
    ok_->setDefault(true);
    cancel_ = button(this, "2", u8q("ｷｬﾝｾﾙ"));
}

// The group "起動時の設定": the auto-run flag, its macro path and the exit flag.
void SettingsDialog::createStartGroup() {
    group_ = new QGroupBox(u8q("起動時の設定"), this);
    autoExe_ = checkBox(group_, "1058", "起動時に以下のﾏｸﾛを自動実行する", s_.autoExe == 1);
    path_ = new QLineEdit(fromCp932(s_.exeMacro), group_);
    path_->setObjectName("1004");
    fitPathField();
    browse_ = button(group_, "1005", QStringLiteral("...."));
    autoFin_ = checkBox(group_, "1059", "自動実行終了時にOrvaneを終了する", s_.autoFin == 1);
    auto* note = new QLabel(
        u8q("(*注)外部ﾊﾟﾗﾒﾀでﾏｸﾛﾌｧｲﾙが指定された場合は、ここの設定内容は無視されます"), group_);
    note->setWordWrap(true);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_);
    pathRow->addWidget(browse_);
    auto* g = new QVBoxLayout(group_);
    g->addWidget(autoExe_);
    g->addLayout(pathRow);
    g->addWidget(autoFin_);
    g->addWidget(note);
}

// Recordings that keep their timing: the check box, and the shortest pause written as a WAIT
// (editable while the box is checked).
void SettingsDialog::createRecordWaits() {
    recordWaits_ = checkBox(this, "recordWaits", "待ち時間を記録する", s_.recordWaits);
    shortestWait_ = new QLineEdit(QString::number(s_.shortestWait), this);
    shortestWait_->setObjectName("shortestWait");
    shortestWait_->setAlignment(Qt::AlignRight);
    shortestWait_->setValidator(new QIntValidator(0, 99999999, shortestWait_));
    shortestWait_->setMaxLength(8);
    shortestWait_->setToolTip(u8q("記録する最短の待ち時間(ﾐﾘ秒)"));
    shortestWait_->setEnabled(s_.recordWaits);
}

// The path field is wide enough for the whole path (up to most of the screen's width), and its
// tool tip shows the path in full in any case.
void SettingsDialog::fitPathField() {
    const QString t = path_->text();
    const int want = path_->fontMetrics().horizontalAdvance(t) + 24;
    int most = 900;
    if (QScreen* sc = screen()) most = sc->availableGeometry().width() * 3 / 4;
    path_->setMinimumWidth(std::clamp(want, 360, std::max(360, most)));
    path_->setToolTip(t);
}

void SettingsDialog::layOut() {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(u8q("コマンド間隔"), this));
    top->addWidget(interval_);
    top->addWidget(new QLabel(u8q("ﾐﾘ秒で指定"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(endMsg_);
    lay->addWidget(minimise_);
    lay->addWidget(ignoreErrors_);
    auto* waits = new QHBoxLayout;
    waits->addWidget(recordWaits_);
    waits->addWidget(shortestWait_);
    waits->addWidget(new QLabel(u8q("ﾐﾘ秒以上"), this));
    waits->addStretch();
    lay->addLayout(waits);
    lay->addWidget(group_);
    lay->addLayout(buttons);
}

void SettingsDialog::connectControls() {
    connect(interval_, &QLineEdit::textChanged, this,
            [this](const QString& t) { pendingInterval_ = t.isEmpty() ? 0 : t.left(20).toInt(); });
    connect(path_, &QLineEdit::textChanged, this, [this](const QString& t) {
        pendingPath_ = toCp932(t);
        if (pendingPath_.size() > 1023) pendingPath_.resize(1023);
        fitPathField();
    });
    connect(autoExe_, &QCheckBox::clicked, this, &SettingsDialog::autoExeClicked);
    connect(autoFin_, &QCheckBox::clicked, this, [this](bool on) { pendingAutoFin_ = on ? 1 : 0; });
    connect(recordWaits_, &QCheckBox::toggled, shortestWait_, &QWidget::setEnabled);
    connect(browse_, &QPushButton::clicked, this, &SettingsDialog::choose);
    connect(ok_, &QPushButton::clicked, this, &SettingsDialog::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

QCheckBox* SettingsDialog::box(int id) const {
    for (QCheckBox* b : {endMsg_, minimise_, ignoreErrors_, autoExe_, autoFin_})
        if (b->objectName() == QString::number(id)) return b;
    return nullptr;
}

void SettingsDialog::autoExeClicked(bool on) {
    path_->setEnabled(on);
    autoFin_->setEnabled(on);
    pendingAutoExe_ = on ? 1 : 0;
}

void SettingsDialog::choose() {
    QString p =
        chooseFile(this, false, u8q("ファイル選択"), QDir::currentPath() + QStringLiteral("/*.ovm"),
                   u8q("ovm(*.ovm);;All files(*.*)"));
    if (!p.isEmpty()) path_->setText(p);
}

void SettingsDialog::confirm() {
    if (pendingInterval_ == 0) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q("1以上を指定してください"));
        interval_->setFocus();
        return;
    }
    // The interval is stored even when a later check keeps the dialog open.
    s_.comTime = pendingInterval_;
    ini_.writeInt(kSystem, "COMTIME", s_.comTime);
    if (!autoRunPathUsable()) return;
    storeConfirmed();
    accept();
}

bool SettingsDialog::autoRunPathUsable() {
    if (pendingAutoExe_ != 1) return true;
    const char* problem = nullptr;
    if (pendingPath_.empty())
        problem = "自動実行マクロファイルが指定されていません";
    else if (!QFileInfo::exists(fromCp932(pendingPath_)))
        problem = "指定されたマクロファイルが存在しません。";
    if (!problem) return true;
    showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q(problem));
    path_->setFocus();
    return false;
}

void SettingsDialog::storeConfirmed() {
    s_.exeMacro = pendingPath_;
    ini_.writeText(kSystem, "EXEMCRO", s_.exeMacro);
    s_.autoExe = pendingAutoExe_;
    ini_.writeInt(kSystem, "AUTOEXE", s_.autoExe);
    s_.autoFin = pendingAutoFin_;
    ini_.writeInt(kSystem, "AUTOFIN", s_.autoFin);
    s_.endMessage = endMsg_->isChecked();
    ini_.writeInt(kSystem, "SRCENDM", s_.endMessage ? 1 : 0);
    s_.ignoreRunErrors = ignoreErrors_->isChecked();
    ini_.writeInt(kSystem, "SEXEERR", s_.ignoreRunErrors ? 1 : 0);
    s_.minimizeWhileRunning = minimise_->isChecked();
    ini_.writeInt(kSystem, "EMINWIN", s_.minimizeWhileRunning ? 1 : 0);
    s_.recordWaits = recordWaits_->isChecked();
    s_.shortestWait = shortestWait_->text().toInt();  // empty: 0
    saveRecordWaits(ini_, s_);
}

}  // namespace orv::app
