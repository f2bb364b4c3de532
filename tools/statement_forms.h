// The forms of the command-insertion dialog and the text each one inserts. A form is a list
// of fields (inputs, combos, check boxes and choice groups); a field may belong to a choice
// of a group, and is enabled only while that choice is selected (and the group itself is
// enabled). buildStatement() checks the entered values in the order the form gives them and
// produces the statement text, or the message and the field to correct. Texts are UTF-8.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace orv::tools {

enum class FieldType {
    Text,     // a line edit
    Digits,   // a line edit that takes digits only
    Combo,    // a fixed list (key names, signs)
    Caption,  // an editable combo listing the captions of the desktop's windows
    File,     // a line edit with a "...." browse button
    Check,    // a check box; value "1" or "0"
    Choice,   // a group of choice buttons; value "0", "1", ... (the selected option)
};

struct FieldSpec {
    std::string_view id;
    std::string_view label;
    FieldType type;
    std::span<const std::string_view> options{};  // Choice options, Combo items
    std::string_view preset{};                    // the value when the dialog opens
    std::string_view enabledBy{};                 // id of the controlling Choice, or ""
    unsigned enabledMask = 0;                     // bit i: enabled while option i is chosen
};

enum class FileFilter { None, AnyFile, Program };

struct BuildResult {
    bool ok = false;
    std::string text;     // the statement text, lines ending in "\r\n"
    std::string message;  // the message of the failed check
    std::string field;    // the field to correct
};
// The values of one form being built, as its builder reads them (statement_builder.cpp).
class FormReader;
using FormBuilder = BuildResult (*)(const FormReader&);

// One statement of the toolbox: its form and the builder of its text.
struct FormSpec {
    std::string_view word;   // the statement word of the catalogue
    std::string_view title;  // the dialog's title line
    std::span<const FieldSpec> fields{};
    FormBuilder build = nullptr;  // checks the filled form in field order and gives the text
    FileFilter filter = FileFilter::None;
    bool getButtons = false;  // WMOVE, WSIZE: "Get" beside the X (width) and Y (height) number
};

// The form of a catalogue statement (null for an unknown word).
const FormSpec* formFor(std::string_view word);

// Entered values by field id. Missing ids read as their preset.
using FormValues = std::map<std::string, std::string, std::less<>>;
// The values of a form as it opens (presets; the first option of every choice).
FormValues initialValues(const FormSpec& form);
// Whether the field is enabled under these values.
bool fieldEnabled(const FormSpec& form, std::string_view id, const FormValues& values);

BuildResult buildStatement(const FormSpec& form, const FormValues& values);

// The captions for a caption combo: every top-level window's non-empty title, once, in the
// desktop's order (CP932).
std::vector<std::string> windowCaptions(Desktop& desktop);
// "Get" of WMOVE (left, top) or WSIZE (width, height): the value for the first window
// whose caption equals `caption` (CP932) byte for byte; nothing when there is none.
std::optional<int> windowValue(Desktop& desktop, const std::string& caption, bool size, bool yAxis);

// The key names of the KEY combos, "(NO SET)" first.
std::span<const std::string_view> keyComboItems();

}  // namespace orv::tools
