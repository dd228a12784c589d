// Long random sessions of the windows on the scripted window system: opening good and damaged
// files, dropping pictures on the import dialog and accepting or cancelling it, range changes,
// selections, colour edits, exchanges, previews with yields that close or restart them, saves
// and exports (some failing), undo and redo. After every event the document, as the writer
// puts it down, must pass a check of the format of its own, and the view must equal a full
// render; at the end of each session undoing everything must give back the document as opened.
//
// ROTOPAL_RANDOM_SESSIONS sets how many sessions run (CI runs a long series), and
// ROTOPAL_RANDOM_SEED where the series starts.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "document/logo_reader.h"
#include "document/logo_writer.h"
#include "import/picture_import.h"
#include "palette/view_render.h"
#include "tests/fake/fake_window_system.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

struct Figures {
    long sessions = 0, events = 0, checks = 0;
};

// The files every session picks from, written once.
class Library {
public:
    Library() {
        ::mkdir((dir / "win").c_str(), 0755);
        ::mkdir((dir / "win/logos.sys").c_str(), 0755);  // a folder in the way: that save fails
        ::mkdir((dir / "folder.bmp").c_str(), 0755);
        for (int seed = 1; seed <= 3; ++seed) {
            auto recipe = test::ClassicScreen(256, static_cast<std::uint32_t>(seed));
            recipe.biClrImportant = static_cast<std::uint32_t>(256 - 4 * seed);
            good.push_back(Write("good" + std::to_string(seed) + ".sys", recipe));
        }
        auto small = test::ClassicScreen(16, 9);
        small.biClrImportant = 0;
        good.push_back(Write("small16.bmp", small));
        pristine = test::EncodeBmp(test::ClassicScreen(256, 4));
        // A small picture of few colours, so that making screens of it stays quick; a JPEG,
        // which the decoder reads without starting libvips.
        picture = dir / "picture.jpg";
        test::WriteBytes(picture, test::EncodePicture(64, 48,
                                                      test::Stripes(64, {{200, 40, 30},
                                                                         {40, 180, 60},
                                                                         {30, 60, 210}}),
                                                      ".jpg"));
        notes = Write("notes.txt", {});
        test::WriteBytes(notes, test::Bytes{'n', 'o', 't', 'e', 's'});
    }

    std::string Write(const std::string& name, const test::BmpRecipe& recipe) {
        const std::string path = dir / name;
        test::WriteBytes(path, test::EncodeBmp(recipe));
        return path;
    }

    // A screen cut short, or with a few bytes overwritten, most often in its headers.
    std::string Damaged(std::mt19937& random) {
        auto bytes = pristine;
        std::uniform_int_distribution<int> choice(0, 3);
        if (choice(random) == 0) {
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random));
        } else {
            const int hits = 1 + choice(random);
            for (int i = 0; i < hits; ++i) {
                const std::size_t limit = choice(random) == 0 ? bytes.size() - 1 : 1077;
                bytes[std::uniform_int_distribution<std::size_t>(0, limit)(random)] =
                    static_cast<std::uint8_t>(random());
            }
        }
        const std::string path = dir / "damaged.bmp";
        test::WriteBytes(path, bytes);
        return path;
    }

    test::TempDir dir;
    std::vector<std::string> good;
    std::vector<std::uint8_t> pristine;
    std::string picture, notes;
};

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// A check of the file as the format says, written apart from the program's reader: the headers'
// fields, sizes and offsets, the colour table and every pixel row where the document has them.
::testing::AssertionResult WrittenAsTheFormatSays(const LogoDocument& document) {
    const auto bytes = EncodeLogoFile(document);
    const std::size_t colours = std::size_t{document.lastIndex} + 1;
    const std::size_t pixelsAt = 14 + 40 + 4 * colours;
    if (bytes.size() != pixelsAt + kLogoPixelCount) {
        return ::testing::AssertionFailure() << bytes.size() << " bytes for " << colours << " colours";
    }
    if (bytes[0] != 'B' || bytes[1] != 'M' || Le32(bytes, 2) != bytes.size() ||
        Le32(bytes, 10) != pixelsAt) {
        return ::testing::AssertionFailure() << "the file header";
    }
    if (Le32(bytes, 14) != 40 || Le32(bytes, 18) != 320 || Le32(bytes, 22) != 400 ||
        // The planes are not examined and are written as held.
        (bytes[26] | bytes[27] << 8) != document.infoHeader.biPlanes ||
        (bytes[28] | bytes[29] << 8) != 8 ||
        Le32(bytes, 30) != 0) {
        return ::testing::AssertionFailure()
               << "the info header: size " << Le32(bytes, 14) << ", " << Le32(bytes, 18) << " x "
               << Le32(bytes, 22) << ", planes " << (bytes[26] | bytes[27] << 8) << ", bits "
               << (bytes[28] | bytes[29] << 8) << ", compression " << Le32(bytes, 30);
    }
    for (std::size_t i = 0; i < colours; ++i) {
        const RGBQUAD& c = document.palette[i];
        const std::size_t at = 54 + 4 * i;
        if (bytes[at] != c.rgbBlue || bytes[at + 1] != c.rgbGreen || bytes[at + 2] != c.rgbRed) {
            return ::testing::AssertionFailure() << "colour table entry " << i;
        }
    }
    if (!std::equal(document.pixels.begin(), document.pixels.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pixelsAt))) {
        return ::testing::AssertionFailure() << "the pixel rows";
    }
    return ::testing::AssertionSuccess();
}

