#include "app/tools/toolbox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "app/codec.h"
#include "app/message.h"
#include "tools/catalogue.h"

namespace orv::app {

namespace {

QString q(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The height the tallest syntax text of the catalogue takes in `label`'s font.
int tallestSyntax(const QLabel* label) {
    int most = 0;
    for (const tools::Category& c : tools::categories())
        for (const tools::StatementInfo& s : c.statements) {
            const QString t = QString::fromStdString(tools::displaySyntax(s.syntax));
            const QRect r = label->fontMetrics().boundingRect(QRect(0, 0, 4000, 4000),
                                                              Qt::AlignLeft | Qt::AlignTop, t);
            most = std::max(most, r.height());
        }
    return most;
}

QFont gothic(int pixelHeight, bool bold) {
    QFont f(u8q("ＭＳ ゴシック"));
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    return f;
}

}  // namespace

// ---- toolbox ----

ToolboxWindow::ToolboxWindow(Desktop& desktop, QWidget* dialogOwner)
    : desktop_(desktop), dialogOwner_(dialogOwner) {
    setObjectName("Orv_ToolBox");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u8q("ツールボックス"));
    // No system menu, sizing border or minimise and maximise boxes.
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* body = new QWidget(this);
    category_ = new QComboBox(body);
    category_->setObjectName("2000");
    category_->setFixedWidth(100);
    category_->addItem(q(tools::kSelectItem));
    for (const tools::Category& c : tools::categories()) category_->addItem(q(c.name));
    command_ = new QComboBox(body);
    command_->setObjectName("2001");
    command_->setFixedWidth(100);
    command_->setFont(gothic(12, true));
    command_->addItem(q(tools::kSelectItem));
    add_ = new QPushButton(QStringLiteral("Add"), body);
    add_->setObjectName("2010");
    add_->setEnabled(false);
    description_ = new QLabel(body);
    description_->setObjectName("2002");
    syntax_ = new QLabel(body);
    syntax_->setObjectName("2003");
    syntax_->setFont(gothic(10, true));
    syntax_->setTextFormat(Qt::PlainText);
    syntax_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Every syntax text shows whole, its last line included, in the font in use.
    syntax_->setMinimumHeight(tallestSyntax(syntax_) + 2 * syntax_->frameWidth());
    auto* top = new QHBoxLayout;
    top->setSpacing(1);
    top->addWidget(category_);
    top->addWidget(command_);
    top->addWidget(add_);
    top->addWidget(description_, 1);
    auto* lay = new QVBoxLayout(body);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addLayout(top);
    lay->addWidget(syntax_, 1);
    setWidget(body);
    connect(category_, &QComboBox::currentIndexChanged, this, &ToolboxWindow::categoryChanged);
    connect(command_, &QComboBox::currentIndexChanged, this, &ToolboxWindow::commandChanged);
    connect(add_, &QPushButton::clicked, this, &ToolboxWindow::add);
}

void ToolboxWindow::setTarget(QPlainTextEdit* target) {
    target_ = target;
    updateAdd();
}

void ToolboxWindow::relayout(int clientWidth) {
    setGeometry(0, 0, clientWidth, std::max(70, minimumSizeHint().height()));
}

void ToolboxWindow::categoryChanged(int index) {
    QSignalBlocker block(command_);
    command_->clear();
    command_->addItem(q(tools::kSelectItem));
    const auto cats = tools::categories();
    if (index >= 1 && index <= static_cast<int>(cats.size()))
        for (const tools::StatementInfo& s : cats[static_cast<std::size_t>(index - 1)].statements)
            command_->addItem(q(s.word));
    command_->setCurrentIndex(0);
    description_->clear();
    syntax_->clear();
    updateAdd();
}

void ToolboxWindow::commandChanged(int index) {
    description_->clear();
    syntax_->clear();
    if (const tools::StatementInfo* s = tools::statementAt(category_->currentIndex(), index)) {
        description_->setText(q(s->description));
        syntax_->setText(QString::fromStdString(tools::displaySyntax(s->syntax)));
    }
    updateAdd();
}

void ToolboxWindow::updateAdd() {
    add_->setEnabled(target_ && category_->currentIndex() > 0 && command_->currentIndex() > 0);
}

void ToolboxWindow::add() {
    const tools::StatementInfo* s =
        tools::statementAt(category_->currentIndex(), command_->currentIndex());
    const tools::FormSpec* form = s ? tools::formFor(s->word) : nullptr;
    if (!form) return;
    InsertDialog d(*form, desktop_, target_, dialogOwner_);
    d.exec();
}

// ---- insertion dialog ----

InsertDialog::InsertDialog(const tools::FormSpec& form, Desktop& desktop, QPlainTextEdit* target,
                           QWidget* parent)
    : QDialog(parent), form_(form), desktop_(desktop), target_(target) {
    setWindowTitle(u8q("ｺﾏﾝﾄﾞの追加"));
    auto* lay = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel(u8q("追加ｺﾏﾝﾄﾞ:"), this));
    auto* title = new QLabel(q(form.title), this);
    title->setObjectName("1010");
    title->setFont(gothic(13, true));
    head->addWidget(title, 1);
    lay->addLayout(head);
    for (const tools::FieldSpec& f : form.fields) lay->addWidget(makeField(f));
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("ADD"), this);
    ok->setObjectName("1006");
    ok->setDefault(true);
    auto* cancel = new QPushButton(u8q("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("2");
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &InsertDialog::insert);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateEnabled();
    captionChanged();
}

