// The Qt adapter on the off-screen platform: the real widget tree, its geometry, captions, keys
// and enabled states, and events that reach the form logic through it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFocusEvent>
#include <QFontInfo>
#include <QHeaderView>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cstdlib>
#include <functional>

#include "palette/view_render.h"
#include "tests/test_support.h"
#include "ui/file_filters.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/layout.h"
#include "ui/qt/file_dialogs.h"
#include "ui/qt/import_window.h"
#include "ui/qt/qt_window_system.h"
#include "ui/qt/system_folders.h"
#include "ui/texts.h"

// Failures show texts, not their UTF-16 units.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace rotopal::qt {
namespace {

using test::PrintTo;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const layout::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

// Polls from the event loop, also inside a modal dialog's or a menu's own loop, until the step
// reports that it has done its work, or five seconds have passed.
void WhenReady(std::function<bool()> step, int triesLeft = 250) {
    QTimer::singleShot(20, [step = std::move(step), triesLeft] {
        if (!step() && triesLeft > 0)
            WhenReady(step, triesLeft - 1);
    });
}

// Runs the event loop until the condition holds or five seconds have passed.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        QTest::qWait(10);
    }
    return condition();
}

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest() { windows.Attach(form, form2); }

    std::string WriteScreen(const std::string& name, std::uint32_t clrImportant = 240) {
        auto recipe = test::ClassicScreen();
        recipe.biClrImportant = clrImportant;
        const std::string path = dir / name;
        test::WriteBytes(path, test::EncodeBmp(recipe));
        return path;
    }

    void StartWith(const std::string& commandLine) {
        form.Form_Load(commandLine);
        windows.ShowMainWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    }

    MainWindow& main() { return windows.mainWindow(); }
    QWidget* Child(const char* name) { return main().findChild<QWidget*>(name); }

    // The view's shown pixels against one of the form's images, at a few places.
    static bool Shows(const PictureBox& box, const ArgbImage& image) {
        const QImage& shown = box.image();
        if (shown.width() != image.width || shown.height() != image.height)
            return false;
        for (const auto& [x, y] : {std::pair{0, 0}, {319, 0}, {160, 200}, {0, 399}, {319, 399}}) {
            if ((shown.pixel(x, y) | 0xFF000000u) != image.At(x, y))
                return false;
        }
        return shown == QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                               image.height, image.width * 4, QImage::Format_RGB32);
    }

    test::TempDir dir;
    QtWindowSystem windows;
    Form1 form{windows};
    Form2 form2{windows, form.session()};
    const LogoDocument& document = form.session().document;
};

// ---- The window as designed ---------------------------------------------------------------------

struct GeometryCase {
    const char* name;
    layout::Rect rect;  // in the client area of the container's drawing area
    bool insidePanel;
};

class QtGeometryTest : public QtWindowTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(QtGeometryTest, EveryControlSitsAtItsPlace) {
    QWidget* widget = Child(GetParam().name);
    ASSERT_NE(widget, nullptr) << GetParam().name;
    QRect expected = ToQRect(GetParam().rect);
    if (GetParam().insidePanel) {
        EXPECT_EQ(widget->parentWidget()->objectName(), "Picture1");
        expected.translate(layout::kPictureBorder, layout::kPictureBorder);
    } else {
        EXPECT_EQ(widget->parentWidget(), &main());
    }
    EXPECT_EQ(widget->geometry(), expected);
}

INSTANTIATE_TEST_SUITE_P(Controls, QtGeometryTest,
                         ::testing::Values(GeometryCase{"Picture3", layout::kPicture3, false},
                                           GeometryCase{"Picture2", layout::kPicture2, false},
                                           GeometryCase{"HScroll1", layout::kHScroll1, false},
                                           GeometryCase{"Picture1", layout::kPicture1, false},
                                           GeometryCase{"Label2", layout::kLabel2, true},
                                           GeometryCase{"Label4", layout::kLabel4, true},
                                           GeometryCase{"Label1", layout::kLabel1, true},
                                           GeometryCase{"Command1", layout::kCommand1, false},
                                           GeometryCase{"Command2_0", layout::kCommand2_0, false},
                                           GeometryCase{"Command2_1", layout::kCommand2_1, false},
                                           GeometryCase{"Command4", layout::kCommand4, false},
                                           GeometryCase{"Command3", layout::kCommand3, false},
                                           GeometryCase{"Picture4", layout::kPicture4, false}),
                         test::CaseName{});

