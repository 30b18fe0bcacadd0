#include "platform/Application.h"

#include "BuildVersion.h"
#include "platform/System.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace platform {

// --- Settings folder -------------------------------------------------------------------------------------------------

std::string GetAppSettingsFolder(const std::string&, const std::string& product) {
    std::string folder = GetSpecialFolder(kFolderConfig);
    if (folder.empty())
        return {};
    std::string name = product;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (folder.back() != '/')
        folder += '/';
    return folder + name;
}

// --- Single instance -------------------------------------------------------------------------------------------------

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

std::optional<std::uint64_t> InstanceEvent::OwnerProcessId(const std::string&) {
    return std::nullopt;
}

bool WindowExists(void*) {
    return false;
}

void ActivateMainWindow(void*) {}

// --- The program's file ----------------------------------------------------------------------------------------------

std::string GetModuleFilePath(const void* module) {
    if (module != nullptr)
        return {};
    // readlink does not say whether the path was cut: a result that fills the buffer is read again with more room.
    for (size_t size = 256; size <= 1 << 20; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
        if (length <= 0)
            return {};
        if (static_cast<size_t>(length) < size)
            return std::string(buffer.data(), static_cast<size_t>(length));
    }
    return {};
}

// --- Version resource ------------------------------------------------------------------------------------------------

std::optional<VersionStrings> ReadVersionResource(const std::string&) {
    return std::nullopt;
}

std::optional<VersionStrings> ReadRunningProgramVersion() {
    VersionStrings strings;
    strings.fileDescription = TIDYQUILL_FILE_DESCRIPTION;
    strings.companyName = TIDYQUILL_COMPANY_NAME;
    strings.fileVersion = TIDYQUILL_FILE_VERSION_TEXT;
    return strings;
}

// --- Crash handler ---------------------------------------------------------------------------------------------------

// Linux writes no minidumps: a fault stays with the system's own handling (a core file where it is enabled).
bool ReportCrashHere() {
    return false;
}

bool InstallCrashHandler(CrashHandlerSteps) {
    return false;
}

std::string GetWindowsVersionTag() {
    utsname names{};
    if (uname(&names) != 0)
        return "0.0_x86";
    unsigned major = 0;
    unsigned minor = 0;
    std::sscanf(names.release, "%u.%u", &major, &minor);
    std::string architecture = names.machine;
    if (architecture == "x86_64")
        architecture = "x64";
    else if (architecture == "i386" || architecture == "i486" || architecture == "i586" || architecture == "i686")
        architecture = "x86";
    return std::to_string(major) + "." + std::to_string(minor) + "_" + architecture;
}

std::string CreateDumpFile(const std::string& fileName, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        std::string path = folder;
        if (path.back() != '/')
            path += '/';
        path += fileName;
        if (path.size() > 2047)
            continue;
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file < 0)
            continue;
        close(file);
        return path;
    }
    return {};
}

} // namespace platform
