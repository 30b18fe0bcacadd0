// The crash handler in a real process: crash_probe installs the report as the program does and faults, on its main
// thread or on another one. The test waits for the report's box, answers it as a user would, and looks at what is
// left: the exit code, the minidump, the command line a stand-in Outlook was started with, or the mail link that
// reached the shell. The probe runs without Wine's simple mail interface, so no real mail program can start.

#include "ChildProcess.h"
#include "platform/Application.h"
#include "platform/Handle_win.h"
#include "platform/Text.h"
#include "support/CrashReport.h"
#include "tests/TestSupport.h"
#include "ui/framework/Window.h"

#include <windows.h>

#include <dbghelp.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

using testing_support::ChildProcess;
using testing_support::Join;
using testing_support::ReadFile;
using testing_support::TempFolder;

namespace {

constexpr wchar_t kMailHandlerKey[] = L"mailto\\shell\\open\\command";
constexpr wchar_t kBoxTitle[] = L"CrashProbe - Unhandled Exception";

// The mailto handler's command while the object lives; the one that was there before comes back afterwards.
class MailHandler {
public:
    explicit MailHandler(const std::string& command) {
        RegCreateKeyExW(HKEY_CLASSES_ROOT, kMailHandlerKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key_.put(),
                        nullptr);
        wchar_t saved[2048] = {};
        DWORD size = sizeof saved - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key_.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(saved), &size) ==
            ERROR_SUCCESS)
            saved_ = std::make_pair(type, std::wstring(saved));
        Set(REG_SZ, platform::Utf8ToWide(command));
    }
    ~MailHandler() {
        if (saved_)
            Set(saved_->first, saved_->second);
        else
            RegDeleteValueW(key_.get(), nullptr);
    }

