#include "disk/screen_install.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "disk/fat_reader.h"
#include "disk/mtools.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"

namespace rotopal {
namespace {

// No screen comes near this; a larger file under a screen's name is not copied out.
constexpr std::size_t kMaxExtractBytes = 4u << 20;
// \MSDOS.SYS is a few KB of text (or the DOS kernel); more is not looked at.
constexpr std::size_t kMaxMsdosSysBytes = 64u << 10;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string BaseName(ScreenKind kind) {
    switch (kind) {
        case ScreenKind::Logo: return "LOGO";
        case ScreenKind::Logow: return "LOGOW";
        case ScreenKind::Logos: return "LOGOS";
    }
    return "LOGO";
}

Failure<DiskError> Broken(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::VolumeErrors, .detail = std::move(why)}};
}

Failure<DiskError> InTheWay(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::NameInTheWay, .detail = std::move(why)}};
}

// What the screen's folder holds of the three names an install uses.
struct ScreenFolder {
    BootSettings settings;
    std::string folder;  // "\WIN98", or "" for the root
    std::optional<FolderEntry> screen, temporary, backup;
    // Why NAME.$$$ cannot be used: a copy cut short between mcopy's writing of the folder and
    // of the FAT leaves an entry whose clusters were never recorded.
    std::optional<std::string> temporaryDangles;

    std::string Path(const std::string& name) const { return folder + "\\" + name; }
};

enum class Purpose { Install, Extract };

// The FAT is scanned for cross-links once per run, before the first change: from then on only
// mtools writes, under our lock, into clusters it found free.
enum class Scan { CrossLinks, ChainsOnly };

struct Names {
    std::string screen, temporary, backup;
    explicit Names(ScreenKind kind)
        : screen(BaseName(kind) + ".SYS"),
          temporary(BaseName(kind) + ".$$$"),
          backup(BaseName(kind) + ".BAK") {}
};

Result<BootSettings, DiskError> ReadBootSettings(FatReader& reader, const FatFolder& root) {
    const auto found = EntriesNamed(root.entries, "MSDOS.SYS");
    if (found.size() != 1 || !found.front().IsPlainFile()) {
        return BootSettings{};
    }
    const auto text = reader.ReadFile(found.front(), "\\MSDOS.SYS", kMaxMsdosSysBytes);
    if (!text) {
        return Failure{text.error()};
    }
    return ParseMsdosSys(text.value());
}

// Records a chain's clusters with their predecessors; a cluster already there belongs to two.
Result<void, DiskError> AddChain(std::unordered_map<std::uint32_t, std::uint32_t>& predecessor,
                                 std::span<const std::uint32_t> clusters, const std::string& what) {
    std::uint32_t previous = 0;
    for (const std::uint32_t cluster : clusters) {
        if (!predecessor.emplace(cluster, previous).second) {
            return Broken(what + " shares cluster " + std::to_string(cluster) +
                          " with another chain it touches (a cross-link)");
        }
        previous = cluster;
    }
    return {};
}

std::string Attributes(const FolderEntry& entry) {
    std::vector<std::string> said;
    if (entry.attributes & FolderEntry::kHidden) said.push_back("hidden");
    if (entry.attributes & FolderEntry::kSystem) said.push_back("system");
    if (entry.attributes & FolderEntry::kReadOnly) said.push_back("read-only");
    std::string text;
    for (std::size_t i = 0; i < said.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == said.size() ? " and " : ", ") + said[i];
    }
    return text;
}

// FAT32 keeps a count of its free clusters in its FSInfo sector, which mtools believes: a count
// below the truth would make it call a volume with room full.
Result<void, DiskError> CheckFreeCount(const DiskImage& image, const VolumePlace& place,
                                       const FatGeometry& geometry, std::uint32_t free,
                                       std::uint64_t needed) {
    if (geometry.kind != FatKind::Fat32 || geometry.infoSector == 0 || needed == 0) {
        return {};
    }
    const auto info = image.Read(place.offset + std::uint64_t{geometry.infoSector} * geometry.bytesPerSector, 512);
    if (!info) {
        return Failure{info.error()};
    }
    const auto& bytes = info.value();
    const auto le32 = [&](std::size_t at) {
        return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
               std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
    };
    if (bytes.size() < 512 || le32(0) != 0x41615252 || le32(484) != 0x61417272) {
        return {};  // no FSInfo to believe: mtools counts for itself
    }
    const std::uint32_t said = le32(488);
    if (said != 0xFFFFFFFF && said < needed && free >= needed) {
        return Broken("its FSInfo sector counts " + std::to_string(said) +
                      " free clusters, but the FAT has " + std::to_string(free));
    }
    return {};
}

