#include "disk/fat_directory.h"

#include <algorithm>
#include <array>

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

// The checksum of an 11-byte short name that its long-name pieces carry.
std::uint8_t NameChecksum(std::span<const std::uint8_t> shortName) {
    std::uint8_t sum = 0;
    for (const std::uint8_t c : shortName.first(11)) {
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + c);
    }
    return sum;
}

void AppendUtf8(std::string& text, std::uint32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A long name in pieces of 13 UTF-16 units, gathered as they come (last piece first).
struct LongName {
    std::vector<std::uint16_t> units;  // in name order
    std::uint8_t checksum = 0;
    int expected = 0;  // the piece number that should come next, 0 when none is being gathered

    void Piece(std::span<const std::uint8_t> raw) {
        const int number = raw[0] & 0x1F;
        if ((raw[0] & 0x40) != 0) {  // the last piece of a name comes first
            units.clear();
            expected = number;
            checksum = raw[13];
        }
        if (number == 0 || number != expected || raw[13] != checksum) {
            expected = 0;
            return;
        }
        std::vector<std::uint16_t> piece;
        constexpr std::array<std::size_t, 13> kUnitsAt{1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        for (const std::size_t at : kUnitsAt) {
            piece.push_back(Le16(raw, at));
        }
        units.insert(units.begin(), piece.begin(), piece.end());
        expected = number - 1;
    }

    // The name, when the pieces are whole and belong to this short name.
    std::string Take(std::span<const std::uint8_t> shortName) {
        std::string text;
        if (expected == 0 && !units.empty() && NameChecksum(shortName) == checksum) {
            for (const std::uint16_t unit : units) {
                if (unit == 0x0000 || unit == 0xFFFF) {
                    break;
                }
                AppendUtf8(text, unit);
            }
        }
        units.clear();
        expected = 0;
        return text;
    }
};

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
    LongName longName;
    for (std::size_t at = 0; at + kEntryBytes <= bytes.size(); at += kEntryBytes) {
        const auto raw = bytes.subspan(at, kEntryBytes);
        if (raw[0] == 0x00) {
            break;
        }
        const std::uint8_t attributes = raw[11];
        if (raw[0] == kDeleted) {
            longName = LongName{};
            continue;
        }
        if ((attributes & 0x3F) == kLongNamePiece) {
            longName.Piece(raw);
            continue;
        }
        std::string base = Field(raw.first(8));
        if (!base.empty() && static_cast<std::uint8_t>(base[0]) == kStandsForE5) {
            base[0] = static_cast<char>(kDeleted);
        }
        const std::string extension = Field(raw.subspan(8, 3));
        FolderEntry entry{.name = extension.empty() ? base : base + "." + extension,
                          .longName = longName.Take(raw),
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

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

std::vector<FolderEntry> EntriesNamed(std::span<const FolderEntry> entries, std::string_view name) {
    std::vector<FolderEntry> named;
    for (const FolderEntry& entry : entries) {
        if (SameName(entry.name, name) || (!entry.longName.empty() && SameName(entry.longName, name))) {
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
