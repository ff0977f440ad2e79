// Whether a scheduled action is pending, as the tray picture shows it.
#pragma once

namespace vorlane::schedule {

// Re-reads ScheduleStatus: pending exactly when it is "Enabled".
bool schedule_enabled();

}  // namespace vorlane::schedule
