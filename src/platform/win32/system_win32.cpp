// The platform seam on the real Win32 API (ANSI functions throughout, since
// the program must run on Windows 98, Me and NT 4.0 as well as later ones).
// message_box and shift_held live in ui_win32.cpp so the contract tests can
// link recorders instead.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <limits>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/system_library_win32.h"

namespace vorlane::platform {

namespace {

// The longest environment value Windows allows, terminator included.
constexpr DWORD kEnvValueMax = 32767;
// GetModuleFileNameA's buffer; the program never lives under a longer path.
constexpr DWORD kModulePathMax = MAX_PATH;
// WriteFile takes a DWORD count; larger writes go in pieces of this size.
constexpr std::size_t kWriteChunk = 0x40000000u;

DWORD g_last_error = 0;

// Records a failure whose code came from GetLastError().
bool fail_last() {
    g_last_error = GetLastError();
    return false;
}

// Records a failure whose code is the return value (the registry functions
// return their error instead of setting GetLastError).
bool fail_code(LONG code) {
    g_last_error = static_cast<DWORD>(code);
    return false;
}

// Windows refuses to write over a read-only file by itself, but Wine leaves
// that to the Unix permissions, which do not stop root. Checking first keeps
// the rule the same everywhere the program and its tests run.
bool is_read_only(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

// A function that not every supported Windows exports, looked up when needed
// so that the exe still loads there: 95/98/Me lack the token calls or only
// stub them, NT 4.0 has no power management. Null when missing.
template <class Function>
Function system_function(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

HKEY as_hkey(RegKey key) { return static_cast<HKEY>(key); }
HANDLE as_handle(File file) { return static_cast<HANDLE>(file); }

HANDLE open_for_reading(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail_last();
    return h;
}

// Reads up to `limit` bytes, fewer when the file ends first; closes the handle.
bool read_and_close(HANDLE h, DWORD limit, std::string* bytes) {
    std::string content(limit, '\0');
    DWORD total = 0;
    while (total < limit) {
        DWORD got = 0;
        if (!ReadFile(h, &content[total], limit - total, &got, nullptr)) {
            fail_last();
            CloseHandle(h);
            return false;
        }
        if (got == 0) break;  // the end of the file
        total += got;
    }
    CloseHandle(h);
    content.resize(total);
    bytes->swap(content);
    return true;
}

}  // namespace

// ---- Registry ---------------------------------------------------------------------

bool reg_open(const std::string& subkey, RegKey* key) {
    HKEY opened = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_ALL_ACCESS, &opened);
    if (rc != ERROR_SUCCESS) return fail_code(rc);
    *key = opened;
    return true;
}

void reg_close(RegKey key) {
    if (key) RegCloseKey(as_hkey(key));
}

RegQuery reg_query(RegKey key, const std::string& name, std::size_t limit, std::string* data,
                   std::uint32_t* type) {
    if (limit > std::numeric_limits<DWORD>::max()) limit = std::numeric_limits<DWORD>::max();
    // One spare byte so the buffer pointer is valid even for a limit of 0
    // (a NULL buffer would make RegQueryValueEx report success with no data).
    std::vector<BYTE> buffer(limit + 1);
    DWORD size = static_cast<DWORD>(limit);
    DWORD value_type = 0;
    LONG rc = RegQueryValueExA(as_hkey(key), name.c_str(), nullptr, &value_type, buffer.data(), &size);
    if (rc == ERROR_MORE_DATA) {
        fail_code(rc);
        return RegQuery::too_large;
    }
    if (rc == ERROR_FILE_NOT_FOUND) {
        fail_code(rc);
        return RegQuery::missing;
    }
    if (rc != ERROR_SUCCESS) {
        fail_code(rc);
        return RegQuery::failed;
    }
    // Never trust the returned size beyond what we handed over.
    if (size > limit) size = static_cast<DWORD>(limit);
    data->assign(reinterpret_cast<const char*>(buffer.data()), size);
    *type = value_type;
    return RegQuery::ok;
}

bool reg_set(RegKey key, const std::string& name, std::uint32_t type, const std::string& data) {
    if (data.size() >= std::numeric_limits<DWORD>::max()) return fail_code(ERROR_INVALID_PARAMETER);
    // For string types NT counts a terminator the caller left out whenever the
    // byte after the data is zero (always so for a std::string): a non-zero
    // byte there keeps the value at exactly these bytes. 98 and Me ignore the
    // count of a REG_SZ and store the text up to its zero, which must be there.
    std::vector<BYTE> buffer(data.begin(), data.end());
    buffer.push_back(os_version().platform_id == VER_PLATFORM_WIN32_WINDOWS ? 0 : 1);
    LONG rc = RegSetValueExA(as_hkey(key), name.c_str(), 0, type, buffer.data(), static_cast<DWORD>(data.size()));
    if (rc != ERROR_SUCCESS) return fail_code(rc);
    return true;
}

bool reg_delete(RegKey key, const std::string& name) {
    LONG rc = RegDeleteValueA(as_hkey(key), name.c_str());
    if (rc != ERROR_SUCCESS) return fail_code(rc);
    return true;
}

// ---- Files --------------------------------------------------------------------------

FileRead file_read(const std::string& path, std::size_t limit, std::string* bytes) {
    HANDLE h = open_for_reading(path);
    if (h == INVALID_HANDLE_VALUE) return FileRead::cannot_open;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    // INVALID_FILE_SIZE is also a valid low half of a 4 GB+ size; only
    // GetLastError tells them apart.
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        fail_last();
        CloseHandle(h);
        return FileRead::cannot_open;
    }
    if (high != 0 || low > limit) {
        g_last_error = ERROR_NOT_ENOUGH_MEMORY;  // more than the caller can hold
        CloseHandle(h);
        return FileRead::too_large;
    }
    return read_and_close(h, low, bytes) ? FileRead::ok : FileRead::cannot_open;
}

bool file_read_head(const std::string& path, std::size_t limit, std::string* bytes) {
    // A head this large is never asked for; the cap keeps the count a DWORD.
    if (limit > kWriteChunk) limit = kWriteChunk;
    HANDLE h = open_for_reading(path);
    return h != INVALID_HANDLE_VALUE && read_and_close(h, static_cast<DWORD>(limit), bytes);
}

std::uint32_t file_attributes(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        fail_last();
        return kInvalidAttributes;
    }
    return attributes;
}

