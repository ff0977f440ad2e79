#include "hive/hive.h"

#include <algorithm>

namespace vorlane::hive {
namespace {

// Base block fields.
constexpr std::size_t kPrimarySequence = 4, kSecondarySequence = 8, kMajor = 0x14, kMinor = 0x18,
                      kFileType = 0x1C, kFormat = 0x20, kRootCell = 0x24, kBinsSize = 0x28, kChecksum = 0x1FC;
constexpr std::uint32_t kMinMinor = 3, kMaxMinor = 6, kFirstMinorWithBigData = 4;
constexpr std::size_t kBinUnit = 4096;
constexpr std::size_t kCellAlign = 8;

// Key node fields, from the record's start (after the cell's size).
constexpr std::size_t kNkFlags = 2, kNkParent = 0x10, kNkSubkeys = 0x14, kNkSubkeyList = 0x1C, kNkValues = 0x24,
                      kNkValueList = 0x28, kNkNameLength = 0x48, kNkName = 0x4C;
constexpr std::uint16_t kNkAsciiName = 0x20;
// Value fields.
constexpr std::size_t kVkNameLength = 2, kVkDataSize = 4, kVkData = 8, kVkType = 0xC, kVkFlags = 0x10, kVkName = 0x14;
constexpr std::uint16_t kVkAsciiName = 1;
constexpr std::uint32_t kDataInline = 0x80000000u;
constexpr std::size_t kMaxInline = 4;

std::uint32_t u32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
bool tag(const std::string& b, std::size_t at, const char* two) { return b[at] == two[0] && b[at + 1] == two[1]; }

char16_t fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool same_name(const std::u16string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

class Reader {
public:
    Reader(const std::string& bytes, std::size_t bins_size, std::uint32_t minor)
        : b_(bytes), bins_size_(bins_size), minor_(minor), payload_(bins_size / kCellAlign, 0),
          visited_(bins_size / kCellAlign, false) {}

    Refusal refusal() const { return refusal_; }

    // Every bin in turn, and every cell in each; notes where allocated cells start.
    bool scan_bins() {
        for (std::size_t bin = 0; bin < bins_size_;) {
            const std::size_t at = kBaseBlockBytes + bin;
            if (bins_size_ - bin < kBinHeaderBytes || !(tag(b_, at, "hb") && tag(b_, at + 2, "in")) ||
                u32(b_, at + 4) != bin)
                return refuse(Refusal::bins);
            const std::size_t size = u32(b_, at + 8);
            if (size == 0 || size % kBinUnit != 0 || size > bins_size_ - bin) return refuse(Refusal::bins);
            for (std::size_t cell = bin + kBinHeaderBytes; cell < bin + size;) {
                if (bin + size - cell < 4) return refuse(Refusal::cells);
                const std::uint32_t raw = u32(b_, kBaseBlockBytes + cell);
                const bool used = (raw & 0x80000000u) != 0;
                const std::size_t length = used ? 0u - raw : raw;
                if (length < kCellAlign || length % kCellAlign != 0 || length > bin + size - cell)
                    return refuse(Refusal::cells);
                if (used) payload_[cell / kCellAlign] = static_cast<std::uint32_t>(length - 4);
                cell += length;
            }
            bin += size;
        }
        return true;
    }

    // The key at `offset` with everything below it, appended to hive.keys.
    bool key(std::uint32_t offset, std::uint32_t parent, std::size_t depth, Hive& hive) {
        if (depth > kMaxDepth || hive.keys.size() >= kMaxKeys) return refuse(Refusal::limits);
        std::size_t at = 0, length = 0;
        // A key reached twice is a loop or a shared subtree; neither is a tree.
        if (!cell(offset, &at, &length) || visited_[offset / kCellAlign]) return refuse(Refusal::structure);
        visited_[offset / kCellAlign] = true;
        if (length < kNkName || !tag(b_, at, "nk") || (depth > 0 && u32(b_, at + kNkParent) != parent))
            return refuse(Refusal::structure);
        const std::size_t name_length = u16(b_, at + kNkNameLength);
        const std::size_t index = hive.keys.size();
        hive.keys.emplace_back();
        if (name_length > length - kNkName ||
            !text(at + kNkName, name_length, u16(b_, at + kNkFlags) & kNkAsciiName, &hive.keys[index].name))
            return refuse(Refusal::structure);

        const std::uint32_t values = u32(b_, at + kNkValues);
        if (values > 0) {
            if (values > kMaxValues - value_count_) return refuse(Refusal::limits);
            value_count_ += values;
            std::size_t list = 0, list_length = 0;
            if (!cell(u32(b_, at + kNkValueList), &list, &list_length) || list_length / 4 < values)
                return refuse(Refusal::structure);
            hive.keys[index].values.resize(values);
            for (std::uint32_t i = 0; i < values; ++i)
                if (!value(u32(b_, list + 4 * i), &hive.keys[index].values[i])) return refuse(Refusal::structure);
        }

        const std::uint32_t subkeys = u32(b_, at + kNkSubkeys);
        if (subkeys == 0) return true;
        if (subkeys > kMaxKeys) return refuse(Refusal::limits);
        std::vector<std::uint32_t> children;
        if (!subkey_list(u32(b_, at + kNkSubkeyList), true, children)) return false;
        if (children.size() != subkeys) return refuse(Refusal::structure);
        for (std::uint32_t child : children) {
            hive.keys[index].subkeys.push_back(hive.keys.size());
            if (!key(child, offset, depth + 1, hive)) return false;
        }
        return true;
    }

private:
    bool refuse(Refusal why) {
        if (refusal_ == Refusal::none) refusal_ = why;
        return false;
    }

    // The allocated cell at `offset`: its data's file position and length.
    bool cell(std::uint32_t offset, std::size_t* at, std::size_t* length) const {
        if (offset % kCellAlign != 0 || offset >= bins_size_ || payload_[offset / kCellAlign] == 0) return false;
        *length = payload_[offset / kCellAlign];
        *at = kBaseBlockBytes + offset + 4;
        return true;
    }

    bool text(std::size_t at, std::size_t length, bool ascii, std::u16string* out) const {
        if (ascii) {
            for (std::size_t i = 0; i < length; ++i) *out += static_cast<char16_t>(static_cast<unsigned char>(b_[at + i]));
            return true;
        }
        if (length % 2 != 0) return false;
        for (std::size_t i = 0; i < length; i += 2) *out += static_cast<char16_t>(u16(b_, at + i));
        return true;
    }

    // The key offsets of a subkey list; an index root's lists hold keys only.
    bool subkey_list(std::uint32_t offset, bool root_allowed, std::vector<std::uint32_t>& out) {
        std::size_t at = 0, length = 0;
        if (!cell(offset, &at, &length) || length < 4) return refuse(Refusal::structure);
        const std::size_t count = u16(b_, at + 2);
        const bool hashed = tag(b_, at, "lf") || tag(b_, at, "lh");
        const bool index_root = root_allowed && tag(b_, at, "ri");
        if (!hashed && !index_root && !tag(b_, at, "li")) return refuse(Refusal::structure);
        const std::size_t stride = hashed ? 8 : 4;
        if ((length - 4) / stride < count) return refuse(Refusal::structure);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t item = u32(b_, at + 4 + stride * i);
            if (index_root) {
                if (!subkey_list(item, false, out)) return false;
            } else {
                out.push_back(item);
            }
            if (out.size() > kMaxKeys) return refuse(Refusal::limits);
        }
        return true;
    }

    bool value(std::uint32_t offset, Value* v) const {
        std::size_t at = 0, length = 0;
        if (!cell(offset, &at, &length) || length < kVkName || !tag(b_, at, "vk")) return false;
        const std::size_t name_length = u16(b_, at + kVkNameLength);
        if (name_length > length - kVkName ||
            !text(at + kVkName, name_length, u16(b_, at + kVkFlags) & kVkAsciiName, &v->name))
            return false;
        v->type = u32(b_, at + kVkType);
        const std::uint32_t size = u32(b_, at + kVkDataSize);
        if (size & kDataInline) {
            const std::size_t inline_size = size & ~kDataInline;
            if (inline_size > kMaxInline) return false;
            v->data = b_.substr(at + kVkData, inline_size);
            return true;
        }
        if (size == 0) return true;
        // Larger data is in big-data records from this version on, which are not read.
        if (size > kMaxCellData && minor_ >= kFirstMinorWithBigData) return false;
        std::size_t data = 0, data_length = 0;
        if (!cell(u32(b_, at + kVkData), &data, &data_length) || data_length < size) return false;
        v->data = b_.substr(data, size);
        return true;
    }

    const std::string& b_;
    std::size_t bins_size_;
    std::uint32_t minor_;
    std::vector<std::uint32_t> payload_;  // per 8-byte slot: an allocated cell's data length there, else 0
    std::vector<bool> visited_;           // per 8-byte slot: a key read from there
    std::size_t value_count_ = 0;
    Refusal refusal_ = Refusal::none;
};

Refusal base_block(const std::string& b, std::size_t* bins_size) {
    if (b.size() > kMaxFileBytes) return Refusal::too_large;
    if (b.size() < kBaseBlockBytes || b.compare(0, 4, "regf") != 0) return Refusal::base_block;
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < kChecksum; at += 4) sum ^= u32(b, at);
    if (sum == 0) sum = 1;
    else if (sum == 0xFFFFFFFFu) sum = 0xFFFFFFFEu;
    if (sum != u32(b, kChecksum)) return Refusal::checksum;
    if (u32(b, kPrimarySequence) != u32(b, kSecondarySequence)) return Refusal::dirty;
    const std::uint32_t minor = u32(b, kMinor);
    if (u32(b, kMajor) != 1 || minor < kMinMinor || minor > kMaxMinor || u32(b, kFileType) != 0 ||
        u32(b, kFormat) != 1)
        return Refusal::base_block;
    // Bins follow the base block; padding may follow the last bin.
    *bins_size = u32(b, kBinsSize);
    if (*bins_size == 0 || *bins_size % kBinUnit != 0 || *bins_size > b.size() - kBaseBlockBytes)
        return Refusal::base_block;
    return Refusal::none;
}

}  // namespace

