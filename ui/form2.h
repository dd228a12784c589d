#pragma once

#include <cstdint>

#include "core/logo_document.h"
#include "palette/argb_image.h"
#include "ui/edit_session.h"
#include "ui/window_system.h"

namespace rotopal {

// The preview window's logic: while it is open the animated range of a private palette copy
// turns one step per tick, drawn at double width, with the frame counter in the status window.
// The main window is disabled and does not blink meanwhile. It turns the span the main window
// handed over in the session, and changes nothing of the session.
class Form2 {
public:
    Form2(WindowSystem& ws, const EditSession& session) : ws_(ws), session_(session) {}

    // The preview window became the program's active window: start again from frame 1 with the
    // document's palette as it is now.
    void Form_Activate();
    // One step of the animation.
    void Timer1_Timer();
    // The preview window is closing: give the main window back.
    void Form_Unload();

    const BitmapInfo& previewInfo() const { return previewInfo_; }
    std::uint8_t frameCounter() const { return frameCounter_; }

private:
    WindowSystem& ws_;
    const EditSession& session_;
    BitmapInfo previewInfo_{};
    std::uint8_t frameCounter_ = 0;  // frames drawn since the activation, modulo n
    ArgbImage previewImage_ = ArgbImage::Filled(2 * kLogoWidth, kLogoHeight, kArgbBlack);

    bool open_ = false;
    // Set while a tick lets other events run, so that no second tick starts inside it.
    bool inTick_ = false;
    // Counts activations and closings, so a tick can tell that its window was reset or closed
    // while it was letting other events run.
    std::uint32_t generation_ = 0;
};

}  // namespace rotopal
