// The event wiring: which widget event runs which handler of the form logic.

#include <QGuiApplication>
#include <QKeySequence>
#include <QShortcut>
#include <functional>

#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/qt/qt_window_system.h"

namespace rotopal::qt {
namespace {

// Buttons as the handlers count them: 1 left, 2 right, 4 middle; others are not reported.
int ButtonCodes(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? kLeftButton : 0) |
           (buttons & Qt::RightButton ? kRightButton : 0) |
           (buttons & Qt::MiddleButton ? kMiddleButton : 0);
}

// The shift state: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftCode() {
    const auto held = QGuiApplication::keyboardModifiers();
    return (held & Qt::ShiftModifier ? 1 : 0) | (held & Qt::ControlModifier ? 2 : 0) |
           (held & Qt::AltModifier ? 4 : 0);
}

}  // namespace

void QtWindowSystem::Attach(Form1& form, Form2& preview) {
    preview_->onActivate = Guarded([&preview] { preview.Form_Activate(); });
    preview_->onClose = Guarded([this, &preview] {
        preview.Form_Unload();
        UnloadForm(Form::Form2);
    });
    QObject::connect(timers_[Timer::Form2_Timer1].timer.get(), &QTimer::timeout,
                     Guarded([&preview] { preview.Timer1_Timer(); }));

    MainWindow& w = *main_;
    w.onClose = Guarded([&form] { form.Form_Unload(); });
    // The drop ends first, so the dragging program is not held while a file opens and perhaps
    // asks a question.
    w.onDropFiles = [this, &form](const std::vector<std::string>& paths) {
        Defer([&form, paths] { form.Form_DragDrop(paths); });
    };
    w.picture3->onExpose = Guarded([&form] { form.Picture3_Paint(); });
    w.picture3->onMove = Guarded([&form](Qt::MouseButtons, QPointF) { form.Picture3_MouseMove(); });
    w.picture2->onMove = Guarded([&form](Qt::MouseButtons buttons, QPointF at) {
        form.Picture2_MouseMove(ButtonCodes(buttons), ShiftCode(), static_cast<float>(at.x()),
                                static_cast<float>(at.y()));
    });
    w.picture2->onPress = Guarded([&form](Qt::MouseButton button, QPointF at) {
        if (const int code = ButtonCodes(button)) {
            form.Picture2_MouseDown(code, ShiftCode(), static_cast<float>(at.x()),
                                    static_cast<float>(at.y()));
        }
    });
    // Qt keeps delivering the pointer to the pressed box, so a release outside arrives here too.
    w.picture2->onRelease = Guarded([&form](Qt::MouseButton button, QPointF at) {
        if (const int code = ButtonCodes(button)) {
            form.Picture2_MouseUp(code, ShiftCode(), static_cast<float>(at.x()),
                                  static_cast<float>(at.y()));
        }
    });

    QObject::connect(w.command1, &QPushButton::clicked,
                     Guarded([&form] { form.Command1_Click(); }));
    QObject::connect(w.command2[0], &QPushButton::clicked,
                     Guarded([&form] { form.Command2_Click(0); }));
    QObject::connect(w.command2[1], &QPushButton::clicked,
                     Guarded([&form] { form.Command2_Click(1); }));
    QObject::connect(w.command3, &QPushButton::clicked,
                     Guarded([&form] { form.Command3_Click(); }));
    QObject::connect(w.command4, &QPushButton::clicked,
                     Guarded([&form] { form.Command4_Click(); }));
    w.command1->onMove = Guarded([&form] { form.Command1_MouseMove(); });
    w.command2[0]->onMove = Guarded([&form] { form.Command2_MouseMove(0); });
    w.command2[1]->onMove = Guarded([&form] { form.Command2_MouseMove(1); });
    w.command3->onMove = Guarded([&form] { form.Command3_MouseMove(); });
    w.command4->onMove = Guarded([&form] { form.Command4_MouseMove(); });

    QObject::connect(w.hscroll1, &QScrollBar::valueChanged,
                     Guarded([&form] { form.HScroll1_Change(); }));
    QObject::connect(w.hscroll1, &QScrollBar::sliderMoved,
                     Guarded([&form] { form.HScroll1_Scroll(); }));
    w.hscroll1->onFocus = Guarded([&form] { form.HScroll1_GotFocus(); });

    QObject::connect(timers_[Timer::Form1_Timer1].timer.get(), &QTimer::timeout,
                     Guarded([&form] { form.Timer1_Timer(); }));

    // Window-wide keys, so they work whichever control has the focus; Qt ignores them while the
    // window is disabled or another window is active.
    const auto addShortcut = [this, &w](QKeySequence keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, &w);  // owned by the window
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &w, Guarded(std::move(handler)));
    };
    AttachImportDialog(form.importDialog());

    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [&form] { form.Edit_Undo(); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [&form] { form.Edit_Redo(); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [&form] { form.Edit_Redo(); });
}

void QtWindowSystem::AttachImportDialog(ImportDialog& dialog) {
    ImportWindow& w = *import_;
    w.onFit = Guarded([&dialog](Fit fit) { dialog.FitOption_Click(fit); });
    w.onRange = Guarded([&dialog](int value) { dialog.Range_Change(value); });
    w.onBandRows = Guarded([&dialog](int value) { dialog.BandRows_Change(value); });
    w.onDither = Guarded([&dialog](int value) { dialog.Dither_Change(value); });
    w.onBandColour = Guarded([&dialog](int index) { dialog.BandColour_Click(index); });
    w.onAddColour = Guarded([&dialog] { dialog.AddBandColour_Click(); });
    w.onRemoveColour = Guarded([&dialog] { dialog.RemoveBandColour_Click(); });
    w.onBackground = Guarded([&dialog] { dialog.Background_Click(); });
    w.onOk = Guarded([&dialog] { dialog.OK_Click(); });
    w.onCancel = Guarded([&dialog] { dialog.Cancel_Click(); });
    QObject::connect(timers_[Timer::Form4_Timer1].timer.get(), &QTimer::timeout,
                     Guarded([&dialog] { dialog.Timer1_Timer(); }));
    QObject::connect(timers_[Timer::Form4_Timer2].timer.get(), &QTimer::timeout,
                     Guarded([&dialog] { dialog.Timer2_Timer(); }));
}

}  // namespace rotopal::qt
