#include "dng/dng_publish_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "dng/dng_exceptions.h"
#include "dng/dng_stray_files.h"

void (*gPublishStageHook)(PublishStage stage, int descriptor) = nullptr;
bool gPublishNamedTemporaryOnly = false;

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void Reach(PublishStage stage, int descriptor) {
    if (gPublishStageHook) gPublishStageHook(stage, descriptor);
}

// A hidden name in `folder` that is unlikely to be taken; the caller creates it exclusively.
std::string TemporaryName(const std::string& folder) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = folder + "/.dng-write-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

constexpr int kNameTries = 100;

// The file being written: unnamed where the file system allows, else under a registered
// temporary name. Removed unless it was given its final name. Its errors name the file it
// is to become, `target` until a name is claimed.
class PendingFile {
public:
    PendingFile(std::string folder, std::string target) : fFolder(std::move(folder)), fTarget(std::move(target)) {
        if (!gPublishNamedTemporaryOnly) fFd = ::open(fFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fFd < 0) CreateNamed();
    }

    ~PendingFile() {
        ::close(fFd);
        if (fPath.empty()) return;
        dng_termination_signals_held held;
        ::unlink(fPath.c_str());
        UnregisterStrayFile(fSlot);
    }

    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int Descriptor() const { return fFd; }
    const std::string& Target() const { return fTarget; }

    // Names the file `name` unless something has that name; false then.
    bool Claim(const std::string& name) {
        if (fPath.empty()) return LinkUnnamed(name);
        dng_termination_signals_held held;
        if (::renameat2(AT_FDCWD, fPath.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
            Forget();
            return true;
        }
        if (errno == EEXIST) return false;
        if (errno != EINVAL && errno != ENOSYS) ThrowFileError(dng_error_write_file, name, errno);
        // The file system cannot rename without replacing; a second link claims a name as surely.
        if (::link(fPath.c_str(), name.c_str()) != 0) {
            if (errno == EEXIST) return false;
            ThrowFileError(dng_error_write_file, name, errno);
        }
        ::unlink(fPath.c_str());
        Forget();
        return true;
    }

    // Names the file `name`, replacing whatever had it.
    void Replace(const std::string& name) {
        dng_termination_signals_held held;
        if (fPath.empty()) {
            if (LinkUnnamed(name)) return;
            // A link cannot replace: the file gets a temporary name for the moment of the rename.
            for (int i = 0; i < kNameTries && fPath.empty(); ++i) {
                const std::string path = TemporaryName(fFolder);
                if (LinkUnnamed(path)) {
                    fPath = path;
                    fSlot = RegisterStrayFile(path);
                }
            }
            if (fPath.empty()) ThrowWriteFile("Cannot name the written file in " + fFolder);
        }
        if (std::rename(fPath.c_str(), name.c_str()) != 0) ThrowFileError(dng_error_write_file, name, errno);
        Forget();
    }

private:
    void CreateNamed() {
        dng_termination_signals_held held;
        int error = EEXIST;
        for (int i = 0; i < kNameTries && fFd < 0 && error == EEXIST; ++i) {
            const std::string path = TemporaryName(fFolder);
            fFd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            error = errno;
            if (fFd >= 0) {
                fPath = path;
                fSlot = RegisterStrayFile(path);
            }
        }
        // Told as a failure of the file to be written: the folder refused it.
        if (fFd < 0) ThrowFileError(dng_error_open_file, fTarget, error);
    }

    bool LinkUnnamed(const std::string& name) const {
        const std::string self = "/proc/self/fd/" + std::to_string(fFd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno == EEXIST) return false;
        ThrowFileError(dng_error_write_file, name, errno);
    }

    // The temporary name is gone, taken over by the final one.
    void Forget() {
        UnregisterStrayFile(fSlot);
        fSlot = -1;
        fPath.clear();
    }

    std::string fFolder;
    std::string fTarget;
    int fFd = -1;
    std::string fPath;  // empty while the file is unnamed
    int fSlot = -1;
};

void WriteAndSync(const PendingFile& file, const std::function<void(dng_stream&)>& write) {
    Reach(PublishStage::TemporaryCreated, file.Descriptor());
    {
        // The stream closes its own descriptor; this one stays to sync and name the file.
        const int copy = ::fcntl(file.Descriptor(), F_DUPFD_CLOEXEC, 0);
        if (copy < 0) ThrowFileError(dng_error_open_file, file.Target(), errno);
        dng_file_stream stream(copy, file.Target());
        write(stream);
        stream.Flush();
    }
    if (::fsync(file.Descriptor()) != 0) ThrowFileError(dng_error_write_file, file.Target(), errno);
    Reach(PublishStage::Written, file.Descriptor());
}

// Best effort: the name is in place whether or not the folder reaches the disk now.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::function<void(dng_stream&)>& write) {
    const std::string folder = FolderOf(path);
    PendingFile file(folder, path);
    WriteAndSync(file, write);
    file.Replace(path);
    SyncFolder(folder);
}

std::string WriteFileClaiming(const std::function<std::string()>& nextName,
                              const std::function<void(dng_stream&)>& write) {
    std::string name = nextName();
    const std::string folder = FolderOf(name);
    PendingFile file(folder, name);
    WriteAndSync(file, write);
    while (!file.Claim(name)) name = nextName();
    SyncFolder(folder);
    return name;
}
