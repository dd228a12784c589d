#include "cli/import_command.h"

#include <charconv>
#include <ostream>

#include "cli/file_roles.h"
#include "document/logo_writer.h"
#include "import/picture_import.h"

namespace rotopal::cli {
namespace {

std::string ColourText(const Rgb& colour) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (const std::uint8_t value : {colour.red, colour.green, colour.blue}) {
        text += kDigits[value >> 4];
        text += kDigits[value & 15];
    }
    return text;
}

std::string StopsText(const std::vector<Rgb>& stops) {
    std::string text;
    for (const Rgb& stop : stops) {
        text += (text.empty() ? "" : ",") + ColourText(stop);
    }
    return text;
}

}  // namespace

CLI::App* AddImportCommand(CLI::App& app, ImportArguments& arguments) {
    auto* command = app.add_subcommand(
        "import", "Make a screen from a picture (PNG, JPEG, GIF, WebP, TIFF, HEIF, BMP)");
    ImportOptions& options = arguments.options;
    command
        ->add_option("PICTURE", arguments.picture,
                     "The picture: PNG, JPEG, GIF, WebP, TIFF, HEIF or BMP, up to 100 megapixels "
                     "and 30000 pixels on a side")
        ->required();
    command
        ->add_option("OUT", arguments.output,
                     "The screen file to write; an existing screen is replaced, any other file "
                     "only with --force")
        ->required();
    command
        ->add_option("--range", options.range,
                     "How many of the top palette entries animate (1-255, default 20); the "
                     "picture gets the other 256 minus this")
        ->check(CLI::Range(1, 255));
    command
        ->add_option_function<std::string>(
            "--fit", [&options](const std::string& text) { options.fit = *ParseFit(text); },
            "contain (default) shows the whole picture on the background, cover fills the screen "
            "and crops the middle, stretch maps the whole picture onto the screen. The screen is "
            "judged as a 4:3 display shows it")
        ->check(CLI::IsMember({"contain", "cover", "stretch"}));
    const CLI::Validator colour(
        [](std::string& text) { return ParseRgb(text) ? "" : "not a #RRGGBB colour: " + text; },
        "#RRGGBB");
    command
        ->add_option_function<std::string>(
            "--background",
            [&options](const std::string& text) { options.background = *ParseRgb(text); },
            "What contain leaves uncovered and what transparency shows (default #000000)")
        ->check(colour);
    command
        ->add_option("--bar", options.bandRows,
                     "Rows at the bottom that become the animated band (default 8); 0 leaves the "
                     "top entries unused and black")
        ->check(CLI::Range(0, kMaxBandRows));
    const CLI::Validator colours(
        [](std::string& text) {
            return ParseRgbList(text) ? "" : "not a list of #RRGGBB colours: " + text;
        },
        "#RRGGBB,...");
    command
        ->add_option_function<std::string>(
            "--bar-colours",
            [&options](const std::string& text) { options.bandStops = *ParseRgbList(text); },
            "The band's gradient stops, looping back to the first (default " +
                StopsText(DefaultBandStops()) + ")")
        ->check(colours);
    // The window's scale. It used to run from 0 to 1, so a fraction is refused with the new
    // scale named rather than read as a hundredth.
    const CLI::Validator percent(
        [](std::string& text) -> std::string {
            int value = -1;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), value);
            if (error == std::errc{} && end == text.data() + text.size() && value >= 0 &&
                value <= 100) {
                return "";
            }
            return "0 to 100, as in the window (50 for half), not " + text;
        },
        "0-100");
    command
        ->add_option_function<std::string>(
            "--dither",
            [&options](const std::string& text) {
                options.dither = static_cast<float>(std::stoi(text)) / 100.0f;
            },
            "Error diffusion from 0 (nearest colour) to 100 (default), the window's scale "
            "(formerly 0 to 1)")
        ->check(percent);
    command
        ->add_option("--memory-limit", arguments.memoryLimitMiB,
                     "The address space in MiB the picture's decoder may take (default: the "
                     "smaller of 1024 and half the machine's memory)")
        ->check(CLI::Range(64, 1 << 20));
    command->add_flag("--force", arguments.force,
                      "Replace OUT even when it is a file that is not a screen (a picture, say)");
    return command;
}

int RunImport(const ImportArguments& arguments, Console& console) {
    if (const std::string refusal = arguments.force ? ""
                                                    : ReplacementRefusal(arguments.output,
                                                                         "rotopal-cli import "
                                                                         "PICTURE OUT");
        !refusal.empty()) {
        console.err << refusal << "\n";
        return kExitUsage;
    }
    // Past 236 animated entries the picture is left with fewer than 20 colours.
    if (const int kept = 256 - arguments.options.range; kept < 20) {
        console.err << "Note: with --range " << arguments.options.range << " the picture keeps "
                    << (kept == 1 ? std::string("a single colour")
                                  : std::to_string(kept) + " colours")
                    << "; a range of 236 or less keeps 20 or more.\n";
    }
    std::string unusable;
    (void)MemoryAllowanceFromEnvironment(&unusable);
    if (!unusable.empty()) {
        console.err << "Note: " << unusable << ".\n";
    }
    DecoderLimits limits = DefaultDecoderLimits();
    if (arguments.memoryLimitMiB && limits.addressSpaceBytes != 0) {
        limits.addressSpaceBytes = *arguments.memoryLimitMiB << 20;
    }
    const auto imported = ImportPictureFile(arguments.picture, arguments.options, {}, limits);
    if (!imported) {
        console.err << arguments.picture << ": " << DescribeImportError(imported.error()) << ".\n";
        return imported.error().kind == ImportErrorKind::InvalidOptions ? kExitUsage
                                                                        : kExitRejected;
    }
    const auto written = WriteLogoFile(arguments.output, imported.value().document);
    if (!written) {
        console.err << DescribeWriteError(written.error()) << "\n";
        return kExitWriteFailed;
    }
    const int range = arguments.options.range;
    std::ostream& report = ReportStream(console, arguments.output);
    report << "Wrote " << arguments.output << ": 320 x 400, entries 0.." << 255 - range
           << " for the picture, " << 256 - range << "..255 animated ("
           << (arguments.options.bandRows == 0
                   ? std::string("no band")
                   : "a band of " + std::to_string(arguments.options.bandRows) + " rows")
           << "), biClrImportant " << 256 - range << "\n";
    // Damage the decoder read past is no reason to refuse, but it is told, as info tells what
    // the reader put right.
    const auto& repairs = imported.value().repairs;
    for (std::size_t i = 0; i < repairs.size(); ++i) {
        report << (i == 0 ? "Repaired:   the decoder read past damage: " : "; ") << repairs[i]
               << (i + 1 == repairs.size() ? "\n" : "");
    }
    return kExitOk;
}

}  // namespace rotopal::cli
