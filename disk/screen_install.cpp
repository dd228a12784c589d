#include "disk/screen_install.h"

#include <algorithm>

#include "document/logo_reader.h"

namespace rotopal {
namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Uppercase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string BaseName(ScreenKind kind) {
    switch (kind) {
        case ScreenKind::Logo: return "LOGO";
        case ScreenKind::Logow: return "LOGOW";
        case ScreenKind::Logos: return "LOGOS";
    }
    return "LOGO";
}

std::string FolderOf(ScreenKind kind, const BootSettings& settings) {
    return kind == ScreenKind::Logo ? std::string() : settings.windowsFolder;
}

Result<BootSettings, DiskError> ReadBootSettings(const FatVolume& volume) {
    const auto msdos = ReadVolumeFile(volume, "\\MSDOS.SYS");
    if (!msdos) {
        return Failure{msdos.error()};
    }
    return msdos.value() ? ParseMsdosSys(*msdos.value()) : BootSettings{};
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
    const std::string name = Uppercase(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (name == "LOGOW.SYS") {
        return ScreenKind::Logow;
    }
    if (name == "LOGOS.SYS") {
        return ScreenKind::Logos;
    }
    return ScreenKind::Logo;
}

BootSettings ParseMsdosSys(std::span<const std::uint8_t> text) {
    BootSettings settings;
    const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
    std::string section;
    std::size_t start = 0;
    while (start < all.size()) {
        const auto end = std::min(all.find('\n', start), all.size());
        const std::string_view line = Trim(all.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            section = Uppercase(line);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string key = Uppercase(Trim(line.substr(0, equals)));
        std::string_view value = Trim(line.substr(equals + 1));
        if (section == "[PATHS]" && key == "WINDIR" && !value.empty()) {
            // The folder on its drive: "C:\WINDOWS" is \WINDOWS of the boot volume.
            if (value.size() >= 2 && value[1] == ':') {
                value.remove_prefix(2);
            }
            std::string folder = Uppercase(value);
            std::replace(folder.begin(), folder.end(), '/', '\\');
            while (!folder.empty() && folder.back() == '\\') {
                folder.pop_back();
            }
            if (folder.empty() || folder.front() != '\\') {
                folder.insert(folder.begin(), '\\');
            }
            settings.windowsFolder = folder;
        } else if (section == "[OPTIONS]" && key == "LOGO") {
            settings.logoShown = value != "0";
        }
    }
    return settings;
}

std::string ScreenPathOnVolume(ScreenKind kind, const BootSettings& settings) {
    return FolderOf(kind, settings) + "\\" + BaseName(kind) + ".SYS";
}

Result<InstallReport, DiskError> InstallScreen(const std::string& screen, const FatVolume& volume,
                                               ScreenKind kind, bool keepBackup) {
    // A file of fewer than 256 colours is still a screen; it goes on as it is.
    const auto read = ReadLogoFile(screen, [](int) { return false; });
    if (!read) {
        if (read.error().kind == ReadErrorKind::CannotOpen) {
            return Failure{DiskError{.kind = DiskErrorKind::CannotOpen,
                                     .systemError = read.error().systemError,
                                     .detail = screen}};
        }
        return Failure{DiskError{.kind = DiskErrorKind::NotAScreen,
                                 .detail = DescribeReadError(read.error())}};
    }
    const auto settings = ReadBootSettings(volume);
    if (!settings) {
        return Failure{settings.error()};
    }
    InstallReport report{.path = ScreenPathOnVolume(kind, settings.value()),
                         .backup = std::nullopt,
                         .replaced = false,
                         .settings = settings.value()};
    const std::string folder = FolderOf(kind, report.settings);
    if (!folder.empty()) {
        const auto there = VolumeHas(volume, folder);
        if (!there) {
            return Failure{there.error()};
        }
        if (!there.value()) {
            return Failure{DiskError{.kind = DiskErrorKind::NoFolder, .detail = folder}};
        }
    }

    // Complete under a name of its own before anything is replaced.
    const std::string temporary = folder + "\\" + BaseName(kind) + ".$$$";
    if (const auto copied = CopyIntoVolume(volume, screen, temporary); !copied) {
        (void)DeleteFromVolume(volume, temporary);  // mtools removes a partial file itself
        return Failure{copied.error()};
    }
    const auto existing = VolumeHas(volume, report.path);
    if (!existing) {
        return Failure{existing.error()};
    }
    if (existing.value()) {
        report.replaced = true;
        if (keepBackup) {
            const std::string backup = folder + "\\" + BaseName(kind) + ".BAK";
            if (const auto old = VolumeHas(volume, backup); old && old.value()) {
                if (const auto gone = DeleteFromVolume(volume, backup); !gone) {
                    return Failure{gone.error()};
                }
            }
            if (const auto kept = RenameOnVolume(volume, report.path, backup); !kept) {
                return Failure{kept.error()};
            }
            report.backup = backup;
        } else if (const auto gone = DeleteFromVolume(volume, report.path); !gone) {
            return Failure{gone.error()};
        }
    }
    if (const auto renamed = RenameOnVolume(volume, temporary, report.path); !renamed) {
        return Failure{renamed.error()};
    }
    return report;
}

Result<ExtractedScreen, DiskError> ExtractScreen(const FatVolume& volume, ScreenKind kind) {
    const auto settings = ReadBootSettings(volume);
    if (!settings) {
        return Failure{settings.error()};
    }
    ExtractedScreen extracted{.path = ScreenPathOnVolume(kind, settings.value()), .bytes = {}};
    auto bytes = ReadVolumeFile(volume, extracted.path);
    if (!bytes) {
        return Failure{bytes.error()};
    }
    if (!bytes.value()) {
        return Failure{DiskError{.kind = DiskErrorKind::NotOnDisk, .detail = extracted.path}};
    }
    extracted.bytes = std::move(*bytes.value());
    return extracted;
}

}  // namespace rotopal
