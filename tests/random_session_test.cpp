// Long random sessions of the three windows on the scripted window system: opening good and
// damaged files, range changes, selections, colour edits, exchanges, previews with yields that
// close or restart them, saves and exports (some failing), undo and redo. After every event the
// document must be one a reader accepts and the view must equal a full render; at the end of
// each session undoing everything must give back the document as opened.
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
#include "palette/view_render.h"
#include "tests/fake/fake_window_system.h"
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
            auto spec = test::ClassicScreen(256, static_cast<std::uint32_t>(seed));
            spec.biClrImportant = static_cast<std::uint32_t>(256 - 4 * seed);
            good.push_back(Write("good" + std::to_string(seed) + ".sys", spec));
        }
        auto small = test::ClassicScreen(16, 9);
        small.biClrImportant = 0;
        good.push_back(Write("small16.bmp", small));
        pristine = test::EncodeBmp(test::ClassicScreen(256, 4));
    }

    std::string Write(const std::string& name, const test::BmpSpec& spec) {
        const std::string path = dir / name;
        test::WriteBytes(path, test::EncodeBmp(spec));
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
};

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
        switch (Pick(12)) {
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
            default: form1_.Timer1_Timer(); break;
        }
    }

    void Reset() {
        const bool yes = Coin(), convert = Coin();
        ws_.messageAnswers = {yes ? MessageAnswer::Yes : MessageAnswer::No,
                              convert ? MessageAnswer::Yes : MessageAnswer::No};
        const std::string path = session().path;
        form1_.Command4_Click();
        if (yes) {
            if (const auto read = ReadLogoFile(path, [convert](int) { return convert; })) {
                opened_ = read.value().document;
            }
        }
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
        const auto reread = DecodeLogoFile(EncodeLogoFile(document), nullptr);
        ASSERT_TRUE(reread.has_value()) << "a reader accepts the document";
        ASSERT_EQ(reread.value().document.lastIndex, document.lastIndex);
        ASSERT_EQ(reread.value().document.pixels, document.pixels);

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