TEST_F(QtWindowTest, OnlyTheMainWindowCarriesTheProgramIcon) {
    EXPECT_FALSE(main().windowIcon().isNull());
    EXPECT_TRUE(windows.previewWindow().windowIcon().isNull());
    EXPECT_TRUE(windows.statusWindow().windowIcon().isNull());
}

TEST_F(QtWindowTest, MainWindowIsFixedWithoutMaximiseAndTitledWithTheProductName) {
    StartWith("");
    EXPECT_EQ(main().size(), QSize(588, 437));
    EXPECT_EQ(main().minimumSize(), main().maximumSize());
    const auto flags = main().windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(main().windowTitle(), "ロトパル");
    // Picture boxes draw inside a 2-pixel border.
    EXPECT_EQ(main().picture2->contentsRect().size(), QSize(240, 240));
    EXPECT_EQ(main().picture3->contentsRect().size(), QSize(320, 400));
    // Before any file the view is white.
    EXPECT_EQ(main().picture3->image().pixel(100, 100), 0xFFFFFFFFu);
}

struct ButtonCase {
    const char* name;
    std::string_view caption;
    const char* key;
};

class QtButtonTest : public QtWindowTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(QtButtonTest, CarriesItsCaptionAndAccessKey) {
    auto* button = qobject_cast<QPushButton*>(Child(GetParam().name));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), Q(GetParam().caption));
    EXPECT_EQ(button->shortcut(), QKeySequence(GetParam().key));
}

INSTANTIATE_TEST_SUITE_P(Buttons, QtButtonTest,
                         ::testing::Values(ButtonCase{"Command1", "開く(&O)", "Alt+O"},
                                           ButtonCase{"Command2_0", "プレビュー(&P)", "Alt+P"},
                                           ButtonCase{"Command2_1", "保存(&S)", "Alt+S"},
                                           ButtonCase{"Command4", "リセット(&R)", "Alt+R"},
                                           ButtonCase{"Command3", "終了(&E)", "Alt+E"}),
                         test::CaseName{});

