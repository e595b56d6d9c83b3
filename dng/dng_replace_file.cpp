#include "dng/dng_replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "dng/dng_exceptions.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Removes the temporary file unless it was renamed into place.
struct TemporaryFile {
    std::string path;
    bool kept = false;
    ~TemporaryFile() {
        if (!kept) ::unlink(path.c_str());
    }
};

void SyncToDisk(const std::string& path, bool directory) {
    const int fd = ::open(path.c_str(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) {
        if (directory) return;  // the rename itself already happened; a folder sync is best effort
        ThrowWriteFile("Cannot reopen the written file: " + path);
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok && !directory) ThrowWriteFile("Cannot flush the written file to disk: " + path);
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::function<void(dng_stream&)>& write) {
    const std::string folder = FolderOf(path);
    std::string pattern = folder + "/.dng-write-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) ThrowOpenFile("Cannot create a temporary file in " + folder);
    // mkstemp makes the file private; the result gets the permissions of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    TemporaryFile temporary{pattern};
    {
        dng_file_stream stream(temporary.path, true);
        write(stream);
        stream.Flush();
    }
    SyncToDisk(temporary.path, false);
    if (std::rename(temporary.path.c_str(), path.c_str()) != 0)
        ThrowWriteFile("Cannot rename the written file to " + path);
    temporary.kept = true;
    SyncToDisk(folder, true);
}
