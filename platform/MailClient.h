#pragma once
// The system's mail programs, as the crash report reaches them: Outlook started with a command line when it is the
// mail handler, and the simple mail interface (MAPI). Linux has neither: every answer there is empty or false.

#include <string>

namespace platform {

// The path of Outlook when the registered mailto handler's command names outlook.exe (letter case ignored): the
// command up to and including that name, without an opening quote, short folder names made long; else empty.
std::string FindOutlookPath();

// Starts a program with a whole command line (the program first, as the system splits it); true when the process
// was created.
bool StartCommandLine(const std::string& commandLine);

// Opens the mail program's compose window through the simple mail interface: the wide one when the library has
// it (modeless), else the narrow one (texts in the ANSI code page, logging on with a user interface). Empty texts
// are left out. False when there is no MAPI32.DLL, neither function, or the call failed. parent: a window or none.
bool SendMailMapi(void* parent, const std::string& subject, const std::string& body, const std::string& address,
                  const std::string& attachment);

} // namespace platform
