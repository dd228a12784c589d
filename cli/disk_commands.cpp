#include "cli/disk_commands.h"

#include <ostream>

#include "document/file_io.h"
#include "document/logo_reader.h"

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

// Refusals of the input (exit 1) apart from failures to write (exit 3).
int ExitFor(const DiskError& error) {
    switch (error.kind) {
        case DiskErrorKind::VolumeFull:
        case DiskErrorKind::ToolFailed:
        case DiskErrorKind::WriteFailed: return kExitWriteFailed;
        default: return kExitRejected;
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
    // The screen is looked at before the disk, and refused without touching it.
    const auto screen = ReadLogoFile(arguments.screen, [](int) { return false; });
    if (!screen) {
        console.err << arguments.screen << ": " << DescribeReadError(screen.error())
                    << "; the disk is left as it was.\n";
        return kExitRejected;
    }
    const auto volume = FindFatVolume(arguments.disk, arguments.partition);
    if (!volume) {
        console.err << arguments.disk << ": " << DescribeDiskError(volume.error()) << ".\n";
        return kExitRejected;
    }
    const auto installed = InstallScreen(arguments.screen, volume.value(), kind,
                                         !arguments.noBackup);
    if (!installed) {
        console.err << arguments.disk << ": " << DescribeDiskError(installed.error()) << ".\n";
        return ExitFor(installed.error());
    }
    const InstallReport& report = installed.value();
    console.out << "Installed " << arguments.screen << " as " << report.path << " on "
                << arguments.disk;
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
    const auto volume = FindFatVolume(arguments.disk, arguments.partition);
    if (!volume) {
        console.err << arguments.disk << ": " << DescribeDiskError(volume.error()) << ".\n";
        return kExitRejected;
    }
    const auto extracted =
        ExtractScreen(volume.value(), arguments.kind.value_or(ScreenKind::Logo));
    if (!extracted) {
        console.err << arguments.disk << ": " << DescribeDiskError(extracted.error()) << ".\n";
        return ExitFor(extracted.error());
    }
    const std::span<const std::uint8_t> bytes = extracted.value().bytes;
    const std::array pieces{bytes};
    if (const auto written = WriteFileAtomically(arguments.screen, pieces, Durability::Synced);
        !written) {
        console.err << DescribeWriteError(written.error()) << "\n";
        return kExitWriteFailed;
    }
    console.out << "Extracted " << extracted.value().path << " (" << bytes.size()
                << " bytes) to " << arguments.screen << ".\n";
    return kExitOk;
}

}  // namespace rotopal::cli
