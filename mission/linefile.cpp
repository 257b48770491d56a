#include "linefile.h"

#include "atomicfile.h"

#include <cstring>

namespace mission
{

std::vector<std::string> splitLines(std::string_view text)
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

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void CrLfWriter::feed(std::string_view chunk, std::string &out)
{
    if (chunk.empty())
        return;
    const char *const begin = chunk.data();
    const char *const end = begin + chunk.size();
    // Bytes are copied in runs; a run ends only at an LF that lacks its CR.
    const char *run = begin;
    for (const char *p = begin; p < end; ++p) {
        p = static_cast<const char *>(std::memchr(p, '\n', end - p));
        if (!p)
            break;
        const bool crBefore = p > begin ? p[-1] == '\r' : afterCr_;
        if (!crBefore) {
            out.append(run, p);
            out += "\r\n";
            run = p + 1;
        }
    }
    out.append(run, end);
    afterCr_ = chunk.back() == '\r';
    midLine_ = chunk.back() != '\n';
}

void CrLfWriter::finish(std::string &out)
{
    if (midLine_)
        out += "\r\n";
    afterCr_ = false;
    midLine_ = false;
}

void writeLineFile(const std::filesystem::path &path, const std::vector<std::string> &lines)
{
    AtomicFile file(path);
    file.write(joinLines(lines));
    file.commit();
}

} // namespace mission
