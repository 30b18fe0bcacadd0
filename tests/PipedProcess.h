#pragma once
// Another process for the tests, started with pipes for its standard input and output: a test waits for it to be
// ready, reads what it wrote, and ends it by closing its input, or kills it.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class PipedProcess {
public:
    PipedProcess() = default;
    // Closes the child's input and waits for it to end; kills it when it has not ended a minute later.
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    // Starts program (a full path) with the arguments; its standard output and error go to one pipe.
    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    // The next line of the child's output without its line end; empty once the output has ended.
    std::string ReadLine();
    // The rest of the child's output.
    std::string ReadAll();
    // The child sees the end of its input.
    void CloseInput();
    // Waits for the child to end and gives its exit code (-1 when it was not started).
    int Wait();
    // The same, but gives up after timeout: none while the child still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    // Ends the child at once, as a crash would, and waits for it.
    void Kill();

private:
    bool ReadByte(char& byte);

#ifdef _WIN32
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
#else
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
#endif
    int exitCode_ = -1;
};

// The path of the engine tests' helper program (tests/helpers/EngineHelper.cpp).
std::string EngineHelperPath();

// The path of a helper program built beside the running test program ("appbase_probe" is appbase_probe.exe on
// Windows).
std::string HelperProgram(const std::string& name);

} // namespace testing_support
