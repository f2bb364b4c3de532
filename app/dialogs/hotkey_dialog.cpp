#include "app/dialogs/hotkey_dialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include "app/codec.h"
#include "app/message.h"

namespace orv::app {

namespace {

// Qt's keys with names of their own (letters, digits and F-keys are named by rule).
struct NamedKey {
    int qtKey;
    const char* name;
};
constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Escape, "Esc"},  {Qt::Key_Return, "Enter"}, {Qt::Key_Enter, "Enter"},
    {Qt::Key_Tab, "Tab"},     {Qt::Key_Space, "Space"},  {Qt::Key_Backspace, "Backspace"},
    {Qt::Key_Insert, "Ins"},  {Qt::Key_Delete, "Del"},   {Qt::Key_Home, "Home"},
    {Qt::Key_End, "End"},     {Qt::Key_PageUp, "PgUp"},  {Qt::Key_PageDown, "PgDown"},
    {Qt::Key_Up, "Up"},       {Qt::Key_Down, "Down"},    {Qt::Key_Left, "Left"},
    {Qt::Key_Right, "Right"}, {Qt::Key_Pause, "Pause"},  {Qt::Key_Print, "Print"},
};

// The modifier keys themselves: the field waits for the key they go with.
constexpr int kModifierKeys[] = {Qt::Key_Control, Qt::Key_Shift,    Qt::Key_Alt,
                                 Qt::Key_Meta,    Qt::Key_Super_L,  Qt::Key_Super_R,
                                 Qt::Key_AltGr,   Qt::Key_CapsLock, Qt::Key_NumLock};

std::string qtKeyName(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::string(1, char('A' + key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string(1, char('0' + key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return "F" + std::to_string(key - Qt::Key_F1 + 1);
    for (const NamedKey& k : kNamedKeys)
        if (k.qtKey == key) return k.name;
    return {};
}

unsigned chordMods(Qt::KeyboardModifiers m) {
    return (m & Qt::ControlModifier ? kModCtrl : 0u) | (m & Qt::AltModifier ? kModAlt : 0u) |
           (m & Qt::ShiftModifier ? kModShift : 0u) | (m & Qt::MetaModifier ? kModSuper : 0u);
}

const char* const kMacroFilter = "ovm(*.ovm);;All files(*.*)";

}  // namespace

ChordEdit::ChordEdit(QWidget* parent, std::function<std::string(unsigned)> keyNameOfCode)
    : QLineEdit(parent), keyNameOfCode_(std::move(keyNameOfCode)) {
    setReadOnly(true);  // typed only through keyPressEvent
    setPlaceholderText(u8q("キーを押す"));
}

void ChordEdit::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    for (int m : kModifierKeys)
        if (key == m) return;
    const unsigned mods = chordMods(e->modifiers());
    if (mods == 0 && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        clear();
        return;
    }
    std::string name;
    if (keyNameOfCode_ && e->nativeScanCode() != 0) name = keyNameOfCode_(e->nativeScanCode());
    if (name.empty()) name = qtKeyName(key);
    if (name.empty()) return;
    const KeyChord chord{mods, name};
    const tools::ChordProblem problem = tools::checkChord(chord);
    if (problem != tools::ChordProblem::None) {
        const std::string_view why = tools::chordProblemText(problem);
        showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                    QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())));
        return;
    }
    setText(QString::fromStdString(tools::chordText(chord)));
}

HotkeyDialog::HotkeyDialog(QWidget* parent, const tools::HotkeyTable& rows,
                           std::function<std::string(unsigned)> keyNameOfCode)
    : QDialog(parent) {
    setObjectName("hotkeys");
    setWindowTitle(u8q("ホットキー設定"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(u8q("使用"), this), 0, 0);
    grid->addWidget(new QLabel(u8q("キーの組み合わせ"), this), 0, 1);
    grid->addWidget(new QLabel(u8q("マクロファイル"), this), 0, 2);
    for (int i = 0; i < tools::kHotkeyRows; ++i) {
        const tools::HotkeyRow& r = rows[static_cast<std::size_t>(i)];
        Row& w = rows_[static_cast<std::size_t>(i)];
        w.use = new QCheckBox(QString::number(i + 1), this);
        w.use->setChecked(r.enabled);
        w.chord = new ChordEdit(this, keyNameOfCode);
        w.chord->setText(QString::fromStdString(r.chord));
        w.macro = new QLineEdit(fromCp932(r.macro), this);
        w.macro->setMinimumWidth(320);
        auto* browse = new QPushButton(QStringLiteral("...."), this);
        browse->setFixedWidth(40);
        connect(browse, &QPushButton::clicked, this, [this, i] { this->browse(i); });
        grid->addWidget(w.use, i + 1, 0);
        grid->addWidget(w.chord, i + 1, 1);
        grid->addWidget(w.macro, i + 1, 2);
        grid->addWidget(browse, i + 1, 3);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u8q("キャンセル"), this);
    connect(ok, &QPushButton::clicked, this, &HotkeyDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);
}

tools::HotkeyTable HotkeyDialog::table() const {
    tools::HotkeyTable t;
    for (std::size_t i = 0; i < t.size(); ++i) {
        t[i].enabled = rows_[i].use->isChecked();
        t[i].chord = rows_[i].chord->text().toStdString();
        t[i].macro = toCp932(rows_[i].macro->text().trimmed());
    }
    return t;
}

void HotkeyDialog::browse(int row) {
    QLineEdit* field = macro(row);
    const QString chosen = chooseFile(
        this, false, u8q("ファイルオープン！"),
        field->text().isEmpty() ? QStringLiteral("*.ovm") : field->text(), u8q(kMacroFilter));
    if (!chosen.isEmpty()) field->setText(chosen);
}

bool HotkeyDialog::refuse(QWidget* field, const char* text) {
    showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"), u8q(text));
    field->setFocus();
    return false;
}

bool HotkeyDialog::confirm() {
    QSet<QString> used;
    for (const Row& r : rows_) {
        if (!r.use->isChecked()) continue;
        if (r.chord->text().isEmpty())
            return refuse(r.chord, "キーの組み合わせを入力してください。");
        if (used.contains(r.chord->text()))
            return refuse(r.chord, "同じキーの組み合わせが2つの行で使われています。");
        used.insert(r.chord->text());
        if (!QFileInfo(r.macro->text().trimmed()).isFile())
            return refuse(r.macro, "マクロファイルが存在しません。");
    }
    accept();
    return true;
}

}  // namespace orv::app