// One session: the windows on a fresh fake, and what the document must come back to.
class RandomSession {
public:
    RandomSession(Library& library, std::uint32_t seed, Figures& figures)
        : library_(library), random_(seed), figures_(figures) {
        ws_.windowsDirectory = library.dir / "win";
        ws_.Attach(form1_, form2_);
        form1_.Form_Load("");
        Open(library.good[Pick(library.good.size())]);
    }

    void Run(int events) {
        for (int i = 0; i < events && !::testing::Test::HasFatalFailure(); ++i) {
            ws_.messageAnswers.clear();
            ws_.saveAnswers.clear();
            ws_.colourAnswers.clear();
            ws_.menuAnswers.clear();
            RandomEvent();
            ++figures_.events;
            CheckInvariants();
        }
        UndoEverything();
    }

private:
    const EditSession& session() const { return form1_.session(); }
    std::size_t Pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    bool Coin() { return Pick(2) == 0; }
    float CellCoordinate(int cell) {
        return static_cast<float>(cell * 15 + 1 + static_cast<int>(Pick(13)));
    }

    void Open(const std::string& path) {
        const bool convert = Coin();
        ws_.messageAnswers = {convert ? MessageAnswer::Yes : MessageAnswer::No};
        const auto read = ReadLogoFile(path, [convert](int) { return convert; });
        form1_.OpenFile(path);
        if (read) {
            opened_ = read.value().document;
        }
    }

    void PointerAt(int cell, int button, bool press, bool release) {
        const float x = CellCoordinate(cell % 16), y = CellCoordinate(cell / 16);
        form1_.Picture2_MouseMove(0, 0, x, y);
        if (press) {
            form1_.Picture2_MouseDown(button, 0, x, y);
        }
        if (release) {
            form1_.Picture2_MouseUp(button, 0, x, y);
        }
    }

    void RandomEvent() {
        const int cell = static_cast<int>(Pick(256));
        switch (Pick(13)) {
            case 0:
                Open(Pick(3) == 0 ? library_.Damaged(random_)
                                  : library_.good[Pick(library_.good.size())]);
                break;
            case 1:
                ws_.scrollValue = static_cast<int>(Pick(256));
                form1_.HScroll1_Change();
                break;
            case 2: PointerAt(cell, Coin() ? kLeftButton : kRightButton, true, true); break;
            case 3:  // the edit menu's colour, chosen or cancelled
                ws_.menuAnswers = {0};
                ws_.colourAnswers = {Pick(4) == 0
                                         ? std::nullopt
                                         : std::optional<std::int32_t>(
                                               static_cast<std::int32_t>(random_() & 0xFFFFFF))};
                PointerAt(cell, kRightButton, true, true);
                break;
            case 4:  // an exchange, finished with the left button or cancelled with another
                ws_.menuAnswers = {1};
                PointerAt(cell, kRightButton, true, true);
                PointerAt(static_cast<int>(Pick(256)), Pick(4) == 0 ? kRightButton : kLeftButton,
                          true, true);
                break;
            case 5: Preview(); break;
            case 6: Save(); break;
            case 7:
            case 8: form1_.Edit_Undo(); break;
            case 9: form1_.Edit_Redo(); break;
            case 10: Reset(); break;
            case 11: DropOnTheImportDialog(); break;
            default: form1_.Timer1_Timer(); break;
        }
    }

