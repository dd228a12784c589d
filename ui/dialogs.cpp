#include "ui/dialogs.h"

#include "ui/file_filters.h"
#include "ui/texts.h"

namespace rotopal {

FileDialogAnswer ShowOpenDialog(WindowSystem& ws, std::string_view filter,
                                const std::string& initialFolder) {
    return ws.OpenFileDialog(texts::kOpenDialogTitle, ParseFilterText(filter), initialFolder);
}

FileDialogAnswer ShowSaveDialog(WindowSystem& ws, std::string_view filter,
                                const std::string& initialFolder) {
    // Without drive letters the pre-filled "C:\logo.sys" becomes logo.sys in the start folder.
    auto answer = ws.SaveFileDialog(texts::kSaveDialogTitle, ParseFilterText(filter), initialFolder,
                                    "logo.sys");
    if (answer.path.empty()) {
        answer.filterIndex = 0;
    }
    return answer;
}

std::optional<std::int32_t> ShowColorDialog(WindowSystem& ws, std::int32_t initialColour) {
    constexpr std::int32_t kWhite = 0x00FFFFFF;
    std::array<std::int32_t, 16> custom{};
    custom.fill(kWhite);
    return ws.ColorDialog(initialColour, custom);
}

}  // namespace rotopal