QWidget* InsertDialog::makeField(const tools::FieldSpec& f) {
    using T = tools::FieldType;
    if (f.type == T::Choice) return makeChoice(f);
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    if (!f.label.empty() && f.type != T::Check) h->addWidget(new QLabel(q(f.label), row));
    QWidget* input = nullptr;
    QWidget* shown = nullptr;
    switch (f.type) {
        case T::Check:
            input = shown = new QCheckBox(q(f.label), row);
            static_cast<QCheckBox*>(input)->setChecked(f.preset == "1");
            break;
        case T::Combo:
        case T::Caption: {
            auto* c = new QComboBox(row);
            for (std::string_view o : f.options) c->addItem(q(o));
            if (f.type == T::Caption) {
                c->setEditable(true);
                for (const std::string& t : tools::windowCaptions(desktop_))
                    c->addItem(fromCp932(t));
                c->setCurrentIndex(-1);
                connect(c, &QComboBox::currentTextChanged, this, &InsertDialog::captionChanged);
            } else {
                c->setCurrentText(q(f.preset));
            }
            input = shown = c;
            break;
        }
        case T::File:
            shown = makeFile(f, input);
            break;
        default: {
            auto* e = new QLineEdit(q(f.preset), row);
            if (f.type == T::Digits)
                e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
            input = e;
            shown = withGetButton(f, e);
        }
    }
    input->setObjectName(q(f.id));
    h->addWidget(shown, 1);
    fields_[std::string(f.id)] = input;
    rows_[std::string(f.id)] = row;
    return row;
}

QWidget* InsertDialog::makeChoice(const tools::FieldSpec& f) {
    auto* box = new QGroupBox(q(f.label), this);
    box->setObjectName(q(f.id));
    auto* h = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int i = 0;
    for (std::string_view o : f.options) {
        auto* b = new QRadioButton(q(o), box);
        b->setObjectName(q(f.id) + "/" + QString::number(i));
        group->addButton(b, i);
        h->addWidget(b);
        if (i == 0) b->setChecked(true);
        ++i;
    }
    connect(group, &QButtonGroup::idClicked, this, &InsertDialog::updateEnabled);
    fields_[std::string(f.id)] = box;
    rows_[std::string(f.id)] = box;
    return box;
}

