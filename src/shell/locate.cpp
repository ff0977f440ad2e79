#include "platform/platform.h"
#include "shell/app.h"

namespace vorlane::shell {

// shell32 before 4.71 (NT 4.0 without the desktop update) ignores the request
// to list files, so there the browser offers folders and drives only; the
// folder then names the file in it, as it always did for the set-up's root.
std::string located_file(const std::string& chosen, const std::string& file_name) {
    if (chosen.empty()) return chosen;
    if (chosen.back() == '\\') return chosen + file_name;
    const std::uint32_t attributes = platform::file_attributes(chosen);
    if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttrDirectory))
        return chosen + "\\" + file_name;
    return chosen;
}

}  // namespace vorlane::shell