// Reads the screen's folder and checks all an install or extract touches there: the folder's
// own chain, the kind and attributes of the three names, their chains against their sizes, and
// that no other entry of the folder and (with Scan::CrossLinks) no FAT entry links into any of
// these chains.
Result<ScreenFolder, DiskError> Survey(const DiskImage& image, const VolumePlace& place,
                                       ScreenKind kind, Purpose purpose, Scan scan,
                                       std::uint64_t screenBytes = 0) {
    auto opened = FatReader::Open(image, place);
    if (!opened) {
        return Failure{opened.error()};
    }
    FatReader& reader = opened.value();
    const auto root = reader.ReadFolder({});
    if (!root) {
        return Failure{root.error()};
    }
    ScreenFolder state;
    auto settings = ReadBootSettings(reader, root.value());
    if (!settings) {
        return Failure{settings.error()};
    }
    state.settings = settings.value();
    std::vector<std::string> folderNames;
    if (kind != ScreenKind::Logo) {
        auto names = WindowsFolderNames(state.settings);
        if (!names) {
            return Failure{names.error()};
        }
        folderNames = std::move(names.value());
    }
    auto read = folderNames.empty() ? root : reader.ReadFolder(folderNames);
    if (!read) {
        return Failure{read.error()};
    }
    const FatFolder& folder = read.value();
    state.folder = folder.path;

    std::unordered_map<std::uint32_t, std::uint32_t> predecessor;
    const std::string folderName = folder.path.empty() ? "the root folder" : folder.path;
    if (auto added = AddChain(predecessor, folder.clusters, folderName); !added) {
        return Failure{added.error()};
    }
    const Names names(kind);
    const std::array slots{std::pair{&names.screen, &state.screen},
                           std::pair{&names.temporary, &state.temporary},
                           std::pair{&names.backup, &state.backup}};
    for (const auto& [name, slot] : slots) {
        const auto found = EntriesNamed(folder.entries, *name);
        const std::string path = state.Path(*name);
        // mtools takes a long name for the file as well: a user's file could be replaced.
        for (const FolderEntry& entry : found) {
            if (!SameName(entry.name, *name)) {
                return InTheWay(state.Path(entry.name) + " has the long name " + entry.longName +
                                ", which mtools would take for " + path + ": rename it first");
            }
        }
        if (found.size() > 1) {
            return Broken(folderName + " holds " + std::to_string(found.size()) + " entries named " +
                          *name);
        }
        if (found.empty()) {
            continue;
        }
        const FolderEntry& entry = found.front();
        if (!entry.IsPlainFile()) {
            const std::string what = entry.IsFolder() ? "a folder" : "the volume's label";
            return InTheWay(path + " is " + what +
                            (purpose == Purpose::Install || slot != &state.screen
                                 ? ", which an install cannot use or replace: rename it first"
                                 : ", not a file: there is no screen to copy"));
        }
        // The screen itself may be hidden for an extract, which only reads it; the names an
        // install or a recovery changes may not.
        const bool changed = purpose == Purpose::Install || slot != &state.screen;
        if (changed &&
            (entry.attributes & (FolderEntry::kHidden | FolderEntry::kSystem | FolderEntry::kReadOnly))) {
            return InTheWay(path + " is " + Attributes(entry) +
                            ", and is left alone: clear that first (mattrib -h -s -r) to replace it");
        }
        const auto clusters = reader.FileClusters(entry, slot == &state.temporary ? "it" : path);
        if (!clusters && slot == &state.temporary) {
            state.temporaryDangles = clusters.error().detail;
            *slot = entry;
            continue;
        }
        if (!clusters) {
            return Failure{clusters.error()};
        }
        if (auto added = AddChain(predecessor, clusters.value(), path); !added) {
            return Failure{added.error()};
        }
        *slot = entry;
    }
    for (const FolderEntry& entry : folder.entries) {
        const bool ours = SameName(entry.name, names.screen) ||
                          SameName(entry.name, names.temporary) || SameName(entry.name, names.backup);
        if (!ours && entry.firstCluster != 0 && predecessor.contains(entry.firstCluster)) {
            return Broken(state.Path(entry.name) + " starts inside a chain the change touches (a cross-link)");
        }
    }
    if (scan == Scan::CrossLinks) {
        const auto free = reader.table().NothingRunsInto(predecessor, "a chain the change touches");
        if (!free) {
            return Failure{free.error()};
        }
        const std::uint64_t clusterBytes = reader.geometry().ClusterBytes();
        const std::uint64_t needed = (screenBytes + clusterBytes - 1) / clusterBytes;
        if (auto counted = CheckFreeCount(image, place, reader.geometry(), free.value(), needed);
            !counted) {
            return Failure{counted.error()};
        }
    }
    return state;
}

