// The seam between the portable core and the operating system.
//
// The core reaches the system only through these functions. src/platform/win32/
// implements them with the Win32 API; src/platform/fake/ implements them in
// memory for the native tests. No Windows header and no Windows handle type
// appears here, so everything above this line compiles with g++ on Linux.
//
// Contract for every function: failures are returned, never thrown, and the
// code of the last failure is kept for last_error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlane::platform {

// ---- Registry, under HKEY_CURRENT_USER ----------------------------------------

using RegKey = void*;

constexpr std::uint32_t kRegSz = 1;        // REG_SZ
constexpr std::uint32_t kRegExpandSz = 2;  // REG_EXPAND_SZ
constexpr std::uint32_t kRegBinary = 3;    // REG_BINARY
constexpr std::uint32_t kRegDword = 4;     // REG_DWORD
constexpr std::uint32_t kRegMultiSz = 7;   // REG_MULTI_SZ

// Opens an existing subkey with full access (also for reading). Never creates one.
bool reg_open(const std::string& subkey, RegKey* key);
void reg_close(RegKey key);

enum class RegQuery { ok, missing, too_large, failed };
// Reads a value of at most `limit` bytes of data. Anything but ok leaves
// `data` and `type` untouched.
RegQuery reg_query(RegKey key, const std::string& name, std::size_t limit, std::string* data,
                   std::uint32_t* type);
// Creates or overwrites a value with exactly these bytes and this type.
bool reg_set(RegKey key, const std::string& name, std::uint32_t type, const std::string& data);
bool reg_delete(RegKey key, const std::string& name);

// ---- Machine-wide registry and programs ----------------------------------------

// Opens an existing key under HKEY_LOCAL_MACHINE for reading only ("" is the
// root itself); reg_query and reg_close work on it as on any key.
bool machine_key_open(const std::string& subkey, RegKey* key);
// The longest key name the registry allows.
constexpr std::size_t kKeyNameMax = 255;
// The name of the key's subkey number `index` (from 0, in the registry's
// order); false after the last one or on failure.
bool reg_subkey(RegKey key, std::size_t index, std::string* name);

// Runs a program hidden, with these arguments, waits for it to end and gives
// its exit code. `as_administrator` asks the user for administrator rights
// for this one run (the consent prompt); declining fails with error 1223.
// A 32-bit process on 64-bit Windows asks for System32's program itself: the
// file-system redirection is turned off around that call.
// False, with the error, when it could not be started or did not end in time.
bool run_program(const std::string& path, const std::string& arguments, bool as_administrator,
                 std::uint32_t* exit_code);
// Starts a program with these arguments and does not wait for it;
// `as_administrator` as above (declining: error 1223).
bool start_program(const std::string& path, const std::string& arguments, bool as_administrator);
// Whether this process has an administrator's full rights; true where the
// system has no consent prompt (before Vista), since asking is impossible there.
bool process_elevated();
// The system folder (System32), without a trailing backslash.
std::string system_folder();
// Whether this is a 32-bit process on 64-bit Windows, whose System32 is
// redirected; the real one is then reached as %SystemRoot%\Sysnative.
bool wow64();
// The running user's security identifier in its string form ("S-1-5-21-..."),
// which names him to the Task Scheduler whoever he is logged on as; empty
// where the system has none (9x, NT 4.0) or cannot say, with the error.
std::string user_sid();

// ---- Files (paths are ANSI, bytes are raw: line ends are the core's business) ----

constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;

enum class FileRead { ok, cannot_open, too_large };
// Reads the whole file if it holds at most `limit` bytes.
FileRead file_read(const std::string& path, std::size_t limit, std::string* bytes);
// Reads the first `limit` bytes of a file of any size (all of a shorter one).
bool file_read_head(const std::string& path, std::size_t limit, std::string* bytes);

// kInvalidAttributes when the file does not exist or cannot be asked; a
// folder answers with kAttrDirectory among its attributes.
std::uint32_t file_attributes(const std::string& path);
bool file_set_attributes(const std::string& path, std::uint32_t attributes);

