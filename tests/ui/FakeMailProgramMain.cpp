// Stands in for a mail program in the crash handler's tests: writes the command line it was started with, as UTF-8,
// to command-line.txt beside itself, and ends.

#include "platform/Text.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

int main() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.resize(folder.find_last_of(L'\\') + 1);
    std::ofstream(std::filesystem::path(folder + L"command-line.txt"), std::ios::binary)
        << platform::WideToUtf8(GetCommandLineW());
    return 0;
}
