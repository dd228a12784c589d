#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <variant>
#include <vector>

#include "core/logo_document.h"

namespace rotopal {

// One palette entry given a new colour.
struct ColourChange {
    std::uint8_t index = 0;
    RGBQUAD before;
    RGBQUAD after;

    friend bool operator==(const ColourChange&, const ColourChange&) = default;
};

// Two entries exchanged together with the pixels that use them.
struct EntryExchange {
    std::uint8_t first = 0;
    std::uint8_t second = 0;

    friend bool operator==(const EntryExchange&, const EntryExchange&) = default;
};

// An edit of the document, small and invertible: a history of them costs a few bytes per step
// instead of a 129 KB copy of the document.
using DocumentEdit = std::variant<ColourChange, EntryExchange>;

// Makes the edit on the document.
void ApplyEdit(LogoDocument& document, const DocumentEdit& edit);

// The edit that takes the document back to where it was before `edit`.
DocumentEdit InverseOf(const DocumentEdit& edit);

// The edits made to one opened document, for undo and redo. Making a new edit forgets what was
// undone. The oldest edits are forgotten beyond a limit, so a long session stays small.
class EditHistory {
public:
    static constexpr std::size_t kMaxEdits = 100000;

    // Makes the edit on the document and records it.
    void Apply(LogoDocument& document, const DocumentEdit& edit);
    // Takes the last edit back; what it took back, or nothing when there was none.
    std::optional<DocumentEdit> Undo(LogoDocument& document);
    // Makes the last undone edit again; what it made, or nothing when there was none.
    std::optional<DocumentEdit> Redo(LogoDocument& document);

    std::size_t undoCount() const { return done_.size(); }
    std::size_t redoCount() const { return undone_.size(); }

private:
    std::deque<DocumentEdit> done_;
    std::vector<DocumentEdit> undone_;
};

}  // namespace rotopal