bool file_set_attributes(const std::string& path, std::uint32_t attributes) {
    if (!SetFileAttributesA(path.c_str(), attributes)) return fail_last();
    return true;
}

File file_create(const std::string& path) {
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    DWORD existing = GetFileAttributesA(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY)) {
        if (existing & FILE_ATTRIBUTE_READONLY) {  // see is_read_only()
            fail_code(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        // CREATE_ALWAYS refuses (access denied) to overwrite a hidden or system
        // file unless those same attributes are asked for, so pass them on.
        DWORD keep = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (keep) flags = keep;
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, flags,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fail_last();
        return nullptr;
    }
    return h;
}

bool file_write(File file, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(size < kWriteChunk ? size : kWriteChunk);
        DWORD written = 0;
        if (!WriteFile(as_handle(file), data, chunk, &written, nullptr)) return fail_last();
        if (written != chunk) return fail_code(ERROR_WRITE_FAULT);
        data += chunk;
        size -= chunk;
    }
    return true;
}

bool file_flush(File file) {
    if (!FlushFileBuffers(as_handle(file))) return fail_last();
    return true;
}

bool file_close(File file) {
    if (!CloseHandle(as_handle(file))) return fail_last();
    return true;
}

bool file_replace(const std::string& source, const std::string& target) {
    if (is_read_only(target)) return fail_code(ERROR_ACCESS_DENIED);
    // No MOVEFILE_WRITE_THROUGH: it flushes only a move done as a copy and a
    // delete, never a rename on one volume; volume_flush does that.
    if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return fail_last();
    return true;
}

