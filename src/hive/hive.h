// A reader of registry hive files (format "regf"), over the file's bytes:
// the base block, the hive bins and the cells that keys and values use (nk,
// vk, the lf/lh/li/ri subkey lists, value lists, data inline or in a cell).
// It reads the whole tree at once and checks every offset, length and count
// before use; a hive that fails any check is refused as a whole, so a caller
// never sees half of one. Big-data (db) records are refused: the stores read
// here never need them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::hive {

// Larger files are not read at all.
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
constexpr std::size_t kBaseBlockBytes = 4096;
constexpr std::size_t kBinHeaderBytes = 32;
// Levels below the root key, and keys and values in the whole hive; more is refused.
constexpr std::size_t kMaxDepth = 32;
constexpr std::size_t kMaxKeys = 20000;
constexpr std::size_t kMaxValues = 50000;
// Value data above this size lives in big-data records (minor version 4 on).
constexpr std::size_t kMaxCellData = 16344;

struct Value {
    std::u16string name;  // empty: the key's default value
    std::uint32_t type = 0;
    std::string data;
};

struct Key {
    std::u16string name;
    std::vector<Value> values;
    std::vector<std::size_t> subkeys;  // indexes into Hive::keys
};

struct Hive {
    std::vector<Key> keys;  // keys[0] is the root; empty when refused
};

enum class Refusal {
    none,
    too_large,    // over kMaxFileBytes
    base_block,   // signature, version, file type, format, sizes
    dirty,        // sequence numbers differ: the logs hold changes the file lacks
    checksum,
    bins,         // a bin's header, offset or size
    cells,        // a cell's size, or one that overruns its bin
    structure,    // a record, list or offset that is not what it must be
    limits,       // deeper, or more keys or values, than the limits allow
};

// Reads `bytes` as a primary hive file; on refusal `out` is empty.
Refusal read(const std::string& bytes, Hive* out);

// The subkey of `key` named `name` (ASCII letters compare without regard to case).
const Key* subkey(const Hive& hive, const Key& key, const std::string& name);
// The key at `path` (names separated by "\"; "" is the root), or nullptr.
const Key* find(const Hive& hive, const std::string& path);
const Value* value(const Key& key, const std::string& name);

}  // namespace vorlane::hive
