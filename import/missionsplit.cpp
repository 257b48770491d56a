#include "missionsplit.h"

#include "importerror.h"
#include "script.h"

#include <algorithm>
#include <cstdint>
#include <deque>
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

std::string at(TextPositions &positions, std::size_t offset)
{
    const auto p = positions.at(offset);
    return placeText(p.line, p.column);
}

// A bracket pair found to be a block: the offsets of its "[" and "]".
struct Pair {
    std::size_t open;
    std::size_t close;
};

struct Blocks {
    std::vector<Pair> characters;
    std::vector<Pair> interfaces;
};

// What the search needs to know of the direct items of a pair still open, in one byte.
enum : std::uint8_t {
    kClassSeen = 1,        // the property .CLASS with the value BICHOALIADO
    kTokenSeen = 2,        // the property .TOKEN with the value COMANDO
    kAfterClass = 4,       // the item before was the property .CLASS
    kAfterToken = 8,       // the item before was the property .TOKEN
    kHeadIsSub = 16,       // the first item is the word SUBINTERFACEALIADO
    kSecondIsComando = 32, // the second item is a pair with .TOKEN COMANDO
    kItemCount = 64,       // the two top bits count the items so far: 0, 1, 2, or 3 and more
};

// Deeper than this, a pair keeps only what is known of its items, one byte, and a block found
// there has its "[" looked up afterwards: a text nested deeper than any mission costs no more
// than its own size again, whatever its depth, and 32 MiB besides.
constexpr std::size_t kDepthWithOffsets = std::size_t{1} << 22;

// The pairs still open, innermost last, in deques that grow without copying.
class OpenPairs
{
public:
    [[nodiscard]] bool empty() const { return near_.empty(); }
    [[nodiscard]] std::size_t depth() const { return near_.size() + deep_.size(); }
    [[nodiscard]] unsigned innermostItems() const
    {
        return deep_.empty() ? near_.back() & 0xFF : deep_.back();
    }
    void setInnermostItems(unsigned items)
    {
        if (deep_.empty())
            near_.back() = (near_.back() & ~std::uint64_t{0xFF}) | items;
        else
            deep_.back() = static_cast<std::uint8_t>(items);
    }
    void open(std::size_t offset)
    {
        if (near_.size() < kDepthWithOffsets)
            near_.push_back(std::uint64_t{offset} << 8);
        else
            deep_.push_back(0);
    }
    // The innermost pair's items, and its "[" where it is kept (npos: look it up).
    std::pair<unsigned, std::size_t> close()
    {
        if (!deep_.empty()) {
            const unsigned items = deep_.back();
            deep_.pop_back();
            return {items, std::string_view::npos};
        }
        const std::uint64_t pair = near_.back();
        near_.pop_back();
        return {static_cast<unsigned>(pair & 0xFF), static_cast<std::size_t>(pair >> 8)};
    }

private:
    std::deque<std::uint64_t> near_; // the "[" shifted up a byte, the items in the low byte
    std::deque<std::uint8_t> deep_;
};

unsigned itemCount(unsigned items)
{
    return items / kItemCount;
}

// The pair's items with a word or property (`token`), or a nested pair (none), after them.
unsigned withItem(unsigned items, const ScriptToken *token)
{
    using Kind = ScriptToken::Kind;
    unsigned after = items & ~unsigned{kAfterClass | kAfterToken};
    if (itemCount(items) < 3)
        after += kItemCount;
    if (!token)
        return after;
    if ((items & kAfterClass) && token->text == "BICHOALIADO")
        after |= kClassSeen;
    if ((items & kAfterToken) && token->text == "COMANDO")
        after |= kTokenSeen;
    if (itemCount(items) == 0 && token->kind == Kind::Word && token->text == "SUBINTERFACEALIADO")
        after |= kHeadIsSub;
    if (token->kind == Kind::Property && token->text == ".CLASS")
        after |= kAfterClass;
    if (token->kind == Kind::Property && token->text == ".TOKEN")
        after |= kAfterToken;
    return after;
}

// A block found deeper than pairs keep their "[".
struct DeepBlock {
    std::size_t close;
    std::size_t depth; // of the pairs around it
    bool character;
    bool interface;
};

// Looks up the "[" of each deep block in one pass back through the text from the last of them,
// knowing that the text is well formed and that a bracket byte is always a token of its own.
void findOpens(std::string_view text, std::vector<DeepBlock> deep, Blocks &blocks)
{
    if (deep.empty())
        return;
    std::sort(deep.begin(), deep.end(),
              [](const DeepBlock &a, const DeepBlock &b) { return a.close > b.close; });
    std::vector<const DeepBlock *> waiting; // by depth, innermost last
    std::size_t next = 0;
    std::size_t depth = deep.front().depth; // the "[" left open before text[k + 1]
    for (std::size_t k = deep.front().close + 1; k-- > 0;) {
        if (text[k] == ']') {
            if (next < deep.size() && deep[next].close == k)
                waiting.push_back(&deep[next++]);
            ++depth;
        } else if (text[k] == '[') {
            --depth;
            if (!waiting.empty() && waiting.back()->depth == depth) {
                const DeepBlock &b = *waiting.back();
                waiting.pop_back();
                if (b.character)
                    blocks.characters.push_back({k, b.close});
                if (b.interface)
                    blocks.interfaces.push_back({k, b.close});
                if (waiting.empty() && next == deep.size())
                    return;
            }
        }
    }
}

