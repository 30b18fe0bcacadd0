#pragma once
// The process's one message channel. Every message of a run (and of the command line) goes through Log: to the
// main window's activity log once the window has registered its sink, to the console before that and in the
// command-line mode.

#include <functional>
#include <string>

class CLogOutput {
public:
    // Receives one message: UTF-8 text and the bold flag (1 = bold, 0 = normal).
    using Sink = std::function<void(const std::string& text, int bold)>;

    // Delivers one message. In window mode the sink has received it when Log returns, so the text may be released
    // right after; in console mode it is written as one line (lost when there is no console): "Error:" and
    // "Warning:" lines as errors (standard error on Linux), all others as output.
    void Log(const std::string& utf8Text, int bold);

    // Switches to window mode: from now on every message goes to sink, synchronously, on the calling thread of Log.
    // Register it on the main thread before any run starts; an empty sink switches back to console mode.
    void SetWindowSink(Sink sink);

private:
    Sink sink_;
};

// The channel of this process.
CLogOutput& GetLogOutput();
