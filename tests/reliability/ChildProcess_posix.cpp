#include "ChildProcess.h"

#include "ChildCommandLine.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace reliability {

ChildProcess::~ChildProcess() {
    Kill();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& outputFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    std::vector<char*> argv = testing_support::ChildArgumentVector(program, arguments);

    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return false;
    pid_ = pid;
    ended_ = false;
    killed_ = false;
    exitCode_ = -1;
    return true;
}

namespace {

// Reads a wait status: the exit code, or 128 and the signal, as shells report it.
int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

bool ChildProcess::HasEnded() {
    if (pid_ < 0 || ended_)
        return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_)
        return false;
    ended_ = true;
    exitCode_ = ExitCodeOf(status);
    return true;
}

bool ChildProcess::Kill() {
    if (HasEnded())
        return false;
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
    exitCode_ = ExitCodeOf(status);
    // The child may have ended by itself between the test and the signal; only the status tells.
    killed_ = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return killed_;
}

int ChildProcess::Wait() {
    if (pid_ < 0 || ended_)
        return exitCode_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
    exitCode_ = ExitCodeOf(status);
    return exitCode_;
}

bool ChildProcess::HoldsTemporaryDatabase(const std::string& tempFolder) const {
    // SQLite removes its temporary files right after creating them, so only the child's open descriptors show them
    // ("/tmp/x/etilqs_3c1f... (deleted)").
    if (pid_ < 0 || ended_)
        return false;
    const std::string fdFolder = "/proc/" + std::to_string(pid_) + "/fd";
    DIR* folder = opendir(fdFolder.c_str());
    if (folder == nullptr)
        return false;
    const std::string prefix = tempFolder + "/etilqs_";
    bool found = false;
    while (const dirent* entry = readdir(folder)) {
        char target[4096];
        const ssize_t length = readlink((fdFolder + "/" + entry->d_name).c_str(), target, sizeof(target) - 1);
        if (length > 0 &&
            std::string(target, static_cast<std::size_t>(length)).compare(0, prefix.size(), prefix) == 0) {
            found = true;
            break;
        }
    }
    closedir(folder);
    return found;
}

void SetEnvironment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

} // namespace reliability
