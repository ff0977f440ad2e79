// The contract tests' world on the in-memory fake platform.
#include "platform/fake/fake_platform.h"
#include "support/test_env.h"

namespace vorlane::testenv {

void reset() {
    fake::reset();
    reset_ui();
    fake::add_key(kSettingsKey);
    fake::add_key(kRunKey);
}

std::string path(const std::string& name) { return "C:\\sandbox\\" + name; }
std::vector<std::string> sandbox_files() { return fake::files_in("C:\\sandbox"); }

// The rest hands each call to the fake's controls of the same name.
void put_file(const std::string& p, const std::string& bytes, std::uint32_t attrs) { fake::put_file(p, bytes, attrs); }
bool get_file(const std::string& p, std::string* bytes) { return fake::get_file(p, bytes); }
void put_value(const std::string& key, const std::string& name, std::uint32_t type, const std::string& bytes) {
    fake::put_value(key, name, type, bytes);
}
bool get_value(const std::string& key, const std::string& name, std::uint32_t* type, std::string* bytes) {
    return fake::get_value(key, name, type, bytes);
}
void remove_value(const std::string& key, const std::string& name) { fake::remove_value(key, name); }
void set_env(const std::string& name, const std::string& value) { fake::set_env(name, value); }

}  // namespace vorlane::testenv
