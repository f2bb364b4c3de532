// A macro editor window (class Orv_Macro): an MDI child whose client area is one plain-text
// edit control, with the macro file's load and save rules.
#pragma once

#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <string>

namespace orv::app {

class MainFrame;

// The edit control. Guards against pasting from a selection nobody owns.
class MacroEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    using QPlainTextEdit::QPlainTextEdit;

  protected:
    void insertFromMimeData(const QMimeData* source) override;
};

class MacroEditor : public QMdiSubWindow {
    Q_OBJECT
  public:
    static constexpr std::size_t kMaxFile = 65535;

    // Creates the editor; `ok` is false when the mode's set-up failed (the caller destroys it).
    MacroEditor(MainFrame* frame, int number, int mode, bool& ok);
    ~MacroEditor() override;

    MacroEdit* edit() const { return edit_; }
    int mode() const { return mode_; }
    // The macro text as CP932 bytes.
    std::string textBytes() const;
    void setTextBytes(const std::string& bytes);
    bool modified() const;
    void setModified(bool m);
    bool neverSaved() const;

    // Loads a file (size rule, up to the first zero byte); false with the size message shown.
    bool loadFile(const QString& path);
    // Plain save (asNew false) or save with a new name. False when nothing was saved.
    bool save(bool asNew);
    // Selects a 0-based line with its line break and scrolls it into view.
    void showLine(int line0);
    void gotoLine(int line1) { showLine(line1 - 1); }
    void caretToEnd();

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    MainFrame* frame_;
    MacroEdit* edit_;
    int mode_;
    bool crlf_ = true;  // the file's lines end in CR LF (else LF)
};

// The editor text for a file's bytes; `crlf` tells the file's line-end convention.
QString editorTextFromBytes(const std::string& bytes, bool& crlf);

// Reads a macro file: at most 65,535 bytes, up to the first zero byte. False when it cannot
// be read or is too big.
bool readMacroBytes(const QString& path, std::string& bytes);
// Writes the text and one zero byte, atomically. False on failure.
bool writeMacroBytes(const QString& path, const std::string& bytes);

}  // namespace orv::app
