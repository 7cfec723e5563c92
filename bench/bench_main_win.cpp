// Benchmarks of the Windows build, run under Wine by `make bench`:
//   runner      CPU time of the program while the runner waits 10 s for a child,
//               and how soon a message posted to its window is handled meanwhile
//   startup     process start to the first painted main window, beside a
//               minimal Win32 program of the same size, with the timeline of
//               the start and both working sets, over several runs
//   breakdown   where the working set goes, step by step in this process
//   size        the size of the program file and its working set after start
//   folder      repairing FOLDER through the import routine against a plain
//               "reg.exe import" of the same file
//   scan        the Restriction Fixer's scan on the real registry
//   assoc       the check of the 26 file types against their stored scripts
// Prints one line per figure with its target.

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <commctrl.h>
#include <objbase.h>

#include "app/components.h"
#include "app/controls_win.h"
#include "app/layout.h"
#include "app/pictures_win.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/assoc_health.h"
#include "fixers/assoc/script_import.h"
#include "fixers/restrict/restriction_model.h"
#include "fixers/undo/backup_plans.h"
#include "services/backup_folders_win.h"
#include "services/command_runner_win.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/system_info_win.h"
#include "tests/e2e/driver.h"
#include "tests/fakes/fake_system.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace vx;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each figure names the build it was measured with.
constexpr const char* kBuild = sizeof(void*) == 8 ? "64-bit" : "32-bit";

void report(const char* what, double value, const char* unit, const char* target) {
    std::printf("[%s] %-58s %10.2f %-3s (%s)\n", kBuild, what, value, unit, target);
    std::fflush(stdout);
}

std::wstring folder_of_tests() { return e2e::test_folder(); }

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

double cpu_ms() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto to_ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return to_ms(kernel) + to_ms(user);
}

