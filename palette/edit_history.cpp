#include "palette/edit_history.h"

#include "palette/colour_swap.h"

namespace rotopal {
namespace {

template <class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang before 17).
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

}  // namespace

void ApplyEdit(LogoDocument& document, const DocumentEdit& edit) {
    std::visit(
        Overloaded{
            [&](const ColourChange& change) { document.palette[change.index] = change.after; },
            [&](const EntryExchange& exchange) {
                SwapPaletteEntries(document, exchange.first, exchange.second);
            },
        },
        edit);
}

DocumentEdit InverseOf(const DocumentEdit& edit) {
    if (const auto* change = std::get_if<ColourChange>(&edit)) {
        return ColourChange{change->index, change->after, change->before};
    }
    // An exchange undoes itself.
    return edit;
}

void EditHistory::Apply(LogoDocument& document, const DocumentEdit& edit) {
    ApplyEdit(document, edit);
    done_.push_back(edit);
    undone_.clear();
    if (done_.size() > kMaxEdits) {
        done_.pop_front();
    }
}

std::optional<DocumentEdit> EditHistory::Undo(LogoDocument& document) {
    if (done_.empty()) {
        return std::nullopt;
    }
    const DocumentEdit edit = done_.back();
    done_.pop_back();
    ApplyEdit(document, InverseOf(edit));
    undone_.push_back(edit);
    return edit;
}

std::optional<DocumentEdit> EditHistory::Redo(LogoDocument& document) {
    if (undone_.empty()) {
        return std::nullopt;
    }
    const DocumentEdit edit = undone_.back();
    undone_.pop_back();
    ApplyEdit(document, edit);
    done_.push_back(edit);
    return edit;
}

}  // namespace rotopal
