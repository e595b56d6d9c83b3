#pragma once
#include <functional>
#include <string>

#include "dng/dng_stream.h"

// Files that appear complete or not at all. `write` fills a stream on a temporary file in
// the target's folder: an unnamed one where the file system offers it, so that not even a
// kill can leave it behind, otherwise a hidden named one that is removed when the program
// ends on SIGTERM, SIGINT or SIGHUP. Only when `write` returned normally is the file flushed
// to disk and given its name. On any failure the temporary file goes, the error passes on
// and whatever had the name stays untouched. What the system refuses is thrown as a
// dng_file_error naming the file to be written (the name being claimed, once naming began)
// and the system's reason.

// Gives the finished file the name `path`, atomically replacing whatever had it (a link
// under the name is replaced, never followed).
void WriteFileReplacing(const std::string& path, const std::function<void(dng_stream&)>& write);

// Gives the finished file the first name from `nextName` (called once per try, every name
// in one folder) that nothing has at that moment. Each name is claimed atomically, so two
// writers never end up with one name and nothing existing is ever replaced. Returns the name.
std::string WriteFileClaiming(const std::function<std::string()>& nextName,
                              const std::function<void(dng_stream&)>& write);

// For tests: the points at which a write can be held to be interrupted, each told with the
// descriptor of the temporary file (which a test may point at a device that refuses writes).
enum class PublishStage {
    TemporaryCreated,  // the temporary file exists and is empty
    Written,           // the temporary file is complete and on disk, not yet named
};
extern void (*gPublishStageHook)(PublishStage stage, int descriptor);
// For tests: use the named temporary file even where an unnamed one is possible.
extern bool gPublishNamedTemporaryOnly;
