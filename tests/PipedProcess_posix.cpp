#include "PipedProcess.h"

#include "ChildCommandLine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace testing_support {

PipedProcess::~PipedProcess() {
    CloseInput();
    if (!Wait(std::chrono::minutes(1)))
        Kill();
    if (output_ >= 0)
        close(output_);
}

bool PipedProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
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

    std::vector<char*> argv = ChildArgumentVector(program, arguments);

    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (result != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    pid_ = pid;
    input_ = toChild[1];
    output_ = fromChild[0];
    return true;
}

bool PipedProcess::ReadByte(char& byte) {
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

void PipedProcess::CloseInput() {
    if (input_ >= 0)
        close(input_);
    input_ = -1;
}

int PipedProcess::Wait() {
    if (pid_ < 0)
        return exitCode_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode_;
}

std::optional<int> PipedProcess::Wait(std::chrono::milliseconds timeout) {
    if (pid_ < 0)
        return exitCode_;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return exitCode_;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void PipedProcess::Kill() {
    if (pid_ < 0)
        return;
    kill(pid_, SIGKILL);
    Wait();
}

} // namespace testing_support
