// What every form shares: its values as it opens, which of its fields are enabled, the
// captions and window values its caption combos and "Get" buttons show, the KEY combo items.
#include "tools/statement_forms.h"

#include "lang/text.h"
#include "tools/statement_fields.h"

namespace orv::tools {

namespace {

using form_fields::bit;
using sv = std::string_view;

const FieldSpec* fieldOf(const FormSpec& form, sv id) {
    for (const FieldSpec& f : form.fields)
        if (f.id == id) return &f;
    return nullptr;
}

}  // namespace

std::span<const std::string_view> keyComboItems() {
    return form_fields::kKeys;
}

FormValues initialValues(const FormSpec& form) {
    FormValues v;
    for (const FieldSpec& f : form.fields) v.emplace(std::string(f.id), std::string(f.preset));
    return v;
}

bool fieldEnabled(const FormSpec& form, std::string_view id, const FormValues& values) {
    const FieldSpec* f = fieldOf(form, id);
    for (int depth = 0; f && !f->enabledBy.empty() && depth < 8; ++depth) {
        const FieldSpec* group = fieldOf(form, f->enabledBy);
        if (!group) return false;
        auto it = values.find(group->id);
        int chosen = toInt(it == values.end() ? group->preset : sv(it->second));
        if (chosen < 0 || chosen > 31 || (f->enabledMask & bit(chosen)) == 0) return false;
        f = group;
    }
    return f != nullptr;
}

std::vector<std::string> windowCaptions(Desktop& desktop) {
    std::vector<std::string> out;
    for (const WindowInfo& w : desktop.windows()) {
        if (w.title.empty()) continue;
        bool seen = false;
        for (const std::string& t : out) seen = seen || t == w.title;
        if (!seen) out.push_back(w.title);
    }
    return out;
}

std::optional<int> windowValue(Desktop& desktop, const std::string& caption, bool size,
                               bool yAxis) {
    for (const WindowInfo& w : desktop.windows()) {
        if (w.title != caption) continue;
        if (size) return yAxis ? w.height : w.width;
        return yAxis ? w.top : w.left;
    }
    return std::nullopt;
}

}  // namespace orv::tools