QWidget* InsertDialog::makeFile(const tools::FieldSpec& f, QWidget*& input) {
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    auto* e = new QLineEdit(w);
    auto* browse = new QPushButton(QStringLiteral("...."), w);
    browse->setObjectName(q(f.id) + "/browse");
    h->addWidget(e, 1);
    h->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, e] {
        const QString title = u8q("ファイルオープン！");
        QString p = form_.filter == tools::FileFilter::Program
                        ? chooseProgram(this, title, QDir::currentPath())
                        : chooseFile(this, false, title, QDir::currentPath(),
                                     u8q("csv(*.csv);;All files(*)"));
        if (!p.isEmpty()) e->setText(p);
    });
    input = e;
    return w;
}

// WMOVE and WSIZE: "Get" beside the X (width) and Y (height) number.
QWidget* InsertDialog::withGetButton(const tools::FieldSpec& f, QWidget* input) {
    if (!form_.getButtons) return input;
    const bool x = f.id == "xnum" || f.id == "wnum";
    const bool y = f.id == "ynum" || f.id == "hnum";
    if (!x && !y) return input;
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    auto* get = new QPushButton(QStringLiteral("Get"), w);
    get->setObjectName(y ? "getY" : "getX");
    get_[y ? 1 : 0] = get;
    h->addWidget(input, 1);
    h->addWidget(get);
    connect(get, &QPushButton::clicked, this, [this, y] { fetch(y); });
    return w;
}

tools::FormValues InsertDialog::values() const {
    tools::FormValues v;
    for (const auto& [id, w] : fields_) {
        QString text;
        if (auto* e = qobject_cast<QLineEdit*>(w))
            text = e->text();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            text = c->currentText();
        else if (auto* b = qobject_cast<QCheckBox*>(w))
            text = b->isChecked() ? "1" : "0";
        else if (auto* g = w->findChild<QButtonGroup*>())
            text = QString::number(g->checkedId());
        v[id] = text.toStdString();
    }
    return v;
}

QWidget* InsertDialog::field(const std::string& id) const {
    auto it = fields_.find(id);
    return it == fields_.end() ? nullptr : it->second;
}

void InsertDialog::updateEnabled() {
    const tools::FormValues v = values();
    for (const tools::FieldSpec& f : form_.fields)
        rows_[std::string(f.id)]->setEnabled(tools::fieldEnabled(form_, f.id, v));
}

void InsertDialog::captionChanged() {
    auto* c = qobject_cast<QComboBox*>(field("caption"));
    if (!c || !get_[0]) return;
    const bool listed = c->findText(c->currentText()) >= 0 && !c->currentText().isEmpty();
    get_[0]->setEnabled(true);
    if (get_[1]) get_[1]->setEnabled(listed);
}

void InsertDialog::fetch(bool yAxis) {
    auto* c = qobject_cast<QComboBox*>(field("caption"));
    const bool size = form_.word == "WSIZE";
    auto value =
        tools::windowValue(desktop_, toCp932(c ? c->currentText() : QString()), size, yAxis);
    const char* id = size ? (yAxis ? "hnum" : "wnum") : (yAxis ? "ynum" : "xnum");
    if (auto* e = qobject_cast<QLineEdit*>(field(id)); e && value)
        e->setText(QString::number(*value));
}

bool InsertDialog::insert() {
    if (!target_) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"),
                    u8q("コマンドを挿入するファイルが設定されていません"));
        return false;
    }
    tools::BuildResult r = tools::buildStatement(form_, values());
    if (!r.ok) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), q(r.message));
        if (QWidget* w = field(r.field)) w->setFocus();
        return false;
    }
    QString text = q(r.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor c = target_->textCursor();
    c.insertText(text);  // replaces the selection: the text goes in at the caret
    target_->setTextCursor(c);
    target_->setFocus();
    accept();
    return true;
}

}  // namespace orv::app