// Messages posted from another thread every 100 ms, each carrying the time it
// was posted; the window notes how late it handled each.
std::vector<double> g_latencies;
Clock::time_point g_epoch = Clock::now();
LRESULT CALLBACK latency_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) {
        const double posted = static_cast<double>(wparam) / 1000.0;
        g_latencies.push_back(ms_since(g_epoch) - posted);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void bench_runner() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = latency_proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VantrixBenchLatency";
    RegisterClassW(&cls);
    HWND window = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    g_latencies.clear();
    bool posting = true;
    std::thread poster([&] {
        while (posting) {
            PostMessageW(window, WM_APP, static_cast<WPARAM>(ms_since(g_epoch) * 1000.0), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    Win32CommandRunner runner(pump);
    const std::wstring child = folder_of_tests() + L"\\vx_child.exe";
    const double cpu_before = cpu_ms();
    const auto start = Clock::now();
    runner.run(child, {L"sleep", L"10000"}, sw::hide);
    const double wall = ms_since(start);
    // The poster thread's own work is a few microseconds a message.
    const double cpu = cpu_ms() - cpu_before;
    posting = false;
    poster.join();
    DestroyWindow(window);
    report("runner: own CPU time while waiting 10 s for a child", 100.0 * cpu / wall, "%", "target < 1 %");
    report("runner: worst delay of a posted message during the wait",
           *std::max_element(g_latencies.begin(), g_latencies.end()), "ms", "target <= 60 ms");
    report("runner: median delay of a posted message during the wait", median(g_latencies), "ms", "");
}

// The colours a window shows at a few points of its client area once it has
// been painted and has settled.
std::vector<POINT> g_probes = {{40, 20}, {320, 45}, {600, 70}, {45, 230}, {45, 305}, {45, 375}, {560, 240},
                               {560, 450}, {300, 520}};

std::vector<COLORREF> colours_at(HWND window) {
    std::vector<COLORREF> colours;
    HDC screen = GetDC(nullptr);
    for (POINT p : g_probes) {
        ClientToScreen(window, &p);
        colours.push_back(GetPixel(screen, p.x, p.y));
    }
    ReleaseDC(nullptr, screen);
    return colours;
}

HWND wait_window(const e2e::App& app, const wchar_t* window_class, Clock::time_point start) {
    for (;;) {
        auto windows = e2e::top_windows(app.id(), window_class);
        if (!windows.empty()) return windows.front();
        if (ms_since(start) > 30000) return nullptr;
        Sleep(1);
    }
}

double working_set_mb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, &memory, sizeof(memory));
    return static_cast<double>(memory.WorkingSetSize) / 1048576.0;
}

// The colours every probe shows once the program has settled, from a start
// that is not timed.
std::vector<COLORREF> settled_colours(const std::wstring& program, const wchar_t* window_class) {
    e2e::App app = e2e::App::launch({program, {}, {}});
    HWND window = wait_window(app, window_class, Clock::now());
    if (!window) return {};
    e2e::pause(3000);
    return colours_at(window);
}

// One timed start, from process creation: when the window exists, when every
// probe shows its settled colour (the first complete paint has reached the
// screen), when the window's last control exists and when the motherboard's
// label is filled (Vantrix only), and the working set a second after that.
struct Start {
    double window = -1, paint = -1, complete = -1, board = -1, working_set = 0;
};

Start timed_start(const std::wstring& program, const wchar_t* window_class, const std::vector<COLORREF>& settled,
                  int last_control) {
    Start result;
    Sleep(500);
    const auto start = Clock::now();
    e2e::App app = e2e::App::launch({program, {}, {}});
    HWND window = wait_window(app, window_class, start);
    if (!window) return result;
    result.window = ms_since(start);
    while (colours_at(window) != settled) {
        if (ms_since(start) > 30000) return result;
        Sleep(1);
    }
    result.paint = ms_since(start);
    if (last_control) {
        while (!e2e::find_control(window, last_control)) {
            if (ms_since(start) > 30000) return result;
            Sleep(1);
        }
    }
    result.complete = ms_since(start);
    if (last_control) {
        HWND board = e2e::find_control(window, main_ids::lblMBoard);
        while (board && e2e::window_text(board) == L"lblMotherboard") {
            if (ms_since(start) > 30000) return result;
            Sleep(1);
        }
    }
    result.board = ms_since(start);
    e2e::pause(1000);
    result.working_set = working_set_mb(app.process());
    return result;
}

double minimum(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

// Minimum and median of one figure over the runs.
void report_runs(const char* what, const std::vector<double>& values, const char* unit, const char* target) {
    report((std::string(what) + ", min").c_str(), minimum(values), unit, target);
    report((std::string(what) + ", median").c_str(), median(values), unit, target);
}

// A ratio of two figures taken side by side in each run, over the runs.
void report_ratios(const char* what, const std::vector<double>& top, const std::vector<double>& bottom,
                   const char* target) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < top.size(); ++i) ratios.push_back(top[i] / bottom[i]);
    report_runs(what, ratios, "x", target);
}

// Vantrix and the minimal window started in turn, 7 times each: the start-up
// timeline, the ratio of the first complete paints and the working sets.
void bench_startup() {
    const std::wstring minimal = folder_of_tests() + L"\\..\\bench\\vx_minimal_window.exe";
    const auto settled_plain = settled_colours(minimal, L"VantrixMinimalWindow");
    const auto settled_vantrix = settled_colours(e2e::vantrix_exe(), L"TFORM_UTAMA");
    std::vector<double> window, paint, complete, board, plain, memory, plain_memory, extra_memory;
    for (int i = 0; i < 7; ++i) {
        const Start p = timed_start(minimal, L"VantrixMinimalWindow", settled_plain, 0);
        const Start v = timed_start(e2e::vantrix_exe(), L"TFORM_UTAMA", settled_vantrix, main_ids::btnResetGPedit);
        if (p.paint < 0 || v.board < 0) {
            report("start-up: a start that did not settle (figures void)", i, "", "must not appear");
            continue;
        }
        plain.push_back(p.paint);
        window.push_back(v.window);
        paint.push_back(v.paint);
        complete.push_back(v.complete);
        board.push_back(v.board);
        plain_memory.push_back(p.working_set);
        memory.push_back(v.working_set);
        extra_memory.push_back(v.working_set - p.working_set);
    }
    if (plain.empty()) return;
    report_runs("start-up: minimal Win32 window, start to first paint", plain, "ms", "yardstick");
    report_runs("start-up: Vantrix, start to its main window existing", window, "ms", "");
    report_runs("start-up: Vantrix, start to first complete paint", paint, "ms", "");
    report_runs("start-up: Vantrix, start to its last control existing", complete, "ms", "");
    report_runs("start-up: Vantrix, start to the motherboard's label filled", board, "ms", "");
    report_ratios("start-up: ratio Vantrix / minimal, first complete paint", paint, plain, "target <= 1.5 x");
    report_runs("memory: working set of the minimal window", plain_memory, "MB", "yardstick");
    report_runs("memory: working set of Vantrix after start", memory, "MB", "");
    report_runs("memory: Vantrix above the minimal window, same run", extra_memory, "MB", "target <= +6 MB");
}

// Where the working set goes: the same steps as the program's start, taken in
// this process one after another, each with the growth of the working set it
// caused (a later step finds shared parts already loaded).
void bench_breakdown() {
    double before = working_set_mb(GetCurrentProcess());
    auto step = [&before](const char* what) {
        const double now = working_set_mb(GetCurrentProcess());
        report(what, now - before, "MB", "");
        before = now;
    };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX common{sizeof(common), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                    ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&common);
    step("breakdown: COM and the common controls");

    const DpiScale scale(96);
    std::vector<std::shared_ptr<const Bitmap>> pictures;
    double pixels = 0;
    for (const ControlSpec& control : main_window_opening_layout()) {
        if (control.kind != ControlKind::picture && control.kind != ControlKind::speed_button) continue;
        const ScaledControl at = scale_control(control, scale);
        const bool own_size = control.kind == ControlKind::speed_button || (control.flags & flag::unscaled);
        pictures.push_back(own_size ? load_picture(control.caption, scale)
                                    : load_picture(control.caption, scale, at.width, at.height));
        pixels += static_cast<double>(pictures.back()->width) * pictures.back()->height;
    }
    step("breakdown: the Home page's decoded pictures");
    report("breakdown: of which the decoded pixels themselves", pixels * 4 / 1048576.0, "MB", "");

    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VantrixBenchForm";
    RegisterClassW(&cls);
    HWND form = CreateWindowW(cls.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 660, 600, nullptr, nullptr,
                              cls.hInstance, nullptr);
    {
        FormControls controls(form, kMainForm, scale);
        controls.default_font();
        step("breakdown: the form's default font");
        controls.create(main_window_opening_layout());
        controls.finish();
        step("breakdown: the Home page's controls, fonts and pictures");
        controls.add(main_window_later_layout());
        step("breakdown: the other pages' controls");
        // The program reads the board in its window's thread, from the
        // firmware tables (WMI only where there are none).
        motherboard();
        step("breakdown: the board lookup, in this thread as at start-up");
        // What one more thread would cost, for comparison: a worker made at
        // start-up keeps about this much in the working set.
        std::thread([] {}).join();
        step("breakdown: one thread made and ended (the program makes none at start-up)");
        CoFreeUnusedLibrariesEx(0, 0);
        step("breakdown: after unused COM libraries are let go");
    }
    DestroyWindow(form);
}

void bench_size() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(e2e::vantrix_exe().c_str(), GetFileExInfoStandard, &data);
    report("size: the program file with every resource", static_cast<double>(data.nFileSizeLow) / 1048576.0, "MB",
           "target <= 1.5 MB");
}

