// Time and painting: the forms' timers, work deferred until the current event is handled,
// repainting a window at once, and one pass of the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QThread>
#include <QWindow>
#include <utility>

#include "ui/qt/qt_window_system.h"

namespace rotopal::qt {

void QtWindowSystem::Refresh(TimerState& state) {
    if (state.enabled && state.interval > 0) {
        state.timer->start(state.interval);
    } else {
        state.timer->stop();
    }
}

void QtWindowSystem::SetTimerInterval(Timer timer, int milliseconds) {
    auto& state = timers_.at(timer);
    if (state.interval == milliseconds && state.timer->isActive()) {
        return;  // the same period again changes nothing, not even the phase
    }
    state.interval = milliseconds;
    Refresh(state);
}

void QtWindowSystem::SetTimerEnabled(Timer timer, bool enabled) {
    auto& state = timers_.at(timer);
    state.enabled = enabled;
    Refresh(state);
}

void QtWindowSystem::Defer(std::function<void()> work) {
    QTimer::singleShot(0, main_.get(), [this, work = std::move(work)]() mutable {
        if (modalLoops_ > 0) {
            held_.push_back(std::move(work));  // after the modal loop
            return;
        }
        if (paintingOnly_) {
            Defer(std::move(work));  // not inside a repaint: after it
            return;
        }
        RunGuarded(work);
    });
}

QtWindowSystem::ModalLoop::ModalLoop(QtWindowSystem& ws) : ws_(ws) {
    ++ws_.modalLoops_;
    for (auto& [which, state] : ws_.timers_) {
        quiet_.push_back(std::make_unique<QSignalBlocker>(state.timer.get()));
    }
}

QtWindowSystem::ModalLoop::~ModalLoop() {
    quiet_.clear();
    if (--ws_.modalLoops_ == 0) {
        for (auto& work : std::exchange(ws_.held_, {})) {
            ws_.Defer(std::move(work));
        }
    }
}

void QtWindowSystem::PaintPendingWindows(QWidget& window) {
    // A window shown inside a handler is mapped and exposed only when the event loop has
    // passed on the window system's answer; until then Qt paints nothing. Let the loop run
    // for the window system alone: input waits in Qt's queue, ticks are skipped and deferred
    // work runs later, so no other handler runs inside this one.
    paintingOnly_ = true;
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (auto& [which, state] : timers_) {
        quiet.push_back(std::make_unique<QSignalBlocker>(state.timer.get()));
    }
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
            break;
        }
        QThread::msleep(1);
    } while (waited.elapsed() < kExposeWaitMilliseconds);
    paintingOnly_ = false;
}

void QtWindowSystem::RepaintForm(Form form) {
    QWidget* window = FormWidget(form);
    if (!window->isVisible()) {
        return;
    }
    // Until the window is on the screen, let the window system put it there; that also brings
    // other windows up to date, such as the main window under a dialog just closed. Once it is,
    // a repaint is all it takes, as in the export's loop.
    if (window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) {
        PaintPendingWindows(*window);
    }
    window->repaint();
}

void QtWindowSystem::DoEvents() {
    QCoreApplication::processEvents();
}

}  // namespace rotopal::qt
