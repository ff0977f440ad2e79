// Controls of the in-memory platform that the native tests run on.
//
// The fake behaves as Windows does where the core depends on it: registry
// names and paths are case-insensitive, a value keeps its type, a read-only
// file refuses to be created over, replaced or removed, a folder answers with
// the directory attribute and cannot be written over, a move carries the
// source's attributes and security to the target, the 9x platform has no
// one-step replace, and every failure sets an error code.
// Each operation named in Op can be made to fail on purpose, to prove what the core
// leaves behind. Message boxes and Shift belong to the test world (tests/support/ui_env.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vorlane::fake {

// Forgets everything: no keys, no files (only the folders C:\ and C:\sandbox
// exist), no environment, version 5.1 NT, shell time 2006-01-01 00:00:00.
void reset();

// Registry. A key named "HKLM\\..." is HKEY_LOCAL_MACHINE's, which only
// machine_key_open reaches; every other key is HKEY_CURRENT_USER's.
void add_key(const std::string& subkey);
void put_value(const std::string& subkey, const std::string& name, std::uint32_t type,
               const std::string& data);
bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type,
               std::string* data);
void remove_value(const std::string& subkey, const std::string& name);
// Keys opened and not yet closed.
int open_keys();

// Files.
void put_file(const std::string& path, const std::string& bytes,
              std::uint32_t attributes = platform::kAttrNormal);
bool get_file(const std::string& path, std::string* bytes);
std::vector<std::string> files_in(const std::string& folder);  // names, sorted
// A file's security as one opaque text; a new file has its folder's, "".
void set_security(const std::string& path, const std::string& security);
std::string security(const std::string& path);
int open_files();

// Fault injection: the `skip`+1-th next call of the operation fails with `error`.
enum class Op {
    reg_set,
    file_read, file_attributes, file_set_attributes, file_create, file_write,
    file_flush, file_close, file_replace, file_remove, file_append, file_move, file_copy_security,
    firmware_set, volume_flush, run_program,
};
void fail(Op op, int skip = 0, std::uint32_t error = 5);
// Writes fail (after storing what fits) once a handle has taken `bytes` bytes;
// `silently`, they report success all the same, as a faulty disk might.
void fail_write_after(std::size_t bytes, std::uint32_t error = 112, bool silently = false);
// The process dies after `steps` more file operations: every later one fails
// and changes nothing, so the files stay as a crash there leaves them.
void die_after(int steps);
bool dead();
// Drops the faults not yet consumed and the write limit, and lives again.
void disarm();
// Volume flushes asked for since reset().
int volume_flushes();

// System.
void set_env(const std::string& name, const std::string& value);
void set_version(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor);
void set_time(const platform::LocalTime& time);

// Programs: each run as "path arguments", with " (as administrator)" when
// elevation was asked for and given, and " (started)" when not waited for
// (start_program); the hook gives the exit code (0 without
// one) and may change the world as the program would. `elevated`: this
// process holds an elevated administrator's token, as Windows asks of every
// reader of the boot manager's store (HKLM\BCD*: error 5 otherwise) and of
// the firmware privilege (firmware calls then fail with 1314).
struct Programs {
    std::vector<std::string> runs;
    std::function<std::uint32_t(const std::string& path, const std::string& arguments)> hook;
    bool elevated = true, consent = true, wow64 = false;  // consent: to the elevation prompt
    bool store_open_to_all = false;  // an access list on the store widened by hand
};
Programs& programs();

// Power: what the platform was asked to do, one line each, in the dry-run
// log's words ("ExitWindowsEx flags=N", "SetSystemPowerState suspend=S force=F"),
// and "privilege" for each enabling of the shutdown privilege.
const std::vector<std::string>& power_calls();
void set_power_state_result(bool ok, std::uint32_t error = 50);
// ExitWindowsEx refusing, as without the shut-down privilege.
void set_exit_windows_result(bool ok, std::uint32_t error = 1314);
void set_probe(bool hibernate, platform::PowerProbe answer);

// Firmware variables, by name and GUID. A legacy BIOS until set_uefi(true):
// every call then fails with 1. On UEFI, calls fail with 1314 until the
// privilege is enabled, and the empty name answers 998.
void set_uefi(bool uefi);
void put_variable(const std::string& name, const std::string& data,
                  const std::string& guid = platform::kEfiGlobalGuid);
// False when missing.
bool get_variable(const std::string& name, std::string* data, const std::string& guid = platform::kEfiGlobalGuid);
// The next variable written keeps these bytes instead of those given, as a
// faulty firmware might.
void next_variable_write_keeps(const std::string& bytes);

}  // namespace vorlane::fake