std::string full_path(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    // 0 is a failure, a count of MAX_PATH or more a path that did not fit.
    if (n == 0 || n >= MAX_PATH) return path;
    return std::string(buffer, n);
}

bool volume_flush(const std::string& path) {
    // Only a drive letter's volume can be opened so; a network path cannot.
    const std::string full = full_path(path);
    if (full.size() < 3 || full[1] != ':' || full[2] != '\\') return fail_code(ERROR_INVALID_DRIVE);
    const std::string volume = "\\\\.\\" + full.substr(0, 2);
    HANDLE h = CreateFileA(volume.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail_last();
    const bool flushed = FlushFileBuffers(h) != FALSE;
    if (!flushed) fail_last();
    CloseHandle(h);
    return flushed;
}

bool file_move(const std::string& source, const std::string& target) {
    if (!MoveFileA(source.c_str(), target.c_str())) return fail_last();
    return true;
}

namespace {

using GetFileSecurityFn = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
using SetFileSecurityFn = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);

using OpenTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using LookupPrivilegeFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
using AdjustPrivilegesFn = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);

// Turns one privilege of the process's token on, when the token has it, and
// keeps it on unless restore() is called. The token calls are looked up:
// 95/98/Me lack them or only stub them, and the program must load there.
class TokenPrivilege {
public:
    explicit TokenPrivilege(const char* name) {
        const auto open_token = system_function<OpenTokenFn>("advapi32.dll", "OpenProcessToken");
        const auto lookup = system_function<LookupPrivilegeFn>("advapi32.dll", "LookupPrivilegeValueA");
        adjust_ = system_function<AdjustPrivilegesFn>("advapi32.dll", "AdjustTokenPrivileges");
        if (!open_token || !lookup || !adjust_) {
            fail_code(ERROR_CALL_NOT_IMPLEMENTED);
            return;
        }
        if (!open_token(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token_)) {
            token_ = nullptr;
            fail_last();
            return;
        }
        TOKEN_PRIVILEGES wanted;
        std::memset(&wanted, 0, sizeof wanted);
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = sizeof previous_;
        // Succeeds also when the privilege was not granted (ERROR_NOT_ALL_ASSIGNED).
        adjusted_ = lookup(nullptr, name, &wanted.Privileges[0].Luid) &&
                    adjust_(token_, FALSE, &wanted, sizeof previous_, &previous_, &size);
        if (!adjusted_) fail_last();
    }
    ~TokenPrivilege() {
        if (token_) CloseHandle(token_);
    }
    TokenPrivilege(const TokenPrivilege&) = delete;
    TokenPrivilege& operator=(const TokenPrivilege&) = delete;

    void restore() {
        if (adjusted_) adjust_(token_, FALSE, &previous_, 0, nullptr, nullptr);
        adjusted_ = false;
    }

private:
    AdjustPrivilegesFn adjust_ = nullptr;
    HANDLE token_ = nullptr;
    TOKEN_PRIVILEGES previous_ = {};
    bool adjusted_ = false;
};

}  // namespace

