#pragma once
// The program and arguments of a child process that a test starts, in the form the system takes them.

#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/Text.h"
#endif

namespace testing_support {

#ifdef _WIN32

// The program's path with backslashes, and a command line that the child's C runtime splits back into the
// program and the same arguments.
struct ChildCommandLine {
    std::wstring application;
    std::wstring commandLine;
};

inline std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

inline ChildCommandLine MakeChildCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    ChildCommandLine result{platform::Utf8ToWide(program), {}};
    for (wchar_t& c : result.application)
        if (c == L'/')
            c = L'\\';
    result.commandLine = QuotedArgument(result.application);
    for (const std::string& argument : arguments)
        result.commandLine += L" " + QuotedArgument(platform::Utf8ToWide(argument));
    return result;
}

#else

// The argument vector of posix_spawn: the program, the arguments, a null pointer. It points into the strings.
inline std::vector<char*> ChildArgumentVector(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

#endif

} // namespace testing_support