Result<std::vector<std::uint8_t>, DiskError> ReadBack(const DiskImage& image,
                                                      const VolumePlace& place,
                                                      const FolderEntry& entry,
                                                      const std::string& path) {
    auto reader = FatReader::Open(image, place);
    if (!reader) {
        return Failure{reader.error()};
    }
    return reader.value().ReadFile(entry, path, kMaxExtractBytes);
}

// A NAME.$$$ is whole when it is a sound screen exactly as our writer lays one out.
Result<bool, DiskError> IsWholeScreen(const DiskImage& image, const VolumePlace& place,
                                      const ScreenFolder& state, const Names& names) {
    const auto bytes = ReadBack(image, place, *state.temporary, state.Path(names.temporary));
    if (!bytes) {
        return Failure{bytes.error()};
    }
    const auto decoded = DecodeLogoFile(bytes.value(), [](int) { return false; });
    return decoded && decoded.value().repairs == LogoRepairs{} &&
           EncodeLogoFile(decoded.value().document) == bytes.value();
}

// An install cut short leaves NAME.$$$ behind. With NAME.SYS gone, it is finished when the new
// screen is whole; otherwise the old screen is still NAME.SYS and the copy is rolled back. A
// NAME.$$$ whose clusters were never recorded cannot be: mtools would free what is not its own
// (cluster 0 among them), so an install is refused until the volume is repaired, while an
// extract reads the screen that is there and says so.
Result<std::optional<std::string>, DiskError> Recover(const DiskImage& image,
                                                      const VolumePlace& place,
                                                      const Mtools& mtools,
                                                      const ScreenFolder& state,
                                                      const Names& names, Purpose purpose) {
    if (!state.temporary) {
        return std::optional<std::string>();
    }
    const std::string temporary = state.Path(names.temporary);
    const std::string screen = state.Path(names.screen);
    if (state.temporaryDangles) {
        const std::string why = temporary +
                                " was left by a copy cut short before its clusters were recorded (" +
                                *state.temporaryDangles + "); " + screen + " is as it was";
        if (purpose == Purpose::Extract) {
            return std::optional<std::string>(why + ". Repair the volume (fsck.fat -a, or ScanDisk) "
                                                    "before the next install");
        }
        return Failure{DiskError{.kind = DiskErrorKind::VolumeErrors, .detail = why}};
    }
    if (!image.writable()) {
        return Failure{DiskError{.kind = DiskErrorKind::ReadOnlyImage,
                                 .detail = "an install into this image was cut short (" + temporary +
                                           " is there), and finishing it needs write access to "
                                           "the image"}};
    }
    const auto whole = IsWholeScreen(image, place, state, names);
    if (!whole) {
        return Failure{whole.error()};
    }
    if (!state.screen && whole.value()) {
        if (auto renamed = mtools.Rename(temporary, screen); !renamed) {
            return Failure{renamed.error()};
        }
        return std::optional<std::string>("finished an install that was cut short: " + temporary +
                                          " is now " + screen);
    }
    if (auto deleted = mtools.Delete(temporary); !deleted) {
        return Failure{deleted.error()};
    }
    return std::optional<std::string>(
        state.screen ? "rolled back an install that was cut short: removed " + temporary + "; " +
                           screen + " is as it was"
                     : "removed " + temporary + ", left unfinished by an install that was cut short");
}