bool file_copy_security(const std::string& source, const std::string& target) {
    // advapi32 of the 9x platform has no file security, and the program must
    // load there, so the functions are looked up, and only on the NT family.
    if (os_version().platform_id == VER_PLATFORM_WIN32_WINDOWS) return fail_code(ERROR_CALL_NOT_IMPLEMENTED);
    HMODULE advapi = GetModuleHandleA("advapi32.dll");  // loaded with the program
    auto get = advapi ? reinterpret_cast<GetFileSecurityFn>(
                            reinterpret_cast<void*>(GetProcAddress(advapi, "GetFileSecurityA")))
                      : nullptr;
    auto set = advapi ? reinterpret_cast<SetFileSecurityFn>(
                            reinterpret_cast<void*>(GetProcAddress(advapi, "SetFileSecurityA")))
                      : nullptr;
    if (!get || !set) return fail_code(ERROR_CALL_NOT_IMPLEMENTED);

    const SECURITY_INFORMATION all = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    get(source.c_str(), all, nullptr, 0, &size);  // asks for the size
    if (size == 0) return fail_last();
    std::vector<BYTE> descriptor(size);
    if (!get(source.c_str(), all, descriptor.data(), size, &size)) return fail_last();

    // Each try sets less: the owner needs a privilege, the group may be one
    // this process may not name, the access list is always ours to copy.
    const SECURITY_INFORMATION tries[] = {all, all & ~OWNER_SECURITY_INFORMATION, DACL_SECURITY_INFORMATION};
    // Only with SeRestorePrivilege may an administrator make another account
    // a file's owner; it is put back as it was afterwards.
    TokenPrivilege privilege("SeRestorePrivilege");
    bool copied = false;
    for (SECURITY_INFORMATION part : tries)
        if ((copied = set(target.c_str(), part, descriptor.data()) != FALSE)) break;
    const DWORD code = copied ? ERROR_SUCCESS : GetLastError();
    privilege.restore();
    return copied || fail_code(code);
}

bool file_remove(const std::string& path) {
    if (!DeleteFileA(path.c_str())) return fail_last();
    return true;
}

bool file_append(const std::string& path, const std::string& bytes) {
    if (is_read_only(path)) return fail_code(ERROR_ACCESS_DENIED);
    // OPEN_ALWAYS succeeds on an existing file with GetLastError() ==
    // ERROR_ALREADY_EXISTS; that is not a failure.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail_last();
    // With a high part given, INVALID_SET_FILE_POINTER is ambiguous; ask GetLastError.
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(h, 0, &high, FILE_END);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        fail_last();
        CloseHandle(h);
        return false;
    }
    bool ok = file_write(h, bytes.data(), bytes.size());
    if (!CloseHandle(h) && ok) return fail_last();
    return ok;
}

// ---- Errors -----------------------------------------------------------------------

std::uint32_t last_error() { return g_last_error; }

std::string error_text(std::uint32_t code) {
    char* buffer = nullptr;
    // With ALLOCATE_BUFFER the "buffer" argument is really a char** in disguise.
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        if (buffer) LocalFree(buffer);
        return std::string();
    }
    std::string text(buffer, length);
    LocalFree(buffer);
    return text;
}

// ---- Process and system -------------------------------------------------------------

bool get_env(const std::string& name, std::string* value) {
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        // 0 means missing or empty; only GetLastError tells which.
        SetLastError(NO_ERROR);
        DWORD n = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            if (GetLastError() != NO_ERROR) return fail_last();
            value->clear();
            return true;
        }
        // Too small: n is the size needed, terminator included.
        if (n < buffer.size()) {
            value->assign(buffer.data(), n);
            return true;
        }
        if (n > kEnvValueMax) return fail_code(ERROR_BUFFER_OVERFLOW);
        buffer.resize(n);  // and again: the variable may have grown meanwhile
    }
    return fail_code(ERROR_BUFFER_OVERFLOW);
}

std::string module_path() {
    char buffer[kModulePathMax + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, kModulePathMax);
    // A full buffer means a cut path, and on XP it is not even terminated.
    if (n == 0 || n >= kModulePathMax) {
        if (n == 0) fail_last();
        else fail_code(ERROR_INSUFFICIENT_BUFFER);
        return std::string();
    }
    return std::string(buffer, n);
}

OsVersion os_version() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    // The size field selects the structure layout; the plain one works everywhere.
    info.dwOSVersionInfoSize = sizeof info;
    OsVersion v;
    if (!GetVersionExA(&info)) {
        fail_last();
        return v;
    }
    v.platform_id = info.dwPlatformId;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    return v;
}

LocalTime local_time() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    return t;
}

// ---- Power ------------------------------------------------------------------------

void enable_shutdown_privilege() {
    // Stays on for the rest of the run: the restart or shut-down follows.
    TokenPrivilege privilege("SeShutdownPrivilege");
}

