// Benchmark of the main window (Windows, run under Wine). In one run it measures
//   - how responsive the window stays while a large fragmented database is compacted: the longest gap between two
//     ticks of a 10 ms timer on the window's thread during the run (the target: under 100 ms), against the longest
//     gap while the window is idle for a second and while a plain thread does the same kind of file work without
//     any window; and the longest time the window's thread spent on one message (the verdict: under 100 ms),
//   - how long the window takes to open (created, tree filled, painted) with every program at 20 profiles each
//     (the target: under half a second), the median and the longest of five openings; and how long after that the
//     estimate below the tree shows its figures, each profile holding four small fragmented databases.
// The last line is the verdict, which the exit code follows.
//
// Options: --size-mb N (the database's size before compaction, default 500), --programs N (only the first N programs
// hold profiles when the window opens; default all), --smoke (a small database; checks that the run completed and
// the tree was filled, not the times).

#include "EngineTestSupport.h"
#include "tests/ui/MainWindowFixture.h"

#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "ui/res/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace testing_support;

namespace {

std::vector<Clock::time_point> ticks;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    ticks.push_back(Clock::now());
}

// The longest gap between two ticks, and where it ended (milliseconds after the first tick).
double LongestGapMs(const std::vector<Clock::time_point>& times, double* endedAt = nullptr) {
    double longest = 0;
    for (size_t i = 1; i < times.size(); ++i) {
        const double gap = std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count();
        if (gap > longest) {
            longest = gap;
            if (endedAt != nullptr)
                *endedAt = std::chrono::duration<double, std::milli>(times[i] - times.front()).count();
        }
    }
    return longest;
}

std::unique_ptr<TestMainWindow> Open(Catalogue& catalogue, PreferencesDocument& preferences) {
    auto window = std::make_unique<TestMainWindow>(catalogue, preferences, "Tidyquill", std::string());
    if (!window->Create())
        return nullptr;
    ShowWindow(window->GetHwnd(), SW_SHOW);
    UpdateWindow(window->GetHwnd());
    return window;
}