private:
    void Set(DWORD type, const std::wstring& value) {
        RegSetValueExW(key_.get(), nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    platform::UniqueRegistryKey key_;
    std::optional<std::pair<DWORD, std::wstring>> saved_;
};

// Keeps Wine's simple mail interface (which would hand the mail to the desktop's mail program) from the probe: an
// empty load order for MAPI32.DLL in the probe's own Wine settings disables it there.
class NoMapiForProbe {
public:
    NoMapiForProbe() {
        platform::UniqueRegistryKey key;
        RegCreateKeyExW(HKEY_CURRENT_USER, kProbeSettings, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
        RegSetValueExW(key.get(), L"mapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    }
    ~NoMapiForProbe() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\crash_probe.exe"); }

private:
    static constexpr wchar_t kProbeSettings[] = L"Software\\Wine\\AppDefaults\\crash_probe.exe\\DllOverrides";
};

// Turns the program's update check off while the object lives (the machine-wide value wins over the user's), so
// that the real program asks no server; the value that was there comes back afterwards.
class UpdateCheckOff {
public:
    UpdateCheckOff() {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quartzmoore Software\\Tidyquill", 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, key_.put(), nullptr);
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExW(key_.get(), L"UpdateCheck", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS)
            saved_ = value;
        Set(0);
    }
    ~UpdateCheckOff() {
        if (saved_)
            Set(*saved_);
        else
            RegDeleteValueW(key_.get(), L"UpdateCheck");
    }

private:
    void Set(DWORD value) {
        RegSetValueExW(key_.get(), L"UpdateCheck", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

    platform::UniqueRegistryKey key_;
    std::optional<DWORD> saved_;
};

// The report's box once it is shown; none after a minute.
HWND WaitForBox(const wchar_t* title) {
    for (int i = 0; i < 600; ++i) {
        const HWND box = FindWindowW(L"#32770", title);
        if (box != nullptr && IsWindowVisible(box))
            return box;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

// What a probe run showed and left.
struct ProbeRun {
    std::string replaced; // "replaced none": a later SetUnhandledExceptionFilter did nothing
    std::string entry;    // the first bytes of SetUnhandledExceptionFilter after the lock
    unsigned long faultThread = 0;
    bool boxShown = false;
    std::vector<std::wstring> buttons; // the box's buttons, left to right
    std::wstring message;
    std::optional<int> exitCode;
};

// Starts the probe in folder, waits for the report's box, lets answer press a button, and waits for the end.
ProbeRun RunProbe(const std::string& folder, const std::string& mode, int answer) {
    ProbeRun run;
    ChildProcess probe;
    if (!probe.Start(testing_support::HelperProgram("crash_probe"), {folder, mode}))
        return run;
    // The probe's lines, once it is about to fault or has ended.
    const std::string report = Join({folder, "probe.txt"});
    std::string lines;
    for (int i = 0; i < 600; ++i) {
        lines = ReadFile(report);
        if (lines.find("fault-thread ") != std::string::npos || probe.Wait(std::chrono::milliseconds(100)))
            break;
    }
    std::istringstream in(lines);
    std::getline(in, run.replaced);
    std::getline(in, run.entry);
    std::string fault;
    std::getline(in, fault);
    if (fault.rfind("fault-thread ", 0) != 0) {
        run.exitCode = probe.Wait(std::chrono::seconds(30));
        ADD_FAILURE() << "the probe ended with " << run.exitCode.value_or(-1) << " before its fault: " << lines;
        return run;
    }
    run.faultThread = std::stoul(fault.substr(13));

    const HWND box = WaitForBox(kBoxTitle);
    run.boxShown = box != nullptr;
    if (box != nullptr) {
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            if (lstrcmpiW(className, L"Button") == 0)
                run.buttons.push_back(ui::CWindow(child).GetText());
        }
        run.message = ui::CWindow(GetDlgItem(box, 1001)).GetText();
        PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    }
    run.exitCode = probe.Wait(std::chrono::seconds(60));
    if (!run.exitCode)
        probe.Kill();
    return run;
}

// The dump files in a folder.
std::vector<std::string> DumpFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const platform::UniqueFindHandle find(
        FindFirstFileW(platform::Utf8ToWide(Join({folder, "*.dmp"})).c_str(), &found));
    if (!find)
        return names;
    do
        names.push_back(platform::WideToUtf8(found.cFileName));
    while (FindNextFileW(find.get(), &found));
    return names;
}

// What a minidump says about its threads and its exception.
struct DumpFacts {
    bool signature = false;
    std::vector<ULONG32> threads;
    ULONG32 exceptionThread = 0;
    ULONG32 exceptionCode = 0;
    ULONG64 accessedAddress = 0;
};

DumpFacts ReadDump(const std::string& path) {
    DumpFacts facts;
    const std::string bytes = ReadFile(path);
    const auto read = [&bytes](std::size_t offset, auto& value) {
        if (offset + sizeof value > bytes.size())
            return false;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return true;
    };
    MINIDUMP_HEADER header{};
    if (!read(0, header))
        return facts;
    facts.signature = bytes.compare(0, 4, "MDMP") == 0 && header.Signature == 0x504D444Du;
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY directory{};
        if (!read(header.StreamDirectoryRva + i * sizeof directory, directory))
            break;
        const std::size_t at = directory.Location.Rva;
        if (directory.StreamType == ThreadListStream) {
            ULONG32 count = 0;
            read(at, count);
            for (ULONG32 k = 0; k < count; ++k) {
                MINIDUMP_THREAD thread{};
                if (read(at + sizeof count + k * sizeof thread, thread))
                    facts.threads.push_back(thread.ThreadId);
            }
        } else if (directory.StreamType == ExceptionStream) {
            MINIDUMP_EXCEPTION_STREAM exception{};
            if (read(at, exception)) {
                facts.exceptionThread = exception.ThreadId;
                facts.exceptionCode = exception.ExceptionRecord.ExceptionCode;
                facts.accessedAddress = exception.ExceptionRecord.ExceptionInformation[1];
            }
        }
    }
    return facts;
}

// The mail body of the report as the user should receive it, written out here rather than expanded.
std::string ExpectedBody(const std::string& dumpPath) {
    return "Hello, Support.\n\nI'm having a problem with CrashProbe. The dump file is attached.\n(don't forget to "
           "attach the file " +
           dumpPath + ")\n\nMy windows version is " + platform::GetWindowsVersionTag() +
           " and my actions before the problem were... (put some words please)";
}

std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 300; ++i) {
        const std::string content = ReadFile(path);
        if (!content.empty())
            return content;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

} // namespace

// --- A fault on the main thread, answered with Cancel --------------------------------------------------------------
TEST(CrashHandler, MainThreadFaultWritesAMinidumpShowsTheBoxAndEndsWithOne) {
    NoMapiForProbe noMapi;
    TempFolder folder;
    const ProbeRun run = RunProbe(folder.Path(), "main", IDNO);
    EXPECT_EQ(run.replaced, "replaced none");
    EXPECT_EQ(run.entry, "entry 33 c0 c3");
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.exitCode, std::optional<int>(1)) << "not the foreign filter's 42 nor the system's";
    EXPECT_EQ(run.buttons, (std::vector<std::wstring>{L"Send Report (Recommended)", L"Cancel"}));

    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    const std::string pattern =
        R"(crash_probe\.exe_2\.5\.0\.7_)" +
        std::regex_replace(platform::GetWindowsVersionTag(), std::regex(R"(\.)"), R"(\.)") +
        R"(_20\d\d-(1[0-2]|[1-9])-(3[01]|[12]\d|[1-9])_(2[0-3]|1\d|\d)\.([1-5]?\d)\.([1-5]?\d)\.dmp)";
    EXPECT_TRUE(std::regex_match(dumps[0], std::regex(pattern))) << dumps[0];
    // The message names the file without its folder.
    EXPECT_NE(run.message.find(L"\n\n'" + platform::Utf8ToWide(dumps[0]) + L"'\n\n"), std::wstring::npos);
    EXPECT_EQ(run.message.find(platform::Utf8ToWide(folder.Path())), std::wstring::npos);

    const DumpFacts dump = ReadDump(Join({folder.Path(), dumps[0]}));
    EXPECT_TRUE(dump.signature);
    EXPECT_NE(std::find(dump.threads.begin(), dump.threads.end(), run.faultThread), dump.threads.end());
    EXPECT_EQ(dump.exceptionThread, run.faultThread);
    EXPECT_EQ(dump.exceptionCode, 0xC0000005u);
    EXPECT_EQ(dump.accessedAddress, 0x10u);
    EXPECT_EQ(ReadFile(Join({folder.Path(), "shell-open.txt"})), "") << "Cancel sends nothing";
}

// --- A C++ exception at the edge of a window procedure is a crash like any other -----------------------------------
TEST(CrashHandler, AnExceptionThrownInAWindowProcedureGetsTheCrashReport) {
    NoMapiForProbe noMapi;
    TempFolder folder;
    const ProbeRun run = RunProbe(folder.Path(), "window", IDNO);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.exitCode, std::optional<int>(1));
    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    const DumpFacts dump = ReadDump(Join({folder.Path(), dumps[0]}));
    EXPECT_EQ(dump.exceptionThread, run.faultThread);
    EXPECT_EQ(dump.exceptionCode, 0xE06D7363u);
}

// --- A fault on another thread, answered with Send Report ----------------------------------------------------------
TEST(CrashHandler, SendReportStartsOutlookWhenItIsTheMailHandler) {
    NoMapiForProbe noMapi;
    TempFolder folder;
    const std::string office = Join({folder.Path(), "Office"});
    testing_support::MakeFolder(office);
    const std::string outlook = Join({office, "OUTLOOK.EXE"});
    ASSERT_TRUE(CopyFileW(platform::Utf8ToWide(testing_support::HelperProgram("fake_mail_program")).c_str(),
                          platform::Utf8ToWide(outlook).c_str(), FALSE));
    MailHandler handler("\"" + outlook + "\" /c ipm.note /m \"%1\"");

    const ProbeRun run = RunProbe(folder.Path(), "thread", IDYES);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.exitCode, std::optional<int>(1));
    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    const std::string dumpPath = Join({folder.Path(), dumps[0]});
    const DumpFacts dump = ReadDump(dumpPath);
    EXPECT_TRUE(dump.signature);
    EXPECT_EQ(dump.exceptionThread, run.faultThread);
    EXPECT_NE(std::find(dump.threads.begin(), dump.threads.end(), run.faultThread), dump.threads.end());

    EXPECT_EQ(WaitForFile(Join({office, "command-line.txt"})),
              "\"" + outlook + "\" /a \"" + dumpPath +
                  "\" /m \"crash-probe@example.invalid&subject=CrashProbe 2.5.0.7 Bug Report&body=" +
                  ExpectedBody(dumpPath) + "\"");
    EXPECT_EQ(ReadFile(Join({folder.Path(), "shell-open.txt"})), "");
}

TEST(CrashHandler, SendReportWithAnotherMailerAndNoMapiOpensTheMailLink) {
    NoMapiForProbe noMapi;
    TempFolder folder;
    MailHandler handler("\"" + Join({folder.Path(), "Mailer", "mailer.exe"}) + "\" \"%1\"");

    const ProbeRun run = RunProbe(folder.Path(), "thread", IDYES);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.exitCode, std::optional<int>(1));
    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    const std::string dumpPath = Join({folder.Path(), dumps[0]});
    EXPECT_EQ(ReadFile(Join({folder.Path(), "shell-open.txt"})),
              FormatMailtoLink("crash-probe@example.invalid", "CrashProbe 2.5.0.7 Bug Report", ExpectedBody(dumpPath)) +
                  "\nopen");
}

