#pragma once

#include <QString>
#include <string_view>

namespace rotopal::qt {

// The form logic's texts are UTF-8; Qt's are UTF-16.
inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Multi-line texts come with Windows line ends; a Qt label or message box breaks at '\n' alone.
inline QString QLines(std::string_view text) {
    QString lines = Q(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

}  // namespace rotopal::qt
