// Work off the UI thread, the busy cursor, and handlers guarded against exceptions: a failure
// that escapes a handler is told to the user instead of ending the program.

#include <QApplication>
#include <QCursor>
#include <QThread>
#include <atomic>
#include <exception>
#include <memory>
#include <new>

#include "ui/qt/qt_window_system.h"
#include "ui/texts.h"

namespace rotopal::qt {

void QtWindowSystem::RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
        return;
    } catch (const std::bad_alloc&) {
        ReportFailure(std::string(texts::kOutOfMemoryMessage));
    } catch (const std::exception& error) {
        ReportFailure(std::string(texts::kUnexpectedErrorMessage) + "\r\n" + error.what());
    }
}

void QtWindowSystem::ReportFailure(std::string text) {
    // Told once the failed handler has unwound, as a handler of its own.
    Defer([this, text = std::move(text)] {
        MessageBox(texts::kMessageCaption, text, MessageIcon::Exclamation, MessageButtons::Ok);
    });
}

void QtWindowSystem::RunInBackground(BackgroundWork job) {
    struct Shared {
        BackgroundWork job;
        std::atomic<int> latest{0};
        std::atomic<bool> reportWaiting{false};  // a report is on its way to the UI thread
    };
    const auto shared = std::make_shared<Shared>();
    shared->job = std::move(job);
    // Whichever comes first, the report's delivery or `done`, shows the latest report.
    const auto deliverReport = [shared] {
        if (shared->reportWaiting.exchange(false)) {
            shared->job.progress(shared->latest.load());
        }
    };
    QThread* thread = QThread::create([this, shared, deliverReport] {
        const auto report = [this, shared, deliverReport](int percent) {
            shared->latest.store(percent);
            if (!shared->reportWaiting.exchange(true)) {
                QMetaObject::invokeMethod(
                    main_.get(), [this, deliverReport] { Defer(deliverReport); },
                    Qt::QueuedConnection);
            }
        };
        // Nothing may escape the thread; `done` learns of a failure from what the work left.
        try {
            shared->job.work(report);
        } catch (...) {
        }
    });
    QObject::connect(thread, &QThread::finished, main_.get(),
                     [this, thread, shared, deliverReport] {
                         thread->deleteLater();
                         Defer([shared, deliverReport] {
                             deliverReport();
                             shared->job.done(WorkEnd::Finished);
                         });
                     });
    thread->start();
    // Qt only warns when the system refuses a thread; it then neither runs nor finishes, and
    // nothing else would ever end the work.
    if (!thread->isRunning() && !thread->isFinished()) {
        thread->deleteLater();
        Defer([shared] { shared->job.done(WorkEnd::NotStarted); });
    }
}

void QtWindowSystem::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace rotopal::qt