TEST_F(QtWindowTest, OnlyOpenAndExitWorkUntilAFileIsOpen) {
    StartWith("");
    for (const char* name : {"Command1", "Command3", "Picture1", "Picture3", "Picture4"}) {
        EXPECT_TRUE(Child(name)->isEnabled()) << name;
    }
    for (const char* name : {"Command2_0", "Command2_1", "Command4", "HScroll1", "Picture2"}) {
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(windows.timer(Timer::Form1_Timer1).isActive());
}

TEST_F(QtWindowTest, FileOnTheCommandLineIsOpenBeforeTheWindowShows) {
    const std::string path = WriteScreen("logo.sys");
    StartWith(path);
    EXPECT_EQ(main().windowTitle(), Q("ロトパル-" + path));
    for (const char* name : {"Command2_0", "Command2_1", "Command4", "HScroll1", "Picture2"}) {
        EXPECT_TRUE(Child(name)->isEnabled()) << name;
    }
    EXPECT_EQ(main().hscroll1->value(), 16);
    EXPECT_EQ(main().label1->text(), "16色アニメーション");
    EXPECT_EQ(main().label2->text(), "logo.sys\n幅:320\n高さ:400\nビット:8\n色数:256");
    EXPECT_TRUE(windows.timer(Timer::Form1_Timer1).isActive());
    EXPECT_EQ(windows.timer(Timer::Form1_Timer1).interval(), 500);
}

TEST_F(QtWindowTest, TabOrderFollowsTheDesign) {
    StartWith(WriteScreen("logo.sys"));
    const QStringList expected = {"Command1",   "Picture2", "Picture3", "HScroll1", "Command2_0",
                                  "Command2_1", "Command3", "Picture1", "Picture4", "Command4"};
    QStringList order;
    QWidget* w = main().command1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && expected.contains(w->objectName())) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != main().command1 && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST_F(QtWindowTest, LabelsUseTheJapaneseGothicFontsAndTheEntryLabelIsGreen) {
    const QFontInfo fixed(main().label2->font());
    const QFontInfo proportional(main().label4->font());
    EXPECT_EQ(fixed.family(), "IPAGothic");
    EXPECT_EQ(proportional.family(), "IPAPGothic");
    EXPECT_EQ(fixed.pixelSize(), 11);
    EXPECT_EQ(main().label4->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(main().label2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(main().label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(main().label4->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST_F(QtWindowTest, PopupMenusHoldTheirItemsAndThereIsNoMenuBar) {
    QStringList items;
    for (auto* action : main().menu->actions())
        items << action->text();
    EXPECT_EQ(items, QStringList({"色選択(&C)", "入れ替え(&S)"}));
    items.clear();
    for (auto* action : main().menuSave->actions())
        items << action->text();
    EXPECT_EQ(items, QStringList({"起動画面（アニメ付加可）", "終了画面（Win９５のみ）",
                                  "電源を切る準備が出来ました画面", "任意の場所、形式"}));
    EXPECT_EQ(main().findChild<QMenuBar*>(), nullptr);
    EXPECT_FALSE(main().menu->isVisible());
}

TEST_F(QtWindowTest, PreviewAndStatusWindowsAreBuiltAsDesigned) {
    PreviewWindow& preview = windows.previewWindow();
    EXPECT_EQ(preview.size(), QSize(640, 400));
    EXPECT_EQ(preview.minimumSize(), preview.maximumSize());
    EXPECT_EQ(preview.windowTitle(), "【プレビュー】-ロトパル");
    EXPECT_TRUE(preview.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(preview.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(preview.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(preview.windowFlags() & Qt::WindowType_Mask, Qt::Tool) << "no taskbar entry";
    EXPECT_FALSE(preview.isVisible());

    StatusWindow& status = windows.statusWindow();
    EXPECT_EQ(status.size(), QSize(242, 14));
    EXPECT_FALSE(status.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(status.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(status.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(status.label1->text(), "Label1");
    EXPECT_EQ(status.label1->geometry(), QRect(0, 0, 241, 12));
}

// ---- Events through the adapter
// -------------------------------------------------------------------

TEST_F(QtWindowTest, FirstExposeOfTheViewShowsTheOpenedFile) {
    form.Form_Load(WriteScreen("logo.sys"));
    windows.SetTimerEnabled(Timer::Form1_Timer1, false);  // no tick may show it instead
    windows.ShowMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    EXPECT_TRUE(WaitFor([&] { return Shows(*main().picture3, form.state().plainDC); }));
}

TEST_F(QtWindowTest, BlinkTimerShowsTheInvertedImageFirstAndARepaintThePlainOne) {
    StartWith(WriteScreen("logo.sys"));
    PictureBox& view = *main().picture3;
    ASSERT_TRUE(WaitFor([&] { return Shows(view, form.state().invertedDC.image()); }))
        << "the first tick shows the inverted image";
    view.repaint();
    EXPECT_TRUE(Shows(view, form.state().plainDC)) << "a repaint always shows the plain image";
    EXPECT_TRUE(WaitFor([&] { return Shows(view, form.state().invertedDC.image()); }));
}

TEST_F(QtWindowTest, OpenButtonOpensTheFileTheDialogGives) {
    StartWith("");
    const std::string path = WriteScreen("LOGOW.SYS");
    QStringList filters;
    QString title;
    windows.runFileDialog = [&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(SelectedFilterNumber(dialog), 1);
        return path;
    };
    QTest::mouseClick(main().command1, Qt::LeftButton);
    EXPECT_EQ(title, "ファイルを開く");
    EXPECT_EQ(filters,
              QStringList({"読み込めるファイル(logo*.sys;*.bmp;*.dib)", "画面ファイル(logo*.sys)",
                           "ビットマップファイル(*.bmp;*.dib)", "全てのファイル(*.*)",
                           "画像ファイル"}));
    EXPECT_EQ(main().windowTitle(), Q("ロトパル-" + path));
    EXPECT_TRUE(main().label2->text().startsWith("LOGOW.SYS\n"));
}

TEST_F(QtWindowTest, RangeFollowsTheThumbWhileItIsDragged) {
    StartWith(WriteScreen("logo.sys"));
    QScrollBar& bar = *main().hscroll1;
    bar.setValue(20);  // an arrow or track click
    EXPECT_EQ(main().label1->text(), "20色アニメーション");
    bar.setSliderDown(true);
    bar.setSliderPosition(30);  // dragging: the value waits for the release
    EXPECT_EQ(main().label1->text(), "30色アニメーション");
    ArgbImage expected = ArgbImage::Filled(320, 400, 0);
    RenderView(document.pixels, HighlightPalette(document.palette, std::nullopt, 30), expected);
    EXPECT_EQ(form.state().invertedDC.image(), expected);
    bar.setSliderDown(false);
    EXPECT_EQ(bar.value(), 30);
    EXPECT_EQ(main().label1->text(), "30色アニメーション");
}

TEST_F(QtWindowTest, PointerAndFocusShowTheirHintsInTheStatusLine) {
    StartWith(WriteScreen("logo.sys"));
    QTest::mouseMove(main().command1, QPoint(10, 10));
    EXPECT_TRUE(WaitFor([&] { return main().picture4->text() == Q(texts::kOpenHint); }));
    QTest::mouseMove(main().picture3, QPoint(100, 100));
    EXPECT_TRUE(WaitFor([&] { return main().picture4->text() == Q(texts::kViewHint); }));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(main().hscroll1, &focus);
    EXPECT_EQ(main().picture4->text(), Q(texts::kScrollHint));
}

TEST_F(QtWindowTest, MessageBoxesShowTheirLinesCaptionIconAndButtons) {
    StartWith("");
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Yes)->click();
    });
    const auto answer = windows.MessageBox("Rotopal", "一行目\r\n二行目", MessageIcon::Question,
                                           MessageButtons::YesNo);
    EXPECT_EQ(answer, MessageAnswer::Yes);
    EXPECT_EQ(text, "一行目\n二行目");
    EXPECT_EQ(caption, "Rotopal");
    EXPECT_EQ(icon, QMessageBox::Question);
}

TEST_F(QtWindowTest, ExitButtonClosesTheWindowWithoutAQuestion) {
    StartWith(WriteScreen("logo.sys"));
    QTest::mouseClick(main().command3, Qt::LeftButton);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- Palette window

// A point of a cell in the palette box's own coordinates (its drawing area starts after the
// border).
QPoint CellPoint(int index) {
    return {layout::kPictureBorder + index % 16 * 15 + 7,
            layout::kPictureBorder + index / 16 * 15 + 7};
}

// Chooses a menu item with the given button once the pop-up menu is open.
void ChooseFromPopup(QMenu* expected, int item, Qt::MouseButton button, bool* chosen) {
    WhenReady([=] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return false;
        EXPECT_EQ(menu, expected);
        QAction* action = menu->actions().at(item);
        QTest::mouseMove(menu, menu->actionGeometry(action).center());
        QTest::mouseClick(menu, button, {}, menu->actionGeometry(action).center());
        *chosen = true;
        return true;
    });
}

TEST_F(QtWindowTest, ColourChosenThroughTheMenuAndTheRealColourDialog) {
    StartWith(WriteScreen("logo.sys"));
    PictureBox* grid = main().picture2;
    QTest::mouseMove(grid, CellPoint(5));
    QTest::mousePress(grid, Qt::RightButton, {}, CellPoint(5));
    EXPECT_EQ(form.session().selected, 5);

    bool chosen = false, accepted = false;
    QColor initial;
    std::vector<QColor> customs;
    // The right button chooses as well as the left.
    ChooseFromPopup(main().menu, 0, Qt::RightButton, &chosen);
    WhenReady([&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return false;
        initial = dialog->currentColor();
        for (int i = 0; i < 16; ++i)
            customs.push_back(QColorDialog::customColor(i));
        dialog->setCurrentColor(QColor(255, 128, 0));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        accepted = true;
        return true;
    });
    const RGBQUAD before = document.palette[5];
    QTest::mouseRelease(grid, Qt::RightButton, {}, CellPoint(5));

    ASSERT_TRUE(chosen);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(initial, QColor(before.rgbRed, before.rgbGreen, before.rgbBlue));
    EXPECT_EQ(customs, std::vector<QColor>(16, QColor(255, 255, 255)));
    EXPECT_EQ(document.palette[5], (RGBQUAD{0, 128, 255, before.rgbReserved}));
    EXPECT_EQ(main().label4->text(), "選択パレット\n5番\nRed=255\nGreen=128\nBlue=0");
    // The grid shows the new colour inside cell 5.
    EXPECT_EQ(grid->image().pixel(5 * 15 + 7, 7), qRgb(255, 128, 0));
}

TEST_F(QtWindowTest, ExchangeChosenFromTheMenuDisablesTheControlsUntilTheTargetIsClicked) {
    StartWith(WriteScreen("logo.sys", 250));
    PictureBox* grid = main().picture2;
    QTest::mouseMove(grid, CellPoint(3));
    QTest::mousePress(grid, Qt::RightButton, {}, CellPoint(3));
    bool chosen = false;
    ChooseFromPopup(main().menu, 1, Qt::LeftButton, &chosen);
    QTest::mouseRelease(grid, Qt::RightButton, {}, CellPoint(3));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(main().picture4->text(), Q(texts::kSwapPrompt));
    const char* const swapControls[] = {"HScroll1",   "Command1", "Command2_0",
                                        "Command2_1", "Command4", "Picture1"};
    for (const char* name : swapControls)
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    EXPECT_TRUE(grid->isEnabled());

    const RGBQUAD colour = document.palette[3];
    QTest::mouseMove(grid, CellPoint(250));
    EXPECT_EQ(main().picture4->text(), Q(texts::kSwapPointerHint));
    QTest::mouseClick(grid, Qt::LeftButton, {}, CellPoint(250));
    EXPECT_EQ(document.palette[250], colour);
    for (const char* name : swapControls)
        EXPECT_TRUE(Child(name)->isEnabled()) << name;
}

// ---- Preview

TEST_F(QtWindowTest, PreviewRunsAboveTheDisabledMainWindowAndClosingGivesItBack) {
    StartWith(WriteScreen("logo.sys"));
    QTest::mouseClick(main().command2[0], Qt::LeftButton);
    PreviewWindow& shown = windows.previewWindow();
    StatusWindow& status = windows.statusWindow();
    ASSERT_TRUE(WaitFor([&] {
        return status.isVisible() && status.label1->text().endsWith("/16");
    })) << "the preview must be activated and ticking";
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(shown.size(), QSize(640, 400));
    EXPECT_EQ(shown.surface->image().size(), QSize(640, 400));
    EXPECT_EQ(status.windowTitle(), "プレビュー中...");
    EXPECT_EQ(status.frameGeometry().bottom() + 1, shown.frameGeometry().top()) << "directly above";
    EXPECT_FALSE(main().isEnabled());
    EXPECT_FALSE(windows.timer(Timer::Form1_Timer1).isActive());
    EXPECT_EQ(windows.timer(Timer::Form2_Timer1).interval(), 150);
    const QString first = status.label1->text();
    EXPECT_TRUE(WaitFor([&] { return status.label1->text() != first; })) << "the counter moves on";

    shown.close();
    EXPECT_FALSE(shown.isVisible());
    EXPECT_FALSE(status.isVisible());
    EXPECT_EQ(status.label1->text(), "Label1") << "the next showing starts as designed";
    EXPECT_TRUE(main().isEnabled());
    EXPECT_TRUE(windows.timer(Timer::Form1_Timer1).isActive());
    EXPECT_FALSE(windows.timer(Timer::Form2_Timer1).isActive());
}

// ---- Dropped files

TEST_F(QtWindowTest, DropOfOneLocalFileOpensItAndOtherDropsAreIgnored) {
    StartWith("");
    const std::string path = WriteScreen("dropped.sys");
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&main(), &enter);
        QDropEvent dropped(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&main(), &dropped);
        return enter.isAccepted();
    };
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString(path));
    EXPECT_FALSE(drop({QUrl("https://example.org/logo.sys")}));
    EXPECT_FALSE(drop({file, file}));
    QCoreApplication::processEvents();
    EXPECT_EQ(main().windowTitle(), "ロトパル");
    EXPECT_TRUE(drop({file}));
    EXPECT_TRUE(WaitFor([&] { return main().windowTitle() == Q("ロトパル-" + path); }));
}

// ---- The system's folders

TEST(QtSystemFolders, WindowsFolderComesFromWindirThenTheWinePrefixThenTheCurrentFolder) {
    test::TempDir prefix, home;
    ASSERT_EQ(::mkdir((prefix / "drive_c").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((prefix / "drive_c/windows").c_str(), 0755), 0);
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path()));  // no ~/.wine there
    qputenv("WINDIR", "C:\\WINDOWS");
    qputenv("WINEPREFIX", QByteArray::fromStdString(prefix.path()));
    EXPECT_EQ(CurrentWindowsFolder().path, "C:\\WINDOWS");
    qputenv("WINDIR", "");  // empty says nothing
    EXPECT_EQ(CurrentWindowsFolder().path, prefix / "drive_c/windows");
    qunsetenv("WINEPREFIX");
    const WindowsFolder fallback = CurrentWindowsFolder();
    EXPECT_EQ(fallback.path, QDir::currentPath().toStdString());
    EXPECT_TRUE(fallback.isCurrentFolderFallback);
    qunsetenv("WINDIR");
    qputenv("HOME", savedHome);
}

// ---- File dialog
// ----------------------------------------------------------------------------------

TEST(QtFileDialog, OpensLargeEnoughToReadNamesTypesDatesAndPlaces) {
    test::TempDir dir;
    test::WriteBytes(dir / "a-rather-long-name-for-a-start-up-screen.bmp", test::Bytes{1});
    auto dialog = MakeFileDialog(nullptr, "ファイルを開く", OpenDialogFilters(), dir.path());
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    auto* details = dialog->findChild<QTreeView*>("treeView");
    auto* places = dialog->findChild<QListView*>("sidebar");
    ASSERT_NE(details, nullptr);
    ASSERT_NE(places, nullptr);
    ASSERT_TRUE(WaitFor([&] { return details->model()->rowCount(details->rootIndex()) == 1; }));
    const QModelIndex row = details->model()->index(0, 0, details->rootIndex());
    // Every cell of the file's row, and every place, shows its whole text: the item views elide
    // what does not fit between their margins.
    const int margins = 2 * (details->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int column = 0; column < details->header()->count(); ++column) {
        const QString text = row.siblingAtColumn(column).data().toString();
        EXPECT_LE(details->fontMetrics().horizontalAdvance(text) + margins,
                  details->header()->sectionSize(column))
            << "column " << column << ": " << text.toStdString();
    }
    for (int i = 0; i < places->model()->rowCount(); ++i) {
        const QModelIndex place = places->model()->index(i, 0);
        EXPECT_LE(places->fontMetrics().horizontalAdvance(place.data().toString()) + 32,
                  places->viewport()->width())
            << place.data().toString().toStdString();
    }
}

TEST(QtFileDialog, EachTypeShowsTheFilesItsPatternsMatchWhateverTheirCase) {
    test::TempDir dir;
    for (const char* name : {"LOGO.SYS", "logow.sys", "Photo.BMP", "scan.dib", "notes.txt"}) {
        test::WriteBytes(dir / name, test::Bytes{1});
    }
    auto dialog = MakeFileDialog(nullptr, "ファイルを開く", OpenDialogFilters(), dir.path());
    auto* files = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    const QModelIndex root = files->index(QString::fromStdString(dir.path()));
    ASSERT_TRUE(WaitFor([&] { return files->rowCount(root) == 5; }));

    const auto visible = [&] {
        QStringList names;
        for (int row = 0; row < files->rowCount(root); ++row) {
            const QModelIndex index = files->index(row, 0, root);
            if (dialog->proxyModel()->mapFromSource(index).isValid())
                names << files->fileName(index);
        }
        names.sort();
        return names;
    };
    const std::vector<QStringList> expected = {
        {"LOGO.SYS", "Photo.BMP", "logow.sys", "scan.dib"},
        {"LOGO.SYS"},  // the screen type matches logo.sys alone
        {"Photo.BMP", "scan.dib"},
        {"LOGO.SYS", "Photo.BMP", "logow.sys", "notes.txt", "scan.dib"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        dialog->selectNameFilter(dialog->nameFilters()[static_cast<qsizetype>(i)]);
        emit dialog->filterSelected(dialog->selectedNameFilter());
        EXPECT_EQ(visible(), expected[i]) << "file type " << i + 1;
        EXPECT_EQ(SelectedFilterNumber(*dialog), static_cast<int>(i) + 1);
    }
}

// ---- Import dialog
// ----------------------------------------------------------------------------------

// A swatch is the colour it stands for, pressed or not (a styled button face came out paler),
// and seventeen stops leave the dialog as wide as five.
TEST(QtImportWindow, SwatchesPaintTheirColourAndStopsNeverWidenTheDialog) {
    ImportWindow window;
    ImportOptions options;
    options.bandStops = DefaultBandStops();
    window.Show(options);
    const int width = window.sizeHint().width();
    options.bandStops.resize(17, Rgb{232, 65, 60});
    window.Show(options);
    EXPECT_EQ(window.sizeHint().width(), width);

    ColourSwatch* swatch = window.bandColours.front();
    swatch->resize(swatch->sizeHint());
    for (const bool down : {false, true}) {
        swatch->setDown(down);
        const QImage face = swatch->grab().toImage();
        const QRect inside = swatch->ColourRect();
        for (const QPoint at : {inside.topLeft(), inside.center(), inside.bottomRight()}) {
            EXPECT_EQ(face.pixelColor(at), QColor(232, 65, 60)) << "down " << down;
        }
    }
}

}  // namespace
}  // namespace rotopal::qt
