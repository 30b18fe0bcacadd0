#pragma once
// Every "open this address" of the program (links, the home page, a profile folder, a mail link) goes through here,
// so that tests can replace what happens instead of starting a browser or a mail program.

#include <functional>
#include <string>

namespace platform {

// What opening an address does: address and verb in UTF-8 (an empty verb is the system's default one), owner a
// window handle or none; true when the system accepted the request.
using ShellOpenFunction = std::function<bool(const std::string& address, const std::string& verb, void* owner)>;

// Asks the system's shell to open the address (Windows: ShellExecuteW, shown normally, success when its result is
// above 32; elsewhere nothing is opened and the answer is false), or the replacement installed for tests.
bool OpenWithShell(const std::string& address, const std::string& verb = {}, void* owner = nullptr);

// Replaces the shell for the rest of the process (tests); an empty function restores it. Answers the previous one.
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction replacement);

} // namespace platform
