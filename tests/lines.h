#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mission_test
{

// Lines of a text without their ends, as the editor reads line ends: an LF ends a line and a CR
// right before it is part of that line end. A last line with no line end still counts; an empty
// text has no lines.
inline std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        auto line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(lf + 1);
    }
    return lines;
}

} // namespace mission_test
