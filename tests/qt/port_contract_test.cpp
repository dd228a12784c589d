// The window system's promises, written next to its operations in ui/window_system.h, checked
// with one set of cases against the scripted fake and against the Qt adapter driven by real Qt
// events on the off-screen platform. A fake that promises more than the adapter delivers fails
// here, and so does an adapter that breaks a promise.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "tests/fake/fake_window_system.h"
#include "tests/initial_states.h"
#include "tests/test_support.h"
#include "ui/file_filters.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/qt/qt_window_system.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

using test::PrintTo;
using test::UserKey;
using test::UserShortcut;

// What a user does to the windows and what the screen then shows, through each
// implementation's own means.
class User {
public:
    virtual ~User() = default;
    virtual WindowSystem& windows() = 0;
    virtual void Attach(Form1& form1, Form2& form2) = 0;
    virtual void Start() = 0;  // the main window appears
    virtual void MovePointer(Control control) = 0;
    virtual void Click(Control control) = 0;
    virtual void PressKey(Control control, UserKey key) = 0;
    virtual void PressShortcut(UserShortcut shortcut) = 0;
    virtual void RequestClose(Form form) = 0;
    virtual void DropFile(const std::string& path) = 0;
    // The save dialog opened next: each attempt types a name (nullptr keeps the one shown),
    // chooses the file types in turn and confirms.
    struct Attempt {
        const char* typed;
        std::vector<int> types;
    };
    virtual void AnswerSaveDialog(const std::string& folder, std::vector<Attempt> attempts) = 0;
    // The open dialog opened next, answered the same way.
    virtual void AnswerOpenDialog(const std::string& folder, std::vector<Attempt> attempts) = 0;
    virtual void LetEventsRun() = 0;
    // Does `action` while the next message box or pop-up menu is open, then closes it.
    virtual void DuringNextModal(std::function<void()> action) = 0;
    // How often the timer's handler has run since the session started.
    virtual int Ticks(Timer timer) = 0;

    virtual bool IsEnabled(Control control) = 0;
    virtual bool IsFormEnabled(Form form) = 0;
    virtual bool IsVisible(Form form) = 0;
    virtual std::string StatusLine() = 0;
    virtual std::string Caption(Form form) = 0;
    virtual std::string CountLabel() = 0;
    virtual ArgbImage Shown(Surface surface) = 0;
    virtual std::string PaintedStatusLabel() = 0;  // as the status window's last paint drew it
    virtual bool Ended() = 0;
};

class FakeUser : public User {
public:
    WindowSystem& windows() override { return ws_; }
    void Attach(Form1& form1, Form2& form2) override { ws_.Attach(form1, form2); }
    void Start() override {}
    void MovePointer(Control control) override { ws_.UserMovesPointer(control); }
    void Click(Control control) override { ws_.UserClicks(control); }
    void PressKey(Control control, UserKey key) override { ws_.UserPressesKey(control, key); }
    void PressShortcut(UserShortcut shortcut) override { ws_.UserPressesShortcut(shortcut); }
    void RequestClose(Form form) override { ws_.UserClosesForm(form); }
    void DropFile(const std::string& path) override { ws_.UserDropsFiles({path}); }
    void AnswerSaveDialog(const std::string& folder, std::vector<Attempt> attempts) override {
        for (const auto& attempt : attempts) {
            const int type = attempt.types.empty() ? 1 : attempt.types.back();
            ws_.saveAnswers.push_back(
                {folder + "/" + (attempt.typed != nullptr ? attempt.typed : "logo.sys"), type});
        }
    }
    void AnswerOpenDialog(const std::string& folder, std::vector<Attempt> attempts) override {
        for (const auto& attempt : attempts) {
            const int type = attempt.types.empty() ? 1 : attempt.types.back();
            ws_.openAnswers.push_back({folder + "/" + attempt.typed, type});
        }
    }
    void LetEventsRun() override { ws_.RunEventLoop(); }
    void DuringNextModal(std::function<void()> action) override {
        ws_.whileModal = std::move(action);
    }
    int Ticks(Timer) override { return 0; }  // the fake's timers run only when told to

