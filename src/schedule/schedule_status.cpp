#include "schedule/schedule_status.h"

#include <string>

#include "settings/settings_store.h"

namespace vorlane::schedule {

bool schedule_enabled() {
    std::string status;
    return settings::read_setting("ScheduleStatus", &status) && status == "Enabled";
}

}  // namespace vorlane::schedule
