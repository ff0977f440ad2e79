#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace vorlane::fake {
namespace {

std::string fold(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

struct Value {
    std::uint32_t type;
    std::string data;
};
struct Key {
    std::map<std::string, Value> values;  // by folded name
};
struct FileEntry {
    std::string bytes;
    std::uint32_t attributes;
    std::string name;  // as created, for listings
    std::string security;
};
struct OpenKey {
    std::string subkey;  // folded
};
struct OpenFile {
    std::string path;  // folded
    std::size_t written = 0;
};
struct Fault {
    Op op;
    int skip;
    std::uint32_t error;
};

struct World {
    std::map<std::string, Key> keys;  // by folded subkey
    std::map<std::string, FileEntry> files;  // by folded path
    std::set<std::string> folders;           // folded, without trailing backslash
    std::set<OpenKey*> open_keys;
    std::set<OpenFile*> open_files;
    std::vector<Fault> faults;
    std::size_t write_limit = static_cast<std::size_t>(-1);
    std::uint32_t write_limit_error = 112;
    bool write_limit_silent = false;
    std::map<Op, int> calls;
    std::map<std::string, std::string> env;
    platform::OsVersion version;
    platform::LocalTime time;
    std::string module = "C:\\Program Files\\Vorlane\\vorlane.exe";
    std::vector<std::string> power;
    bool power_ok = true;
    std::uint32_t power_error = 50;
    platform::PowerProbe standby_probe = platform::PowerProbe::allowed;
    platform::PowerProbe hibernate_probe = platform::PowerProbe::allowed;
    std::vector<Box> boxes;
    int answer = 1;
    bool shift = false;
    std::uint32_t last_error = 0;
};

World& world() {
    static World w;
    return w;
}

// Counts the call and consumes a matching fault; true when this call must fail.
bool injected(Op op) {
    World& w = world();
    ++w.calls[op];
    for (auto it = w.faults.begin(); it != w.faults.end(); ++it) {
        if (it->op != op) continue;
        if (it->skip > 0) {
            --it->skip;
            return false;
        }
        w.last_error = it->error;
        w.faults.erase(it);
        return true;
    }
    return false;
}

bool failed(std::uint32_t error) {
    world().last_error = error;
    return false;
}

std::string parent_of(const std::string& folded_path) {
    std::size_t slash = folded_path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folded_path.substr(0, slash);
}

bool folder_exists(const std::string& folded) {
    std::string f = folded;
    while (!f.empty() && f.back() == '\\') f.pop_back();
    return world().folders.count(f) != 0;
}

}  // namespace

void reset() {
    World& w = world();
    for (OpenKey* k : w.open_keys) delete k;
    for (OpenFile* f : w.open_files) delete f;
    w = World();
    w.folders = {"c:", "c:\\sandbox"};
    w.time = platform::LocalTime{2006, 1, 1, 0, 0, 0};
}

void add_key(const std::string& subkey) { world().keys[fold(subkey)]; }
void remove_key(const std::string& subkey) { world().keys.erase(fold(subkey)); }

void put_value(const std::string& subkey, const std::string& name, std::uint32_t type,
               const std::string& data) {
    world().keys[fold(subkey)].values[fold(name)] = Value{type, data};
}

bool get_value(const std::string& subkey, const std::string& name, std::uint32_t* type,
               std::string* data) {
    auto k = world().keys.find(fold(subkey));
    if (k == world().keys.end()) return false;
    auto v = k->second.values.find(fold(name));
    if (v == k->second.values.end()) return false;
    if (type) *type = v->second.type;
    if (data) *data = v->second.data;
    return true;
}

void remove_value(const std::string& subkey, const std::string& name) {
    auto k = world().keys.find(fold(subkey));
    if (k != world().keys.end()) k->second.values.erase(fold(name));
}

int open_keys() { return static_cast<int>(world().open_keys.size()); }

void add_folder(const std::string& path) {
    std::string f = fold(path);
    while (!f.empty() && f.back() == '\\') f.pop_back();
    world().folders.insert(f);
}

void put_file(const std::string& path, const std::string& bytes, std::uint32_t attributes) {
    std::size_t slash = path.find_last_of('\\');
    world().files[fold(path)] =
        FileEntry{bytes, attributes, slash == std::string::npos ? path : path.substr(slash + 1), ""};
}

bool get_file(const std::string& path, std::string* bytes) {
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return false;
    if (bytes) *bytes = f->second.bytes;
    return true;
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

void set_security(const std::string& path, const std::string& security) {
    auto f = world().files.find(fold(path));
    if (f != world().files.end()) f->second.security = security;
}

std::string security(const std::string& path) {
    auto f = world().files.find(fold(path));
    return f == world().files.end() ? std::string() : f->second.security;
}

int open_files() { return static_cast<int>(world().open_files.size()); }

void fail(Op op, int skip, std::uint32_t error) { world().faults.push_back(Fault{op, skip, error}); }
void fail_write_after(std::size_t bytes, std::uint32_t error, bool silently) {
    world().write_limit = bytes;
    world().write_limit_error = error;
    world().write_limit_silent = silently;
}
void disarm() {
    world().faults.clear();
    world().write_limit = static_cast<std::size_t>(-1);
}
int calls(Op op) { return world().calls[op]; }

void set_env(const std::string& name, const std::string& value) { world().env[fold(name)] = value; }
void unset_env(const std::string& name) { world().env.erase(fold(name)); }
void set_version(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor) {
    world().version = platform::OsVersion{platform_id, major, minor};
}
void set_time(const platform::LocalTime& time) { world().time = time; }

const std::vector<std::string>& power_calls() { return world().power; }
void set_power_state_result(bool ok, std::uint32_t error) {
    world().power_ok = ok;
    world().power_error = error;
}
void set_probe(bool hibernate, platform::PowerProbe answer) {
    (hibernate ? world().hibernate_probe : world().standby_probe) = answer;
}

const std::vector<Box>& boxes() { return world().boxes; }
void answer_boxes_with(int answer) { world().answer = answer; }
void set_shift(bool held) { world().shift = held; }

}  // namespace vorlane::fake

// ---- The seam, implemented on the fake world ---------------------------------

namespace vorlane::platform {
using namespace vorlane::fake;

bool reg_open(const std::string& subkey, RegKey* key) {
    if (injected(Op::reg_open)) return false;
    std::string k = fold(subkey);
    if (!world().keys.count(k)) return failed(2);
    auto* open = new fake::OpenKey{k};
    world().open_keys.insert(open);
    *key = open;
    return true;
}

void reg_close(RegKey key) {
    auto* open = static_cast<fake::OpenKey*>(key);
    if (world().open_keys.erase(open)) delete open;
}

RegQuery reg_query(RegKey key, const std::string& name, std::size_t limit, std::string* data,
                   std::uint32_t* type) {
    if (injected(Op::reg_query)) return RegQuery::failed;
    auto* open = static_cast<fake::OpenKey*>(key);
    auto k = world().keys.find(open->subkey);
    if (k == world().keys.end()) return failed(1018), RegQuery::failed;
    auto v = k->second.values.find(fold(name));
    if (v == k->second.values.end()) return failed(2), RegQuery::missing;
    if (v->second.data.size() > limit) return failed(234), RegQuery::too_large;
    *data = v->second.data;
    *type = v->second.type;
    return RegQuery::ok;
}

bool reg_set(RegKey key, const std::string& name, std::uint32_t type, const std::string& data) {
    if (injected(Op::reg_set)) return false;
    auto* open = static_cast<fake::OpenKey*>(key);
    auto k = world().keys.find(open->subkey);
    if (k == world().keys.end()) return failed(1018);
    k->second.values[fold(name)] = fake::Value{type, data};
    return true;
}

bool reg_delete(RegKey key, const std::string& name) {
    if (injected(Op::reg_delete)) return false;
    auto* open = static_cast<fake::OpenKey*>(key);
    auto k = world().keys.find(open->subkey);
    if (k == world().keys.end()) return failed(1018);
    return k->second.values.erase(fold(name)) ? true : failed(2);
}

FileRead file_read(const std::string& path, std::size_t limit, std::string* bytes) {
    if (injected(Op::file_read)) return FileRead::cannot_open;
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return failed(2), FileRead::cannot_open;
    if (f->second.bytes.size() > limit) return failed(8), FileRead::too_large;
    *bytes = f->second.bytes;
    return FileRead::ok;
}

bool file_read_head(const std::string& path, std::size_t limit, std::string* bytes) {
    if (injected(Op::file_read)) return false;
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return failed(2);
    *bytes = f->second.bytes.substr(0, limit);
    return true;
}

std::uint32_t file_attributes(const std::string& path) {
    if (injected(Op::file_attributes)) return kInvalidAttributes;
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return failed(2), kInvalidAttributes;
    return f->second.attributes;
}

bool file_set_attributes(const std::string& path, std::uint32_t attributes) {
    if (injected(Op::file_set_attributes)) return false;
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return failed(2);
    // As on Windows, "normal" is only kept when it stands alone.
    if (attributes != kAttrNormal) attributes &= ~kAttrNormal;
    f->second.attributes = attributes == 0 ? kAttrNormal : attributes;
    return true;
}

File file_create(const std::string& path) {
    if (injected(Op::file_create)) return nullptr;
    std::string p = fold(path);
    if (!folder_exists(parent_of(p))) return failed(3), nullptr;
    if (world().folders.count(p)) return failed(5), nullptr;
    auto f = world().files.find(p);
    if (f != world().files.end()) {
        if (f->second.attributes & kAttrReadOnly) return failed(5), nullptr;
        f->second.bytes.clear();
    } else {
        put_file(path, "", kAttrArchive);
    }
    auto* open = new fake::OpenFile{p};
    world().open_files.insert(open);
    return open;
}

bool file_write(File file, const char* data, std::size_t size) {
    if (injected(Op::file_write)) return false;
    auto* open = static_cast<fake::OpenFile*>(file);
    World& w = world();
    std::string& bytes = w.files[open->path].bytes;
    if (open->written + size > w.write_limit) {
        std::size_t fits = w.write_limit > open->written ? w.write_limit - open->written : 0;
        bytes.append(data, fits);
        open->written += fits;
        return w.write_limit_silent || failed(w.write_limit_error);
    }
    bytes.append(data, size);
    open->written += size;
    return true;
}

bool file_flush(File) { return !injected(Op::file_flush); }

bool file_close(File file) {
    auto* open = static_cast<fake::OpenFile*>(file);
    if (world().open_files.erase(open)) delete open;
    return !injected(Op::file_close);
}

namespace {

// Moves a file's entry, attributes and security with it, to a new name.
bool move_entry(const std::string& source, const std::string& target) {
    World& w = world();
    auto s = w.files.find(fold(source));
    if (s == w.files.end()) return failed(2);
    fake::FileEntry moved = s->second;
    w.files.erase(s);
    put_file(target, moved.bytes, moved.attributes);
    w.files[fold(target)].security = moved.security;
    return true;
}

}  // namespace

bool file_replace(const std::string& source, const std::string& target) {
    if (injected(Op::file_replace)) return false;
    // MoveFileEx is exported on the 9x platform but does nothing there.
    if (world().version.platform_id == kPlatformWin9x) return failed(120);
    auto t = world().files.find(fold(target));
    if (t != world().files.end() && (t->second.attributes & kAttrReadOnly)) return failed(5);
    return move_entry(source, target);
}

bool file_move(const std::string& source, const std::string& target) {
    if (injected(Op::file_move)) return false;
    if (world().files.count(fold(target))) return failed(183);
    return move_entry(source, target);
}

bool file_copy_security(const std::string& source, const std::string& target) {
    if (injected(Op::file_copy_security)) return false;
    World& w = world();
    if (w.version.platform_id == kPlatformWin9x) return failed(120);
    auto s = w.files.find(fold(source)), t = w.files.find(fold(target));
    if (s == w.files.end() || t == w.files.end()) return failed(2);
    t->second.security = s->second.security;
    return true;
}

bool file_remove(const std::string& path) {
    if (injected(Op::file_remove)) return false;
    auto f = world().files.find(fold(path));
    if (f == world().files.end()) return failed(2);
    if (f->second.attributes & kAttrReadOnly) return failed(5);
    world().files.erase(f);
    return true;
}

bool file_append(const std::string& path, const std::string& bytes) {
    if (injected(Op::file_append)) return false;
    std::string p = fold(path);
    if (!folder_exists(parent_of(p))) return failed(3);
    auto f = world().files.find(p);
    if (f == world().files.end()) {
        put_file(path, bytes, kAttrArchive);
        return true;
    }
    if (f->second.attributes & kAttrReadOnly) return failed(5);
    f->second.bytes += bytes;
    return true;
}

std::uint32_t last_error() { return world().last_error; }

std::string error_text(std::uint32_t code) {
    switch (code) {
        case 2: return "The system cannot find the file specified.\r\n";
        case 3: return "The system cannot find the path specified.\r\n";
        case 5: return "Access is denied.\r\n";
        case 13: return "The data is invalid.\r\n";
        case 29: return "The system cannot write to the specified device.\r\n";
        case 50: return "The request is not supported.\r\n";
        case 112: return "There is not enough space on the disk.\r\n";
        default: return "";
    }
}

bool get_env(const std::string& name, std::string* value) {
    auto e = world().env.find(fold(name));
    if (e == world().env.end()) return false;
    *value = e->second;
    return true;
}

std::string module_path() { return world().module; }
OsVersion os_version() { return world().version; }
LocalTime local_time() { return world().time; }

void enable_shutdown_privilege() { world().power.push_back("privilege"); }

bool exit_windows(std::uint32_t flags) {
    world().power.push_back("ExitWindowsEx flags=" + std::to_string(flags));
    return true;
}

bool set_power_state(bool suspend, bool force) {
    world().power.push_back(std::string("SetSystemPowerState suspend=") + (suspend ? "1" : "0") +
                            " force=" + (force ? "1" : "0"));
    return world().power_ok ? true : failed(world().power_error);
}

PowerProbe probe_power(bool hibernate) {
    return hibernate ? world().hibernate_probe : world().standby_probe;
}

int message_box(const std::string& text, const std::string& caption, std::uint32_t style) {
    world().boxes.push_back(fake::Box{text, caption, style});
    return world().answer;
}

bool shift_held() { return world().shift; }

}  // namespace vorlane::platform
