#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/logo_document.h"
#include "import/picture_import.h"
#include "palette/argb_image.h"
#include "ui/window_system.h"

namespace rotopal {

// The logic of the dialog that makes a start-up screen from a picture (Form4). It starts one
// decoder for the picture, which decodes it once, off the UI thread, then shows the screen the
// options make, remade by that decoder a moment after each change; the preview's band turns as
// the start-up screen's will. Closing the dialog, or Cancel, kills the decoder at once.
// The main window takes no input while it is open. OK hands the screen to the main window;
// Cancel, or closing the dialog, changes nothing.
class ImportDialog {
public:
    // Given the picture's path, the options chosen and the screen they made.
    using Accepted = std::function<void(const std::string& path, const ImportOptions& options,
                                        const ImportedScreen& screen)>;

    ImportDialog(WindowSystem& ws, Accepted accepted) : ws_(ws), accepted_(std::move(accepted)) {}

    // Opens the dialog on the picture with these options to start from.
    void Open(const std::string& path, const ImportOptions& options);
    bool isOpen() const { return open_; }
    const ImportOptions& options() const { return options_; }
    // The screen the preview shows, once one is made.
    const std::optional<ImportedScreen>& preview() const { return preview_; }

    // The options' controls, each reporting its new value.
    void FitOption_Click(Fit fit);
    void Range_Change(int range);
    void BandRows_Change(int rows);
    void Dither_Change(int percent);
    void BandColour_Click(int index);  // opens the colour dialog for that stop
    void AddBandColour_Click();
    void RemoveBandColour_Click();  // the last stop; two always stay
    void Background_Click();        // opens the colour dialog for the background
    void OK_Click();                // Return
    void Cancel_Click();            // Escape and the close box
    void Timer1_Timer();            // one step of the preview's band
    void Timer2_Timer();            // the options have settled: remake the preview

private:
    void OptionsChanged();
    void Decoded(std::uint32_t session, Result<DecodedBody, ImportError> decoded);
    void Failed(const ImportError& error);
    void Remake();
    void Made(std::uint32_t session, std::uint32_t version,
              Result<ImportedScreen, ImportError> made);
    void ShowPreview();
    void Accept();
    void Close();

    WindowSystem& ws_;
    Accepted accepted_;
    bool open_ = false;
    std::string path_;
    ImportOptions options_;
    DecodedPictureHandle decoder_;  // the decoder of this dialog's picture
    bool decoded_ = false;
    std::optional<ImportedScreen> preview_;
    Palette turning_{};  // the preview's palette, turned one step per tick
    ArgbImage image_ = ArgbImage::Filled(kLogoWidth, kLogoHeight, kArgbBlack);
    // Counts openings and closings, so that the work of an earlier dialog is dropped.
    std::uint32_t session_ = 0;
    // Counts changes of the options, so that a preview of older options is dropped.
    std::uint32_t version_ = 0;
    std::uint32_t previewVersion_ = 0;
    bool making_ = false;          // a preview is being made
    bool acceptWhenMade_ = false;  // OK came before the preview of the latest options
};

}  // namespace rotopal