    bool IsEnabled(Control control) override { return ws_.enabled[control]; }
    bool IsFormEnabled(Form form) override { return ws_.formEnabled[form]; }
    bool IsVisible(Form form) override { return ws_.visible[form]; }
    std::string StatusLine() override { return ws_.statusLine; }
    std::string Caption(Form form) override { return ws_.captions[form]; }
    std::string CountLabel() override { return ws_.labels[Label::Form1_Label1]; }
    ArgbImage Shown(Surface surface) override { return ws_.shown[surface]; }
    std::string PaintedStatusLabel() override { return ws_.painted[Form::Form3]; }
    bool Ended() override { return ws_.ended; }

private:
    test::FakeWindowSystem ws_;
};

class QtUser : public User {
public:
    QtUser() {
        // Notes what the status window's label holds whenever it is painted.
        status_label_ = ws_.statusWindow().label1;
        paintWatch_ = std::make_unique<PaintWatch>(*status_label_, painted_);
        QObject::connect(&refusalCloser_, &QTimer::timeout, &refusalCloser_, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
    }
    WindowSystem& windows() override { return ws_; }
    void Attach(Form1& form1, Form2& form2) override { ws_.Attach(form1, form2); }
    void Start() override {
        ws_.ShowMainWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&ws_.mainWindow()));
    }
    void MovePointer(Control control) override {
        // The pointer comes in and moves on inside, as a hand moves it.
        QWidget* widget = Widget(control);
        QTest::mouseMove(widget, widget->rect().center() - QPoint(2, 2));
        QTest::mouseMove(widget, widget->rect().center());
        LetEventsRun();
    }
    void Click(Control control) override {
        QWidget* widget = Widget(control);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
        LetEventsRun();
    }
    void PressKey(Control control, UserKey key) override {
        QTest::keyClick(Widget(control), QtKey(key));
        LetEventsRun();
    }
    void PressShortcut(UserShortcut shortcut) override {
        // Typed where the focus is, as a user types; the window's shortcut map takes it.
        QWidget& window = ws_.mainWindow();
        window.activateWindow();
        QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
        const auto modifiers = shortcut == UserShortcut::RedoShiftZ
                                   ? Qt::ControlModifier | Qt::ShiftModifier
                                   : Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::keyClick(target, shortcut == UserShortcut::RedoY ? Qt::Key_Y : Qt::Key_Z, modifiers);
        LetEventsRun();
    }
    void RequestClose(Form form) override {
        // The window system's request, as a window manager's close box makes it.
        Window(form)->windowHandle()->close();
        LetEventsRun();
    }
    void DropFile(const std::string& path) override {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&ws_.mainWindow(), &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&ws_.mainWindow(), &drop);
    }
    void AnswerSaveDialog(const std::string& folder, std::vector<Attempt> attempts) override;
    void AnswerOpenDialog(const std::string& folder, std::vector<Attempt> attempts) override {
        AnswerSaveDialog(folder, std::move(attempts));
    }
    void DuringNextModal(std::function<void()> action) override {
        // Timers of the test's own, which the window system does not hold.
        QTimer::singleShot(100, [action] { action(); });
        QTimer::singleShot(300, [] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
            } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
    }
    int Ticks(Timer timer) override {
        if (!ticks_.contains(timer)) {
            ticks_[timer] = 0;
            QObject::connect(&ws_.timer(timer), &QTimer::timeout, &ws_.timer(timer),
                             [this, timer] { ++ticks_[timer]; });
        }
        return ticks_[timer];
    }
    void LetEventsRun() override {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
        }
    }

    bool IsEnabled(Control control) override { return Widget(control)->isEnabled(); }
    bool IsFormEnabled(Form form) override { return Window(form)->isEnabled(); }
    bool IsVisible(Form form) override { return Window(form)->isVisible(); }
    std::string StatusLine() override { return ws_.mainWindow().picture4->text().toStdString(); }
    std::string Caption(Form form) override { return Window(form)->windowTitle().toStdString(); }
    std::string CountLabel() override { return ws_.mainWindow().label1->text().toStdString(); }
    ArgbImage Shown(Surface surface) override {
        const QImage& image = surface == Surface::Picture3   ? ws_.mainWindow().picture3->image()
                              : surface == Surface::Picture2 ? ws_.mainWindow().picture2->image()
                                                             : ws_.previewWindow().surface->image();
        ArgbImage shown = ArgbImage::Filled(image.width(), image.height(), 0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                shown.pixels[static_cast<std::size_t>(y * image.width() + x)] =
                    image.pixel(x, y) | 0xFF000000u;
            }
        }
        return shown;
    }
    std::string PaintedStatusLabel() override { return painted_; }
    bool Ended() override { return !ws_.mainWindow().isVisible(); }

