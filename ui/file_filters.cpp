#include "ui/file_filters.h"

#include "ui/texts.h"

namespace rotopal {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find(separator, start);
        const auto part = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!part.empty()) {
            parts.emplace_back(part);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return parts;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::vector<FileFilter> OpenDialogFilters() {
    // The screen-file entry names logo*.sys but matches only logo.sys, as it always has.
    return {{std::string(texts::kFilterReadable), {"logo*.sys", "*.bmp", "*.dib"}},
            {std::string(texts::kFilterScreen), {"logo.sys"}},
            {std::string(texts::kFilterBitmap), {"*.bmp", "*.dib"}},
            {std::string(texts::kFilterAll), {"*.*"}},
            // The kinds the picture import reads, by their usual names.
            {std::string(texts::kFilterPictures),
             {"*.png", "*.jpg", "*.jpeg", "*.gif", "*.webp", "*.tif", "*.tiff", "*.heic", "*.heif",
              "*.avif", "*.bmp"}}};
}

std::vector<FileFilter> SaveDialogFilters() {
    return {{std::string(texts::kFilterScreen), {"logo.sys"}},
            {std::string(texts::kFilterBitmap), {"*.bmp", "*.dib"}},
            {std::string(texts::kFilterNumbered), {"*.*"}}};
}

std::string FilterText(const std::vector<FileFilter>& filters) {
    std::string text;
    for (const auto& filter : filters) {
        text += filter.description;
        text += '\0';
        for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
            text += (i == 0 ? "" : ";") + filter.patterns[i];
        }
        text += '\0';
    }
    return text;
}

std::vector<FileFilter> ParseFilterText(std::string_view text) {
    std::vector<FileFilter> filters;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto descriptionEnd = text.find('\0', pos);
        if (descriptionEnd == std::string_view::npos) {
            break;
        }
        const auto patternEnd = text.find('\0', descriptionEnd + 1);
        const auto patterns =
            text.substr(descriptionEnd + 1, patternEnd == std::string_view::npos
                                                ? std::string_view::npos
                                                : patternEnd - descriptionEnd - 1);
        filters.push_back(
            {std::string(text.substr(pos, descriptionEnd - pos)), Split(patterns, ';')});
        if (patternEnd == std::string_view::npos) {
            break;
        }
        pos = patternEnd + 1;
    }
    return filters;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") {
        return true;  // "all files", names without a dot included
    }
    // Iterative wildcard match with backtracking to the last "*"; linear in practice.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace rotopal
