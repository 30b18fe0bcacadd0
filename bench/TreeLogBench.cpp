// Benchmark of the profiles tree and the activity log (Windows, run under Wine). In one run it measures
//   - the cost of adding log lines around the 200th line against the cost around the 20,000th (adding a line must
//     not grow with the log: at most twice),
//   - FillTree over every program with 50 profiles each against every program with 5 each (at most ten times).
// Each figure is the median of several rounds; the ratios are printed one per line and the last line is the
// verdict, which the exit code follows.
//
// --smoke runs small sizes and checks results (rows and items made) instead of times.

#include "catalogue/Catalogue.h"
#include "platform/Text.h"
#include "ui/controls/BrowsersTreeCtrl.h"
#include "ui/controls/ListCtrlLog.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/DialogTemplate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr WORD kTreeId = 1012;
constexpr WORD kLogId = 1019;

struct HostTemplate {
    HostTemplate() : dialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 430, 200, L"Bench") {
        ui::RegisterCommonControls();
        dialogTemplate.AddControl(WC_TREEVIEWW,
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                      TVS_SHOWSELALWAYS | TVS_CHECKBOXES,
                                  0, 7, 21, 337, 106, kTreeId, L"");
        dialogTemplate.AddControl(
            WC_LISTVIEWW, WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER, 0,
            7, 21, 337, 106, kLogId, L"");
    }
    ui::CDialogTemplate dialogTemplate;
};

// The two controls on a dialog, as the main window holds them.
class Host : private HostTemplate, public ui::CDialog {
public:
    Host() : CDialog(dialogTemplate.Get()) { Create(nullptr); }
    ui::CBrowsersTreeCtrl tree;
    ui::CListCtrlLog log;

protected:
    void DoDataExchange() override {
        Bind(kTreeId, tree);
        Bind(kLogId, log);
    }
};

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The time to add `count` lines to a log that already holds `before` lines, each line followed by the window's
// own handling (painting the new row), as a run's lines arrive one by one. The lines before are added while the
// list is hidden, which is quicker; the tree is hidden throughout, as in the main window while the log shows.
double TimeLines(Host& host, int before, int count) {
    host.tree.Show(false);
    host.log.Show(false);
    host.log.DeleteAllLines();
    for (int line = 0; line < before; ++line)
        host.log.AddLine(L"Optimizing 'C:\\Users\\someone\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x'", false);
    host.log.Show(true);
    Pump();
    const auto start = Clock::now();
    for (int line = 0; line < count; ++line) {
        host.log.AddLine(L"Path: C:\\Users\\someone\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History",
                         line % 10 == 0);
        Pump();
    }
    return Seconds(Clock::now() - start) / count;
}

// A catalogue of every supported program with `perProgram` profiles each, over existing folders below root.
Catalogue MakeCatalogue(const fs::path& root, int perProgram) {
    Catalogue catalogue = BuildCatalogue(platform::KnownFolders{});
    int program = 0;
    for (const auto& browser : catalogue.Programs()) {
        for (int index = 0; index < perProgram; ++index) {
            const fs::path folder = root / ("p" + std::to_string(program)) / ("profile" + std::to_string(index));
            fs::create_directories(folder);
            browser->AddProfile(platform::PathToUtf8(folder), "profile" + std::to_string(index), false);
        }
        ++program;
    }
    return catalogue;
}

double TimeFillTree(Host& host, Catalogue& catalogue, int rounds) {
    host.log.Show(false);
    host.tree.Show(true);
    host.tree.SetCatalogue(&catalogue);
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        host.tree.FillTree();
        Pump();
        times.push_back(Seconds(Clock::now() - start));
    }
    return Median(times);
}

int CountItems(const ui::CBrowsersTreeCtrl& tree) {
    return static_cast<int>(TreeView_GetCount(tree.GetHwnd()));
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    Host host;
    if (host.GetHwnd() == nullptr) {
        std::printf("the window could not be created\n");
        return 1;
    }
    host.log.CreateColumns(host.log.GetClientRect().right);
    std::error_code error;
    const fs::path root = fs::temp_directory_path() / ("tidyquill-treelog-bench-" + std::to_string(GetTickCount64()));

    const int smallLog = 200;
    const int largeLog = smoke ? 2000 : 20000;
    const int block = smoke ? 10 : 100;
    const int rounds = smoke ? 1 : 3;
    std::vector<double> early;
    std::vector<double> late;
    for (int round = 0; round < rounds; ++round) {
        early.push_back(TimeLines(host, smallLog - block / 2, block));
        late.push_back(TimeLines(host, largeLog - block / 2, block));
    }
    const bool logFilled = host.log.GetLineCount() == largeLog - block / 2 + block;

    Catalogue few = MakeCatalogue(root / "few", 5);
    Catalogue many = MakeCatalogue(root / "many", smoke ? 10 : 50);
    const int fillRounds = smoke ? 1 : 15;
    // Each program's item and its profiles' items.
    const int programs = static_cast<int>(few.Programs().size());
    const double fewTime = TimeFillTree(host, few, fillRounds);
    const bool fewItems = CountItems(host.tree) == programs * 6;
    const double manyTime = TimeFillTree(host, many, fillRounds);
    const bool manyItems = CountItems(host.tree) == programs * (smoke ? 11 : 51);
    host.tree.DeleteAllItems();
    fs::remove_all(root, error);

    if (smoke) {
        const bool ok = logFilled && fewItems && manyItems;
        std::printf("smoke: log rows %s, tree items %s\n%s\n", logFilled ? "right" : "WRONG",
                    fewItems && manyItems ? "right" : "WRONG", ok ? "PASS" : "FAIL");
        return ok ? 0 : 1;
    }
    const double lineRatio = Median(late) / Median(early);
    const double fillRatio = manyTime / fewTime;
    std::printf("log line around the 200th: %.1f us; around the 20,000th: %.1f us; ratio %.2f (limit 2)\n",
                Median(early) * 1e6, Median(late) * 1e6, lineRatio);
    std::printf("FillTree %dx5: %.2f ms; %dx50: %.2f ms; ratio %.2f (limit 10)\n", programs, fewTime * 1e3, programs,
                manyTime * 1e3, fillRatio);
    const bool pass = logFilled && fewItems && manyItems && lineRatio <= 2.0 && fillRatio <= 10.0;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