private:
    class PaintWatch : public QObject {
    public:
        PaintWatch(QLabel& label, std::string& painted) : label_(label), painted_(painted) {
            label.installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted_ = label_.text().toStdString();
            }
            return false;
        }

    private:
        QLabel& label_;
        std::string& painted_;
    };

    QWidget* Window(Form form) { return ws_.FormWidget(form); }
    QWidget* Widget(Control control) { return ws_.ControlWidget(control); }
    static Qt::Key QtKey(UserKey key) {
        switch (key) {
            case UserKey::Left: return Qt::Key_Left;
            case UserKey::Right: return Qt::Key_Right;
            case UserKey::Up: return Qt::Key_Up;
            case UserKey::Down: return Qt::Key_Down;
            case UserKey::PageUp: return Qt::Key_PageUp;
            case UserKey::PageDown: return Qt::Key_PageDown;
            case UserKey::Home: return Qt::Key_Home;
            case UserKey::End: return Qt::Key_End;
        }
        return Qt::Key_unknown;
    }

    qt::QtWindowSystem ws_;
    QLabel* status_label_ = nullptr;
    std::string painted_;
    std::unique_ptr<PaintWatch> paintWatch_;
    void NextDialogStep();
    void DialogStep();
    std::vector<Attempt> attempts_;
    std::size_t next_ = 0;
    int patience_ = 0;  // polls left before a dialog stuck on a refusal is cancelled
    QTimer refusalCloser_;
    std::map<Timer, int> ticks_;
};

void QtUser::AnswerSaveDialog(const std::string& /*folder*/, std::vector<Attempt> attempts) {
    attempts_ = std::move(attempts);
    next_ = 0;
    patience_ = 100;
    // The dialog's own refusals are message boxes over it: confirm each one as it comes.
    refusalCloser_.start(20);
    NextDialogStep();
}

void QtUser::NextDialogStep() {
    // The polls belong to this user's timer, so none outlives the test that scheduled it.
    QTimer::singleShot(20, &refusalCloser_, [this] { DialogStep(); });
}

void QtUser::DialogStep() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || next_ >= attempts_.size()) {
        if (dialog != nullptr && --patience_ < 0) {
            dialog->reject();  // it refused the last attempt: fail rather than hang
        }
        if (next_ < attempts_.size() || dialog != nullptr) {
            NextDialogStep();
        } else {
            refusalCloser_.stop();
        }
        return;
    }
    const Attempt& attempt = attempts_[next_++];
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    if (attempt.typed != nullptr) {
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);  // typing replaces it all
        QTest::keyClicks(name, QString::fromUtf8(attempt.typed));
    }
    for (const int type : attempt.types) {
        while (types->currentIndex() + 1 < type)
            QTest::keyClick(types, Qt::Key_Down);
        while (types->currentIndex() + 1 > type)
            QTest::keyClick(types, Qt::Key_Up);
    }
    QTest::keyClick(name, Qt::Key_Return);
    NextDialogStep();
}

std::unique_ptr<User> MakeUser(std::string_view implementation) {
    if (implementation == "Fake") {
        return std::make_unique<FakeUser>();
    }
    return std::make_unique<QtUser>();
}

// A run of the program on one implementation: the user and the two windows.
class Session {
public:
    explicit Session(std::string_view implementation)
        : user_(MakeUser(implementation)),
          form1(user_->windows()),
          form2(user_->windows(), form1.session()) {
        user_->Attach(form1, form2);
    }
    User& user() { return *user_; }
    WindowSystem& ws() { return user_->windows(); }

    std::string WriteScreen(const std::string& name) {
        auto recipe = test::ClassicScreen();
        recipe.biClrImportant = 240;  // 16 animated entries
        const std::string path = dir / name;
        test::WriteBytes(path, test::EncodeBmp(recipe));
        return path;
    }
    void Start(const std::string& commandLine = "") {
        form1.Form_Load(commandLine);
        user_->Start();
    }

    test::TempDir dir;

private:
    std::unique_ptr<User> user_;

public:
    Form1 form1;
    Form2 form2;
};

