// Bridge between our engine and the independent decoders of the interoperability test.
//
//   interop_tool write FOLDER      writes every kind of file we produce, each NAME with
//                                  NAME.json (size and palette) and NAME.idx (indices, top row
//                                  first) describing what a decoder must see
//   interop_tool dump FILE PREFIX [yes|no]
//                                  reads FILE with our reader and describes what we saw the
//                                  same way, answering the colour question as given

#include <cstdio>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "animation/rotation.h"
#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "samples/sample_screens.h"
#include "tests/test_support.h"

namespace {

using rotopal::LogoDocument;
using rotopal::Palette;

void Describe(const std::string& prefix, int width, std::size_t colours, const Palette& palette,
              std::span<const std::uint8_t> bottomUp) {
    std::ofstream json(prefix + ".json");
    json << "{\"width\": " << width << ", \"height\": 400, \"colours\": " << colours
         << ", \"palette\": [";
    for (std::size_t i = 0; i < colours; ++i) {
        json << (i ? ", " : "") << "[" << int{palette[i].rgbRed} << ", " << int{palette[i].rgbGreen}
             << ", " << int{palette[i].rgbBlue} << "]";
    }
    json << "]}\n";
    std::ofstream idx(prefix + ".idx", std::ios::binary);
    const auto w = static_cast<std::size_t>(width);
    for (std::size_t row = 400; row-- > 0;) {
        idx.write(reinterpret_cast<const char*>(bottomUp.data() + row * w),
                  static_cast<std::streamsize>(w));
    }
}

bool Check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", what.c_str());
    }
    return ok;
}

bool WriteDocument(const std::string& folder, const std::string& name, const LogoDocument& doc) {
    Describe(folder + "/" + name, 320, rotopal::StoredColourCount(doc), doc.palette, doc.pixels);
    return Check(rotopal::WriteLogoFile(folder + "/" + name, doc).has_value(), name);
}

bool WriteFrame(const std::string& folder, const std::string& name, const LogoDocument& doc,
                const Palette& framePalette) {
    const auto widened = rotopal::WidenPixels(doc.pixels);
    Describe(folder + "/" + name, 640, rotopal::StoredColourCount(doc), framePalette, widened);
    return Check(rotopal::WriteFrameFile(folder + "/" + name, doc, framePalette).has_value(), name);
}

int WriteAll(const std::string& folder) {
    const LogoDocument full = rotopal::test::MakeDocument(256, 240);
    const LogoDocument sixteen = rotopal::test::MakeDocument(16, 10);
    const auto converted =
        rotopal::DecodeLogoFile(rotopal::EncodeLogoFile(sixteen), [](int) { return true; });
    if (!converted) {
        return 1;
    }
    Palette rotated = full.palette;
    rotopal::RotatePalette(rotated, 255, 15);
    Palette rotatedSixteen = sixteen.palette;
    rotopal::RotatePalette(rotatedSixteen, 15, 5);

    const bool ok = WriteDocument(folder, "document256.sys", full) &&
                    WriteDocument(folder, "document16.bmp", sixteen) &&
                    WriteDocument(folder, "converted.bmp", converted.value().document) &&
                    WriteDocument(folder, "sample.sys", rotopal::samples::MakeStartupScreen()) &&
                    WriteFrame(folder, "frame256.bmp", full, rotated) &&
                    WriteFrame(folder, "frame16.bmp", sixteen, rotatedSixteen);
    return ok ? 0 : 1;
}

int Dump(const std::string& file, const std::string& prefix, bool convert) {
    const auto read = rotopal::ReadLogoFile(file, [convert](int) { return convert; });
    if (!read) {
        std::fprintf(stderr, "%s %s\n", file.c_str(),
                     rotopal::DescribeReadError(read.error()).c_str());
        return 1;
    }
    const auto& doc = read.value().document;
    Describe(prefix, 320, rotopal::StoredColourCount(doc), doc.palette, doc.pixels);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "write") {
        return WriteAll(args[1]);
    }
    if ((args.size() == 3 || args.size() == 4) && args[0] == "dump") {
        return Dump(args[1], args[2], args.size() == 4 && args[3] == "yes");
    }
    std::fprintf(stderr, "usage: interop_tool write FOLDER | dump FILE PREFIX [yes|no]\n");
    return 2;
}