bool exit_windows(std::uint32_t flags) {
    if (!ExitWindowsEx(flags, 0)) return fail_last();
    return true;
}

bool set_power_state(bool suspend, bool force) {
    using SetPowerState = BOOL(WINAPI*)(BOOL, BOOL);
    const auto set_state = system_function<SetPowerState>("kernel32.dll", "SetSystemPowerState");
    // Missing: the caller shows the system's text for this code.
    if (!set_state) return fail_code(ERROR_CALL_NOT_IMPLEMENTED);
    if (!set_state(suspend ? TRUE : FALSE, force ? TRUE : FALSE)) return fail_last();
    return true;
}

HMODULE load_system_library(const char* name) {
    const std::string folder = system_folder();
    if (folder.empty()) return nullptr;
    const std::string path = folder + "\\" + name;
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) fail_last();
    return library;
}

PowerProbe probe_power(bool hibernate) {
    // powrprof.dll is missing on some systems (NT 4.0), so it is never linked directly.
    HMODULE library = load_system_library("powrprof.dll");
    if (!library) return PowerProbe::no_library;
    // These return BOOLEAN, a single byte: the rest of EAX is whatever the DLL
    // left there, so the type must be BOOLEAN for only the low byte to count.
    using Probe = BOOLEAN(WINAPI*)();
    FARPROC suspend_proc = GetProcAddress(library, "IsPwrSuspendAllowed");
    FARPROC hibernate_proc = GetProcAddress(library, "IsPwrHibernateAllowed");
    FARPROC own = hibernate ? hibernate_proc : suspend_proc;
    PowerProbe answer;
    if (!own) {
        fail_last();
        answer = PowerProbe::no_function;
    } else {
        // FARPROC to a function pointer of another type: go through void* to
        // keep the conversion explicit.
        Probe probe = reinterpret_cast<Probe>(reinterpret_cast<void*>(own));
        answer = probe() != 0 ? PowerProbe::allowed : PowerProbe::refused;
    }
    FreeLibrary(library);
    return answer;
}

// ---- Machine-wide registry and programs ---------------------------------------------

namespace {

// How long a program run for the boot menu may take; Windows' own tools end
// within seconds. One that hangs is left running, not killed halfway.
constexpr DWORD kProgramTimeoutMs = 60000;
// Not in NT 4.0's headers.
constexpr DWORD kCreateNoWindow = 0x08000000;  // CREATE_NO_WINDOW
constexpr int kTokenElevation = 20;            // TokenElevation, Vista and later

using TokenInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD, PDWORD);
using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// Waits for the process, takes its exit code, and closes the handle.
bool wait_for_exit(HANDLE process, std::uint32_t* exit_code) {
    const DWORD waited = WaitForSingleObject(process, kProgramTimeoutMs);
    DWORD code = 0;
    const bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    if (!ended) waited == WAIT_TIMEOUT ? fail_code(WAIT_TIMEOUT) : fail_last();
    CloseHandle(process);
    if (ended) *exit_code = code;
    return ended;
}

using RedirectionFn = BOOL(WINAPI*)(PVOID*);

