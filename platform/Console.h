#pragma once
// Console output of the command-line mode: one line per message.

#include <string>

namespace platform {

// Writes the UTF-8 text and a line end to the console, made printable first (MakePrintable: no control character
// from a file or profile name reaches the terminal, invalid UTF-8 shows as U+FFFD). Windows: when the process's
// standard output is a file or a pipe, the line goes there (console output code page, or UTF-8 without a console).
// Windows: the console of the parent process (the program is a GUI program and has none of its own), in the thread's
// ANSI code page; when there is no console to attach to, the line is lost. Linux: standard output, as UTF-8, flushed at
// once.
void WriteConsoleLine(const std::string& utf8Text);

// Writes an error or warning line to standard error; on Windows, where the program has no standard error of its
// own, to the console as WriteConsoleLine does.
void WriteErrorLine(const std::string& utf8Text);

} // namespace platform
