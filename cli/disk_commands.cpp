#include "cli/disk_commands.h"

#include <new>
#include <optional>
#include <ostream>

#include "cli/file_roles.h"
#include "disk/fat_volume.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"

namespace rotopal::cli {
namespace {

void AddKindOption(CLI::App& command, const char* name, DiskArguments& arguments,
                   const std::string& help) {
    command
        .add_option_function<std::string>(
            name, [&arguments](const std::string& text) { arguments.kind = ParseScreenKind(text); },
            help)
        ->check(CLI::IsMember({"logo", "logow", "logos"}));
}

void AddPartitionOption(CLI::App& command, DiskArguments& arguments) {
    command
        .add_option("--partition", arguments.partition,
                    "The partition, counted from 1, of the disk's partition table (default: the "
                    "first active FAT partition)")
        ->check(CLI::Range(1, 4));
}

int ExitFor(const DiskError& error) {
    return IsInputError(error) ? kExitRejected : kExitWriteFailed;
}

// The image opened and locked, and the volume found in it.
struct OpenVolume {
    DiskImage image;
    VolumePlace place;
};

Result<OpenVolume, DiskError> OpenDisk(const DiskArguments& arguments) {
    auto image = DiskImage::Open(arguments.disk, LockedAccess::ReadWrite);
    if (!image) {
        return Failure{image.error()};
    }
    const auto place = FindFatVolume(image.value(), arguments.partition);
    if (!place) {
        return Failure{place.error()};
    }
    return OpenVolume{std::move(image.value()), place.value()};
}

// The volume the arguments did not name, when the disk does not say which one the machine uses.
void TellChoice(const VolumePlace& place, std::ostream& out) {
    if (place.noActiveFat && place.partition) {
        out << "Note: no FAT partition is marked active (the one the machine starts "
               "from), so partition "
            << *place.partition << ", the first FAT one, was used; --partition chooses another.\n";
    }
}

void TellRecovery(const std::vector<std::string>& notes, std::ostream& out) {
    for (const std::string& note : notes) {
        out << "Note: " << note << ".\n";
    }
}

const char* kShutDownFirst =
    "Shut the machine that uses the disk down first: a running emulator keeps writing to it.";

}  // namespace

CLI::App* AddInstallCommand(CLI::App& app, DiskArguments& arguments) {
    auto* command = app.add_subcommand(
        "install",
        "Put a screen where the system reads it on a disk image (raw, fixed VHD, floppy)");
    command->footer(kShutDownFirst);
    command->add_option("SCREEN", arguments.screen, "The screen file to install")->required();
    command
        ->add_option("DISK", arguments.disk,
                     "The disk image: a partition table with a FAT partition, or one FAT volume")
        ->required();
    AddKindOption(*command, "--as", arguments,
                  "logo: \\LOGO.SYS, the start-up screen; logow, logos: LOGOW.SYS, LOGOS.SYS in "
                  "the Windows folder (default: as SCREEN is named, else logo)");
    AddPartitionOption(*command, arguments);
    command->add_flag("--no-backup", arguments.noBackup,
                      "Replace a screen that is there without keeping it as NAME.BAK");
    return command;
}

CLI::App* AddExtractCommand(CLI::App& app, DiskArguments& arguments) {
    auto* command = app.add_subcommand("extract", "Copy a screen out of a disk image");
    command->add_option("DISK", arguments.disk, "The disk image")->required();
    command->add_option("OUT", arguments.screen, "Where to write it; an existing file is replaced")
        ->required();
    AddKindOption(*command, "--from", arguments,
                  "logo (default), logow or logos: which of the screens");
    AddPartitionOption(*command, arguments);
    command->add_flag("--force", arguments.force,
                      "Replace OUT even when it is a file that is not a screen");
    return command;
}

int RunInstall(const DiskArguments& arguments, Console& console) {
    const ScreenKind kind = arguments.kind.value_or(ScreenKindOfFileName(arguments.screen));
    // The screen is read once, before the disk is looked at; what goes onto the disk is the
    // document as our writer lays it out, not the file's bytes.
    const auto screen = ReadLogoFile(arguments.screen, [](int) { return false; });
    if (!screen) {
        if (RoleOf(arguments.disk) == FileRole::Screen) {
            console.err << arguments.disk << " is a screen file and " << arguments.screen
                        << " is not one: the arguments look swapped. The order is rotopal-cli "
                           "install SCREEN DISK; both files are left as they were.\n";
            return kExitUsage;
        }
        console.err << arguments.screen << ": " << DescribeReadError(screen.error())
                    << "; the disk is left as it was.\n";
        if (const std::string hint = ImportHint(arguments.screen); !hint.empty()) {
            console.err << hint << "\n";
        }
        return kExitRejected;
    }
    const std::vector<std::uint8_t> bytes = EncodeLogoFile(screen.value().document);
    for (const std::string& repair : RepairPhrases(screen.value().repairs)) {
        console.out << "Repaired: " << repair << "\n";
    }
    auto volume = OpenDisk(arguments);
    if (!volume) {
        console.err << arguments.disk << ": " << DescribeDiskError(volume.error()) << ".\n";
        return ExitFor(volume.error());
    }
    // Past this point the volume may be changing: running out of memory is told as a failed
    // write, with what it may have left, which the next run finishes or removes.
    std::optional<Result<InstallReport, DiskError>> outcome;
    try {
        outcome.emplace(InstallScreen(volume.value().image, volume.value().place, bytes, kind,
                                      !arguments.noBackup));
    } catch (const std::bad_alloc&) {
        console.err << arguments.disk
                    << ": out of memory during the install; a NAME.$$$ may be "
                       "left on the volume, which the next install or extract finishes or "
                       "removes.\n";
        return kExitWriteFailed;
    }
    const auto& installed = *outcome;
    if (!installed) {
        console.err << arguments.disk << ": " << DescribeDiskError(installed.error()) << ".\n";
        return ExitFor(installed.error());
    }
    const InstallReport& report = installed.value();
    TellChoice(volume.value().place, console.out);
    TellRecovery(report.recovered, console.out);
    console.out << "Installed " << arguments.screen << " as " << report.path << " on "
                << arguments.disk << " (" << bytes.size() << " bytes, read back equal)";
    if (report.backup) {
        console.out << "; the screen it replaced is kept as " << *report.backup;
    }
    console.out << ".\n";
    if (report.earlierBackup) {
        console.out << "Note: no new backup was made: " << *report.earlierBackup
                    << " from an earlier install is kept as it was, so the first screen stays "
                       "there; the one just replaced is gone.\n";
    }
    if (kind == ScreenKind::Logo && !report.settings.logoShown) {
        console.out << "Note: \\MSDOS.SYS says Logo=0, so Windows starts without showing a "
                       "start-up screen; set Logo=1 in its [Options] to see this one.\n";
    }
    return kExitOk;
}

int RunExtract(const DiskArguments& arguments, Console& console) {
    if (RoleOf(arguments.disk) == FileRole::Screen) {
        console.err << arguments.disk
                    << " is a screen file, not a disk image: the arguments "
                       "look swapped. The order is rotopal-cli extract DISK OUT; both files "
                       "are left as they were.\n";
        return kExitUsage;
    }
    if (const std::string refusal =
            arguments.force ? ""
                            : ReplacementRefusal(arguments.screen, "rotopal-cli extract DISK OUT");
        !refusal.empty()) {
        console.err << refusal << "\n";
        return kExitUsage;
    }
    auto volume = OpenDisk(arguments);
    if (!volume) {
        console.err << arguments.disk << ": " << DescribeDiskError(volume.error()) << ".\n";
        return ExitFor(volume.error());
    }
    const auto extracted =
        ExtractScreen(volume.value().image, volume.value().place,
                      arguments.kind.value_or(ScreenKind::Logo), arguments.screen);
    if (!extracted) {
        console.err << arguments.disk << ": " << DescribeDiskError(extracted.error()) << ".\n";
        return ExitFor(extracted.error());
    }
    // Notes go where the report goes: not into a screen written to standard output.
    std::ostream& report = ReportStream(console, arguments.screen);
    TellChoice(volume.value().place, report);
    TellRecovery(extracted.value().recovered, report);
    report << "Extracted " << extracted.value().path << " (" << extracted.value().bytes
           << " bytes) to " << arguments.screen << ".\n";
    return kExitOk;
}

}  // namespace rotopal::cli
