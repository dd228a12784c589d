#include "ui/import_dialog.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "animation/rotation.h"
#include "core/message_layout.h"
#include "core/vga_dac.h"
#include "palette/view_render.h"
#include "ui/import_messages.h"
#include "ui/import_work.h"
#include "ui/layout.h"
#include "ui/texts.h"

namespace rotopal {
namespace {

// How long the options must stay unchanged before the preview is remade: a spin box held down
// or a slider dragged then costs one remake, not one per step.
constexpr int kSettleMilliseconds = 200;

// Colours as the colour dialog speaks them, 0x00BBGGRR.
std::int32_t ColourValue(Rgb colour) {
    return static_cast<std::int32_t>(std::uint32_t{colour.red} | std::uint32_t{colour.green} << 8 |
                                     std::uint32_t{colour.blue} << 16);
}

Rgb FromColourValue(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return Rgb{static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
               static_cast<std::uint8_t>(bits >> 16)};
}

// The colour dialog starts from the colour; its custom slots are all white, as everywhere.
std::optional<Rgb> ChooseColour(WindowSystem& ws, Rgb colour) {
    std::array<std::int32_t, 16> custom{};
    custom.fill(0x00FFFFFF);
    const auto chosen = ws.ColorDialog(ColourValue(colour), custom);
    return chosen ? std::optional<Rgb>(FromColourValue(*chosen)) : std::nullopt;
}

}  // namespace

void ImportDialog::Open(const std::string& path, const ImportOptions& options) {
    open_ = true;
    path_ = path;
    options_ = options;
    // The stops are shown, and may be changed one by one, from the first opening on.
    if (options_.bandStops.empty()) {
        options_.bandStops = DefaultBandStops();
    }
    if (decoder_) {
        decoder_->Kill();  // an earlier picture's
    }
    decoder_.reset();
    decoded_ = false;
    preview_.reset();
    making_ = false;
    acceptWhenMade_ = false;
    const std::uint32_t session = ++session_;

    ws_.SetCaption(Form::Form4, texts::kImportDialogCaption);
    ws_.ShowImportOptions(options_);
    ws_.SetLabel(Label::Form4_Label1, FillIn(texts::kImportReading, {{"percent", "0"}}));
    image_ = ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbBlack);
    ws_.ShowImage(Surface::Form4, image_);
    ws_.SetTimerInterval(Timer::Form4_Timer1, layout::kPreviewMilliseconds);
    ws_.SetTimerEnabled(Timer::Form4_Timer1, false);
    ws_.SetTimerInterval(Timer::Form4_Timer2, kSettleMilliseconds);
    ws_.SetTimerEnabled(Timer::Form4_Timer2, false);
    ws_.SetFormEnabled(Form::Form1, false);
    ws_.ShowForm(Form::Form4);

    // The picture is decoded once per dialog; every preview is made from what its decoder keeps.
    auto started = PictureDecoder::Start(path);
    if (!started) {
        Failed(started.error());
        return;
    }
    decoder_ = std::move(started.value());
    RunImportWork<DecodedBody>(
        ws_,
        [decoder = decoder_](const std::function<void(int)>& report) {
            return decoder->Decode(report);
        },
        [this, session](int percent) {
            if (session == session_ && !decoded_) {
                ws_.SetLabel(Label::Form4_Label1,
                             FillIn(texts::kImportReading, {{"percent", std::to_string(percent)}}));
            }
        },
        [this, session](Result<DecodedBody, ImportError> decoded) {
            Decoded(session, std::move(decoded));
        });
}

void ImportDialog::Failed(const ImportError& error) {
    const std::string path = path_;
    Close();
    ws_.MessageBox(texts::kMessageCaption, ImportFailureText(path, error), MessageIcon::Exclamation,
                   MessageButtons::Ok);
}

void ImportDialog::Decoded(std::uint32_t session, Result<DecodedBody, ImportError> decoded) {
    if (session != session_) {
        return;  // a dialog closed meanwhile, or another picture came
    }
    if (!decoded) {
        Failed(decoded.error());
        return;
    }
    decoded_ = true;
    Remake();
}

void ImportDialog::Remake() {
    if (making_) {
        return;  // Made starts the next one when the options have changed meanwhile
    }
    making_ = true;
    ws_.SetLabel(Label::Form4_Label1, texts::kImportPreviewWorking);
    const std::uint32_t session = session_;
    const std::uint32_t version = version_;
    RunImportWork<ImportedScreen>(
        ws_,
        [decoder = decoder_, options = options_](const std::function<void(int)>&) {
            return decoder->Make(options);
        },
        [](int) {},
        [this, session, version](Result<ImportedScreen, ImportError> made) {
            Made(session, version, std::move(made));
        });
}

