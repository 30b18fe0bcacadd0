#include "ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

// Reads a wait status: the exit code, or 128 and the signal, as shells report it.
int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts program with the file actions; the argument vector points into the strings.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const posix_spawn_file_actions_t& actions) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

} // namespace

ChildProcess::~ChildProcess() {
    CloseInput();
    if (!Wait(std::chrono::minutes(1)))
        Kill();
    CloseOutput();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 2);
    const pid_t pid = Spawn(program, arguments, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (pid < 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    pid_ = pid;
    input_ = toChild[1];
    output_ = fromChild[0];
    Started();
    return true;
}

bool ChildProcess::StartWithOutputFile(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& outputFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const pid_t pid = Spawn(program, arguments, actions);
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0)
        return false;
    pid_ = pid;
    Started();
    return true;
}

bool ChildProcess::ReadByte(char& byte) {
    if (output_ < 0)
        return false;
    for (;;) {
        const ssize_t got = read(output_, &byte, 1);
        if (got == 1)
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void ChildProcess::CloseInput() {
    if (input_ >= 0)
        close(input_);
    input_ = -1;
}

void ChildProcess::CloseOutput() {
    if (output_ >= 0)
        close(output_);
    output_ = -1;
}

int ChildProcess::Wait() {
    if (ended_)
        return exitCode_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
    exitCode_ = ExitCodeOf(status);
    return exitCode_;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (ended_)
        return exitCode_;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            exitCode_ = ExitCodeOf(status);
            return exitCode_;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool ChildProcess::HoldsTemporaryDatabase(const std::string& tempFolder) const {
    // SQLite removes its temporary files right after creating them, so only the child's open descriptors show them
    // ("/tmp/x/etilqs_3c1f... (deleted)").
    if (ended_)
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

} // namespace testing_support