    void Settle() {
        while (ws_.PendingWork() > 0) {
            ws_.RunEventLoop();
        }
    }

    void Reset() {
        const bool yes = Coin(), convert = Coin();
        ws_.messageAnswers = {yes ? MessageAnswer::Yes : MessageAnswer::No,
                              convert ? MessageAnswer::Yes : MessageAnswer::No};
        const std::string path = session().path;
        const auto importedWith = session().importedWith;
        form1_.Command4_Click();
        Settle();
        if (!yes) {
            return;
        }
        if (importedWith) {
            opened_ = ImportPictureFile(path, *importedWith).value().document;
        } else if (const auto read = ReadLogoFile(path, [convert](int) { return convert; })) {
            opened_ = read.value().document;
        }
    }

    // A picture (or a file that is none) dropped on the window; in the dialog some options
    // change, sometimes while a preview is being made, and it is accepted or cancelled.
    void DropOnTheImportDialog() {
        const bool picture = Pick(4) != 0;
        const LogoDocument before = session().document;
        form1_.Form_DragDrop({picture ? library_.picture : library_.notes});
        ImportDialog& dialog = form1_.importDialog();
        if (!dialog.isOpen()) {
            ASSERT_FALSE(picture) << "a picture opens the dialog";
            return;
        }
        Settle();
        for (std::size_t change = Pick(3); change > 0; --change) {
            switch (Pick(3)) {
                case 0: dialog.Range_Change(1 + static_cast<int>(Pick(255))); break;
                case 1: dialog.FitOption_Click(static_cast<Fit>(Pick(3))); break;
                default: dialog.BandRows_Change(static_cast<int>(Pick(40))); break;
            }
            dialog.Timer2_Timer();
            if (Coin()) {
                ws_.RunEventLoop();
            }
        }
        const bool accept = Coin();
        if (accept) {
            dialog.OK_Click();
        } else {
            dialog.Cancel_Click();
        }
        Settle();
        ASSERT_FALSE(dialog.isOpen());
        ASSERT_TRUE(ws_.formEnabled[Form::Form1]) << "the dialog gives the main window back";
        if (!accept) {
            ASSERT_EQ(session().document, before) << "cancel changes nothing";
            return;
        }
        // The screen opened is the one the import makes of the picture with those options.
        const auto expected = ImportPictureFile(library_.picture, dialog.options());
        ASSERT_TRUE(expected);
        ASSERT_TRUE(test::SameDocument(expected.value().document, session().document));
        opened_ = session().document;
    }

    void Preview() {
        form1_.Command2_Click(0);
        if (!ws_.visible[Form::Form2]) {
            return;  // nothing animates
        }
        form2_.Form_Activate();
        const int ticks = static_cast<int>(Pick(6));
        for (int t = 0; t < ticks && ws_.visible[Form::Form2]; ++t) {
            switch (Pick(6)) {
                case 0: ws_.onDoEvents = [this] { ws_.UserClosesForm(Form::Form2); }; break;
                case 1: ws_.onDoEvents = [this] { form2_.Form_Activate(); }; break;
                default: ws_.onDoEvents = nullptr; break;
            }
            form2_.Timer1_Timer();
            ws_.onDoEvents = nullptr;
        }
        ws_.UserClosesForm(Form::Form2);
        ASSERT_TRUE(ws_.formEnabled[Form::Form1]) << "the preview gives the main window back";
    }