// Checks the text and finds its blocks in one pass, without recursion.
Blocks findBlocks(std::string_view text)
{
    using Kind = ScriptToken::Kind;
    Blocks blocks;
    std::vector<DeepBlock> deep;
    ScriptReader reader(text);
    ScriptChecker checker(text);
    OpenPairs open;
    ScriptToken token;
    while (reader.next(token) && checker.add(token)) {
        switch (token.kind) {
        case Kind::Open:
            if (!open.empty())
                open.setInnermostItems(withItem(open.innermostItems(), nullptr));
            open.open(token.offset);
            break;
        case Kind::Close: {
            const auto [items, at] = open.close();
            const bool character = (items & kClassSeen) && (items & kTokenSeen);
            const bool interface = (items & kHeadIsSub) && (items & kSecondIsComando);
            if (at == std::string_view::npos && (character || interface)) {
                deep.push_back({token.offset, open.depth(), character, interface});
            } else {
                if (character)
                    blocks.characters.push_back({at, token.offset});
                if (interface)
                    blocks.interfaces.push_back({at, token.offset});
            }
            if (!open.empty() && itemCount(open.innermostItems()) == 2 && (items & kTokenSeen))
                open.setInnermostItems(open.innermostItems() | kSecondIsComando);
            break;
        }
        case Kind::Property:
        case Kind::Word:
            if (!open.empty())
                open.setInnermostItems(withItem(open.innermostItems(), &token));
            break;
        }
    }
    if (!checker.finish()) {
        const ScriptFault &fault = *checker.fault();
        throw ImportError(Status::NotWellFormed,
                          "it is not well formed: " + placeText(fault.line, fault.column) +
                              ": " + fault.message);
    }
    findOpens(text, std::move(deep), blocks);
    // Pairs are found as they close, inner ones first; they are reported in the order of their
    // "[".
    for (auto *found : {&blocks.characters, &blocks.interfaces})
        std::sort(found->begin(), found->end(),
                  [](const Pair &a, const Pair &b) { return a.open < b.open; });
    return blocks;
}

// The one block of a kind, or an ImportError that says how many there are and where.
Pair theOne(std::string_view text, const std::vector<Pair> &found, std::string_view block,
            std::string_view looks)
{
    if (found.size() == 1)
        return found.front();
    if (found.empty())
        throw ImportError(Status::Blocks,
                          "it has no " + std::string(block) + " (" + std::string(looks) + ")");
    // The first few places: a mission made of millions of blocks gets a message, not millions.
    constexpr std::size_t kShown = 5;
    const std::size_t shown = std::min(found.size(), kShown);
    const std::size_t more = found.size() - shown;
    TextPositions positions(text);
    std::string reason =
        "it has " + std::to_string(found.size()) + " " + std::string(block) + "s, at";
    for (std::size_t k = 0; k < shown; ++k)
        reason += (k == 0                        ? " "
                   : k + 1 == shown && more == 0 ? " and "
                                                 : ", ") +
                  at(positions, found[k].open);
    if (more > 0)
        reason += " and " + std::to_string(more) + " more";
    throw ImportError(Status::Blocks, reason + "; the editor needs exactly one");
}

BlockPlace placeOf(std::string_view text, const Pair &pair)
{
    std::size_t begin = pair.open;
    while (begin > 0 && isBlank(text[begin - 1]))
        --begin;
    std::size_t end = pair.close + 1;
    while (end < text.size() && isBlank(text[end]))
        ++end;
    if (end < text.size() && text[end] == '\n')
        ++end;
    TextPositions positions(text);
    const auto open = positions.at(pair.open);
    const auto close = positions.at(pair.close);
    return {begin, end, open.line, open.column, close.line, close.column};
}

} // namespace

MissionSplit splitMission(std::string_view text)
{
    const Blocks blocks = findBlocks(text);
    const Pair cl = theOne(text, blocks.characters, kCharacterBlock, kCharacterLooks);
    const Pair il = theOne(text, blocks.interfaces, kInterfaceBlock, kInterfaceLooks);

    MissionSplit split{placeOf(text, cl), placeOf(text, il)};
    const BlockPlace &c = split.character;
    const BlockPlace &i = split.interface;
    const std::string cwhere = " (" + placeText(c.openLine, c.openColumn) + ")";
    const std::string iwhere = " (" + placeText(i.openLine, i.openColumn) + ")";
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
    return split;
}

} // namespace importer