// The same timer while another thread writes a file of the given size, flushes it, cuts it to half and deletes it,
// with no window involved: how long the system itself keeps a waiting thread from its timer around such file work.
double FlushBaselineGapMs(const std::string& path, int sizeMb) {
    ticks.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
    ticks.push_back(Clock::now());
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Job {
        std::wstring path;
        int sizeMb;
        HANDLE done;
    } job{platform::Utf8ToWide(path), sizeMb, done};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            auto* work = static_cast<Job*>(parameter);
            HANDLE file = CreateFileW(work->path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            std::vector<char> block(1 << 20, 'x');
            DWORD written = 0;
            for (int i = 0; i < work->sizeMb; ++i)
                WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
            FlushFileBuffers(file);
            // A compaction ends by cutting the database to its new size and deleting its journal.
            LARGE_INTEGER half{};
            half.QuadPart = static_cast<LONGLONG>(work->sizeMb) << 19;
            SetFilePointerEx(file, half, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
            FlushFileBuffers(file);
            CloseHandle(file);
            DeleteFileW(work->path.c_str());
            SetEvent(work->done);
            return 0;
        },
        &job, 0, nullptr);
    PumpUntil([&] { return WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, nullptr, 3600000);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(done);
    KillTimer(nullptr, timer);
    return LongestGapMs(ticks);
}

// The CPU time this thread has used, in milliseconds (less sensitive to the machine's other work than the clock).
double ThreadCpuMs() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& time) {
        return ((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int sizeMb = 500;
    size_t programCount = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--size-mb") == 0 && i + 1 < argc)
            sizeMb = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--programs") == 0 && i + 1 < argc)
            programCount = static_cast<size_t>(std::max(1, std::atoi(argv[++i])));
    }
    if (smoke)
        sizeMb = 4;
    ui::RegisterCommonControls();
    bool ok = true;

    // --- Responsiveness during a run ---
    {
        const int rows = sizeMb * 1000; // rows of about 1000 bytes; every second one is deleted
        std::printf("making a fragmented database of about %d MB...\n", sizeMb);
        std::fflush(stdout);
        ProfileFixture fixture(rows);
        const std::uint64_t before = QueryFileSize(fixture.FirefoxDefaultPlaces());
        auto window = Open(fixture.GetCatalogue(), fixture.GetPreferences());
        if (!window) {
            std::printf("FAIL: the window could not be created\n");
            return 1;
        }
        CheckOnly(window->GetHwnd(), {fixture.Profile("Firefox", "default")});
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);

        ticks.clear();
        PumpFor(1000, window.get());
        const double idleGap = LongestGapMs(ticks);
        const size_t idleTicks = ticks.size();

        // The click runs the running-program guard on the window's thread before the worker starts: timed apart.
        const auto start = Clock::now();
        SendMessageW(GetDlgItem(window->GetHwnd(), 1002), BM_CLICK, 0, 0);
        const double clickMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        ticks.clear();
        ticks.push_back(Clock::now());
        // The window's loop, timing each retrieval (sent messages are handled inside it) and each dispatch.
        double longestPeek = 0, longestDispatch = 0;
        UINT slowestMessage = 0;
        while (window->IsOptimizing()) {
            MSG message;
            const auto asked = Clock::now();
            const BOOL got = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
            const auto retrieved = Clock::now();
            longestPeek = std::max(longestPeek, std::chrono::duration<double, std::milli>(retrieved - asked).count());
            if (!got) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                continue;
            }
            if (window->FilterKey(message) || IsDialogMessageW(window->GetHwnd(), &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
            const double dispatched = std::chrono::duration<double, std::milli>(Clock::now() - retrieved).count();
            if (dispatched > longestDispatch) {
                longestDispatch = dispatched;
                slowestMessage = message.message;
            }
        }
        const double runMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        KillTimer(nullptr, timer);
        double gapEndedAt = 0;
        const double runGap = LongestGapMs(ticks, &gapEndedAt);
        const std::uint64_t after = QueryFileSize(fixture.FirefoxDefaultPlaces());
        const int lines = LogOf(window->GetHwnd()).GetLineCount();
        const std::wstring last = LogOf(window->GetHwnd()).GetCellText(lines - 1, 1);

        std::printf("database: %.1f MB -> %.1f MB, run %.0f ms, %zu ticks\n", before / 1048576.0, after / 1048576.0,
                    runMs, ticks.size());
        std::printf("longest message retrieval %.1f ms, longest dispatch %.1f ms (message 0x%x)\n", longestPeek,
                    longestDispatch, slowestMessage);
        std::printf("the click (running-program guard, start of the worker): %.1f ms\n", clickMs);
        std::printf("longest timer gap idle: %.1f ms (%zu ticks in 1 s)\n", idleGap, idleTicks);
        std::printf("longest timer gap during the run: %.1f ms (%.2f x idle), ending %.0f ms into the run\n", runGap,
                    idleGap > 0 ? runGap / idleGap : 0.0, gapEndedAt);
        const double baselineGap = FlushBaselineGapMs(fixture.TempPath("flush.bin"), static_cast<int>(before >> 20));
        std::printf(
            "baseline: longest timer gap while another thread writes, flushes, halves and deletes %d MB: %.1f ms\n",
            static_cast<int>(before >> 20), baselineGap);
        const bool completed = last.rfind(L"Completed in ", 0) == 0 && after < before;
        if (!completed) {
            std::printf("FAIL: the run did not complete\n");
            ok = false;
        }
        // The target is a timer gap under 100 ms. Under Wine the gap can also come from the system while the window's
        // thread only waits (the baseline shows how much), so the verdict rests on the window's own work: no single
        // message may keep its thread for 100 ms.
        if (!smoke)
            std::printf("timer gap target (under 100 ms): %s\n", runGap < 100 ? "met" : "missed");
        if (!smoke && std::max(longestPeek, longestDispatch) >= 100) {
            std::printf("FAIL: the window's thread was busy with one message for %.1f ms\n",
                        std::max(longestPeek, longestDispatch));
            ok = false;
        }
    }

    // --- Opening with every program at 20 profiles ---
    {
        FakeUser user;
        TempFolder settings;
        Catalogue catalogue = BuildCatalogue(user.Folders());
        PreferencesDocument preferences(settings.Path());
        const int perProgram = smoke ? 2 : 20;
        // Four fragmented databases of about 200 KB in each profile, under names that the programs' lists take.
        const std::string model = settings / "model.sqlite";
        MakeDatabase(model, 400, 1000, 2);
        if (programCount == 0 || programCount > catalogue.Programs().size())
            programCount = catalogue.Programs().size();
        int made = 0;
        for (size_t index = 0; index < programCount; ++index)
            for (int i = 0; i < perProgram; ++i) {
                CBrowser* program = catalogue.Programs()[index].get();
                const std::string folder = user / Join({"profiles", std::to_string(made++)});
                MakeFolder(folder);
                for (const char* name : {"places.sqlite", "History", "main.db", "Cookies"})
                    std::filesystem::copy_file(platform::PathFromUtf8(model),
                                               platform::PathFromUtf8(Join({folder, name})));
                program->AddProfile(folder, "profile " + std::to_string(i), false);
            }
        std::vector<double> times;
        std::vector<double> estimateTimes;
        size_t items = 0;
        std::wstring line;
        for (int round = 0; round < 5; ++round) {
            const auto start = Clock::now();
            const double cpuStart = ThreadCpuMs();
            auto window = Open(catalogue, preferences);
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            std::printf("opening %d: %.1f ms (%.1f ms of this thread's processor time)\n", round + 1, times.back(),
                        ThreadCpuMs() - cpuStart);
            if (!window)
                continue;
            items = TreeOf(window->GetHwnd()).GetCheckedProfiles().size();
            PumpUntil([&] { return !window->IsEstimating(); }, window.get(), 600000);
            estimateTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() -
                                    times.back());
            line = WindowText(GetDlgItem(window->GetHwnd(), IDC_ESTIMATE));
            PumpFor(50, window.get());
        }
        std::sort(estimateTimes.begin(), estimateTimes.end());
        if (!estimateTimes.empty())
            std::printf("the estimate of the checked profiles ready %.1f ms (median) after the window opened: \"%s\"\n",
                        estimateTimes[estimateTimes.size() / 2], platform::WideToUtf8(line).c_str());
        if (line.rfind(L"About ", 0) != 0) {
            std::printf("FAIL: the estimate line reads \"%s\"\n", platform::WideToUtf8(line).c_str());
            ok = false;
        }
        std::sort(times.begin(), times.end());
        std::printf("opening with %zu programs of %d profiles: median %.1f ms, longest %.1f ms\n", programCount,
                    perProgram, times[times.size() / 2], times.back());
        if (items != programCount * static_cast<size_t>(perProgram)) {
            std::printf("FAIL: the tree shows %zu profiles\n", items);
            ok = false;
        }
        // The median: single openings vary with the machine's other work.
        if (!smoke && times[times.size() / 2] >= 500) {
            std::printf("FAIL: opening took %.1f ms\n", times[times.size() / 2]);
            ok = false;
        }
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
