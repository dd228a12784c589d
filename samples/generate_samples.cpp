// Writes the bundled sample screens into a folder: logo.sys (256 colours) and logo16.bmp
// (16 colours). They are drawn here, so the project carries no image files from elsewhere.

#include <cstdio>
#include <string>

#include "document/logo_writer.h"
#include "samples/sample_screens.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        rotopal::LogoDocument document;
    } samples[] = {
        {"logo.sys", rotopal::samples::MakeStartupScreen()},
        {"logo16.bmp", rotopal::samples::MakeSixteenColourScreen()},
    };
    for (const auto& sample : samples) {
        const auto written = rotopal::WriteLogoFile(folder + "/" + sample.name, sample.document);
        if (!written) {
            std::fprintf(stderr, "%s\n", rotopal::DescribeWriteError(written.error()).c_str());
            return 3;
        }
    }
    return 0;
}
