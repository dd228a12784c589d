#pragma once

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "core/result.h"
#include "import/import_error.h"
#include "ui/window_system.h"

namespace rotopal {

// A step of an import (decoding a picture, making a screen) run off the UI thread through the
// window system, its result handed to `done` on the UI thread.
template <class T>
void RunImportWork(WindowSystem& ws,
                   std::function<Result<T, ImportError>(const std::function<void(int)>&)> work,
                   std::function<void(int)> progress,
                   std::function<void(Result<T, ImportError>)> done) {
    // Written by the work, read by `done`, which the window system runs after the work ends.
    auto outcome = std::make_shared<std::optional<Result<T, ImportError>>>();
    ws.RunInBackground({
        .work = [work = std::move(work), outcome](
                    const std::function<void(int)>& report) { outcome->emplace(work(report)); },
        .progress = std::move(progress),
        .done =
            [done = std::move(done), outcome](WorkEnd end) {
                // Work that never started left nothing, and so did work an exception ended:
                // what runs out there is memory.
                if (end == WorkEnd::NotStarted) {
                    outcome->emplace(Failure{ImportError{.kind = ImportErrorKind::NotStarted,
                                                         .systemError = EAGAIN}});
                } else if (!outcome->has_value()) {
                    outcome->emplace(Failure{ImportError{.kind = ImportErrorKind::OutOfMemory}});
                }
                done(std::move(**outcome));
            },
    });
}

}  // namespace rotopal
