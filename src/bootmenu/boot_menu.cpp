#include "bootmenu/boot_menu.h"

namespace vorlane::bootmenu {
namespace {

// The chained menu of menus[from..], as it stands behind `prefix`.
void append(const std::vector<SourceMenu>& menus, std::size_t from, const std::vector<Step>& prefix,
            bool leads_to_default, BootMenu& out) {
    const SourceMenu& menu = menus[from];
    const SourceMenu* next = from + 1 < menus.size() ? &menus[from + 1] : nullptr;
    const bool has_next = next && !next->entries.empty() &&
                          (menu.opens == MenuKind::unnamed || next->kind == MenuKind::unnamed ||
                           menu.opens == next->kind);
    bool replaced = false;
    for (std::size_t i = 0; i < menu.entries.size() && out.entries.size() < kMaxEntries; ++i) {
        const SourceEntry& entry = menu.entries[i];
        const bool is_default = leads_to_default && i == menu.default_index;
        std::vector<Step> steps = prefix;
        steps.push_back(Step{menu.source, entry.key, false});
        if (entry.leads_on && has_next && !replaced) {
            replaced = true;
            steps.back().through = menu.pass_through;
            append(menus, from + 1, steps, is_default, out);
            continue;
        }
        if (is_default) out.default_index = out.entries.size();
        out.entries.push_back(Entry{entry.name, std::move(steps)});
    }
    // The tooltip names the default of the innermost menu the default leads into.
    if (leads_to_default && (out.default_name.empty() || !replaced)) out.default_name = menu.default_name;
}

}  // namespace

BootMenu chain(const std::vector<SourceMenu>& menus) {
    BootMenu out;
    for (const SourceMenu& menu : menus)
        if (!menu.notice.empty()) out.notices.push_back(menu.notice);
    std::size_t root = 0;
    while (root < menus.size() && menus[root].entries.empty()) ++root;
    if (root == menus.size()) {
        // Nothing to list; the innermost menu may still name a default.
        if (!menus.empty()) out.default_name = menus.back().default_name;
        return out;
    }
    append(menus, root, {}, true, out);
    return out;
}

bool choose(const Entry& entry, Lasting lasting, std::string* failure) {
    for (std::size_t i = entry.steps.size(); i-- > 0;) {
        const Step& step = entry.steps[i];
        if (!step.source->choose(step.key, step.through ? Lasting::through : lasting, failure)) return false;
    }
    return true;
}

}  // namespace vorlane::bootmenu
