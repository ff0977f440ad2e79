/* Runs inside Wine and times program starts in alternating pairs, in one
   prefix and one wineserver:
     launch quit  PAIRS vorlane.exe baseline_quit.exe   start to exit of "-q"
     launch tray  PAIRS vorlane.exe baseline_tray.exe   start to idle in the
        message loop (the tray icon is added before it: Shell_NotifyIcon
        returns once the tray has it), then private memory after 2 s
     launch hold  SECONDS program [arguments]           starts it, waits, closes it
   Prints one line per pair: milliseconds (and KiB) of each, the first
   program's first. Sets up the registry and the two files vorlane.exe reads,
   and, when BENCH_BCD_ENTRIES names a number, a Boot Manager store of that
   many Windows entries under HKLM\BCD00000000. */
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static double now_ms(void) {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)count.QuadPart / (double)frequency.QuadPart;
}

static void make_store(int entries);

static void make_world(void) {
    static const char boot_ini[] =
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" "
        "/fastdetect\r\nC:\\=\"Microsoft Windows 98\"\r\n";
    HKEY key;
    FILE* file = fopen("C:\\BOOT.INI", "wb");
    if (file) fwrite(boot_ini, 1, sizeof boot_ini - 1, file), fclose(file);
    file = fopen("C:\\VORLANE.INI", "wb");
    if (file) fclose(file);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ostrevan\\Vorlane", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        return;
    RegSetValueExA(key, "Filename", 0, REG_SZ, (const BYTE*)"C:\\BOOT.INI", 12);
    RegSetValueExA(key, "INI", 0, REG_SZ, (const BYTE*)"C:\\VORLANE.INI", 15);
    RegCloseKey(key);
    if (getenv("BENCH_BCD_ENTRIES")) make_store(atoi(getenv("BENCH_BCD_ENTRIES")));
}

static void put(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &handle, NULL)) return;
    RegSetValueExA(handle, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(handle);
}

static void make_store(int entries) {
    static const char manager[] = "BCD00000000\\Objects\\{9dea862c-5cdd-4e70-acc1-f32b344d4795}\\";
    char order[64 * 39 + 1], key[256], id[40], name[32];
    DWORD type = 0x10200003, size = 0;
    int i;
    for (i = 0; i < entries && i < 64; ++i) {
        snprintf(id, sizeof id, "{0a1b2c3d-0000-0000-0000-%012d}", i);
        snprintf(name, sizeof name, "Windows %d", i + 1);
        snprintf(key, sizeof key, "BCD00000000\\Objects\\%s\\Description", id);
        put(key, "Type", REG_DWORD, &type, 4);
        snprintf(key, sizeof key, "BCD00000000\\Objects\\%s\\Elements\\12000004", id);
        put(key, "Element", REG_SZ, name, (DWORD)strlen(name) + 1);
        memcpy(order + size, id, 39);
        size += 39;
        if (i == 0) {
            snprintf(key, sizeof key, "%sElements\\23000003", manager);
            put(key, "Element", REG_SZ, id, 39);
        }
    }
    order[size++] = '\0';
    snprintf(key, sizeof key, "%sElements\\24000001", manager);
    put(key, "Element", REG_MULTI_SZ, order, size);
}

static BOOL CALLBACK close_window(HWND window, LPARAM pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == (DWORD)pid) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

static PROCESS_INFORMATION start(const char* program, const char* arguments) {
    char command[1024];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    memset(&process, 0, sizeof process);
    snprintf(command, sizeof command, "\"%s\" %s", program, arguments);
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "cannot start %s\n", command);
        exit(1);
    }
    return process;
}

static void end(PROCESS_INFORMATION process) {
    EnumWindows(close_window, (LPARAM)process.dwProcessId);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

static double quit_ms(const char* program) {
    const double begin = now_ms();
    PROCESS_INFORMATION process = start(program, "-q");
    WaitForSingleObject(process.hProcess, INFINITE);
    const double spent = now_ms() - begin;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return spent;
}

static double tray_ms(const char* program, unsigned long* private_kib) {
    const double begin = now_ms();
    PROCESS_INFORMATION process = start(program, "");
    WaitForInputIdle(process.hProcess, 30000);
    const double spent = now_ms() - begin;
    PROCESS_MEMORY_COUNTERS_EX memory;
    Sleep(2000);
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory);
    /* Windows reports the same number in both; Wine fills only the second. */
    *private_kib = (unsigned long)((memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1024);
    end(process);
    return spent;
}

int main(int argc, char** argv) {
    int pairs, i;
    if (argc < 4) return 2;
    make_world();
    if (!strcmp(argv[1], "hold")) {
        PROCESS_INFORMATION process = start(argv[3], argc > 4 ? argv[4] : "");
        Sleep(1000 * (DWORD)atoi(argv[2]));
        end(process);
        return 0;
    }
    pairs = atoi(argv[2]);
    /* One unmeasured start of each first: the first start in a prefix pays for its set-up. */
    for (i = -1; i < pairs; ++i) {
        /* Alternating which goes first, so neither always meets a warmer cache. */
        const char* first = i % 2 ? argv[3] : argv[4];
        const char* second = i % 2 ? argv[4] : argv[3];
        double a, b;
        unsigned long a_kib = 0, b_kib = 0;
        if (!strcmp(argv[1], "quit")) {
            a = quit_ms(first), b = quit_ms(second);
        } else {
            a = tray_ms(first, &a_kib), b = tray_ms(second, &b_kib);
        }
        if (i < 0) continue;
        if (first != argv[3]) {
            double t = a; a = b; b = t;
            unsigned long k = a_kib; a_kib = b_kib; b_kib = k;
        }
        printf("%.2f %.2f %lu %lu\n", a, b, a_kib, b_kib);
        fflush(stdout);
    }
    return 0;
}
