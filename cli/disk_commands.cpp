#include "cli/disk_commands.h"

#include <new>
#include <optional>
#include <ostream>

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

void TellRecovery(const std::vector<std::string>& notes, Console& console) {
    for (const std::string& note : notes) {
        console.out << "Note: " << note << ".\n";
    }
}

const char* kShutDownFirst =
    "Shut the machine that uses the disk down first: a running emulator keeps writing to it.";

}  // namespace

CLI::App* AddInstallCommand(CLI::App& app, DiskArguments& arguments) {
    auto* command = app.add_subcommand(
        "install", "Put a screen where the system reads it on a disk image (raw, fixed VHD, floppy)");
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
    return command;
}

int RunInstall(const DiskArguments& arguments, Console& console) {
    const ScreenKind kind = arguments.kind.value_or(ScreenKindOfFileName(arguments.screen));
    // The screen is read once, before the disk is looked at; what goes onto the disk is the
    // document as our writer lays it out, not the file's bytes.
    const auto screen = ReadLogoFile(arguments.screen, [](int) { return false; });
    if (!screen) {
        console.err << arguments.screen << ": " << DescribeReadError(screen.error())
                    << "; the disk is left as it was.\n";
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
        console.err << arguments.disk << ": out of memory during the install; a NAME.$$$ may be "
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
    TellRecovery(report.recovered, console);
    console.out << "Installed " << arguments.screen << " as " << report.path << " on "
                << arguments.disk << " (" << bytes.size() << " bytes, read back equal)";
    if (report.backup) {
        console.out << "; the screen it replaced is kept as " << *report.backup;
    }
    console.out << ".\n";
    if (kind == ScreenKind::Logo && !report.settings.logoShown) {
        console.out << "Note: \\MSDOS.SYS says Logo=0, so Windows starts without showing a "
                       "start-up screen; set Logo=1 in its [Options] to see this one.\n";
    }
    return kExitOk;
}

int RunExtract(const DiskArguments& arguments, Console& console) {
    auto volume = OpenDisk(arguments);
    if (!volume) {
        console.err << arguments.disk << ": " << DescribeDiskError(volume.error()) << ".\n";
        return ExitFor(volume.error());
    }
    const auto extracted = ExtractScreen(volume.value().image, volume.value().place,
                                         arguments.kind.value_or(ScreenKind::Logo),
                                         arguments.screen);
    if (!extracted) {
        console.err << arguments.disk << ": " << DescribeDiskError(extracted.error()) << ".\n";
        return ExitFor(extracted.error());
    }
    TellRecovery(extracted.value().recovered, console);
    ReportStream(console, arguments.screen) << "Extracted " << extracted.value().path << " (" << extracted.value().bytes
                << " bytes) to " << arguments.screen << ".\n";
    return kExitOk;
}

}  // namespace rotopal::cli
