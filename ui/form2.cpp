#include "ui/form2.h"

#include "animation/rotation.h"
#include "palette/view_render.h"
#include "ui/label_texts.h"
#include "ui/layout.h"
#include "ui/texts.h"

namespace rotopal {

void Form2::Form_Activate() {
    ws_.SetTimerEnabled(Timer::Form1_Timer1, false);
    ws_.SetFormEnabled(Form::Form1, false);
    ws_.SetCaption(Form::Form3, texts::kPreviewingCaption);
    ws_.ShowForm(Form::Form3);
    // Directly above the preview window; its left edge stays where it was placed.
    ws_.SetFormTop(Form::Form3, ws_.FormTop(Form::Form2) - ws_.FormHeight(Form::Form3));
    previewInfo_ = CopyBitmapInfo(session_.document);
    frameCounter_ = 0;
    open_ = true;
    ++generation_;
    ws_.SetTimerInterval(Timer::Form2_Timer1, layout::kPreviewMilliseconds);
}

void Form2::Timer1_Timer() {
    if (!open_ || inTick_) {
        return;
    }
    // The step is made on a copy and taken over only after the yield, and only if the window
    // was neither closed nor reset meanwhile: a reset copy never receives a step begun on the
    // old one, and a closed preview draws nothing.
    Palette next = previewInfo_.colors;
    const LogoDocument& document = session_.document;
    RotatePalette(next, document.lastIndex, session_.previewSpan);
    const std::uint32_t generation = generation_;
    inTick_ = true;
    ws_.DoEvents();
    inTick_ = false;
    if (!open_ || generation != generation_) {
        return;
    }
    previewInfo_.colors = next;

    const int frames = session_.previewSpan + 1;
    ws_.SetLabel(Label::Form3_Label1, FrameCounterText(frameCounter_ + 1, frames));
    RenderDoubleWidth(document.pixels, previewInfo_.colors, previewImage_);
    ws_.ShowImage(Surface::Form2, previewImage_);
    frameCounter_ = static_cast<std::uint8_t>((frameCounter_ + 1) % frames);
}

void Form2::Form_Unload() {
    open_ = false;
    ++generation_;
    // The next showing starts as designed: a timer without an interval.
    ws_.SetTimerInterval(Timer::Form2_Timer1, 0);
    ws_.SetFormEnabled(Form::Form1, true);
    ws_.SetTimerEnabled(Timer::Form1_Timer1, true);
    ws_.UnloadForm(Form::Form3);
}

}  // namespace rotopal
