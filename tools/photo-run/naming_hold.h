#pragma once

namespace photorun {

// For tests of writers at once: with PHOTO_RUN_HOLD=PREFIX in the environment, the first
// finished file waits before it is named. The run makes the file PREFIX.PID and goes on
// once PREFIX.go exists (or after a minute).
void HoldBeforeNamingWhenAsked();

}  // namespace photorun