    void Save() {
        const int item = static_cast<int>(Pick(4));
        ws_.messageAnswers = {Coin() ? MessageAnswer::Yes : MessageAnswer::No};
        // A numbered series of up to 8 frames; longer ones cost time and prove nothing more.
        const int frames = AnimatedCount(session().range, session().document.lastIndex);
        const int type = static_cast<int>(Pick(frames >= 1 && frames <= 8 ? 3 : 2)) + 1;
        const std::string name = Pick(4) == 0 ? "folder" : "out";
        ws_.saveAnswers = {{library_.dir / name + (type == 1 ? ".sys" : ".bmp"), type}};
        const auto before = ws_.messageBoxes.size();
        const std::uint32_t stored = ClrImportantForRange(session().range);
        ws_.menuAnswers = {item};
        form1_.Command2_Click(1);  // the save menu
        const bool saved = ws_.messageBoxes.size() > before &&
                           ws_.messageBoxes.back().text.starts_with(texts::kSavedMessage);
        if (saved && !(item == 3 && type == 3)) {
            // The document holds what its file now stores; undo does not take that back.
            opened_.infoHeader.biClrImportant = stored;
        }
    }

    void CheckInvariants() {
        ++figures_.checks;
        const LogoDocument& document = session().document;
        ASSERT_TRUE(WrittenAsTheFormatSays(document));

        // Compared whole first, which is fast; SameImage then says where they differ.
        ArgbImage& expected = expected_;
        RenderView(document.pixels, document.palette, expected);
        if (expected != form1_.state().plainDC) {
            ASSERT_TRUE(test::SameImage(expected, form1_.state().plainDC)) << "the plain view";
        }
        RenderView(document.pixels,
                   HighlightPalette(document.palette, session().selected, session().range),
                   expected);
        if (expected != form1_.state().invertedDC.image()) {
            ASSERT_TRUE(test::SameImage(expected, form1_.state().invertedDC.image()))
                << "the highlighted view";
        }
        ASSERT_EQ(session().range, ws_.scrollValue);
        ASSERT_FALSE(ws_.visible[Form::Form2]);
    }

    void UndoEverything() {
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        if (session().exchangeWaiting) {
            PointerAt(0, kRightButton, false, true);  // cancel it first
        }
        const LogoDocument edited = session().document;
        const auto edits = session().history.undoCount();
        for (std::size_t i = 0; i < edits; ++i) {
            form1_.Edit_Undo();
        }
        ASSERT_TRUE(test::SameDocument(opened_, session().document)) << "undoing everything";
        for (std::size_t i = 0; i < edits; ++i) {
            form1_.Edit_Redo();
        }
        ASSERT_TRUE(test::SameDocument(edited, session().document)) << "redoing everything";
        CheckInvariants();
        ++figures_.sessions;
    }

    Library& library_;
    std::mt19937 random_;
    Figures& figures_;
    test::FakeWindowSystem ws_;
    Form1 form1_{ws_};
    Form2 form2_{ws_, form1_.session()};
    LogoDocument opened_;
    ArgbImage expected_ = ArgbImage::Filled(kLogoWidth, kLogoHeight, 0);
};

TEST(RandomSessions, KeepTheDocumentValidTheViewTrueAndUndoExact) {
    const int sessions = EnvInt("ROTOPAL_RANDOM_SESSIONS", 60);
    const auto seed = static_cast<std::uint32_t>(EnvInt("ROTOPAL_RANDOM_SEED", 20261208));
    Library library;
    Figures figures;
    const auto start = std::chrono::steady_clock::now();
    for (int s = 0; s < sessions && !HasFatalFailure(); ++s) {
        SCOPED_TRACE("session seed " + std::to_string(seed + static_cast<std::uint32_t>(s)));
        auto session =
            std::make_unique<RandomSession>(library, seed + static_cast<std::uint32_t>(s), figures);
        session->Run(12);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "random sessions: " << figures.sessions << " sessions, " << figures.events
              << " events, " << figures.checks << " invariant checks, " << seconds << " s\n";
    EXPECT_EQ(figures.sessions, sessions);
}

}  // namespace
}  // namespace rotopal
