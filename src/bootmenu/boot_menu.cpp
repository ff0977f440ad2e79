#include "bootmenu/boot_menu.h"

#include "platform/platform.h"

namespace vorlane::bootmenu {
namespace {

// Whether menus[at]'s leads_on entry is replaced by the next menu: it has
// entries and is of the kind the entry opens (unnamed on either side matches).
bool opens_next(const std::vector<SourceMenu>& menus, std::size_t at) {
    const SourceMenu& menu = menus[at];
    const SourceMenu* next = at + 1 < menus.size() ? &menus[at + 1] : nullptr;
    return next && !next->entries.empty() &&
           (menu.opens == MenuKind::unnamed || next->kind == MenuKind::unnamed || menu.opens == next->kind);
}

// The chained menu of menus[from..], as it stands behind `prefix`.
void append(const std::vector<SourceMenu>& menus, std::size_t from, const std::vector<Step>& prefix,
            bool leads_to_default, BootMenu& out) {
    const SourceMenu& menu = menus[from];
    const bool has_next = opens_next(menus, from);
    bool replaced = false, default_replaced = false;
    for (std::size_t i = 0; i < menu.entries.size() && out.entries.size() < kMaxEntries; ++i) {
        const SourceEntry& entry = menu.entries[i];
        const bool is_default = leads_to_default && i == menu.default_index;
        std::vector<Step> steps = prefix;
        steps.push_back(Step{menu.source, entry.key, false});
        if (entry.leads_on && has_next && !replaced) {
            replaced = true;
            default_replaced = is_default;
            steps.back().through = menu.pass_through;
            append(menus, from + 1, steps, is_default, out);
            continue;
        }
        if (is_default) out.default_index = out.entries.size();
        out.entries.push_back(Entry{entry.name, std::move(steps)});
    }
    // The tooltip names the default of the innermost menu the default leads
    // into; never the entry replaced, which is not in the menu.
    if (leads_to_default && !default_replaced) out.default_name = menu.default_name;
}

}  // namespace

BootMenu chain(const std::vector<SourceMenu>& menus) {
    BootMenu out;
    std::size_t root = 0;
    bool refused_outside = false;
    for (const SourceMenu& menu : menus) {
        if (!menu.notice.empty()) out.notices.push_back(menu.notice);
        out.refused = out.refused || menu.refused;
    }
    for (; root < menus.size() && menus[root].entries.empty(); ++root)
        if (menus[root].refused) refused_outside = true;
    if (root == menus.size()) return out;
    append(menus, root, {}, true, out);
    // A menu refused outside the root is passed on every boot: a choice made
    // as if the root came first could start something else.
    for (Entry& entry : out.entries) entry.elevate = refused_outside;

    // The next boot's way through the menus: each menu's pending entry, else
    // its default, into the menu it leads on to.
    bool pending = false;
    for (std::size_t at = root; at < menus.size();) {
        const SourceMenu& menu = menus[at];
        pending = pending || menu.next_index != kNoEntry;
        const std::size_t i = menu.next_index != kNoEntry ? menu.next_index : menu.default_index;
        if (i >= menu.entries.size()) break;
        if (!menu.entries[i].leads_on || !opens_next(menus, at)) {
            if (pending) out.pending = menu.entries[i].name;
            break;
        }
        ++at;
    }
    return out;
}

namespace {

// The dry run's record of a write: the same file as the power actions'.
void log_write(const std::string& what) {
    std::string log;
    if (platform::get_env(kDryRunLogVariable, &log) && !log.empty())
        platform::file_append(log, "Write " + what + "\r\n");
}

// Makes the changes in order; when one fails, undoes those made, in reverse.
bool make_all(const std::vector<Change>& changes, std::string* failure) {
    for (std::size_t made = 0; made < changes.size(); ++made) {
        log_write(changes[made].what);
        if (changes[made].make(failure)) continue;
        std::string still;
        for (std::size_t i = made; i-- > 0;) {
            std::string ignored;
            if (changes[i].undo(&ignored)) continue;
            still += "\n- " + changes[i].what;
        }
        if (!still.empty()) *failure += "\n\nThese could not be put back, and are still changed:" + still;
        return false;
    }
    return true;
}

}  // namespace

bool choose(const Entry& entry, const Choice& choice, std::string* failure) {
    std::vector<Change> changes;
    for (std::size_t i = entry.steps.size(); i-- > 0;) {
        const Step& step = entry.steps[i];
        Choice here = choice;
        if (step.through && choice.lasting == Lasting::once) here.lasting = Lasting::through;
        if (!step.source->plan(step.key, here, &changes, failure)) return false;
    }
    return make_all(changes, failure);
}

bool cancel(const std::vector<Source*>& sources, std::string* failure) {
    std::vector<Change> changes;
    for (Source* source : sources) source->plan_cancel(&changes);
    return make_all(changes, failure);
}

bool choose(Source& source, const std::string& key, const Choice& choice, std::string* failure) {
    return choose(Entry{choice.name, {Step{&source, key, false}}}, choice, failure);
}

}  // namespace vorlane::bootmenu
