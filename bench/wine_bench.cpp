// Times the Windows program the way a person uses it, for bench/wine.sh, under Wine:
//   wine_bench run APP_FOLDER MUSIC_FOLDER FILTERS.ren      an unattended Rename, click to "OK"
//   wine_bench preview APP_FOLDER MUSIC_FOLDER FILTERS.ren  Preview..., click to the full list, and
//                                                           the program's peak memory then (MB)
//   wine_bench filelist APP_FOLDER MUSIC_FOLDER FILTERS.ren the main window's file list: from the
//                                                           folder typed to the whole list, and from
//                                                           a filter added to every new name shown
//   wine_bench cli APP_FOLDER ARGUMENTS...                  calderwynstrope-cli.exe, start to exit
//   wine_bench list MUSIC_FOLDER                            lists the folder as a preview does (the
//                                                           files of "*.mp3", then every name),
//                                                           keeping nothing: its own peak memory (MB)
// Prints the seconds (and for a preview the peak memory) on one line. The programs keep their data (settings, undo) in
// APP_FOLDER.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <cstdio>
#include <string>

#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

double seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls often: the time of a run is what is measured. Each look is a message to the program,
// which under Wine goes through the one server its file calls go through too: `every` is kept
// long enough not to slow what is measured.
template <typename Predicate>
bool waitFor(Predicate predicate, DWORD every = 5) {
    const double giveUp = seconds() + 600;
    while (!predicate()) {
        if (seconds() > giveUp) return false;
        Sleep(every);
    }
    return true;
}

int fail(const char* what) {
    std::fprintf(stderr, "wine_bench: %s\n", what);
    return 1;
}

int timeProgram(const std::string& app, const std::string& music, const std::string& filters, bool preview) {
    // The program takes its whole command-line tail as the filter file's path.
    Program program(app + "\\calderwynstrope.exe", filters, app);
    HWND main = program.waitForWindow("Calderwynstrope - version 1.2", 60000);
    if (!main) return fail("the main dialog did not appear");
    setChecked(main, IDC_CONFIRM_ON, false);
    setChecked(main, IDC_UNDO_ON, true);
    setControlText(main, IDC_FOLDER, music);
    setControlText(main, IDC_PATTERN, "*.mp3");
    if (!waitUntil([&] { return isEnabled(main, IDC_RENAME); })) return fail("Rename stayed disabled");

    const double start = seconds();
    click(main, preview ? IDC_PREVIEW : IDC_RENAME);
    HWND dialog = program.waitForWindow(preview ? "Calderwynstrope - Preview" : "Calderwynstrope - Progress", 60000);
    if (!dialog) return fail("no dialog appeared");
    const bool done = preview ? waitFor([&] { return !controlText(dialog, IDC_PREVIEW_COUNTS).empty(); })
                              : waitFor([&] { return controlText(dialog, IDCANCEL) == "OK"; });
    const double elapsed = seconds() - start;
    if (!done) return fail("the dialog did not finish");
    if (preview) {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof(memory);
        if (!K32GetProcessMemoryInfo(program.handle(), &memory, sizeof(memory))) return fail("no memory figures");
        std::printf("%.3f %.1f\n", elapsed, static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    } else {
        std::printf("%.3f\n", elapsed);
    }
    click(dialog, IDCANCEL);
    waitUntil([&] { return !IsWindow(dialog); });
    pressKey(main, VK_ESCAPE);
    program.waitForExit(30000);
    return 0;
}

// The list is whole once the count line gives the counts ("20,000 files: ..."), not "Listing...".
bool listShown(HWND main) {
    const std::string counts = controlText(main, IDC_FILES_COUNTS);
    return !counts.empty() && counts[0] >= '1' && counts[0] <= '9' && counts.find(" file") != std::string::npos;
}

constexpr DWORD kListPoll = 20;

int timeFileList(const std::string& app, const std::string& music, const std::string& filters) {
    Program program(app + "\\calderwynstrope.exe", filters, app);
    HWND main = program.waitForWindow("Calderwynstrope - version 1.2", 60000);
    if (!main) return fail("the main dialog did not appear");
    setControlText(main, IDC_PATTERN, "*.mp3");
    setControlText(main, IDC_FOLDER, "");
    waitUntil([&] { return !listShown(main); });

    double start = seconds();
    setControlText(main, IDC_FOLDER, music);
    double firstRows = 0;
    const bool listed = waitFor([&] {
        if (firstRows == 0 && listViewCount(main, IDC_FILES_LIST) > 0) firstRows = seconds() - start;
        return listShown(main);
    }, kListPoll);
    const double whole = seconds() - start;
    if (!listed) return fail("the list never showed");
    if (firstRows == 0) firstRows = whole;

    // A filter added: every name is proposed again, the folder is not listed again.
    const std::string before = listViewText(main, IDC_FILES_LIST, 0, 2);
    chooseCommand(main, ID_ADD_CHANGECASE);
    HWND dialog = program.waitForWindow("Change Case Filter", 30000);
    if (!dialog) return fail("the Change Case dialog did not appear");
    setChecked(dialog, IDC_CASE_UPPER, true);
    start = seconds();
    click(dialog, IDOK);
    const bool updated = waitFor([&] {
        const std::string now = listViewText(main, IDC_FILES_LIST, 0, 2);
        return !now.empty() && now != before && listShown(main);
    }, kListPoll);
    const double update = seconds() - start;
    if (!updated) return fail("the list did not follow the filter");
    std::printf("%.3f %.3f %.3f\n", firstRows, whole, update);
    pressKey(main, VK_ESCAPE);
    program.waitForExit(30000);
    return 0;
}

// What listing a folder costs under Wine itself, which reads a whole folder into memory of its own
// when a search starts and keeps it until the next search: the part of a preview's peak that is
// not the program's.
int listOnly(const std::string& music) {
    std::size_t names = 0;
    for (const char* pattern : {"\\*.mp3", "\\*"}) {
        WIN32_FIND_DATAW data;
        const std::wstring path = platform::win32::widen(music + pattern);
        HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) return fail("the folder could not be listed");
        do ++names;
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) return fail("no memory figures");
    std::printf("%zu %.1f\n", names, static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return fail("usage: wine_bench run|preview|cli APP_FOLDER ...");
    std::string args[16];
    for (int i = 1; i < argc && i < 16; ++i) args[i] = platform::win32::narrow(argv[i]);
    const std::string& mode = args[1];
    if (mode == "list" && argc == 3) return listOnly(args[2]);
    const std::string& app = args[2];
    if ((mode == "run" || mode == "preview") && argc == 5) return timeProgram(app, args[3], args[4], mode == "preview");
    if (mode == "filelist" && argc == 5) return timeFileList(app, args[3], args[4]);
    if (mode != "cli") return fail("unknown mode");
    std::string arguments;
    for (int i = 3; i < argc && i < 16; ++i) arguments += (i > 3 ? " \"" : "\"") + args[i] + "\"";
    DWORD exitCode = 1;
    const double start = seconds();
    programOutput(app + "\\calderwynstrope-cli.exe", arguments, &exitCode, 600000);
    const double elapsed = seconds() - start;
    if (exitCode != 0) return fail("the command line failed");
    std::printf("%.3f\n", elapsed);
    return 0;
}
