// The main window's controls as the form logic sets them: enabled states, captions, labels, the
// range scroll bar, the picture surfaces, the status line and the pop-up menus.

#include <QCursor>
#include <QSignalBlocker>

#include "ui/qt/qt_text.h"
#include "ui/qt/qt_window_system.h"

namespace rotopal::qt {
namespace {

QImage ToQImage(const ArgbImage& image) {
    const QImage view(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                      image.height, image.width * 4, QImage::Format_RGB32);
    return view.copy();
}

}  // namespace

void QtWindowSystem::SetEnabled(Control control, bool enabled) {
    ControlWidget(control)->setEnabled(enabled);
}

void QtWindowSystem::SetFormEnabled(Form form, bool enabled) {
    FormWidget(form)->setEnabled(enabled);
}

void QtWindowSystem::SetCaption(Form form, std::string_view caption) {
    FormWidget(form)->setWindowTitle(Q(caption));
}

void QtWindowSystem::SetLabel(Label label, std::string_view text) {
    QLabel* target = label == Label::Form1_Label1   ? main_->label1
                     : label == Label::Form1_Label2 ? main_->label2
                     : label == Label::Form1_Label4 ? main_->label4
                     : label == Label::Form4_Label1 ? import_->status
                                                    : status_->label1;
    target->setText(QLines(text));
}

int QtWindowSystem::ScrollValue() {
    // While the thumb is dragged the position leads the value.
    return main_->hscroll1->sliderPosition();
}

void QtWindowSystem::SetScrollValue(int value) {
    const QSignalBlocker quiet(main_->hscroll1);
    main_->hscroll1->setValue(value);
}

void QtWindowSystem::ShowImage(Surface surface, const ArgbImage& image) {
    if (surface == Surface::Form4) {
        // The screen as a 4:3 display shows it: every pixel 2 wide and 1.2 tall.
        import_->preview->Present(ToQImage(image).scaled(
            import_->preview->width(), import_->preview->height(), Qt::IgnoreAspectRatio,
            Qt::FastTransformation));
        return;
    }
    PictureBox* target = surface == Surface::Picture2   ? main_->picture2
                         : surface == Surface::Picture3 ? main_->picture3
                                                        : preview_->surface;
    target->Present(ToQImage(image));
}

void QtWindowSystem::ShowImportOptions(const ImportOptions& options) {
    import_->Show(options);
}

void QtWindowSystem::ClearStatusLine() {
    main_->picture4->SetText({});
}

void QtWindowSystem::PrintStatusLine(std::string_view text) {
    main_->picture4->SetText(main_->picture4->text() + Q(text));
}

std::optional<int> QtWindowSystem::ShowPopupMenu(PopupMenu menu) {
    QMenu* shown = menu == PopupMenu::Menu ? main_->menu : main_->menuSave;
    const ModalLoop modal(*this);
    QAction* chosen = shown->exec(QCursor::pos());
    if (chosen == nullptr) {
        return std::nullopt;
    }
    return static_cast<int>(shown->actions().indexOf(chosen));
}

}  // namespace rotopal::qt
