#pragma once

#include "roundtrip.h"
#include "script.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace import_test
{

// The Green Beret's two blocks as plainly as they can be written, and a mission of just them.
inline const std::string kGb = "[ .CLASS BICHOALIADO .TOKEN COMANDO ]";
inline const std::string kSub = "[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]";
inline const std::string kMission = kGb + "\r\n" + kSub + "\r\n";

// Exactly `size` bytes of lines of words, each ended by `end`, the last one cut short.
inline std::string filler(std::size_t size, const std::string &end)
{
    std::string text;
    while (text.size() < size)
        text += "aaaa bbbbbbbb cc dddddddddddddd" + end;
    text.resize(size);
    return text;
}

// The first fault of a whole text's script, if any.
inline std::optional<importer::ScriptFault> checkScript(std::string_view text)
{
    importer::ScriptReader reader(text);
    importer::ScriptChecker checker(text);
    importer::ScriptToken token;
    while (reader.next(token))
        if (!checker.add(token))
            return checker.fault();
    checker.finish();
    return checker.fault();
}

// The three stored pieces of a split, whole.
inline std::array<std::string, 3> storedPieces(std::string_view text,
                                               const importer::MissionSplit &split)
{
    std::array<std::string, 3> pieces;
    importer::makePieces(text, split,
                         [&](std::size_t k, std::string_view bytes) { pieces[k] += bytes; });
    return pieces;
}

} // namespace import_test
