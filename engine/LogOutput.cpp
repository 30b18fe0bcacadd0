#include "engine/LogOutput.h"

#include "platform/Console.h"

#include <utility>

void CLogOutput::Log(const std::string& utf8Text, int bold) {
    if (sink_)
        sink_(utf8Text, bold);
    else if (utf8Text.rfind("Error:", 0) == 0 || utf8Text.rfind("Warning:", 0) == 0)
        platform::WriteErrorLine(utf8Text);
    else
        platform::WriteConsoleLine(utf8Text);
}

void CLogOutput::SetWindowSink(Sink sink) {
    sink_ = std::move(sink);
}

CLogOutput& GetLogOutput() {
    static CLogOutput channel;
    return channel;
}