// The consent prompt's way of starting a program: ShellExecuteEx with the
// "runas" verb (Vista and later; elsewhere it starts the program as it is).
// shell32 is loaded from the system folder by its full path. The process is
// left open in `info` unless `wait`.
bool shell_start(const std::string& path, const std::string& arguments, bool wait, std::uint32_t* exit_code) {
    HMODULE shell = LoadLibraryA((system_folder() + "\\shell32.dll").c_str());
    if (!shell) return fail_last();
    const auto execute =
        reinterpret_cast<ShellExecuteExFn>(reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteExA")));
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "runas";
    info.lpFile = path.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = wait ? SW_HIDE : SW_SHOWNORMAL;
    // A 32-bit process on 64-bit Windows names System32's own program: the
    // elevated process is started by a 64-bit service, for which Sysnative
    // does not exist, and this process must see that file too.
    PVOID redirection = nullptr;
    const auto disable = system_function<RedirectionFn>("kernel32.dll", "Wow64DisableWow64FsRedirection");
    const auto revert = system_function<RedirectionFn>("kernel32.dll", "Wow64RevertWow64FsRedirection");
    const std::string system = system_folder();
    bool in_system = !system.empty() && path.size() > system.size();
    for (std::size_t i = 0; in_system && i < system.size(); ++i)
        in_system = (path[i] | 0x20) == (system[i] | 0x20);
    const bool redirected = in_system && wow64() && disable && revert && disable(&redirection);
    // Declined: ERROR_CANCELLED.
    const bool started = execute ? execute(&info) != FALSE || fail_last() : fail_code(ERROR_CALL_NOT_IMPLEMENTED);
    if (redirected) {
        const DWORD kept = GetLastError();
        revert(&redirection);
        SetLastError(kept);
    }
    FreeLibrary(shell);
    if (!started) return false;
    if (!info.hProcess) return wait ? fail_code(ERROR_INVALID_HANDLE) : true;
    if (wait) return wait_for_exit(info.hProcess, exit_code);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace

bool machine_key_open(const std::string& subkey, RegKey* key) {
    HKEY opened = nullptr;
    // Read only: administrators may read the boot store but not write it.
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &opened);
    if (rc != ERROR_SUCCESS) return fail_code(rc);
    *key = opened;
    return true;
}

bool reg_subkey(RegKey key, std::size_t index, std::string* name) {
    if (index >= std::numeric_limits<DWORD>::max()) return fail_code(ERROR_NO_MORE_ITEMS);
    char buffer[kKeyNameMax + 1] = {};
    DWORD size = sizeof buffer;
    LONG rc = RegEnumKeyExA(as_hkey(key), static_cast<DWORD>(index), buffer, &size, nullptr, nullptr, nullptr,
                            nullptr);
    if (rc != ERROR_SUCCESS) return fail_code(rc);
    if (size > kKeyNameMax) size = kKeyNameMax;  // never trust a returned size
    name->assign(buffer, size);
    return true;
}

bool run_program(const std::string& path, const std::string& arguments, bool as_administrator,
                 std::uint32_t* exit_code) {
    if (as_administrator) return shell_start(path, arguments, true, exit_code);
    std::string command = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;  // a console program would otherwise flash its window
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    if (!CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, kCreateNoWindow, nullptr, nullptr,
                        &startup, &info))
        return fail_last();
    CloseHandle(info.hThread);
    return wait_for_exit(info.hProcess, exit_code);
}