const auto kImplementations = ::testing::Values("Fake", "Qt");

// "Fake_RowName" and "Qt_RowName" for the rows of a table run against both.
struct RowName {
    template <class Row>
    std::string operator()(
        const ::testing::TestParamInfo<std::tuple<const char*, Row>>& row) const {
        return std::string(std::get<0>(row.param)) + "_" + std::get<1>(row.param).name;
    }
};

struct ImplementationName {
    std::string operator()(const ::testing::TestParamInfo<const char*>& info) const {
        return info.param;
    }
};

class PortContract : public ::testing::TestWithParam<const char*> {
protected:
    Session session{GetParam()};
    User& user = session.user();
};

// ---- Initial states --------------------------------------------------------------------------

void ExpectInitialStates(User& user) {
    for (const auto& [control, enabled] : test::kInitialControls) {
        EXPECT_EQ(user.IsEnabled(control), enabled) << test::ToString(control);
    }
    for (const auto& [form, enabled, visible] : test::kInitialForms) {
        EXPECT_EQ(user.IsFormEnabled(form), enabled) << "Form" << static_cast<int>(form) + 1;
        EXPECT_EQ(user.IsVisible(form), visible) << "Form" << static_cast<int>(form) + 1;
    }
}

// The table the fake starts from is the one the real windows start from: as they first appear,
// before any handler, and still once a start-up without a file is done.
TEST_P(PortContract, WindowsStartAsTheTableOfInitialStatesSays) {
    user.Start();
    {
        SCOPED_TRACE("before any handler");
        ExpectInitialStates(user);
    }
    session.form1.Form_Load("");
    user.LetEventsRun();
    SCOPED_TRACE("after a start-up without a file");
    ExpectInitialStates(user);
}

// ---- Disabled controls raise no pointer events -----------------------------------------------

enum class Situation { NoFile, Exchange, MainDisabled };

struct PointerCase {
    const char* name;
    Situation situation;
    Control control;
    std::string_view hint;  // empty: the status line keeps what it showed
};

class PointerContract : public ::testing::TestWithParam<std::tuple<const char*, PointerCase>> {};

TEST_P(PointerContract, PointerReachesOnlyEnabledControls) {
    const auto& [implementation, row] = GetParam();
    Session session(implementation);
    User& user = session.user();
    if (row.situation == Situation::NoFile) {
        session.Start();
    } else {
        session.Start(session.WriteScreen("logo.sys"));
        if (row.situation == Situation::Exchange) {
            session.form1.ColorSwap_Click();
        } else {
            session.ws().SetFormEnabled(Form::Form1, false);
        }
    }
    const std::string before = user.StatusLine();
    user.MovePointer(row.control);
    EXPECT_EQ(user.StatusLine(), row.hint.empty() ? before : std::string(row.hint));
}

INSTANTIATE_TEST_SUITE_P(
    Both, PointerContract,
    ::testing::Combine(
        kImplementations,
        ::testing::Values(
            PointerCase{"OpenWithoutAFile", Situation::NoFile, Control::Command1, texts::kOpenHint},
            PointerCase{"PreviewWithoutAFile", Situation::NoFile, Control::Command2_0, {}},
            PointerCase{"SaveWithoutAFile", Situation::NoFile, Control::Command2_1, {}},
            PointerCase{"ResetWithoutAFile", Situation::NoFile, Control::Command4, {}},
            PointerCase{"PaletteWithoutAFile", Situation::NoFile, Control::Picture2, {}},
            PointerCase{"ExitDuringAnExchange", Situation::Exchange, Control::Command3,
                        texts::kExitHint},
            PointerCase{"OpenDuringAnExchange", Situation::Exchange, Control::Command1, {}},
            PointerCase{"SaveDuringAnExchange", Situation::Exchange, Control::Command2_1, {}},
            PointerCase{"ExitOfADisabledWindow", Situation::MainDisabled, Control::Command3, {}},
            PointerCase{"ViewOfADisabledWindow", Situation::MainDisabled, Control::Picture3, {}})),
    RowName{});

// ---- Keys and focus of the range scroll bar --------------------------------------------------

struct KeyCase {
    const char* name;
    UserKey key;
    int expected;  // from 16
};

