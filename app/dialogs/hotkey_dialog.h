// "ホットキー設定": ten rows of a check box (on/off), the key combination (pressed into its
// field) and the macro file (typed or chosen with "...."), with OK and キャンセル. The dialog
// edits a copy of the hotkey table; OK checks it and keeps it for rows().
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>
#include <functional>
#include <string>

#include "tools/hotkeys.h"

class QCheckBox;

namespace orv::app {

// A field that takes a key combination as it is pressed: the modifiers held and one key make
// its text ("Ctrl+Alt+1"); Backspace or Delete alone empties it; a combination that cannot be
// a hotkey (Esc or F1-F10 alone, a typing key without Ctrl, Alt or Super) is refused with its
// message.
class ChordEdit : public QLineEdit {
    Q_OBJECT
  public:
    // `keyNameOfCode` names the key of a hardware key code (the desktop's keyboard); without
    // it, or when it knows no name, the key is named from Qt's key code.
    ChordEdit(QWidget* parent, std::function<std::string(unsigned)> keyNameOfCode);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    std::function<std::string(unsigned)> keyNameOfCode_;
};

class HotkeyDialog : public QDialog {
    Q_OBJECT
  public:
    HotkeyDialog(QWidget* parent, const tools::HotkeyTable& rows,
                 std::function<std::string(unsigned)> keyNameOfCode);

    QCheckBox* use(int row) const { return rows_[static_cast<std::size_t>(row)].use; }
    ChordEdit* chord(int row) const { return rows_[static_cast<std::size_t>(row)].chord; }
    QLineEdit* macro(int row) const { return rows_[static_cast<std::size_t>(row)].macro; }
    // The table as edited.
    tools::HotkeyTable table() const;
    // OK: every row that is on needs a combination and an existing macro file, and no
    // combination may be on twice; false (with the message, the field focused) otherwise.
    bool confirm();

  private:
    struct Row {
        QCheckBox* use = nullptr;
        ChordEdit* chord = nullptr;
        QLineEdit* macro = nullptr;
    };
    void browse(int row);
    bool refuse(QWidget* field, const char* text);

    std::array<Row, tools::kHotkeyRows> rows_;
};

}  // namespace orv::app