bool start_program(const std::string& path, const std::string& arguments, bool as_administrator) {
    std::uint32_t ignored = 0;
    if (as_administrator) return shell_start(path, arguments, false, &ignored);
    std::string command = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    if (!CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return fail_last();
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool process_elevated() {
    const auto open_token = system_function<OpenTokenFn>("advapi32.dll", "OpenProcessToken");
    const auto query = system_function<TokenInformationFn>("advapi32.dll", "GetTokenInformation");
    HANDLE token = nullptr;
    if (!open_token || !query || !open_token(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    DWORD elevated = 0;
    DWORD size = 0;
    // Before Vista the class is unknown and the call fails: nothing to ask for there.
    const BOOL answered = query(token, kTokenElevation, &elevated, sizeof elevated, &size);
    CloseHandle(token);
    return !answered || elevated != 0;
}

std::string system_folder() {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        if (n == 0) fail_last();
        else fail_code(ERROR_INSUFFICIENT_BUFFER);
        return std::string();
    }
    std::string folder(buffer, n);
    if (folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string user_sid() {
    using ConvertSidFn = BOOL(WINAPI*)(PSID, LPSTR*);
    constexpr int kTokenUser = 1;  // TokenUser
    const auto open_token = system_function<OpenTokenFn>("advapi32.dll", "OpenProcessToken");
    const auto query = system_function<TokenInformationFn>("advapi32.dll", "GetTokenInformation");
    // Windows 2000 and later.
    const auto convert = system_function<ConvertSidFn>("advapi32.dll", "ConvertSidToStringSidA");
    if (!open_token || !query || !convert) return fail_code(ERROR_CALL_NOT_IMPLEMENTED), std::string();
    HANDLE token = nullptr;
    if (!open_token(GetCurrentProcess(), TOKEN_QUERY, &token)) return fail_last(), std::string();
    // A TOKEN_USER with its SID behind it: a SID has at most 68 bytes.
    union { TOKEN_USER user; BYTE bytes[256]; } buffer;
    DWORD size = 0;
    const bool got = query(token, kTokenUser, &buffer, sizeof buffer, &size) != FALSE || fail_last();
    CloseHandle(token);
    if (!got) return std::string();
    LPSTR text = nullptr;
    if (!convert(buffer.user.User.Sid, &text)) return fail_last(), std::string();
    std::string sid(text);
    LocalFree(text);
    return sid;
}

bool wow64() {
#ifdef _WIN64
    return false;
#else
    // XP SP2 and later; older systems have no 64-bit sibling.
    const auto is_wow64 = system_function<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
    BOOL answer = FALSE;
    return is_wow64 && is_wow64(GetCurrentProcess(), &answer) && answer;
#endif
}

}  // namespace vorlane::platform

// ---- Firmware variables ---------------------------------------------------------

namespace vorlane::platform {

namespace {

using GetFirmwareVariableFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, PVOID, DWORD);
using SetFirmwareVariableFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, PVOID, DWORD);

std::uint32_t failed_with(DWORD code) {
    g_last_error = code;
    return code;
}

}  // namespace

std::uint32_t firmware_get(const std::string& name, const std::string& guid, std::size_t limit, std::string* data) {
    // Missing before XP SP1 (9x, NT 4.0, 2000): as good as a legacy BIOS there.
    const auto get_variable = system_function<GetFirmwareVariableFn>("kernel32.dll", "GetFirmwareEnvironmentVariableA");
    if (!get_variable) return failed_with(ERROR_INVALID_FUNCTION);
    if (limit > std::numeric_limits<DWORD>::max()) limit = std::numeric_limits<DWORD>::max();
    std::string bytes(limit ? limit : 1, '\0');
    const DWORD got = get_variable(name.c_str(), guid.c_str(), &bytes[0], static_cast<DWORD>(limit));
    // No variable holds zero bytes: writing none deletes it.
    if (got == 0) return failed_with(GetLastError());
    bytes.resize(got);
    *data = std::move(bytes);
    return 0;
}

std::uint32_t firmware_set(const std::string& name, const std::string& guid, const std::string& data) {
    const auto set_variable = system_function<SetFirmwareVariableFn>("kernel32.dll", "SetFirmwareEnvironmentVariableA");
    if (!set_variable) return failed_with(ERROR_INVALID_FUNCTION);
    std::string bytes = data;
    if (!set_variable(name.c_str(), guid.c_str(), bytes.empty() ? nullptr : &bytes[0],
                      static_cast<DWORD>(bytes.size())))
        return failed_with(GetLastError());
    return 0;
}

void enable_firmware_privilege() {
    // Kept on: the menu reads the variables again after each change.
    TokenPrivilege privilege("SeSystemEnvironmentPrivilege");
}

std::string ansi_from_utf16(const std::u16string& text) {
    if (text.empty()) return std::string();
    // wchar_t is UTF-16 on Windows; the system's default character stands in
    // for what the ANSI code page lacks.
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string(text.size(), '?');
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, &out[0], size, nullptr, nullptr);
    return out;
}

std::u16string utf16_from_ansi(const std::string& text) {
    if (text.empty()) return std::u16string();
    const int bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
    if (units <= 0) return std::u16string(text.begin(), text.end());
    std::u16string out(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(&out[0]), units);
    return out;
}

}  // namespace vorlane::platform