class KeyContract : public ::testing::TestWithParam<std::tuple<const char*, KeyCase>> {};

TEST_P(KeyContract, ScrollBarKeysMoveTheWayTheyPoint) {
    const auto& [implementation, row] = GetParam();
    Session session(implementation);
    session.Start(session.WriteScreen("logo.sys"));
    ASSERT_EQ(session.ws().ScrollValue(), 16);
    session.user().PressKey(Control::HScroll1, row.key);
    EXPECT_EQ(session.ws().ScrollValue(), row.expected);
    EXPECT_EQ(session.user().CountLabel(), std::to_string(row.expected) + "色アニメーション")
        << "the change handling ran";
}

INSTANTIATE_TEST_SUITE_P(
    Both, KeyContract,
    ::testing::Combine(
        kImplementations,
        ::testing::Values(KeyCase{"Right", UserKey::Right, 17}, KeyCase{"Down", UserKey::Down, 17},
                          KeyCase{"Left", UserKey::Left, 15}, KeyCase{"Up", UserKey::Up, 15},
                          KeyCase{"PageDown", UserKey::PageDown, 17},
                          KeyCase{"PageUp", UserKey::PageUp, 15}, KeyCase{"Home", UserKey::Home, 0},
                          KeyCase{"End", UserKey::End, 255})),
    RowName{});

// An exchange of entries 3 and 250 made through the palette window's handlers.
void ExchangeThreeWithTwoHundredFifty(Form1& form) {
    form.Picture2_MouseDown(kLeftButton, 0, 3 * 15 + 7, 7);
    form.ColorSwap_Click();
    form.Picture2_MouseUp(kLeftButton, 0, 250 % 16 * 15 + 7, 250 / 16 * 15 + 7);
}

TEST_P(PortContract, UndoAndRedoKeysReachTheEnabledMainWindowOnly) {
    session.Start(session.WriteScreen("logo.sys"));
    const LogoDocument opened = session.form1.session().document;
    ExchangeThreeWithTwoHundredFifty(session.form1);
    const LogoDocument exchanged = session.form1.session().document;
    ASSERT_FALSE(test::SameDocument(opened, exchanged));

    user.PressShortcut(UserShortcut::Undo);
    EXPECT_TRUE(test::SameDocument(opened, session.form1.session().document)) << "Ctrl+Z";
    user.PressShortcut(UserShortcut::RedoShiftZ);
    EXPECT_TRUE(test::SameDocument(exchanged, session.form1.session().document)) << "Ctrl+Shift+Z";
    user.PressShortcut(UserShortcut::Undo);
    user.PressShortcut(UserShortcut::RedoY);
    EXPECT_TRUE(test::SameDocument(exchanged, session.form1.session().document)) << "Ctrl+Y";

    session.ws().SetFormEnabled(Form::Form1, false);
    user.PressShortcut(UserShortcut::Undo);
    EXPECT_TRUE(test::SameDocument(exchanged, session.form1.session().document))
        << "a disabled window takes no keys";
}

TEST_P(PortContract, DisabledScrollBarTakesNoKeys) {
    session.Start();
    user.PressKey(Control::HScroll1, UserKey::End);
    EXPECT_EQ(session.ws().ScrollValue(), 0);
}

TEST_P(PortContract, ClickingTheScrollBarGivesItTheFocusAndItsHint) {
    session.Start(session.WriteScreen("logo.sys"));
    user.MovePointer(Control::Command1);
    user.Click(Control::HScroll1);
    EXPECT_EQ(user.StatusLine(), texts::kScrollHint);
}

// ---- Closing ---------------------------------------------------------------------------------

TEST_P(PortContract, CloseRequestEndsTheProgramOnlyWhileTheMainWindowIsEnabled) {
    session.Start(session.WriteScreen("logo.sys"));
    session.ws().SetFormEnabled(Form::Form1, false);
    user.RequestClose(Form::Form1);
    EXPECT_FALSE(user.Ended()) << "a disabled window ignores its close box";
    session.ws().SetFormEnabled(Form::Form1, true);
    user.RequestClose(Form::Form1);
    EXPECT_TRUE(user.Ended());
}

// ---- Painting --------------------------------------------------------------------------------

