#pragma once

// A main window on the scripted window system, with a scratch folder for the files it opens.

#include <gtest/gtest.h>

#include <string>

#include "document/logo_reader.h"
#include "tests/fake/fake_window_system.h"
#include "tests/test_support.h"
#include "ui/form1.h"

namespace rotopal::test {

class Form1Fixture : public ::testing::Test {
protected:
    // Writes a screen file into the scratch folder and returns its path.
    std::string WriteScreen(const std::string& name, BmpRecipe recipe) {
        const std::string path = dir / name;
        WriteBytes(path, EncodeBmp(recipe));
        return path;
    }
    std::string WriteScreen(const std::string& name, int colours = 256,
                            std::uint32_t clrImportant = 240, std::uint32_t seed = 1) {
        auto recipe = ClassicScreen(colours, seed);
        recipe.biClrImportant = clrImportant;
        return WriteScreen(name, recipe);
    }

    // Gives an entry a new colour as the user does: selects it and picks the colour, given as
    // the colour dialog speaks it (0x00BBGGRR).
    void EditColour(int index, std::int32_t colour) {
        form.Picture2_MouseDown(kLeftButton, 0, static_cast<float>(index % 16 * 15 + 7),
                                static_cast<float>(index / 16 * 15 + 7));
        ws.colourAnswers = {colour};
        form.ColorChoice_Click();
    }

    // The file's document as the reader gives it, for comparisons.
    static LogoDocument Expected(const std::string& path, bool convert = false) {
        return ReadLogoFile(path, [convert](int) { return convert; }).value().document;
    }

    TempDir dir;
    FakeWindowSystem ws;
    Form1 form{ws};
    const LogoDocument& document = form.session().document;
};

}  // namespace rotopal::test