// Surveys the folder, first finishing or rolling back an install that was cut short.
Result<ScreenFolder, DiskError> SurveyRecovered(const DiskImage& image, const VolumePlace& place,
                                                const Mtools& mtools, ScreenKind kind,
                                                Purpose purpose, std::vector<std::string>& notes,
                                                std::uint64_t screenBytes = 0) {
    auto state = Survey(image, place, kind, purpose, Scan::CrossLinks, screenBytes);
    if (!state) {
        return state;
    }
    const auto recovered = Recover(image, place, mtools, state.value(), Names(kind), purpose);
    if (!recovered) {
        return Failure{recovered.error()};
    }
    if (!recovered.value()) {
        return state;
    }
    notes.push_back(*recovered.value());
    if (state.value().temporaryDangles) {
        return state;  // nothing was changed
    }
    return Survey(image, place, kind, purpose, Scan::ChainsOnly);
}

Result<void, DiskError> Verify(const DiskImage& image, const VolumePlace& place,
                               const std::optional<FolderEntry>& entry, const std::string& path,
                               std::span<const std::uint8_t> expected) {
    if (!entry) {
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = path + " is not on the volume after it was written"}};
    }
    const auto bytes = ReadBack(image, place, *entry, path);
    if (!bytes) {
        return Failure{bytes.error()};
    }
    if (!std::equal(bytes.value().begin(), bytes.value().end(), expected.begin(), expected.end())) {
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = path + " does not read back as it was written"}};
    }
    return {};
}

}  // namespace

std::optional<ScreenKind> ParseScreenKind(std::string_view name) {
    if (name == "logo") {
        return ScreenKind::Logo;
    }
    if (name == "logow") {
        return ScreenKind::Logow;
    }
    if (name == "logos") {
        return ScreenKind::Logos;
    }
    return std::nullopt;
}

ScreenKind ScreenKindOfFileName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    std::transform(name.begin(), name.end(), name.begin(), Upper);
    if (name == "LOGOW.SYS") {
        return ScreenKind::Logow;
    }
    if (name == "LOGOS.SYS") {
        return ScreenKind::Logos;
    }
    return ScreenKind::Logo;
}

Result<InstallReport, DiskError> InstallScreen(const DiskImage& image, const VolumePlace& place,
                                               std::span<const std::uint8_t> screen,
                                               ScreenKind kind, bool keepBackup) {
    if (!image.writable()) {
        return Failure{DiskError{.kind = DiskErrorKind::ReadOnlyImage,
                                 .detail = "the disk image can only be read here (permission "
                                           "denied), so the screen cannot be put onto it"}};
    }
    const auto mtools = Mtools::For(image, place.offset);
    if (!mtools) {
        return Failure{mtools.error()};
    }
    const Names names(kind);
    InstallReport report;
    auto before = SurveyRecovered(image, place, mtools.value(), kind, Purpose::Install,
                                  report.recovered, screen.size());
    if (!before) {
        return Failure{before.error()};
    }
    report.settings = before.value().settings;
    report.path = before.value().Path(names.screen);
    const std::string temporary = before.value().Path(names.temporary);
    const std::string backup = before.value().Path(names.backup);

    // Complete and read back under a name of its own before anything is replaced.
    const std::array pieces{screen};
    const auto content = MakePrivateFile(pieces);
    if (!content) {
        return Failure{DiskError{.kind = DiskErrorKind::ToolFailed,
                                 .detail = "cannot hold the screen for mtools: " +
                                           DescribeFileReadError(content.error())}};
    }
    if (auto copied = mtools.value().CopyIn(content.value(), temporary); !copied) {
        // mtools removes what it could not finish; anything left goes at the next run.
        DiskError error = copied.error();
        if (error.kind == DiskErrorKind::ToolFailed) {
            error.detail += "; the old screen is as it was, and the next install or extract "
                            "clears what the copy may have left as " + temporary;
        }
        return Failure{error};
    }
    // From here on the volume has changed: a failure says what is left where.
    auto copied = Survey(image, place, kind, Purpose::Install, Scan::ChainsOnly);
    if (!copied) {
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = "after mtools wrote " + temporary + ", " +
                                           DescribeDiskError(copied.error()) +
                                           " (the copy is left there; the old screen is as it was)"}};
    }
    if (auto sound = Verify(image, place, copied.value().temporary, temporary, screen); !sound) {
        const bool removed = mtools.value().Delete(temporary).has_value();
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = sound.error().detail +
                                           (removed ? "; it was removed, and the old screen is as it was"
                                                    : "; it is left there, and the old screen is as it was")}};
    }

    if (copied.value().screen) {
        report.replaced = true;
        if (keepBackup && copied.value().backup) {
            report.earlierBackup = backup;
        }
        if (keepBackup && !copied.value().backup) {
            if (auto kept = mtools.value().Rename(report.path, backup); !kept) {
                return Failure{kept.error()};
            }
            report.backup = backup;
        } else if (auto gone = mtools.value().Delete(report.path); !gone) {
            return Failure{gone.error()};
        }
    }
    const auto renamed = mtools.value().Rename(temporary, report.path);
    const auto after = Survey(image, place, kind, Purpose::Install, Scan::ChainsOnly);
    // mren can end after it renamed (a signal), so what is on the volume decides.
    if (!renamed && (!after || !after.value().screen || after.value().temporary)) {
        DiskError error = renamed.error();
        error.detail += "; the new screen is on the volume as " + temporary +
                        ", which the next install or extract puts in place";
        return Failure{error};
    }
    if (!after) {
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = "after the new screen was renamed to " + report.path +
                                           ", " + DescribeDiskError(after.error()) +
                                           " (it could not be read back)"}};
    }
    if (auto sound = Verify(image, place, after.value().screen, report.path, screen); !sound) {
        return Failure{sound.error()};
    }
    return report;
}

