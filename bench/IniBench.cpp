// Benchmark of reading a profiles.ini (both systems): a generated file of distinct profile sections is read the way
// the catalogue reads it (the section names, then the name, path and relative flag of each profile), and the time
// is set against a plain read of the same bytes in the same run. The figure that counts is the time per 10 MB,
// which must stay well under a second: reading is linear in the file's size, whatever the number of sections.
//
//   ini_bench [--mb N] [--folder F]   a file of N MB (default 10; also 50)
//   ini_bench --smoke                 1 MB, checks the profiles found instead of the time

#include "catalogue/Browser.h"
#include "catalogue/MozillaPrograms.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "tests/FakeProgram.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Distinct sections as the programs write them, until the file holds the given number of bytes. Answers the number
// of sections.
long WriteProfilesIni(const std::string& path, long bytes) {
    std::ofstream out(platform::PathFromUtf8(path), std::ios::binary);
    out << "[General]\nStartWithLastProfile=1\nVersion=2\n\n";
    long written = 40;
    long sections = 0;
    while (written < bytes) {
        const std::string n = std::to_string(sections);
        const std::string section = "[Profile" + n + "]\nName=user " + n + "\nIsRelative=1\nPath=Profiles/" + n +
                                    ".default-release\nDefault=" + (sections == 0 ? "1" : "0") + "\n\n";
        out << section;
        written += static_cast<long>(section.size());
        ++sections;
    }
    return sections;
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    long megabytes = 10;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--smoke")
            smoke = true;
        else if (argument == "--mb" && i + 1 < argc)
            megabytes = std::atol(argv[++i]);
        else if (argument == "--folder" && i + 1 < argc)
            folder = argv[++i];
        else {
            std::fprintf(stderr, "usage: ini_bench [--mb N] [--folder F] [--smoke]\n");
            return 2;
        }
    }
    if (smoke)
        megabytes = 1;
    std::error_code error;
    const fs::path work = folder.empty()
                              ? fs::temp_directory_path() / ("tidyquill-ini-bench-" + std::to_string(std::rand()))
                              : platform::PathFromUtf8(folder);
    fs::create_directories(work, error);
    const std::string base = platform::PathToUtf8(work) + platform::kPathSeparator;
    const std::string ini = base + "profiles.ini";
    const long sections = WriteProfilesIni(ini, megabytes << 20);
    const double fileMb = static_cast<double>(fs::file_size(platform::PathFromUtf8(ini))) / (1 << 20);

    // The baseline: the same bytes read in one go.
    const Clock::time_point plainStart = Clock::now();
    std::ifstream in(platform::PathFromUtf8(ini), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const double plain = Seconds(Clock::now() - plainStart);

    testing_support::FakeProgram program("Bench");
    const Clock::time_point start = Clock::now();
    ReadProfilesIni(program, ini, base);
    const double read = Seconds(Clock::now() - start);
    fs::remove_all(work, error);

    const long found = static_cast<long>(program.GetProfiles().size());
    const double per10Mb = read / fileMb * 10;
    std::printf("profiles.ini: %.1f MB, %ld sections, %ld profiles found\n", fileMb, sections + 1, found);
    std::printf("read as the catalogue reads it: %.3f s (%.3f s per 10 MB); plain read of the bytes: %.3f s; ratio "
                "%.0f\n",
                read, per10Mb, plain, plain > 0 ? read / plain : 0.0);
    const bool right = found == sections && found > 0 &&
                       program.GetProfiles().back()->GetName() == "user " + std::to_string(sections - 1);
    if (smoke) {
        std::printf("%s\n", right ? "smoke: every profile found" : "smoke: FAILED, profiles missing or wrong");
        return right ? 0 : 1;
    }
    const bool fast = per10Mb < 1.0;
    std::printf("verdict: %s\n", right && fast ? "PASS (under 1 s per 10 MB)" : "FAIL");
    return right && fast ? 0 : 1;
}
