#pragma once
// Another process for the tests and the reliability tool. Started with pipes, a test waits for it to be ready,
// reads what it wrote and ends it by closing its input; started with its output going to a file, it is the program
// under test, which the reliability tool lets run to its end or ends at any moment, as a crash or a user's kill
// would (SIGKILL on Linux, TerminateProcess on Windows).

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class ChildProcess {
public:
    ChildProcess() = default;
    // Closes the child's input and waits for it to end; kills it when it has not ended a minute later.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program (a full path) with the arguments; its standard input is a pipe from us, and its standard
    // output and error go to one pipe to us.
    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    // Starts program (a full path) with the arguments and no pipes. On Linux its standard output and error go to
    // outputFile; a Windows GUI program writes to a console, which it has none of here.
    bool StartWithOutputFile(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& outputFile);

    // The next line of the child's output without its line end; empty once the output has ended.
    std::string ReadLine();
    // The rest of the child's output.
    std::string ReadAll();
    // The child sees the end of its input.
    void CloseInput();

    // True once the child has ended (or was never started); its exit code is then known.
    bool HasEnded();
    // Waits for the child to end and gives its exit code (-1 when it was not started).
    int Wait();
    // The same, but gives up after timeout: none while the child still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    // Ends the child at once, as a crash would, and waits for it. True when the kill is what ended it; false when
    // it had ended by itself before.
    bool Kill();

    // True while the child holds a temporary database that SQLite made in tempFolder: the sign of a running
    // "VACUUM", which builds the compacted copy there before it copies it back.
    bool HoldsTemporaryDatabase(const std::string& tempFolder) const;

private:
    bool ReadByte(char& byte);
    void CloseOutput();
    void Started();

#ifdef _WIN32
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
#else
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
#endif
    bool ended_ = true;
    int exitCode_ = -1;
};

// Sets a variable of this process's environment, which the children it starts next inherit.
void SetEnvironment(const std::string& name, const std::string& value);

// The path of the engine tests' helper program (tests/helpers/EngineHelper.cpp).
std::string EngineHelperPath();

// The path of a helper program built beside the running test program ("appbase_probe" is appbase_probe.exe on
// Windows).
std::string HelperProgram(const std::string& name);

} // namespace testing_support
