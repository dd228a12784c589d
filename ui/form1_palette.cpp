#include "ui/form1.h"

#include "palette/colour_edit.h"
#include "palette/colour_swap.h"
#include "palette/palette_grid.h"
#include "ui/dialogs.h"
#include "ui/label_texts.h"
#include "ui/texts.h"

// The main window's palette window: selection, pointer outline, the edit menu, colour edits and
// exchanges.

namespace rotopal {

// ---- Palette window --------------------------------------------------------------------------

void Form1::DrawBlock() {
    const GridMarks marks{session_.range, session_.selected, session_.hover,
                          session_.exchangeWaiting};
    RenderPaletteGrid(session_.document.palette, session_.document.lastIndex, marks,
                      state_.paletteImage);
    ws_.ShowImage(Surface::Picture2, state_.paletteImage);
}

void Form1::Picture2_MouseDown(int /*button*/, int /*shift*/, float x, float y) {
    if (session_.exchangeWaiting) {
        return;
    }
    const auto cell = CellAt(WholePixel(x), WholePixel(y));
    if (!cell) {
        return;
    }
    // Any button selects; cells beyond lastIndex, drawn black, can be selected too.
    session_.selected = *cell;
    DrawBlock();
    ColorPaint();
}

void Form1::Picture2_MouseMove(int /*button*/, int /*shift*/, float x, float y) {
    Message(session_.exchangeWaiting ? texts::kSwapPointerHint : texts::kPaletteHint);
    const int px = WholePixel(x);
    const int py = WholePixel(y);
    // The grid's first pixel row and column do not move the pointer outline.
    if (px > 0 && px < kGridPixels && py > 0 && py < kGridPixels) {
        session_.hover = CellAt(px, py);
        DrawBlock();
    }
}

void Form1::Picture2_MouseUp(int button, int /*shift*/, float x, float y) {
    // After a press inside, the release arrives here wherever it happens; off the grid it counts
    // for nothing.
    const auto cell = CellAt(WholePixel(x), WholePixel(y));
    if (!cell) {
        return;
    }
    if (session_.exchangeWaiting) {
        EndColourSwap(button, *cell);
        return;
    }
    if (button == kRightButton) {
        // The chosen item's handler runs before the release goes on.
        switch (ws_.ShowPopupMenu(PopupMenu::Menu).value_or(-1)) {
            case 0: ColorChoice_Click(); break;
            case 1: ColorSwap_Click(); break;
            default: break;
        }
    }
    if (session_.hover) {
        DescribeEntry(*session_.hover);
    }
}

void Form1::DescribeEntry(std::uint8_t index) {
    state_.describedEntry = index;
    ws_.SetLabel(Label::Form1_Label4, EntryLabelText(index, session_.document.palette[index]));
}

void Form1::ColorChoice_Click() {
    if (!session_.selected) {
        return;
    }
    const std::uint8_t index = *session_.selected;
    const RGBQUAD before = session_.document.palette[index];
    if (const auto chosen = ShowColorDialog(ws_, ColourRefOf(before))) {
        const RGBQUAD after = SplitColor(*chosen, before);
        if (after != before) {
            session_.history.Apply(session_.document, ColourChange{index, before, after});
        }
    }
    // Redrawn after a cancel too; the picture is then the same.
    DrawBlock();
    DrawPicture();
}

void Form1::ColorSwap_Click() {
    Message(texts::kSwapPrompt);
    SetSwapControlsEnabled(false);
    session_.exchangeWaiting = true;
}

void Form1::EndColourSwap(int button, std::uint8_t target) {
    session_.exchangeWaiting = false;
    bool refused = false;
    if (button == kLeftButton && session_.selected) {
        const std::uint8_t source = *session_.selected;
        // A small image's file stores entries up to lastIndex only: a used colour must not
        // move beyond them, nor pixels come to use an entry that is not saved.
        refused = CrossesStoredColours(session_.document, source, target);
        if (!refused && source != target) {
            session_.history.Apply(session_.document, EntryExchange{source, target});
        }
    }
    SetSwapControlsEnabled(true);
    DrawBlock();
    DrawPicture();
    if (refused) {
        Message(texts::kSwapRefusedMessage);
    }
}

void Form1::SetSwapControlsEnabled(bool enabled) {
    for (const auto control : {Control::HScroll1, Control::Command1, Control::Command2_0,
                               Control::Command2_1, Control::Command4, Control::Picture1}) {
        ws_.SetEnabled(control, enabled);
    }
}

void Form1::ShowEditedDocument() {
    DrawBlock();
    DrawPicture();
    if (state_.describedEntry) {
        DescribeEntry(*state_.describedEntry);
    }
}

}  // namespace rotopal
