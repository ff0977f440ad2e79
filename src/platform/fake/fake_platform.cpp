#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

namespace vorlane::fake {
namespace {

std::string fold(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct Value { std::uint32_t type; std::string data; };
using Key = std::map<std::string, Value>;  // by folded name
struct FileEntry { std::string bytes; std::uint32_t attributes; std::string name, security; };
struct OpenKey { std::string subkey; };                       // folded
struct OpenFile { std::string path; std::size_t written; };  // folded
struct Fault { Op op; int skip; std::uint32_t error; };

constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

struct World {
    std::map<std::string, Key> keys;         // by folded subkey
    std::map<std::string, FileEntry> files;  // by folded path
    std::set<std::string> folders{"c:", "c:\\sandbox"};  // folded, without trailing backslash
    std::set<OpenKey*> open_keys;
    std::set<OpenFile*> open_files;
    std::vector<Fault> faults;
    int steps_to_live = -1;  // -1: no death planned
    bool dead = false;
    int volume_flushes = 0;
    std::size_t write_limit = kNoLimit;
    std::uint32_t write_limit_error = 112;
    bool write_limit_silent = false;
    std::map<std::string, std::string> env;
    platform::OsVersion version;
    platform::LocalTime time{2006, 1, 1, 0, 0, 0};
    std::vector<std::string> power;
    bool power_ok = true;
    std::uint32_t power_error = 50;
    bool exit_ok = true;
    std::uint32_t exit_error = 1314;
    platform::PowerProbe probes[2] = {platform::PowerProbe::allowed, platform::PowerProbe::allowed};
    std::uint32_t last_error = 0;
    bool uefi = false, firmware_privilege = false;
    std::map<std::string, std::string> variables;  // by folded GUID and name
    bool garble_next_write = false;
    std::string garbled;
    Programs programs;
};

World& world() {
    static World w;
    return w;
}

// Consumes a matching fault; true when this call must fail. A dead process's
// file operations all fail.
bool injected(Op op) {
    World& w = world();
    if (op >= Op::file_read) {
        if (w.steps_to_live == 0) w.dead = true;
        if (w.steps_to_live > 0) --w.steps_to_live;
        if (w.dead) {
            w.last_error = 1117;  // ERROR_IO_DEVICE
            return true;
        }
    }
    auto& faults = w.faults;
    auto it = std::find_if(faults.begin(), faults.end(), [op](const Fault& f) { return f.op == op; });
    if (it == faults.end() || it->skip-- > 0) return false;
    world().last_error = it->error;
    faults.erase(it);
    return true;
}

bool failed(std::uint32_t error) {
    world().last_error = error;
    return false;
}

// Whether a path names a folder, with or without its closing backslash.
bool is_folder(const std::string& path) {
    std::string p = fold(path);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return world().folders.count(p) != 0;
}

std::string parent_of(const std::string& folded_path) {
    std::size_t slash = folded_path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folded_path.substr(0, slash);
}

FileEntry* find_file(const std::string& path) {
    auto f = world().files.find(fold(path));
    return f == world().files.end() ? nullptr : &f->second;
}

// The file an operation works on: nullptr when the operation is made to fail
// or the file is missing, each with its error.
FileEntry* file_for(Op op, const std::string& path) {
    if (injected(op)) return nullptr;
    FileEntry* f = find_file(path);
    if (!f) failed(2);
    return f;
}

// The key behind a handle; nullptr, with the error of a deleted key, when it is gone.
Key* find_key(platform::RegKey key) {
    auto k = world().keys.find(static_cast<OpenKey*>(key)->subkey);
    if (k != world().keys.end()) return &k->second;
    world().last_error = 1018;
    return nullptr;
}

// Moves a file's entry, attributes and security with it, to a new name.
bool move_entry(const std::string& source, const std::string& target) {
    FileEntry* s = find_file(source);
    if (!s) return failed(2);
    FileEntry moved = *s;
    world().files.erase(fold(source));
    put_file(target, moved.bytes, moved.attributes);
    find_file(target)->security = moved.security;
    return true;
}

std::string variable_key(const std::string& name, const std::string& guid) { return fold(guid) + name; }

}  // namespace

void reset() {
    World& w = world();
    for (OpenKey* k : w.open_keys) delete k;
    for (OpenFile* f : w.open_files) delete f;
    w = World();
}

void add_key(const std::string& subkey) { world().keys[fold(subkey)]; }

void put_value(const std::string& subkey, const std::string& name, std::uint32_t type, const std::string& data) {
    world().keys[fold(subkey)][fold(name)] = Value{type, data};
}

bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type, std::string* data) {
    auto k = world().keys.find(fold(subkey));
    if (k == world().keys.end() || !k->second.count(fold(name))) return false;
    const Value& v = k->second[fold(name)];
    if (type) *type = v.type;
    if (data) *data = v.data;
    return true;
}

void remove_value(const std::string& subkey, const std::string& name) {
    auto k = world().keys.find(fold(subkey));
    if (k != world().keys.end()) k->second.erase(fold(name));
}

int open_keys() { return static_cast<int>(world().open_keys.size()); }

void put_file(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    std::size_t slash = path.find_last_of('\\');
    world().files[fold(path)] = FileEntry{bytes, attributes, path.substr(slash + 1), ""};
}

bool get_file(const std::string& path, std::string* bytes) {
    const FileEntry* f = find_file(path);
    if (f && bytes) *bytes = f->bytes;
    return f != nullptr;
}

std::vector<std::string> files_in(const std::string& folder) {
    std::string f = fold(folder);
    while (!f.empty() && f.back() == '\\') f.pop_back();
    std::vector<std::string> names;
    for (const auto& [path, entry] : world().files)
        if (parent_of(path) == f) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

void set_security(const std::string& path, const std::string& security) { find_file(path)->security = security; }
std::string security(const std::string& path) {
    const FileEntry* f = find_file(path);
    return f ? f->security : std::string();
}

int open_files() { return static_cast<int>(world().open_files.size()); }

void fail(Op op, int skip, std::uint32_t error) { world().faults.push_back(Fault{op, skip, error}); }
void fail_write_after(std::size_t bytes, std::uint32_t error, bool silently) {
    world().write_limit = bytes;
    world().write_limit_error = error;
    world().write_limit_silent = silently;
}
void die_after(int steps) { world().steps_to_live = steps; }
bool dead() { return world().dead; }
void disarm() {
    world().faults.clear();
    world().write_limit = kNoLimit;
    world().steps_to_live = -1;
    world().dead = false;
}
int volume_flushes() { return world().volume_flushes; }

void set_env(const std::string& name, const std::string& value) { world().env[fold(name)] = value; }
void set_version(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor) {
    world().version = platform::OsVersion{platform_id, major, minor};
}
void set_time(const platform::LocalTime& time) { world().time = time; }

const std::vector<std::string>& power_calls() { return world().power; }
void set_power_state_result(bool ok, std::uint32_t error) {
    world().power_ok = ok;
    world().power_error = error;
}
void set_exit_windows_result(bool ok, std::uint32_t error) {
    world().exit_ok = ok;
    world().exit_error = error;
}
void set_probe(bool hibernate, platform::PowerProbe answer) { world().probes[hibernate] = answer; }

void set_uefi(bool uefi) { world().uefi = uefi; }
void put_variable(const std::string& name, const std::string& data, const std::string& guid) {
    world().variables[variable_key(name, guid)] = data;
}
bool get_variable(const std::string& name, std::string* data, const std::string& guid) {
    auto v = world().variables.find(variable_key(name, guid));
    if (v != world().variables.end()) *data = v->second;
    return v != world().variables.end();
}
void next_variable_write_keeps(const std::string& bytes) {
    world().garble_next_write = true;
    world().garbled = bytes;
}

Programs& programs() { return world().programs; }

}  // namespace vorlane::fake

// ---- The seam, implemented on the fake world ---------------------------------

namespace vorlane::platform {
using namespace vorlane::fake;

namespace {

constexpr const char* kMachine = "hklm\\";

RegKey opened(const std::string& folded) {
    auto* open = new fake::OpenKey{folded};
    world().open_keys.insert(open);
    return open;
}

}  // namespace

bool reg_open(const std::string& subkey, RegKey* key) {
    if (!world().keys.count(fold(subkey)) || fold(subkey).rfind(kMachine, 0) == 0) return failed(2);
    *key = opened(fold(subkey));
    return true;
}

bool machine_key_open(const std::string& subkey, RegKey* key) {
    const std::string folded = subkey.empty() ? "hklm" : kMachine + fold(subkey);
    // A key put deep down brings the keys above it, as on Windows.
    auto at = world().keys.lower_bound(folded);
    if (at == world().keys.end() || (at->first != folded && at->first.rfind(folded + "\\", 0) != 0)) return failed(2);
    // The boot manager's store grants Administrators read, and nobody else: a
    // filtered token cannot use that.
    const fake::Programs& p = world().programs;
    if (folded.rfind(kMachine + std::string("bcd"), 0) == 0 && !p.elevated && !p.store_open_to_all) return failed(5);
    world().keys[folded];
    *key = opened(folded);
    return true;
}

bool reg_subkey(RegKey key, std::size_t index, std::string* name) {
    const std::string prefix = static_cast<fake::OpenKey*>(key)->subkey + "\\";
    std::set<std::string> names;
    for (auto k = world().keys.lower_bound(prefix); k != world().keys.end() && k->first.rfind(prefix, 0) == 0; ++k)
        names.insert(k->first.substr(prefix.size(), k->first.find('\\', prefix.size()) - prefix.size()));
    if (index >= names.size()) return failed(259);  // ERROR_NO_MORE_ITEMS
    *name = *std::next(names.begin(), static_cast<std::ptrdiff_t>(index));
    return true;
}

bool run_program(const std::string& path, const std::string& arguments, bool as_administrator,
                 std::uint32_t* exit_code) {
    if (injected(Op::run_program)) return false;
    fake::Programs& p = world().programs;
    if (as_administrator && !p.consent) return failed(1223);
    p.runs.push_back(path + " " + arguments + (as_administrator ? " (as administrator)" : ""));
    *exit_code = p.hook ? p.hook(path, arguments) : 0;
    return true;
}

bool start_program(const std::string& path, const std::string& arguments, bool as_administrator) {
    fake::Programs& p = world().programs;
    if (as_administrator && !p.consent) return failed(1223);
    p.runs.push_back(path + " " + arguments + (as_administrator ? " (as administrator)" : "") + " (started)");
    return true;
}

bool process_elevated() { return world().programs.elevated; }
std::string system_folder() { return "C:\\Windows\\System32"; }
bool wow64() { return world().programs.wow64; }
std::string user_sid() { return "S-1-5-21-1-2-3-1001"; }

void reg_close(RegKey key) {
    auto* open = static_cast<fake::OpenKey*>(key);
    if (world().open_keys.erase(open)) delete open;
}

RegQuery reg_query(RegKey key, const std::string& name, std::size_t limit, std::string* data, std::uint32_t* type) {
    fake::Key* k = find_key(key);
    if (!k) return RegQuery::failed;
    auto v = k->find(fold(name));
    if (v == k->end()) return failed(2), RegQuery::missing;
    if (v->second.data.size() > limit) return failed(234), RegQuery::too_large;
    *data = v->second.data;
    *type = v->second.type;
    return RegQuery::ok;
}

bool reg_set(RegKey key, const std::string& name, std::uint32_t type, const std::string& data) {
    fake::Key* k = injected(Op::reg_set) ? nullptr : find_key(key);
    if (k) (*k)[fold(name)] = fake::Value{type, data};
    return k != nullptr;
}

bool reg_delete(RegKey key, const std::string& name) {
    fake::Key* k = find_key(key);
    return k && (k->erase(fold(name)) || failed(2));
}

FileRead file_read(const std::string& path, std::size_t limit, std::string* bytes) {
    const fake::FileEntry* f = file_for(Op::file_read, path);
    if (!f) return FileRead::cannot_open;
    if (f->bytes.size() > limit) return failed(8), FileRead::too_large;
    *bytes = f->bytes;
    return FileRead::ok;
}

bool file_read_head(const std::string& path, std::size_t limit, std::string* bytes) {
    const bool ok = file_read(path, static_cast<std::size_t>(-1), bytes) == FileRead::ok;
    if (ok) bytes->resize(std::min(bytes->size(), limit));
    return ok;
}

std::uint32_t file_attributes(const std::string& path) {
    if (is_folder(path)) return injected(Op::file_attributes) ? kInvalidAttributes : kAttrDirectory;
    const fake::FileEntry* f = file_for(Op::file_attributes, path);
    return f ? f->attributes : kInvalidAttributes;
}

bool file_set_attributes(const std::string& path, std::uint32_t attributes) {
    fake::FileEntry* f = file_for(Op::file_set_attributes, path);
    if (!f) return false;
    // As on Windows, "normal" is only kept when it stands alone.
    if (attributes != kAttrNormal) attributes &= ~kAttrNormal;
    f->attributes = attributes == 0 ? kAttrNormal : attributes;
    return true;
}

File file_create(const std::string& path) {
    if (injected(Op::file_create)) return nullptr;
    const std::string p = fold(path);
    if (!world().folders.count(parent_of(p))) return failed(3), nullptr;
    if (world().folders.count(p)) return failed(5), nullptr;
    fake::FileEntry* f = find_file(path);
    if (f && (f->attributes & kAttrReadOnly)) return failed(5), nullptr;
    if (f) f->bytes.clear();
    else put_file(path, "", kAttrArchive);
    auto* open = new fake::OpenFile{p, 0};
    world().open_files.insert(open);
    return open;
}

bool file_write(File file, const char* data, std::size_t size) {
    if (injected(Op::file_write)) return false;
    auto* open = static_cast<fake::OpenFile*>(file);
    World& w = world();
    std::string& bytes = w.files[open->path].bytes;
    const std::size_t room = w.write_limit > open->written ? w.write_limit - open->written : 0;
    bytes.append(data, std::min(size, room));
    open->written += std::min(size, room);
    return size <= room || w.write_limit_silent || failed(w.write_limit_error);
}

bool file_flush(File) { return !injected(Op::file_flush); }

bool file_close(File file) {
    auto* open = static_cast<fake::OpenFile*>(file);
    if (world().open_files.erase(open)) delete open;
    return !injected(Op::file_close);
}

bool file_replace(const std::string& source, const std::string& target) {
    if (injected(Op::file_replace)) return false;
    // MoveFileEx is exported on the 9x platform but does nothing there.
    if (world().version.platform_id == kPlatformWin9x) return failed(120);
    const fake::FileEntry* t = find_file(target);
    return (t && (t->attributes & kAttrReadOnly)) || is_folder(target) ? failed(5) : move_entry(source, target);
}

bool file_move(const std::string& source, const std::string& target) {
    if (injected(Op::file_move)) return false;
    return find_file(target) || is_folder(target) ? failed(183) : move_entry(source, target);
}

bool file_copy_security(const std::string& source, const std::string& target) {
    if (injected(Op::file_copy_security)) return false;
    if (world().version.platform_id == kPlatformWin9x) return failed(120);
    const fake::FileEntry* s = find_file(source);
    fake::FileEntry* t = find_file(target);
    if (s && t) t->security = s->security;
    return (s && t) || failed(2);
}

bool volume_flush(const std::string&) {
    if (injected(Op::volume_flush)) return false;
    ++world().volume_flushes;
    return true;
}

std::string full_path(const std::string& path) {
    // The current folder is C:\ ; a path of another form stays as it is.
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.empty() || p.compare(0, 2, "\\\\") == 0) return path;
    std::string root = p.size() >= 2 && p[1] == ':' ? p.substr(0, 2) : "C:";
    std::string rest = p.size() >= 2 && p[1] == ':' ? p.substr(2) : p;
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= rest.size();) {
        std::size_t end = std::min(rest.find('\\', start), rest.size());
        const std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full = root;
    for (const std::string& part : parts) full += "\\" + part;
    if (parts.empty() || p.back() == '\\') full += "\\";
    else while (full.back() == '.' || full.back() == ' ') full.pop_back();
    return full;
}

bool file_remove(const std::string& path) {
    const fake::FileEntry* f = file_for(Op::file_remove, path);
    if (!f || (f->attributes & kAttrReadOnly)) return f && failed(5);
    world().files.erase(fold(path));
    return true;
}

bool file_append(const std::string& path, const std::string& bytes) {
    if (injected(Op::file_append)) return false;
    if (!world().folders.count(parent_of(fold(path)))) return failed(3);
    fake::FileEntry* f = find_file(path);
    if (!f) put_file(path, bytes, kAttrArchive);
    else if (f->attributes & kAttrReadOnly) return failed(5);
    else f->bytes += bytes;
    return true;
}

std::uint32_t last_error() { return world().last_error; }

std::string error_text(std::uint32_t code) {
    static const std::map<std::uint32_t, std::string> texts = {
        {2, "The system cannot find the file specified.\r\n"}, {3, "The system cannot find the path specified.\r\n"},
        {5, "Access is denied.\r\n"}, {13, "The data is invalid.\r\n"},
        {29, "The system cannot write to the specified device.\r\n"}, {50, "The request is not supported.\r\n"},
        {112, "There is not enough space on the disk.\r\n"},
        {1314, "A required privilege is not held by the client.\r\n"}};
    auto t = texts.find(code);
    return t == texts.end() ? std::string() : t->second;
}

bool get_env(const std::string& name, std::string* value) {
    auto e = world().env.find(fold(name));
    if (e == world().env.end()) return false;
    *value = e->second;
    return true;
}

std::string module_path() { return "C:\\Program Files\\Vorlane\\vorlane.exe"; }
OsVersion os_version() { return world().version; }
LocalTime local_time() { return world().time; }

void enable_shutdown_privilege() { world().power.push_back("privilege"); }

bool exit_windows(std::uint32_t flags) {
    world().power.push_back("ExitWindowsEx flags=" + std::to_string(flags));
    return world().exit_ok || failed(world().exit_error);
}

bool set_power_state(bool suspend, bool force) {
    world().power.push_back(std::string("SetSystemPowerState suspend=") + (suspend ? "1" : "0") +
                            " force=" + (force ? "1" : "0"));
    return world().power_ok || failed(world().power_error);
}

PowerProbe probe_power(bool hibernate) { return world().probes[hibernate]; }

namespace {

// The error a firmware call fails with before it looks at the variable.
std::uint32_t firmware_refusal(const std::string& name) {
    const World& w = world();
    return !w.uefi ? 1 : !w.firmware_privilege ? 1314 : name.empty() ? 998 : 0;
}

}  // namespace

std::uint32_t firmware_get(const std::string& name, const std::string& guid, std::size_t limit, std::string* data) {
    const std::uint32_t refusal = firmware_refusal(name);
    if (refusal) return failed(refusal), refusal;
    auto v = world().variables.find(variable_key(name, guid));
    if (v == world().variables.end()) return failed(203), 203;
    if (v->second.size() > limit) return failed(122), 122;
    *data = v->second;
    return 0;
}

std::uint32_t firmware_set(const std::string& name, const std::string& guid, const std::string& data) {
    const std::uint32_t refusal = firmware_refusal(name);
    if (refusal) return failed(refusal), refusal;
    if (injected(Op::firmware_set)) return world().last_error;
    World& w = world();
    const std::string key = variable_key(name, guid);
    if (data.empty() && !w.variables.erase(key)) return failed(203), 203;
    if (!data.empty()) w.variables[key] = w.garble_next_write ? w.garbled : data;
    w.garble_next_write = false;
    return 0;
}

// Only an elevated administrator's token holds the privilege to enable.
void enable_firmware_privilege() { world().firmware_privilege = world().programs.elevated; }

std::string ansi_from_utf16(const std::u16string& text) {
    // ASCII as it is; anything else as one '?', a surrogate pair included.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        out += c < 0x80 ? static_cast<char>(c) : '?';
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ++i;
    }
    return out;
}

// The fake's code page is Latin-1: each byte is the character of that number.
std::u16string utf16_from_ansi(const std::string& text) {
    std::u16string out;
    for (unsigned char c : text) out += static_cast<char16_t>(c);
    return out;
}

}  // namespace vorlane::platform