TEST_P(PortContract, RepaintDrawsAWindowShownInTheSameHandlerAtOnce) {
    session.Start(session.WriteScreen("logo.sys"));
    // One handler, with no event loop in between: as the numbered export runs.
    session.ws().SetCaption(Form::Form3, texts::kExportingCaption);
    session.ws().ShowForm(Form::Form3);
    for (const char* counter : {"1/3", "2/3"}) {
        session.ws().SetLabel(Label::Form3_Label1, counter);
        session.ws().RepaintForm(Form::Form3);
        EXPECT_EQ(user.PaintedStatusLabel(), counter);
    }
}

TEST_P(PortContract, DroppedFileOpensAfterTheDropAndNeverInsideARepaint) {
    session.Start(session.WriteScreen("first.sys"));
    const std::string second = session.WriteScreen("second.sys");
    user.DropFile(second);
    session.ws().ShowForm(Form::Form3);
    session.ws().RepaintForm(Form::Form3);
    EXPECT_EQ(user.Caption(Form::Form1), "ロトパル-" + session.dir / "first.sys");
    user.LetEventsRun();
    EXPECT_EQ(user.Caption(Form::Form1), "ロトパル-" + second);
}

// ---- Modal loops -------------------------------------------------------------------------

struct ModalRow {
    const char* name;
    std::function<void(WindowSystem&)> open;  // opens the modal loop, in a handler
};

class ModalContract : public ::testing::TestWithParam<std::tuple<const char*, ModalRow>> {
protected:
    Session session{std::get<0>(GetParam())};
    User& user = session.user();
};

// A message box or a pop-up menu runs a loop of its own inside the handler that opened it; no
// other handler runs in it: the blink does not tick, and a file dropped meanwhile opens after.
TEST_P(ModalContract, RunsNoOtherHandlerInside) {
    session.Start(session.WriteScreen("first.sys"));
    const std::string second = session.WriteScreen("second.sys");
    session.ws().SetTimerInterval(Timer::Form1_Timer1, 10);
    const int ticks = user.Ticks(Timer::Form1_Timer1);
    user.DuringNextModal([&] { user.DropFile(second); });
    std::get<1>(GetParam()).open(session.ws());
    EXPECT_EQ(user.Ticks(Timer::Form1_Timer1), ticks) << "the blink ticked inside the loop";
    EXPECT_EQ(user.Caption(Form::Form1), "ロトパル-" + session.dir / "first.sys");
    user.LetEventsRun();
    EXPECT_EQ(user.Caption(Form::Form1), "ロトパル-" + second) << "the drop opens afterwards";
}

INSTANTIATE_TEST_SUITE_P(
    Both, ModalContract,
    ::testing::Combine(
        kImplementations,
        ::testing::Values(ModalRow{"MessageBox",
                                   [](WindowSystem& ws) {
                                       ws.MessageBox(texts::kMessageCaption, texts::kSavedMessage,
                                                     MessageIcon::None, MessageButtons::Ok);
                                   }},
                          ModalRow{"PopupMenu",
                                   [](WindowSystem& ws) { ws.ShowPopupMenu(PopupMenu::Menu); }})),
    RowName{});

// ---- Background work ---------------------------------------------------------------------

