#pragma once
#include <ostream>

#include "photo_options.h"

namespace photorun {

constexpr int kAllDone = 0;
constexpr int kBadArguments = 2;
constexpr int kOperationFailed = 3;

// Runs what the options ask for; message boxes and status texts go to `log`
// as "message: CAPTION: TEXT" and "status: TEXT". Returns the exit code.
int RunPhoto(const PhotoRunOptions& options, std::ostream& log);

}  // namespace photorun
