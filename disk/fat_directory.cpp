#include "disk/fat_directory.h"

#include "disk/le_bytes.h"

namespace rotopal {
namespace {

constexpr std::size_t kEntryBytes = 32;
constexpr std::uint8_t kLongNamePiece = 0x0F;
constexpr std::uint8_t kDeleted = 0xE5;
constexpr std::uint8_t kStandsForE5 = 0x05;  // a name whose first byte really is 0xE5

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Field(std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

bool ShortNameCharacter(unsigned char c) {
    if (c >= 0x80) {
        return true;  // a code page's letters
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::vector<FolderEntry> ParseFolder(std::span<const std::uint8_t> bytes, bool fat32) {
    std::vector<FolderEntry> entries;
    for (std::size_t at = 0; at + kEntryBytes <= bytes.size(); at += kEntryBytes) {
        const auto raw = bytes.subspan(at, kEntryBytes);
        if (raw[0] == 0x00) {
            break;
        }
        const std::uint8_t attributes = raw[11];
        if (raw[0] == kDeleted || (attributes & 0x3F) == kLongNamePiece) {
            continue;
        }
        std::string base = Field(raw.first(8));
        if (!base.empty() && static_cast<std::uint8_t>(base[0]) == kStandsForE5) {
            base[0] = static_cast<char>(kDeleted);
        }
        const std::string extension = Field(raw.subspan(8, 3));
        FolderEntry entry{.name = extension.empty() ? base : base + "." + extension,
                          .attributes = attributes,
                          .firstCluster = Le16(raw, 26),
                          .size = Le32(raw, 28)};
        if (fat32) {
            entry.firstCluster |= std::uint32_t{Le16(raw, 20)} << 16;
        }
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<FolderEntry> EntriesNamed(std::span<const FolderEntry> entries, std::string_view name) {
    std::vector<FolderEntry> named;
    for (const FolderEntry& entry : entries) {
        bool same = entry.name.size() == name.size();
        for (std::size_t i = 0; same && i < name.size(); ++i) {
            same = Upper(entry.name[i]) == Upper(name[i]);
        }
        if (same) {
            named.push_back(entry);
        }
    }
    return named;
}

bool IsShortName(std::string_view name) {
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        (dot != std::string_view::npos && extension.empty())) {
        return false;
    }
    for (const std::string_view part : {base, extension}) {
        for (const char c : part) {
            if (!ShortNameCharacter(static_cast<unsigned char>(c))) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace rotopal