TEST_P(PortContract, BackgroundWorkRunsOffTheUiThreadAndItsHandlersOnItAfterTheCaller) {
    session.Start(session.WriteScreen("logo.sys"));
    const auto ui = std::this_thread::get_id();
    std::atomic<bool> workOffUi{false};
    std::vector<int> shown;
    bool handlersOnUi = true;
    int done = 0;
    int lastShownWhenDone = -1;
    session.ws().RunInBackground({
        .work =
            [&](const std::function<void(int)>& report) {
                workOffUi = std::this_thread::get_id() != ui;
                for (const int percent : {10, 50, 90}) {
                    report(percent);
                }
            },
        .progress =
            [&](int percent) {
                handlersOnUi = handlersOnUi && std::this_thread::get_id() == ui;
                shown.push_back(percent);
            },
        .done =
            [&](WorkEnd end) {
                handlersOnUi = handlersOnUi && std::this_thread::get_id() == ui;
                lastShownWhenDone = shown.empty() ? -1 : shown.back();
                done += end == WorkEnd::Finished ? 1 : 100;
            },
    });
    EXPECT_EQ(done, 0) << "nothing runs inside the handler that hands the work out";
    for (int wait = 0; wait < 1000 && done == 0; ++wait) {
        user.LetEventsRun();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    user.LetEventsRun();
    EXPECT_TRUE(workOffUi);
    EXPECT_TRUE(handlersOnUi);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(lastShownWhenDone, 90) << "the latest report is shown before the end";
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
}

TEST_P(PortContract, DisabledWindowTakesNoDrop) {
    session.Start(session.WriteScreen("first.sys"));
    session.ws().SetFormEnabled(Form::Form1, false);
    user.DropFile(session.WriteScreen("second.sys"));
    user.LetEventsRun();
    EXPECT_EQ(user.Caption(Form::Form1), "ロトパル-" + session.dir / "first.sys");
}

TEST_P(PortContract, DisablingTheWindowLeavesTheViewOnTheImageItShowed) {
    session.Start(session.WriteScreen("logo.sys"));
    session.ws().SetTimerEnabled(Timer::Form1_Timer1, false);
    user.LetEventsRun();
    session.form1.Timer1_Timer();  // the inverted half of a blink
    const ArgbImage& inverted = session.form1.state().invertedDC.image();
    ASSERT_TRUE(test::SameImage(inverted, user.Shown(Surface::Picture3)));
    session.ws().SetFormEnabled(Form::Form1, false);
    user.LetEventsRun();
    EXPECT_TRUE(test::SameImage(inverted, user.Shown(Surface::Picture3)));
    session.ws().SetFormEnabled(Form::Form1, true);
    user.LetEventsRun();
    EXPECT_TRUE(test::SameImage(inverted, user.Shown(Surface::Picture3)));
}

// ---- The save dialog -------------------------------------------------------------------------

struct SaveDialogCase {
    const char* name;
    std::vector<User::Attempt> attempts;
    const char* expectedName;
    int expectedType;
};

class SaveDialogContract
    : public ::testing::TestWithParam<std::tuple<const char*, SaveDialogCase>> {};

TEST_P(SaveDialogContract, ReturnsExactlyTheNameTypedInAFolderThatExists) {
    const auto& [implementation, row] = GetParam();
    Session session(implementation);
    session.Start(session.WriteScreen("screen.sys"));  // no name the cases save under
    session.user().AnswerSaveDialog(session.dir.path(), row.attempts);
    const FileDialogAnswer answer = session.ws().SaveFileDialog(
        texts::kSaveDialogTitle, SaveDialogFilters(), session.dir.path(), "logo.sys");
    EXPECT_EQ(answer.path, session.dir / row.expectedName);
    EXPECT_EQ(answer.filterIndex, row.expectedType);
}

INSTANTIATE_TEST_SUITE_P(
    Both, SaveDialogContract,
    ::testing::Combine(
        kImplementations,
        ::testing::Values(
            SaveDialogCase{
                "TypedExtensionSurvivesTheBitmapType", {{"title.txt", {2}}}, "title.txt", 2},
            SaveDialogCase{"ShownNameSurvivesTheBitmapType", {{nullptr, {2}}}, "logo.sys", 2},
            SaveDialogCase{"ShownNameSurvivesTwoTypeChanges", {{nullptr, {2, 3}}}, "logo.sys", 3},
            SaveDialogCase{"NameWithoutExtensionStaysBare", {{"mylogo", {3}}}, "mylogo", 3},
            SaveDialogCase{"MissingFolderIsRefused",
                           {{"missing/title.sys", {}}, {"title.sys", {}}},
                           "title.sys",
                           1})),
    RowName{});

// The open dialog tells which file type the file was chosen under: the picture type imports.
TEST_P(PortContract, OpenDialogReportsTheChosenFileType) {
    session.Start();
    test::WriteBytes(session.dir / "photo.png", test::Bytes{0x89, 'P', 'N', 'G'});
    user.AnswerOpenDialog(session.dir.path(), {{"photo.png", {kPictureFilterNumber}}});
    const FileDialogAnswer answer =
        session.ws().OpenFileDialog("ファイルを開く", OpenDialogFilters(), session.dir.path());
    EXPECT_EQ(answer.path, session.dir / "photo.png");
    EXPECT_EQ(answer.filterIndex, kPictureFilterNumber);
}

INSTANTIATE_TEST_SUITE_P(Both, PortContract, kImplementations, ImplementationName{});

}  // namespace
}  // namespace rotopal
