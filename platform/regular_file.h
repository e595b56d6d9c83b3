#pragma once
#include <string>

namespace platform {

// Opens `path` for reading only when it is a regular file once links are followed. The open
// itself never waits (a FIFO without a writer, a device), and the kind is taken from the
// opened descriptor, so a name swapped between a check and the open cannot slip through.
// Returns the descriptor, in blocking mode again and closed on exec, or -1 with errno set
// (EINVAL for anything that is not a regular file).
int OpenRegularFileForReading(const std::string& path);

// Why OpenRegularFileForReading failed with `error`, in words a message can show.
std::string OpenFailureReason(int error);

}  // namespace platform
