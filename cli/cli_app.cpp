#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <ostream>
#include <vector>

#include "animation/frame_export.h"
#include "animation/gif_export.h"
#include "animation/save_targets.h"
#include "cli/disk_commands.h"
#include "cli/file_roles.h"
#include "cli/import_command.h"
#include "cli/info_report.h"
#include "core/version.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "palette/animation_range.h"

namespace rotopal::cli {
namespace {

struct Options {
    std::string input;
    std::string output;
    int range = -1;       // -1: the range the file stores
    std::string convert;  // "", "yes" or "no"
    bool json = false;    // info as one JSON object
    GifOptions gif;
    ImportArguments import;
    DiskArguments disk;
};

// Reads the input, or says why it cannot be used.
Result<DecodedLogo, ExitCode> Read(const Options& options, Console& console,
                                   const AskConvert& askConvert) {
    auto read = ReadLogoFile(options.input, askConvert);
    if (!read) {
        console.err << options.input << " " << DescribeReadError(read.error()) << ".\n";
        if (const std::string hint = ImportHint(options.input); !hint.empty()) {
            console.err << hint << "\n";
        }
        return Failure{kExitRejected};
    }
    return std::move(read).value();
}

// The document to animate, its range and how many entries animate in it. A file with fewer
// than 256 colours needs the user's --convert choice; the range is --range, else the file's
// own, and must animate at least one entry.
struct Animation {
    LogoDocument document;
    RangeValue range = 0;
    int count = 0;
};

Result<Animation, ExitCode> Load(const Options& options, Console& console) {
    int undecidedColours = 0;
    auto read = Read(options, console, [&](int colours) {
        if (options.convert.empty()) {
            undecidedColours = colours;
        }
        return options.convert == "yes";
    });
    if (!read) {
        return Failure{read.error()};
    }
    if (undecidedColours != 0) {
        console.err << options.input << " stores " << undecidedColours
                    << " colours. Choose what to do with --convert:\n"
                    << "  --convert yes  convert it to 256 colours (entries " << undecidedColours
                    << "..255 black)\n"
                    << "  --convert no   keep its " << undecidedColours << " colours\n";
        return Failure{kExitUsage};
    }
    const LogoDocument& document = read.value().document;
    std::optional<RangeValue> range;
    if (options.range >= 0) {
        range = static_cast<RangeValue>(options.range);
    } else if (!(range = RangeValueFromClrImportant(read.value().storedClrImportant))) {
        console.err << options.input << " stores no range (biClrImportant "
                    << read.value().storedClrImportant << "); give one with --range.\n";
        return Failure{kExitUsage};
    }
    const int count = AnimatedCount(*range, document.lastIndex);
    if (count <= 0) {
        console.err << (options.range >= 0 ? "--range " : "The stored range ") << int{*range}
                    << " animates no entry of this " << StoredColourCount(document)
                    << "-colour image; choose at least "
                    << 256 - static_cast<int>(StoredColourCount(document)) + 1
                    << " with --range.\n";
        return Failure{kExitUsage};
    }
    return Animation{std::move(read).value().document, *range, count};
}

int Info(const Options& options, Console& console) {
    // The report shows the file as stored, so a short palette is kept rather than converted.
    const auto read = Read(options, console, [](int) { return false; });
    if (!read) {
        return read.error();
    }
    const auto& [document, repairs, storedClrImportant] = read.value();
    console.out << (options.json ? InfoJson(options.input, document, repairs)
                                 : InfoReport(options.input, document, repairs));
    return kExitOk;
}

int Save(const Options& options, Console& console) {
    auto loaded = Load(options, console);
    if (!loaded) {
        return loaded.error();
    }
    auto& [document, range, count] = loaded.value();
    document.infoHeader.biClrImportant = ClrImportantForRange(range);
    const auto written = WriteLogoFile(options.output, document);
    if (!written) {
        console.err << DescribeWriteError(written.error()) << "\n";
        return kExitWriteFailed;
    }
    ReportStream(console, options.output)
        << "Wrote " << options.output << ": " << LogoFileBytes(StoredColourCount(document))
        << " bytes, " << StoredColourCount(document) << " colours, biClrImportant "
        << document.infoHeader.biClrImportant << " (" << count << " animated entries, "
        << FirstAnimatedIndex(range) << ".." << int{document.lastIndex} << ")\n";
    return kExitOk;
}

void ShowProgress(Console& console, int frame, int frameCount, const std::string& name) {
    if (!console.terminal) {
        console.out << frame << "/" << frameCount << " " << name << "\n";
        return;
    }
    constexpr int kBarWidth = 30;
    const int filled = frame * kBarWidth / frameCount;
    console.out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << frame
                << "/" << frameCount << " " << name << "\x1b[K" << std::flush;
}

int Frames(const Options& options, Console& console) {
    const auto loaded = Load(options, console);
    if (!loaded) {
        return loaded.error();
    }
    const auto& [document, range, count] = loaded.value();
    const auto exported =
        ExportFrames(document, options.output, count - 1, [&](int frame, int frameCount) {
            ShowProgress(console, frame, frameCount, FrameFileName(options.output, frame));
        });
    if (console.terminal) {
        console.out << "\n";
    }
    if (!exported) {
        console.err << DescribeExportError(exported.error()) << "\n";
        return kExitWriteFailed;
    }
    console.out << "Wrote " << count << " frames of 640 x 400: " << FrameFileName(options.output, 1)
                << " .. " << FrameFileName(options.output, count) << "\n";
    return kExitOk;
}

int Gif(const Options& options, Console& console) {
    const auto loaded = Load(options, console);
    if (!loaded) {
        return loaded.error();
    }
    const auto& [document, range, count] = loaded.value();
    const auto written = WriteAnimatedGif(options.output, document, count - 1, options.gif);
    if (!written) {
        console.err << DescribeExportError(written.error()) << "\n";
        return kExitWriteFailed;
    }
    ReportStream(console, options.output)
        << "Wrote " << options.output << ": " << count << " frames of "
        << GifFrameSize(options.gif).width << " x " << GifFrameSize(options.gif).height
        << (options.gif.dacBits == 6 ? " at the VGA's 6-bit colour levels" : "") << ", "
        << (options.gif.delayMilliseconds + 5) / 10 * 10 << " ms each, "
        << (options.gif.loopCount == 0
                ? std::string("looping forever")
                : "played " + std::to_string(options.gif.loopCount) + " times")
        << "\n";
    return kExitOk;
}

void AddConvertOption(CLI::App& command, Options& options) {
    command
        .add_option("--convert", options.convert,
                    "For a file with fewer than 256 colours: yes converts it to 256 colours, "
                    "no keeps its own count")
        ->check(CLI::IsMember({"yes", "no"}));
}

void AddRangeOption(CLI::App& command, Options& options) {
    command
        .add_option("--range", options.range,
                    "How many of the top palette entries animate (0-255; default: the range "
                    "FILE stores); the file stores 256 minus this as its first animated index")
        ->check(CLI::Range(0, 255));
}

// The subcommands, to tell afterwards which one the arguments chose.
struct Commands {
    CLI::App* info;
    CLI::App* save;
    CLI::App* frames;
    CLI::App* gif;
    CLI::App* import;
    CLI::App* install;
    CLI::App* extract;
};

Commands AddCommands(CLI::App& app, Options& options) {
    auto* info = app.add_subcommand("info", "Describe a screen file: size, colours, animation");
    info->add_option("FILE", options.input, "Screen file or 8-bit 320 x 400 bitmap")->required();
    info->add_flag("--json", options.json,
                   "Print the same facts as one JSON object, for scripts (keys in rotopal-cli(1))");

    auto* save = app.add_subcommand("save", "Write FILE to OUT with the animated range set");
    save->add_option("FILE", options.input, "Screen file or 8-bit 320 x 400 bitmap")->required();
    save->add_option("OUT", options.output, "Where to write; an existing file is replaced")
        ->required();
    AddRangeOption(*save, options);
    AddConvertOption(*save, options);

    auto* frames = app.add_subcommand(
        "frames", "Write one 640 x 400 bitmap per animation step: PREFIX001.bmp, PREFIX002.bmp...");
    frames->add_option("FILE", options.input, "Screen file or 8-bit 320 x 400 bitmap")->required();
    frames->add_option("PREFIX", options.output, "Beginning of every frame's file name")
        ->required();
    AddRangeOption(*frames, options);
    AddConvertOption(*frames, options);

    auto* gif = app.add_subcommand(
        "gif", "Write the animation as an animated GIF, one frame per step, for sharing");
    gif->add_option("FILE", options.input, "Screen file or 8-bit 320 x 400 bitmap")->required();
    gif->add_option("OUT", options.output, "The GIF to write; an existing file is replaced")
        ->required();
    AddRangeOption(*gif, options);
    AddConvertOption(*gif, options);
    gif->add_option("--delay-ms", options.gif.delayMilliseconds,
                    "Time per frame in milliseconds (default 150). GIF counts hundredths of a "
                    "second, so it is rounded to a multiple of 10: 150 ms is stored as 15")
        ->check(CLI::Range(0, 655350));
    auto* width = gif->add_option("--width", options.gif.width,
                                  "320 for the picture as it is, 640 for the doubled width of "
                                  "the preview (default 320)")
                      ->check(CLI::IsMember({320, 640}));
    gif->add_option_function<std::string>(
           "--aspect",
           [&options](const std::string& text) {
               options.gif.aspect = text == "4:3" ? GifAspect::FourByThree : GifAspect::Pixels;
           },
           "4:3 for 640 x 480 frames, the screen as a 4:3 display shows it (columns doubled, "
           "every fifth row twice); 1:1 for the pixels as they are (default)")
        ->check(CLI::IsMember({"1:1", "4:3"}))
        ->excludes(width);
    gif->add_option("--dac", options.gif.dacBits,
                    "6 for the colours at the 6-bit levels of the VGA's DAC, as the machine shows "
                    "them; 8 for the colours as stored (default)")
        ->check(CLI::IsMember({6, 8}));
    gif->add_option("--loop", options.gif.loopCount,
                    "How many times the animation plays; 0 repeats it forever (default 0)")
        ->check(CLI::Range(0, 65535));
    auto* import = AddImportCommand(app, options.import);
    auto* install = AddInstallCommand(app, options.disk);
    auto* extract = AddExtractCommand(app, options.disk);
    return {info, save, frames, gif, import, install, extract};
}

// Parses the arguments into the options; an exit code when that already ends the run (help,
// or arguments that do not fit).
std::optional<int> Parse(CLI::App& app, std::span<const std::string> arguments, Console& console) {
    const auto isCommand = [&](const std::string& name) {
        const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
        return std::any_of(commands.begin(), commands.end(),
                           [&](const CLI::App* c) { return c->get_name() == name; });
    };
    if (!arguments.empty() && !arguments.front().starts_with("-") &&
        !isCommand(arguments.front())) {
        console.err << "Unknown command \"" << arguments.front()
                    << "\"; the commands are info, save, frames, gif, import, install and "
                       "extract.\n"
                    << "Run with --help for more information.\n";
        return kExitUsage;
    }
    try {
        // CLI11 consumes its arguments from the back.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, console.out, console.err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, console.out, console.err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, console.out, console.err);
    } catch (const CLI::ParseError& e) {
        app.exit(e, console.out, console.err);
        return kExitUsage;
    }
    return std::nullopt;
}

int Dispatch(const Commands& commands, const Options& options, Console& console) {
    if (commands.info->parsed()) {
        return Info(options, console);
    }
    if (commands.save->parsed()) {
        return Save(options, console);
    }
    if (commands.gif->parsed()) {
        return Gif(options, console);
    }
    if (commands.import->parsed()) {
        return RunImport(options.import, console);
    }
    if (commands.install->parsed()) {
        return RunInstall(options.disk, console);
    }
    if (commands.extract->parsed()) {
        return RunExtract(options.disk, console);
    }
    return Frames(options, console);
}

}  // namespace

std::ostream& ReportStream(Console& console, const std::string& written) {
    return IsStandardOutput(written) ? console.err : console.out;
}

int RunCli(std::span<const std::string> arguments, Console console) {
    CLI::App app{"Rotopal: palette animation of 320 x 400 start-up screens (logo.sys)",
                 "rotopal-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "rotopal-cli " + std::string(kVersion));
    Options options;
    const Commands commands = AddCommands(app, options);
    if (const auto ended = Parse(app, arguments, console)) {
        return *ended;
    }
    return Dispatch(commands, options, console);
}

}  // namespace rotopal::cli
