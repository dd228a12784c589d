#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/logo_document.h"
#include "import/import_options.h"
#include "palette/animation_range.h"
#include "palette/edit_history.h"

namespace rotopal {

// Everything one editing session is about, owned by the main window: the open document and
// what the user does around it. The preview, saving and export read it; only the main window's
// handlers change it.
struct EditSession {
    LogoDocument document;                      // the file's content as edited so far
    std::string path;                           // where it was read from; reset reads it again
    std::optional<ImportOptions> importedWith;  // set when made from a picture: reset remakes it
    RangeValue range = 0;                       // N: the top N entries animate
    std::optional<std::uint8_t> selected;       // the palette window's selection
    std::optional<std::uint8_t> hover;          // the entry under the palette window's pointer
    bool exchangeWaiting = false;               // the next release in the palette window exchanges
    std::uint8_t previewSpan = 0;               // animated entries minus 1, handed to the preview
    EditHistory history;                        // the document's edits since it was opened
};

}  // namespace rotopal
