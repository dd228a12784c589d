#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

namespace rotopal {

// A named value for a message layout: {name} in the layout stands for value.
struct LayoutValue {
    std::string_view name;
    std::string_view value;
};

// Puts the values into a layout such as "cannot write {path}: {reason}". The layout is read in
// one pass, so braces inside a value (a path may hold them) are never taken for names; a name
// without a value is left as written. Layouts let each language order the parts its own way.
inline std::string FillIn(std::string_view layout, std::initializer_list<LayoutValue> values) {
    std::string text;
    std::size_t at = 0;
    while (at < layout.size()) {
        const auto open = layout.find('{', at);
        const auto close = open == std::string_view::npos ? open : layout.find('}', open);
        if (close == std::string_view::npos) {
            break;
        }
        text.append(layout.substr(at, open - at));
        const auto name = layout.substr(open + 1, close - open - 1);
        const auto found = std::find_if(values.begin(), values.end(),
                                        [name](const LayoutValue& v) { return v.name == name; });
        if (found == values.end()) {
            // Not a name: keep the brace and look again just after it.
            text.push_back('{');
            at = open + 1;
            continue;
        }
        text.append(found->value);
        at = close + 1;
    }
    return text.append(layout.substr(at));
}

}  // namespace rotopal