Refusal read(const std::string& bytes, Hive* out) {
    *out = Hive();
    std::size_t bins_size = 0;
    const Refusal refusal = base_block(bytes, &bins_size);
    if (refusal != Refusal::none) return refusal;
    Hive hive;
    Reader reader(bytes, bins_size, u32(bytes, kMinor));
    if (!reader.scan_bins() || !reader.key(u32(bytes, kRootCell), 0, 0, hive)) return reader.refusal();
    *out = std::move(hive);
    return Refusal::none;
}

const Key* subkey(const Hive& hive, const Key& key, const std::string& name) {
    for (std::size_t index : key.subkeys)
        if (same_name(hive.keys[index].name, name)) return &hive.keys[index];
    return nullptr;
}

const Key* find(const Hive& hive, const std::string& path) {
    if (hive.keys.empty()) return nullptr;
    const Key* key = &hive.keys[0];
    for (std::size_t at = 0; key && at < path.size();) {
        std::size_t end = path.find('\\', at);
        if (end == std::string::npos) end = path.size();
        key = subkey(hive, *key, path.substr(at, end - at));
        at = end + 1;
    }
    return key;
}

const Value* value(const Key& key, const std::string& name) {
    for (const Value& v : key.values)
        if (same_name(v.name, name)) return &v;
    return nullptr;
}

}  // namespace vorlane::hive
