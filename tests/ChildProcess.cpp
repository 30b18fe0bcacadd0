#include "ChildProcess.h"

#include "platform/Application.h"
#include "platform/System.h"

namespace testing_support {

std::string ChildProcess::ReadLine() {
    std::string line;
    char byte = 0;
    while (ReadByte(byte) && byte != '\n')
        line += byte;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string ChildProcess::ReadAll() {
    std::string all;
    char byte = 0;
    while (ReadByte(byte))
        all += byte;
    return all;
}

bool ChildProcess::HasEnded() {
    return Wait(std::chrono::milliseconds(0)).has_value();
}

void ChildProcess::Started() {
    ended_ = false;
    exitCode_ = -1;
}

std::string EngineHelperPath() {
    return TIDYQUILL_ENGINE_HELPER;
}

std::string HelperProgram(const std::string& name) {
    const std::string self = platform::GetModuleFilePath(nullptr);
    return self.substr(0, self.find_last_of(platform::kWindows ? "\\/" : "/") + 1) + name +
           (platform::kWindows ? ".exe" : "");
}

} // namespace testing_support