// Counts and times every call the check makes, by kind, so the figure can be
// explained: under Wine each registry call is a round trip to wineserver.
class CountingRegistry : public RegistryBackend {
public:
    explicit CountingRegistry(RegistryBackend& inner) : inner_(inner) {}
    struct Tally {
        const char* what;
        int calls = 0;
        double ms = 0;
        double items = 0; // names or values a listing answered
    };
    Tally opens{"opens of keys that exist"}, opens_missing{"opens of keys that do not"}, closes{"closes"},
        queries{"single value reads"}, listings{"name listings (names)"},
        contents_reads{"whole-key reads with subkeys (values + names)"};

    long open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) override {
        const auto start = Clock::now();
        const long status = inner_.open(parent, path, access, create, key);
        add(status == 0 ? opens : opens_missing, start, 0);
        return status;
    }
    void close(RegKey key) override {
        const auto start = Clock::now();
        inner_.close(key);
        add(closes, start, 0);
    }
    long query(RegKey key, const std::wstring& name, RegistryValue& value) override {
        const auto start = Clock::now();
        const long status = inner_.query(key, name, value);
        add(queries, start, 0);
        return status;
    }
    long set(RegKey key, const std::wstring& name, const RegistryValue& value) override {
        return inner_.set(key, name, value);
    }
    long delete_value(RegKey key, const std::wstring& name) override { return inner_.delete_value(key, name); }
    long delete_tree(RegKey parent, const std::wstring& subkey) override { return inner_.delete_tree(parent, subkey); }
    long subkey_names(RegKey key, std::vector<std::wstring>& names) override {
        const auto start = Clock::now();
        const long status = inner_.subkey_names(key, names);
        add(listings, start, names.size());
        return status;
    }
    long value_names(RegKey key, std::vector<std::wstring>& names) override {
        const auto start = Clock::now();
        const long status = inner_.value_names(key, names);
        add(listings, start, names.size());
        return status;
    }
    long contents(RegKey key, std::vector<std::pair<std::wstring, RegistryValue>>& values,
                  std::vector<std::wstring>& subkeys) override {
        const auto start = Clock::now();
        const long status = inner_.contents(key, values, subkeys);
        add(contents_reads, start, values.size() + subkeys.size());
        return status;
    }

    void report_all(const char* prefix) const {
        for (const Tally* tally : {&opens, &opens_missing, &closes, &queries, &listings, &contents_reads}) {
            if (tally->calls == 0) continue;
            char line[160];
            std::snprintf(line, sizeof line, "%s%s: %d calls", prefix, tally->what, tally->calls);
            if (tally->items > 0) std::snprintf(line + std::strlen(line), sizeof line - std::strlen(line), ", %.0f items", tally->items);
            report(line, tally->ms, "ms", "");
        }
    }

