#pragma once
// Starting a helper program from a test and waiting for it.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class SpawnedProcess {
public:
    SpawnedProcess() = default;
    // Kills the program if it still runs.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    // Starts program with the arguments (UTF-8, passed one by one whatever they hold); false when it cannot start.
    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    // The exit code once the program has ended; none when it still runs after timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    // Ends the program at once, as a crash would, and waits for it.
    void Kill();

private:
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
};

// The folder of the running test program, with a trailing separator.
std::string TestProgramFolder();
// The path of a helper program built beside the test programs ("appbase_probe" becomes appbase_probe.exe on
// Windows).
std::string HelperProgram(const std::string& name);

} // namespace testing_support