using File = void*;
// Creates the file, or empties an existing one, for writing. nullptr on failure;
// a read-only file is refused.
File file_create(const std::string& path);
bool file_write(File file, const char* data, std::size_t size);
// Forces the written bytes to the disk.
bool file_flush(File file);
// Always releases the handle; false when the last buffered bytes could not be written.
bool file_close(File file);
// Moves `source` over `target` in one step, replacing it. A read-only target
// is refused. Not available on the 9x platform. The rename reaches the disk
// only with the file system's next commit: see volume_flush.
bool file_replace(const std::string& source, const std::string& target);
// Renames `source` to `target`, which must not exist; a read-only source moves too.
bool file_move(const std::string& source, const std::string& target);
// Gives `target` the owner, group and access list of `source`, as much of them
// as the system lets this process set (at least the access list). False where
// files have no security (the 9x platform, FAT) or nothing could be set.
bool file_copy_security(const std::string& source, const std::string& target);
bool file_remove(const std::string& path);
// Writes every buffered change of the volume that holds `path` to the disk,
// the renames in its folders included (NT family, administrators only).
bool volume_flush(const std::string& path);
// The full form of a path (relative parts resolved, runs of separators and
// trailing dots and blanks dropped, "/" as "\"), as the system resolves it;
// the path itself when it cannot be resolved.
std::string full_path(const std::string& path);
// Appends bytes to a file, creating it when missing; opened and closed within the call.
bool file_append(const std::string& path, const std::string& bytes);

// ---- Errors -------------------------------------------------------------------

// The system's error code of the last failed call above.
std::uint32_t last_error();
// The system's own text for an error code (FormatMessage), or empty.
std::string error_text(std::uint32_t code);
// The same as one paragraph of a message: without the line break the system
// ends it with, or "Error N." where the system has no text.
inline std::string error_reason(std::uint32_t code) {
    std::string text = error_text(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "Error " + std::to_string(code) + "." : text;
}

// ---- Process and system -------------------------------------------------------

bool get_env(const std::string& name, std::string* value);
// Full path of the running program's own executable.
std::string module_path();

constexpr std::uint32_t kPlatformWin9x = 1;  // VER_PLATFORM_WIN32_WINDOWS

struct OsVersion {
    std::uint32_t platform_id = 2;  // 1 = Windows 9x, 2 = NT
    std::uint32_t major = 5;
    std::uint32_t minor = 1;
};
OsVersion os_version();

struct LocalTime {
    std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime local_time();

// ---- Power --------------------------------------------------------------------

// Tries to enable SeShutdownPrivilege; results are not examined by callers.
void enable_shutdown_privilege();
// False, with the system's reason for last_error(), when Windows refuses to end.
bool exit_windows(std::uint32_t flags);
bool set_power_state(bool suspend, bool force);

enum class PowerProbe { no_library, no_function, allowed, refused };
// Asks powrprof.dll, loaded and freed within the call.
PowerProbe probe_power(bool hibernate);

// ---- Firmware variables ---------------------------------------------------------

constexpr std::uint32_t kErrorInvalidFunction = 1;  // legacy BIOS: no variables at all
constexpr std::uint32_t kErrorVariableMissing = 203;
constexpr const char* kZeroGuid = "{00000000-0000-0000-0000-000000000000}";
constexpr const char* kEfiGlobalGuid = "{8BE4DF61-93CA-11D2-AA0D-00E098032B8C}";

// Reads a UEFI variable of at most `limit` bytes into `data`. Returns 0, or
// the system's error code (also kept for last_error()): 203 when missing, 122
// when larger than `limit`, 1 on legacy BIOS and where the system has no such
// call (9x, NT 4.0). `guid` is in braces.
std::uint32_t firmware_get(const std::string& name, const std::string& guid, std::size_t limit,
                           std::string* data);
// Creates or overwrites a UEFI variable; empty data deletes it. Returns as above.
std::uint32_t firmware_set(const std::string& name, const std::string& guid, const std::string& data);
// Tries to enable SeSystemEnvironmentPrivilege, which both calls above need
// (granted to elevated administrators only); stays on for the rest of the run.
void enable_firmware_privilege();
// UTF-16 text in the ANSI code page; what cannot be shown becomes '?'.
std::string ansi_from_utf16(const std::u16string& text);
// Text in the ANSI code page as UTF-16.
std::u16string utf16_from_ansi(const std::string& text);

// ---- User interface -------------------------------------------------------------

constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbYesNo = 0x4;
constexpr std::uint32_t kMbIconError = 0x10;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr int kIdYes = 6;

// A message box with no owner window; returns the button pressed.
int message_box(const std::string& text, const std::string& caption, std::uint32_t style);
// Whether Shift is down right now (not merely pressed since the last asking).
bool shift_held();

}  // namespace vorlane::platform
