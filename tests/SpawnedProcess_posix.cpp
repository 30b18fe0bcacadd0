#include "SpawnedProcess.h"

#include "platform/ModulePath.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace testing_support {

SpawnedProcess::~SpawnedProcess() {
    Kill();
}

bool SpawnedProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    pid_ = pid;
    return true;
}

std::optional<int> SpawnedProcess::Wait(std::chrono::milliseconds timeout) {
    if (pid_ < 0)
        return std::nullopt;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void SpawnedProcess::Kill() {
    if (pid_ < 0)
        return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string TestProgramFolder() {
    const std::string path = platform::GetModuleFilePath(nullptr);
    return path.substr(0, path.rfind('/') + 1);
}

std::string HelperProgram(const std::string& name) {
    return TestProgramFolder() + name;
}

} // namespace testing_support
