#include "missionsplit.h"

#include "importerror.h"
#include "linefile.h"
#include "script.h"

#include <algorithm>
#include <vector>

namespace importer
{

namespace
{

constexpr std::string_view kCharacterBlock = "Green Beret character block";
constexpr std::string_view kCharacterLooks = "an object with .CLASS BICHOALIADO and .TOKEN COMANDO";
constexpr std::string_view kInterfaceBlock = "Green Beret interface block";
constexpr std::string_view kInterfaceLooks = "[ SUBINTERFACEALIADO [ ... ] ] with .TOKEN COMANDO";

// Whitespace other than the line feed that ends a line.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string at(std::size_t line, std::size_t column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool isCharacterBlock(const ScriptTree &tree, std::size_t list)
{
    return tree.hasProperty(list, ".CLASS", "BICHOALIADO") &&
           tree.hasProperty(list, ".TOKEN", "COMANDO");
}

bool isInterfaceBlock(const ScriptTree &tree, std::size_t list)
{
    const auto items = tree.items(list);
    if (items.size() < 2 || items[0].isList || !items[1].isList)
        return false;
    const ScriptToken &head = tree.tokens()[items[0].index];
    return head.kind == ScriptToken::Kind::Word && head.text == "SUBINTERFACEALIADO" &&
           tree.hasProperty(items[1].index, ".TOKEN", "COMANDO");
}

// The one block of a kind, or an ImportError that says how many there are and where.
std::size_t theOne(const ScriptTree &tree, const std::vector<std::size_t> &found,
                   std::string_view block, std::string_view looks)
{
    if (found.size() == 1)
        return found.front();
    if (found.empty())
        throw ImportError(Status::Blocks,
                          "it has no " + std::string(block) + " (" + std::string(looks) + ")");
    std::string reason =
        "it has " + std::to_string(found.size()) + " " + std::string(block) + "s, at";
    for (std::size_t k = 0; k < found.size(); ++k) {
        const ScriptToken &open = tree.tokens()[tree.lists()[found[k]].open];
        reason += (k == 0                  ? " "
                   : k + 1 == found.size() ? " and "
                                           : ", ") +
                  at(open.line, open.column);
    }
    throw ImportError(Status::Blocks, reason + "; the editor needs exactly one");
}

BlockPlace placeOf(std::string_view text, const ScriptTree &tree, std::size_t list)
{
    const ScriptToken &open = tree.tokens()[tree.lists()[list].open];
    const ScriptToken &close = tree.tokens()[tree.lists()[list].close];
    std::size_t begin = open.offset;
    while (begin > 0 && isBlank(text[begin - 1]))
        --begin;
    std::size_t end = close.offset + 1;
    while (end < text.size() && isBlank(text[end]))
        ++end;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return {begin, end, open.line, open.column, close.line, close.column};
}

// Whether a stored piece made from text[begin, end) got a line end of its own: the text was
// cut inside a line there.
bool cutInsideLine(std::string_view text, std::size_t begin, std::size_t end)
{
    return end > begin && text[end - 1] != '\n';
}

std::string normalized(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

std::size_t lineOf(std::string_view text, std::size_t offset)
{
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

} // namespace

std::string storedPiece(std::string_view text)
{
    return mission::joinLines(mission::splitLines(text));
}

MissionSplit splitMission(std::string_view text)
{
    const ScriptTree tree(text);
    if (const auto &fault = tree.fault())
        throw ImportError(Status::NotWellFormed,
                          "it is not well formed: " + at(fault->line, fault->column) + ": " +
                              fault->message);

    std::vector<std::size_t> characters;
    std::vector<std::size_t> interfaces;
    for (std::size_t list = 0; list < tree.lists().size(); ++list) {
        if (isCharacterBlock(tree, list))
            characters.push_back(list);
        if (isInterfaceBlock(tree, list))
            interfaces.push_back(list);
    }
    const std::size_t character = theOne(tree, characters, kCharacterBlock, kCharacterLooks);
    const std::size_t interface = theOne(tree, interfaces, kInterfaceBlock, kInterfaceLooks);

    MissionSplit split;
    split.character = placeOf(text, tree, character);
    split.interface = placeOf(text, tree, interface);
    const BlockPlace &c = split.character;
    const BlockPlace &i = split.interface;
    const auto &cl = tree.lists()[character];
    const auto &il = tree.lists()[interface];
    const std::string cwhere = " (" + at(c.openLine, c.openColumn) + ")";
    const std::string iwhere = " (" + at(i.openLine, i.openColumn) + ")";
    if (il.open < cl.open && il.close > cl.close)
        throw ImportError(Status::Blocks, "the character block" + cwhere +
                                              " lies inside the interface block" + iwhere);
    if (il.open > cl.open && il.close < cl.close)
        throw ImportError(Status::Blocks, "the interface block" + iwhere +
                                              " lies inside the character block" + cwhere);
    if (il.open < cl.open)
        throw ImportError(Status::Blocks, "the interface block" + iwhere +
                                              " comes before the character block" + cwhere +
                                              "; the editor writes the character block first");
    // Blanks between the two blocks on one line went to both; the character block keeps them.
    split.interface.begin = std::max(split.interface.begin, split.character.end);

    // A piece cut inside a line gets a line end there when assembled; no other byte changes.
    split.pieces = {storedPiece(text.substr(0, c.begin)),
                    storedPiece(text.substr(c.end, i.begin - c.end)),
                    storedPiece(text.substr(i.end))};

    if (auto fault = roundTripFault(text, split))
        throw ImportError(Status::RoundTrip, *fault);
    return split;
}

std::optional<std::string> roundTripFault(std::string_view text, const MissionSplit &split)
{
    const BlockPlace &c = split.character;
    const BlockPlace &i = split.interface;
    if (!(c.begin <= c.end && c.end <= i.begin && i.begin <= i.end && i.end <= text.size()))
        return "the blocks overlap or lie outside the text";
    const std::string_view blocks[] = {text.substr(c.begin, c.end - c.begin),
                                       text.substr(i.begin, i.end - i.begin)};
    const bool cutInside[] = {cutInsideLine(text, 0, c.begin), cutInsideLine(text, c.end, i.begin),
                              cutInsideLine(text, i.end, text.size())};

    // The stored pieces, without the line ends they got where they were cut inside a line,
    // and the blocks between them.
    std::string rebuilt;
    for (std::size_t k = 0; k < 3; ++k) {
        std::string_view piece = split.pieces[k];
        if (cutInside[k]) {
            if (!piece.ends_with("\r\n"))
                return "stored piece " + std::to_string(k + 1) + " lacks its last line end";
            piece.remove_suffix(2);
        }
        rebuilt += piece;
        if (k < 2)
            rebuilt += blocks[k];
    }
    const std::string want = normalized(text);
    const std::string got = normalized(rebuilt);
    if (got != want) {
        const auto diff = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
        return "the pieces and the blocks differ from the text from line " +
               std::to_string(lineOf(want, static_cast<std::size_t>(diff.first - want.begin())));
    }

    // The mission as the editor would assemble it with the blocks as found.
    const std::string assembled = split.pieces[0] + storedPiece(blocks[0]) + split.pieces[1] +
                                  storedPiece(blocks[1]) + split.pieces[2];
    const auto before = tokenizeScript(text);
    const auto after = tokenizeScript(assembled);
    for (std::size_t k = 0; k < std::max(before.size(), after.size()); ++k) {
        if (k < before.size() && k < after.size() && before[k].kind == after[k].kind &&
            before[k].text == after[k].text)
            continue;
        if (k >= before.size())
            return std::string("the assembled mission would read more than the text");
        return "the assembled mission would read differently from the text at " +
               at(before[k].line, before[k].column);
    }
    return std::nullopt;
}

} // namespace importer