private:
    static void add(Tally& tally, Clock::time_point start, std::size_t items) {
        ++tally.calls;
        tally.ms += ms_since(start);
        tally.items += static_cast<double>(items);
    }
    RegistryBackend& inner_;
};

// reg.exe started and waited for directly, hidden as the runner starts it:
// what the import costs without the program around it. Answers the exit code.
int import_directly(const std::wstring& reg, const std::wstring& file) {
    std::wstring line = L"reg.exe import \"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(reg.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        &startup, &info))
        return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

// The FOLDER script, the largest (1,560 lines): the repair as the button runs
// it (old file deleted, script written, file checks, reg.exe through the
// runner's wait, file deleted) against reg.exe importing the
// same file with nothing around it. The runner's wait on the same file is
// reported too, so the overhead can be told apart from the file work. Runs
// that did not import count as failures, not as times.
void bench_folder() {
    Win32Registry registry;
    Win32CommandRunner runner(pump);
    Win32FileSystem files;
    Win32Folders folders;
    ResourceTextStore texts;
    test::ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, folders.temp_folder() + L"\\"};
    const auto script = texts.lines(L"mFIX_FOLDER_W10");
    const std::wstring reg = folders.system_folder() + L"\\reg.exe";
    const std::wstring plain_file = services.temp_path + L"FOLDER-plain.reg";
    files.write_text_file(plain_file, script);

    // The FIX as the program runs it saves the keys it replaces first; the
    // backups go to a folder of their own in TEMP, removed afterwards.
    const std::wstring backup_home = services.temp_path + L"vx-bench-backups";
    Win32BackupFolders backups(backup_home);
    const AssociationEntry* folder_entry = nullptr;
    for (const auto& entry : kAssociations)
        if (std::wstring_view(entry.import_name) == L"FOLDER") folder_entry = &entry;
    const BackupPlan plan = association_backup_plan(texts, *folder_entry);

    std::vector<double> through_program, through_runner, plain, with_backup, check_only;
    int failures = 0;
    for (int i = 0; i < 11; ++i) {
        auto start = Clock::now();
        if (import_directly(reg, plain_file) != 0) ++failures;
        plain.push_back(ms_since(start));
        start = Clock::now();
        if (runner.run(L"reg.exe", {L"import", plain_file}, sw::hide) != 0) ++failures;
        through_runner.push_back(ms_since(start));
        ui.boxes.clear();
        start = Clock::now();
        import_registry_script(services, script, L"FOLDER");
        through_program.push_back(ms_since(start));
        // The routine checks the registry after the import. Wine's reg.exe
        // stores the script's hex(2) values as ANSI text, so there the check
        // names them instead of saying "Done!"; only an import that did not
        // run at all ("Error!" alone) voids the figures.
        if (ui.boxes.size() != 1 || ui.boxes[0].text == L"Error!") ++failures;
        ui.boxes.clear();
        start = Clock::now();
        run_with_backup(services, backups, L"2026-12-11 00:00:00", L"FOLDER", L"bench", plan,
                        [&] { import_registry_script(services, script, L"FOLDER"); });
        with_backup.push_back(ms_since(start));
        start = Clock::now();
        (void)compare_with_script(registry, regscript::parse(script));
        check_only.push_back(ms_since(start));
        if (ui.boxes.size() != 1 || ui.boxes[0].text == L"Error!") ++failures;
    }
    DeleteFileW(plain_file.c_str());
    files.delete_tree(backup_home);
    report("FOLDER: plain reg.exe import of the script", median(plain), "ms", "yardstick");
    report("FOLDER: the same through the runner's wait", median(through_runner), "ms", "");
    report("FOLDER: repair through the import routine", median(through_program), "ms", "");
    report("FOLDER: of which the check of the registry after the import", median(check_only), "ms", "");
    report_ratios("FOLDER: ratio repair / plain import, side by side", through_program, plain, "target <= 1.2 x");
    report("FOLDER: repair with the backup of what it replaces", median(with_backup), "ms", "");
    report_ratios("FOLDER: ratio repair with backup / plain import, side by side", with_backup, plain, "");
    report("FOLDER: imports that failed (figures above are void if any)", failures, "", "must be 0");
    CountingRegistry counted(registry);
    (void)compare_with_script(counted, regscript::parse(script));
    counted.report_all("FOLDER check: ");
}

