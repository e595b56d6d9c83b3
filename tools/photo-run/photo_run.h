#pragma once
#include <ostream>

#include <string>

#include "photo_options.h"
#include "pipeline/headless_window.h"

namespace photorun {

constexpr int kAllDone = 0;
constexpr int kBadArguments = 2;
constexpr int kOperationFailed = 3;

// Runs what the options ask for; message boxes and status texts go to `log`
// as "message: CAPTION: TEXT" and "status: TEXT". Returns the exit code.
int RunPhoto(const PhotoRunOptions& options, std::ostream& log);

// Why a final result was refused without a message, for standard error.
std::string SilentRefusalReason(const pipeline::HeadlessWindow& window);

}  // namespace photorun
