#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

// The folder for lock files: the user's runtime folder, which only the user can write and which lives as long as
// the user is logged in; without one, a folder of the user's own under the temporary folder. A folder there that
// belongs to someone else, or that others may write, is not used: whoever controls it could hold the lock.
std::string LockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return runtime;
    const char* temp = std::getenv("TMPDIR");
    const std::string base = (temp != nullptr && temp[0] == '/') ? temp : "/tmp";
    const std::string folder = base + "/tidyquill-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid() ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return {};
    return folder;
}

std::string LockFileName(const std::string& name) {
    std::string file = name;
    for (char& c : file)
        if (c == '/')
            c = '_';
    return file + ".lock";
}

} // namespace

struct InstanceMutex::State {
    int fd = -1;
    void Close() {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    ~State() { Close(); }
};

InstanceMutex::InstanceMutex() : state_(std::make_unique<State>()) {}
InstanceMutex::~InstanceMutex() = default;

bool InstanceMutex::CreateAndCheckExisting(const std::string& name) {
    state_->Close();
    const std::string folder = LockFolder();
    if (name.empty() || folder.empty())
        return false;
    const std::string path = folder + "/" + LockFileName(name);
    // Close-on-exec: a program started by this one must not inherit the lock and keep it after we end.
    state_->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (state_->fd < 0)
        return false;
    // The lock, not the file, marks the instance: a file left by a copy that died is taken over at once.
    int result;
    do {
        result = flock(state_->fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result != 0 && errno == EWOULDBLOCK;
}

struct InstanceEvent::State {};

InstanceEvent::InstanceEvent() : state_(std::make_unique<State>()) {}
InstanceEvent::~InstanceEvent() = default;

bool InstanceEvent::Create(const std::string&) {
    return false;
}

bool InstanceEvent::IsValid() const {
    return false;
}

bool InstanceEvent::Wait() {
    return false;
}

void InstanceEvent::Cancel() {}

bool InstanceEvent::SignalExisting(const std::string&) {
    return false;
}

bool WindowExists(void*) {
    return false;
}

void ActivateMainWindow(void*) {}

} // namespace platform
