#include "platform/Console.h"

#include "platform/Text.h"

#include <cstdio>

namespace platform {

void WriteConsoleLine(const std::string& utf8Text) {
    // One locked write per line keeps lines whole if two threads ever log at once.
    const std::string line = MakePrintable(utf8Text) + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void WriteErrorLine(const std::string& utf8Text) {
    const std::string line = MakePrintable(utf8Text) + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace platform
