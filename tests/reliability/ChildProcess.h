#pragma once
// The program under test as a child process that can be ended at any moment, as a crash or a user's kill would end
// it: SIGKILL on Linux, TerminateProcess on Windows.

#include <string>
#include <vector>

namespace reliability {

class ChildProcess {
public:
    ChildProcess() = default;
    // Kills the child when it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program (a full path) with the arguments and the environment of this process. On Linux its standard
    // output and error go to outputFile; a Windows GUI program writes to a console, which it has none of here.
    bool Start(const std::string& program, const std::vector<std::string>& arguments, const std::string& outputFile);
    // True once the child has ended; its exit code is then known.
    bool HasEnded();
    // Ends the child at once. True when the kill is what ended it; false when it had ended by itself before.
    bool Kill();
    // Waits for the child to end and gives its exit code.
    int Wait();

    // True while the child holds a temporary database that SQLite made in tempFolder: the sign of a running
    // "VACUUM", which builds the compacted copy there before it copies it back.
    bool HoldsTemporaryDatabase(const std::string& tempFolder) const;

private:
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
    bool ended_ = false;
    bool killed_ = false;
    int exitCode_ = -1;
};

// Sets a variable of this process's environment, which the children it starts next inherit.
void SetEnvironment(const std::string& name, const std::string& value);

} // namespace reliability
