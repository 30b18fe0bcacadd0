// A helper program for the application-base tests, started by them as a second process:
//   appbase_probe <report file> args [arguments...]      reports the argument list as the application base sees it
//   appbase_probe <report file> path                     reports the program's own path
//   appbase_probe <report file> instance <mutex> <name>  checks for another instance; exit code 3 when one runs
//   appbase_probe <report file> hold <mutex> <name>      the same; when first, reports "first" and keeps running
// The report file gets one line per value, as UTF-8.

#include "platform/Text.h"
#include "support/AppBase.h"
#include "support/VersionInfo.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace {

constexpr int kAlreadyRunning = 3;
constexpr int kUsage = 2;

void Report(const std::string& file, const std::string& text) {
    std::ofstream out(platform::PathFromUtf8(file), std::ios::binary | std::ios::trunc);
    out << text;
}

} // namespace

int main(int argc, char** argv) {
    const char* const* arguments = argv;
    CWinAppExtended app("TidyquillProbe", argc, arguments);
    const std::string reportFile = app.GetArg(1);
    const std::string mode = app.GetArg(2);
    if (reportFile.empty())
        return kUsage;

    if (mode == "args") {
        std::string text = std::to_string(app.GetArgCount()) + "\n";
        for (int i = 0; i <= app.GetArgCount(); ++i)
            text += app.GetArg(i) + "\n";
        Report(reportFile, text);
        return 0;
    }
    if (mode == "path") {
        Report(reportFile, GetModuleFilePath() + "\n");
        return 0;
    }
    if (mode == "instance" || mode == "hold") {
        CWinAppExtended instance(app.GetArg(4), argc, arguments);
        instance.SetInstanceMutexName(app.GetArg(3));
        if (instance.IsAlreadyRunning(true)) {
            Report(reportFile, "running\n");
            return kAlreadyRunning;
        }
        Report(reportFile, "first\n");
        if (mode == "hold")
            std::this_thread::sleep_for(std::chrono::minutes(2));
        return 0;
    }
    return kUsage;
}