Result<ExtractReport, DiskError> ExtractScreen(const DiskImage& image, const VolumePlace& place,
                                               ScreenKind kind, const std::string& out) {
    const auto mtools = Mtools::For(image, place.offset);
    if (!mtools) {
        return Failure{mtools.error()};
    }
    // Replacing the image's own name with the screen would lose the whole disk.
    if (IsOpenFile(out, image.descriptor())) {
        return Failure{DiskError{.kind = DiskErrorKind::WriteFailed,
                                 .detail = out + " is the disk image itself; it was not written"}};
    }
    ExtractReport report;
    const auto state = SurveyRecovered(image, place, mtools.value(), kind, Purpose::Extract,
                                       report.recovered);
    if (!state) {
        return Failure{state.error()};
    }
    report.path = state.value().Path(Names(kind).screen);
    if (!state.value().screen) {
        return Failure{DiskError{.kind = DiskErrorKind::NotOnDisk, .detail = report.path}};
    }
    const std::uint32_t size = state.value().screen->size;
    if (size > kMaxExtractBytes) {
        return Failure{DiskError{.kind = DiskErrorKind::TooLarge,
                                 .detail = report.path + " is " + std::to_string(size) +
                                           " bytes, far more than a screen (129078); it is not "
                                           "copied"}};
    }
    auto replacement = FileReplacement::Begin(out, Durability::Synced);
    if (!replacement) {
        return Failure{DiskError{.kind = DiskErrorKind::WriteFailed,
                                 .detail = DescribeWriteError(replacement.error())}};
    }
    std::optional<WriteError> failed;
    const auto typed = mtools.value().Type(report.path, [&](std::span<const std::uint8_t> piece) {
        if (!failed) {
            if (auto written = replacement.value().Write(piece); !written) {
                failed = written.error();
            }
        }
    });
    if (!typed) {
        return Failure{typed.error()};
    }
    if (failed) {
        return Failure{DiskError{.kind = DiskErrorKind::WriteFailed,
                                 .detail = DescribeWriteError(*failed)}};
    }
    if (typed.value() != size) {
        return Failure{DiskError{.kind = DiskErrorKind::NotVerified,
                                 .detail = "mtype gave " + std::to_string(typed.value()) +
                                           " bytes of " + report.path + ", which holds " +
                                           std::to_string(size) + "; " + out + " was not written"}};
    }
    if (auto committed = replacement.value().Commit(); !committed) {
        return Failure{DiskError{.kind = DiskErrorKind::WriteFailed,
                                 .detail = DescribeWriteError(committed.error())}};
    }
    report.bytes = size;
    return report;
}

}  // namespace rotopal
