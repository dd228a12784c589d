#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rotopal {

// One entry of a FAT folder, by its short (8.3) name.
struct FolderEntry {
    std::string name;  // as stored, such as "LOGO.SYS"; the base and extension without padding
    std::string longName;  // the long (VFAT) name in UTF-8, empty when it has none
    std::uint8_t attributes = 0;
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;

    static constexpr std::uint8_t kReadOnly = 0x01;
    static constexpr std::uint8_t kHidden = 0x02;
    static constexpr std::uint8_t kSystem = 0x04;
    static constexpr std::uint8_t kLabel = 0x08;
    static constexpr std::uint8_t kFolder = 0x10;

    bool IsFolder() const { return (attributes & kFolder) != 0; }
    bool IsPlainFile() const { return (attributes & (kFolder | kLabel)) == 0; }
};

// The entries of a folder's bytes, up to its end mark: deleted entries and the "." and ".." of a
// subfolder are left out, and long-name pieces become the long name of the entry they belong to
// (when their checksum says so). fat32 says where the first cluster's high half is.
std::vector<FolderEntry> ParseFolder(std::span<const std::uint8_t> bytes, bool fat32);

// Whether two names are the same to DOS: ASCII letters in either case.
bool SameName(std::string_view a, std::string_view b);

// The entries with that name, short or long, as mtools matches them: ASCII letters in either
// case.
std::vector<FolderEntry> EntriesNamed(std::span<const FolderEntry> entries, std::string_view name);

// Whether the text can be a short name as DOS writes one: a base of 1 to 8 and an extension of
// up to 3 characters, none of them a wildcard, a separator, a blank or another character DOS
// refuses. Such a name is passed to mtools as it is and cannot be read as a pattern.
bool IsShortName(std::string_view name);

}  // namespace rotopal
