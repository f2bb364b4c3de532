// The toolbox (class Orv_ToolBox): a thin MDI child across the top of the frame's client area
// with the category and command combos, the description line and the syntax panel of the
// statement catalogue, and "Add", which opens the command-insertion dialog ("ｺﾏﾝﾄﾞの追加")
// for the chosen statement. The dialog builds its fields from the statement's form and
// inserts the text the form produces at the caret of the insertion target.
#pragma once

#include <QDialog>
#include <QMdiSubWindow>
#include <QPointer>
#include <map>

#include "tools/statement_forms.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orv {
class Desktop;
}

namespace orv::app {

class ToolboxWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    ToolboxWindow(Desktop& desktop, QWidget* dialogOwner);

    QComboBox* categories() const { return category_; }
    QComboBox* commands() const { return command_; }
    QPushButton* addButton() const { return add_; }
    QLabel* description() const { return description_; }
    QLabel* syntax() const { return syntax_; }
    // The editor text control that "ADD" inserts into (the last activated macro editor).
    void setTarget(QPlainTextEdit* target);
    // Width = the frame's client width, height 70 or what the longest syntax text needs in the
    // panel's font, whichever is more (UM_RELAYOUT).
    void relayout(int clientWidth);
    // "Add": the insertion dialog for the chosen statement (modal).
    void add();

  private:
    void categoryChanged(int index);
    void commandChanged(int index);
    void updateAdd();

    Desktop& desktop_;
    QWidget* dialogOwner_;
    QComboBox* category_;
    QComboBox* command_;
    QPushButton* add_;
    QLabel* description_;
    QLabel* syntax_;
    QPointer<QPlainTextEdit> target_;
};

class InsertDialog : public QDialog {
    Q_OBJECT
  public:
    InsertDialog(const tools::FormSpec& form, Desktop& desktop, QPlainTextEdit* target,
                 QWidget* parent);

    // The field widget of a form field id (for tests), and the "Get" buttons.
    QWidget* field(const std::string& id) const;
    tools::FormValues values() const;
    // "ADD": checks, inserts and closes; false when a check failed (the message was shown and
    // the field focused) or there is no target.
    bool insert();

  private:
    QWidget* makeField(const tools::FieldSpec& f);
    QWidget* makeChoice(const tools::FieldSpec& f);
    QWidget* makeFile(const tools::FieldSpec& f, QWidget*& input);
    QWidget* withGetButton(const tools::FieldSpec& f, QWidget* input);
    void updateEnabled();
    void captionChanged();
    void fetch(bool yAxis);

    const tools::FormSpec& form_;
    Desktop& desktop_;
    QPointer<QPlainTextEdit> target_;
    std::map<std::string, QWidget*> fields_;
    std::map<std::string, QWidget*> rows_;  // the widget to enable with a field
    QPushButton* get_[2] = {nullptr, nullptr};
};

}  // namespace orv::app