void bench_scan() {
    Win32Registry registry;
    test::ScriptedUi ui;
    RestrictionModel model(registry, ui);
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        model.scan();
        times.push_back(ms_since(start));
    }
    report("restrictions: one scan of the 34 entries (38 registry reads)", median(times), "ms", "target <= 5 ms");
}

// The check on the prefix as it is, nothing written; a type whose keys are
// missing is compared faster, so the number of damaged types is printed too.
// Each registry call under Wine is a round trip to wineserver, whose time
// depends on the host, so the calls are counted and timed by kind as well.
void bench_assoc_check() {
    Win32Registry registry;
    ResourceTextStore texts;
    std::vector<double> times;
    std::size_t damaged = 0;
    for (int i = 0; i < 30; ++i) {
        const auto start = Clock::now();
        const auto all = check_associations(registry, texts);
        times.push_back(ms_since(start));
        damaged = 0;
        for (const auto& row : all)
            if (!row.intact()) ++damaged;
    }
    report("associations: one check of the 26 types, minimum of 30", *std::min_element(times.begin(), times.end()),
           "ms", "target <= 50 ms");
    report("associations: one check of the 26 types, median of 30", median(times), "ms", "target <= 50 ms");
    std::vector<double> parse_times;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        for (const auto& entry : kAssociations) (void)regscript::parse(texts.lines(entry.memo));
        parse_times.push_back(ms_since(start));
    }
    report("associations: of which reading and parsing the 26 scripts", median(parse_times), "ms", "");
    report("associations: types found damaged in this prefix", static_cast<double>(damaged), "", "");
    CountingRegistry counted(registry);
    (void)check_associations(counted, texts);
    counted.report_all("associations, one check: ");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::pair<std::wstring, std::function<void()>>> all = {
        {L"runner", bench_runner}, {L"startup", bench_startup}, {L"breakdown", bench_breakdown}, {L"size", bench_size},
        {L"folder", bench_folder}, {L"scan", bench_scan}, {L"assoc", bench_assoc_check}};
    for (const auto& [name, run] : all) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) wanted = wanted || name == argv[i];
        if (wanted) run();
    }
    return 0;
}