void ImportDialog::Made(std::uint32_t session, std::uint32_t version,
                        Result<ImportedScreen, ImportError> made) {
    if (session != session_) {
        return;
    }
    making_ = false;
    if (version != version_) {
        Remake();  // the options changed while it was made: drop it and make the latest
        return;
    }
    if (!made && decoder_->ended()) {
        Failed(made.error());  // nothing more can be made from this picture
        return;
    }
    if (!made) {
        acceptWhenMade_ = false;
        ws_.SetLabel(Label::Form4_Label1, "");
        ws_.MessageBox(texts::kMessageCaption, ImportFailureText(path_, made.error()),
                       MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    preview_ = std::move(made.value());
    previewVersion_ = version;
    turning_ = preview_->document.palette;
    ws_.SetLabel(Label::Form4_Label1, "");
    ShowPreview();
    ws_.SetTimerEnabled(Timer::Form4_Timer1, true);
    if (acceptWhenMade_) {
        Accept();
    }
}

void ImportDialog::ShowPreview() {
    // The colours at the levels the machine's 6-bit DAC shows them.
    Palette shown = turning_;
    for (RGBQUAD& entry : shown) {
        entry = {AtSixBitLevel(entry.rgbBlue), AtSixBitLevel(entry.rgbGreen),
                 AtSixBitLevel(entry.rgbRed), entry.rgbReserved};
    }
    RenderView(preview_->document.pixels, shown, image_);
    ws_.ShowImage(Surface::Form4, image_);
}

void ImportDialog::Timer1_Timer() {
    if (!open_ || !preview_) {
        return;
    }
    // The band's entries turn as the start-up screen turns them: the top `range` entries.
    RotatePalette(turning_, 255, static_cast<std::uint8_t>(options_.range - 1));
    ShowPreview();
}

void ImportDialog::OptionsChanged() {
    ++version_;
    ws_.SetLabel(Label::Form4_Label1, texts::kImportPreviewWorking);
    // Each change restarts the wait.
    ws_.SetTimerEnabled(Timer::Form4_Timer2, false);
    ws_.SetTimerEnabled(Timer::Form4_Timer2, true);
}

void ImportDialog::Timer2_Timer() {
    ws_.SetTimerEnabled(Timer::Form4_Timer2, false);
    if (open_ && decoded_) {
        Remake();
    }
}

void ImportDialog::FitOption_Click(Fit fit) {
    if (fit != options_.fit) {
        options_.fit = fit;
        OptionsChanged();
    }
}

void ImportDialog::Range_Change(int range) {
    options_.range = std::clamp(range, 1, 255);
    OptionsChanged();
}

void ImportDialog::BandRows_Change(int rows) {
    options_.bandRows = std::clamp(rows, 0, kMaxBandRows);
    OptionsChanged();
}

void ImportDialog::Dither_Change(int percent) {
    options_.dither = static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
    OptionsChanged();
}

void ImportDialog::BandColour_Click(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= options_.bandStops.size()) {
        return;
    }
    Rgb& stop = options_.bandStops[static_cast<std::size_t>(index)];
    if (const auto chosen = ChooseColour(ws_, stop); chosen && *chosen != stop) {
        stop = *chosen;
        ws_.ShowImportOptions(options_);
        OptionsChanged();
    }
}

void ImportDialog::AddBandColour_Click() {
    // The band runs from the last stop back to the first: the new stop goes between them, in
    // the colour halfway, so that the band keeps its course.
    const Rgb& last = options_.bandStops.back();
    const Rgb& first = options_.bandStops.front();
    const auto half = [](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>((a + b + 1) / 2);
    };
    options_.bandStops.push_back(
        {half(last.red, first.red), half(last.green, first.green), half(last.blue, first.blue)});
    ws_.ShowImportOptions(options_);
    OptionsChanged();
}

void ImportDialog::RemoveBandColour_Click() {
    if (options_.bandStops.size() > 2) {
        options_.bandStops.pop_back();
        ws_.ShowImportOptions(options_);
        OptionsChanged();
    }
}

void ImportDialog::Background_Click() {
    if (const auto chosen = ChooseColour(ws_, options_.background);
        chosen && *chosen != options_.background) {
        options_.background = *chosen;
        ws_.ShowImportOptions(options_);
        OptionsChanged();
    }
}

void ImportDialog::OK_Click() {
    if (!open_) {
        return;
    }
    if (preview_ && previewVersion_ == version_) {
        Accept();
        return;
    }
    // The screen of the latest options is not made yet: accept it once it is, at once.
    acceptWhenMade_ = true;
    ws_.SetLabel(Label::Form4_Label1, texts::kImportPreviewWorking);
    Timer2_Timer();
}

void ImportDialog::Cancel_Click() {
    if (open_) {
        Close();
    }
}

void ImportDialog::Accept() {
    const ImportedScreen screen = *preview_;
    const ImportOptions options = options_;
    const std::string path = path_;
    Close();
    accepted_(path, options, screen);
}

void ImportDialog::Close() {
    open_ = false;
    ++session_;  // what is still being made for this dialog is dropped when it ends
    ws_.SetTimerEnabled(Timer::Form4_Timer1, false);
    ws_.SetTimerEnabled(Timer::Form4_Timer2, false);
    ws_.UnloadForm(Form::Form4);
    ws_.SetFormEnabled(Form::Form1, true);
    if (decoder_) {
        decoder_->Kill();  // whatever it is doing for this dialog stops now
    }
    decoder_.reset();
    decoded_ = false;
    preview_.reset();
    making_ = false;
    acceptWhenMade_ = false;
}

}  // namespace rotopal
