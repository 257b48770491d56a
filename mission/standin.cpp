#include "standin.h"

#include "blocksize.h"
#include "error.h"
#include "inputfile.h"
#include "linefile.h"
#include "workspace.h"

#include <memory>
#include <string>

namespace mission
{

namespace
{

std::string withCrLf(std::string_view text)
{
    CrLfWriter lines;
    std::string converted(lines.convert(text));
    converted += lines.finish();
    return converted;
}

bool isStandIn(const std::filesystem::path &piece, std::string_view standIn)
{
    const std::string expected = withCrLf(standIn);
    std::size_t matched = 0;
    const auto matches = [&](std::string_view bytes) {
        if (bytes.size() > expected.size() - matched ||
            std::string_view(expected).substr(matched, bytes.size()) != bytes)
            return false;
        matched += bytes.size();
        return true;
    };
    files::InputFile in(piece);
    CrLfWriter lines;
    const auto block = std::make_unique_for_overwrite<char[]>(files::kBlockSize);
    for (std::size_t n; (n = in.read(block.get(), files::kBlockSize)) != 0;)
        if (!matches(lines.convert({block.get(), n})))
            return false;
    return matches(lines.finish()) && matched == expected.size();
}

} // namespace

bool holdsStandInPieces(const Workspace &workspace)
{
    try {
        for (std::size_t k = 0; k < 3; ++k)
            if (!isStandIn(workspace.file(kStoredPieces[k]), kStandInPieces[k]))
                return false;
        return true;
    } catch (const files::Error &) {
        return false;
    }
}

} // namespace mission