// --- Two threads at once --------------------------------------------------------------------------------------------
// Both would otherwise write the same dump file at the same second, and the one that lost would fall to the
// system's crash handling.
TEST(CrashHandler, TwoThreadsFaultingTogetherGiveOneReport) {
    NoMapiForProbe noMapi;
    TempFolder folder;
    ChildProcess probe;
    ASSERT_TRUE(probe.Start(testing_support::HelperProgram("crash_probe"), {folder.Path(), "two"}));
    const HWND box = WaitForBox(kBoxTitle);
    ASSERT_NE(box, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(DumpFiles(folder.Path()).size(), 1u);
    PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    const std::optional<int> exitCode = probe.Wait(std::chrono::seconds(60));
    if (!exitCode)
        probe.Kill();
    EXPECT_EQ(exitCode, std::optional<int>(1));
    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(ReadDump(Join({folder.Path(), dumps[0]})).accessedAddress, 0x20u);
}

// --- The program itself --------------------------------------------------------------------------------------------
// The real program, started without arguments, has its report in place: a thread that another process starts in it
// at a bad address faults there, and the report names the program's own file and version.
TEST(CrashHandlerProgram, FaultInTheRunningProgramIsReportedAndEndsItWithOne) {
    UpdateCheckOff noUpdateCheck;
    TempFolder folder;
    const std::wstring program = platform::Utf8ToWide(TIDYQUILL_PROGRAM);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               platform::Utf8ToWide(folder.Path()).c_str(), &startup, &process));
    const platform::UniqueKernelHandle processHandle(process.hProcess);
    const platform::UniqueKernelHandle mainThread(process.hThread);
    // Once a window of the program shows, start-up has long passed the report's set-up.
    WaitForInputIdle(process.hProcess, 60000);
    bool windowShown = false;
    for (int i = 0; i < 600 && !windowShown; ++i) {
        std::pair<DWORD, bool> search{process.dwProcessId, false};
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto& [processId, found] = *reinterpret_cast<std::pair<DWORD, bool>*>(parameter);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                found = owner == processId && IsWindowVisible(window);
                return !found;
            },
            reinterpret_cast<LPARAM>(&search));
        windowShown = search.second;
        if (!windowShown)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(windowShown);

    DWORD faultThread = 0;
    const platform::UniqueKernelHandle thread(CreateRemoteThread(
        process.hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<std::uintptr_t>(0x10)),
        nullptr, 0, &faultThread));
    ASSERT_TRUE(thread);
    const HWND box = WaitForBox(L"Tidyquill - Unhandled Exception");
    if (box != nullptr)
        PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 99);
    ASSERT_NE(box, nullptr);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_TRUE(ended);
    EXPECT_EQ(exitCode, 1u);

    const std::vector<std::string> dumps = DumpFiles(folder.Path());
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(dumps[0], std::regex(R"(Tidyquill\.exe_\d+\.\d+\.\d+\.\d+_\d+\.\d+_x64_[-_.\d]+\.dmp)")))
        << dumps[0];
    const DumpFacts dump = ReadDump(Join({folder.Path(), dumps[0]}));
    EXPECT_TRUE(dump.signature);
    EXPECT_EQ(dump.exceptionThread, faultThread);
    EXPECT_EQ(dump.exceptionCode, 0xC0000005u);
}
