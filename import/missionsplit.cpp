#include "missionsplit.h"

#include "blocksize.h"
#include "importerror.h"
#include "linefile.h"
#include "script.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

std::string at(std::size_t line, std::size_t column)
{
    return placeText(line, column);
}

std::string at(TextPositions &positions, std::size_t offset)
{
    const auto p = positions.at(offset);
    return at(p.line, p.column);
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
                          "it is not well formed: " + at(fault.line, fault.column) + ": " +
                              fault.message);
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

// Whether a stored piece made from text[begin, end) got a line end of its own: the text was
// cut inside a line there.
bool cutInsideLine(std::string_view text, std::size_t begin, std::size_t end)
{
    return end > begin && text[end - 1] != '\n';
}

// Checks stored pieces against the text as they are made, block by block, keeping nothing of
// them: the pieces and the blocks between them are compared with the text byte for byte (a CR
// before an LF aside), and the mission that the editor would assemble from them is read token
// by token beside the text's own tokens. The first fault of each kind is kept.
class RoundTripCheck
{
public:
    RoundTripCheck(std::string_view text, const MissionSplit &split)
        : text_(text), textTokens_(text)
    {
        textCr_ = crFree(text);
        const BlockPlace &c = split.character;
        const BlockPlace &i = split.interface;
        if (!(c.begin <= c.end && c.end <= i.begin && i.begin <= i.end && i.end <= text.size())) {
            fault_ = "the blocks overlap or lie outside the text";
            return;
        }
        blocks_[0] = text.substr(c.begin, c.end - c.begin);
        blocks_[1] = text.substr(i.begin, i.end - i.begin);
        cutInside_[0] = cutInsideLine(text, 0, c.begin);
        cutInside_[1] = cutInsideLine(text, c.end, i.begin);
        cutInside_[2] = cutInsideLine(text, i.end, text.size());
    }

    [[nodiscard]] const std::optional<std::string> &fault() const { return fault_; }

    // The next bytes of the current piece.
    void add(std::string_view bytes)
    {
        if (fault_ || bytes.empty())
            return;
        assemble(bytes);
        if (!cutInside_[piece_]) {
            rebuild(bytes);
            return;
        }
        // The line end that the piece got where it was cut is not the text's: its last two
        // bytes are held back until the piece ends.
        if (bytes.size() >= 2) {
            rebuild(held_);
            rebuild(bytes.substr(0, bytes.size() - 2));
            // Cleared and appended: GCC 12 at -O3 takes an assign of the view for an overlapping
            // copy (-Wrestrict).
            held_.clear();
            held_.append(bytes.end() - 2, bytes.end());
        } else if ((held_ += bytes).size() > 2) {
            rebuild(std::string_view(held_).substr(0, held_.size() - 2));
            held_.erase(0, held_.size() - 2);
        }
    }

    // The current piece is whole; the block after it follows.
    void endPiece()
    {
        if (fault_)
            return;
        if (cutInside_[piece_] && held_ != "\r\n" && !lineEndFault_)
            lineEndFault_ =
                "stored piece " + std::to_string(piece_ + 1) + " lacks its last line end";
        held_.clear();
        if (piece_ < 2) {
            const std::string_view block = blocks_[piece_];
            rebuild(block);
            mission::CrLfWriter lines;
            for (std::size_t k = 0; k < block.size(); k += files::kBlockSize)
                assemble(lines.convert(block.substr(k, files::kBlockSize)));
            assemble(lines.finish());
        }
        ++piece_;
    }

    // After the third piece: what is wrong, if anything.
    std::optional<std::string> finish()
    {
        if (fault_)
            return fault_;
        if (lineEndFault_)
            return lineEndFault_;
        if (crHeld_)
            rebuildByte('\r');
        if (!rebuiltDiffers_ && want_ < text_.size())
            rebuiltDiffers_ = true;
        if (rebuiltDiffers_)
            return "the pieces and the blocks differ from the text from line " +
                   std::to_string(TextPositions(text_).at(want_).line);
        if (!tokenFault_) {
            assembled_.finish();
            takeAssembledTokens();
            if (!tokenFault_ && !textTokens_.finish())
                tokenFault_ = differsAt(textTokens_.faultOffset());
        }
        return tokenFault_;
    }

private:
    // The pieces without the line ends they got, and the blocks: the text, CR LF read as LF.
    void rebuild(std::string_view bytes)
    {
        std::size_t k = 0;
        while (k < bytes.size() && !rebuiltDiffers_) {
            // A run with no CR on either side is compared at once; a CR, byte by byte.
            std::size_t run = crHeld_ ? 0 : crFree(bytes.substr(k));
            if (run > 0) {
                run = std::min(run, textCrFree());
                const std::string_view got = bytes.substr(k, run);
                const std::string_view want = text_.substr(want_, run);
                if (got != want) {
                    // Where they part is where the message says they differ.
                    want_ += static_cast<std::size_t>(
                        std::mismatch(want.begin(), want.end(), got.begin()).first - want.begin());
                    rebuiltDiffers_ = true;
                    return;
                }
                want_ += run;
                k += run;
            }
            if (run == 0)
                rebuildOne(bytes[k++]);
        }
    }

    void rebuildOne(char b)
    {
        if (crHeld_) {
            crHeld_ = false;
            if (b != '\n')
                rebuildByte('\r');
        }
        if (b == '\r')
            crHeld_ = true;
        else
            rebuildByte(b);
    }

    static std::size_t crFree(std::string_view bytes)
    {
        const void *cr = std::memchr(bytes.data(), '\r', bytes.size());
        return cr ? static_cast<std::size_t>(static_cast<const char *>(cr) - bytes.data())
                  : bytes.size();
    }

    // How many bytes of the text from where the comparison is hold no CR.
    std::size_t textCrFree()
    {
        if (textCr_ < want_)
            textCr_ = want_ + crFree(text_.substr(want_));
        return textCr_ - want_;
    }

    void rebuildByte(char b)
    {
        if (want_ + 1 < text_.size() && text_[want_] == '\r' && text_[want_ + 1] == '\n')
            ++want_;
        if (want_ < text_.size() && text_[want_] == b)
            ++want_;
        else
            rebuiltDiffers_ = true;
    }

    // The mission as the editor would assemble it: the pieces and the blocks as stored.
    void assemble(std::string_view bytes)
    {
        if (tokenFault_)
            return;
        assembled_.feed(bytes);
        takeAssembledTokens();
    }

    // The assembled mission's tokens come in parts where a word runs across its blocks; each
    // part is compared with the same bytes of the text, so that nothing is copied.
    void takeAssembledTokens()
    {
        TokenPart got;
        while (!tokenFault_ && assembled_.next(got))
            if (!textTokens_.add(got))
                tokenFault_ = textTokens_.faultOffset() == text_.size()
                                  ? "the assembled mission would read more than the text"
                                  : differsAt(textTokens_.faultOffset());
    }

    std::string differsAt(std::size_t offset) const
    {
        TextPositions positions(text_);
        return "the assembled mission would read differently from the text at " +
               at(positions, offset);
    }

    std::string_view text_;
    std::array<std::string_view, 2> blocks_;
    std::array<bool, 3> cutInside_{};
    std::size_t piece_ = 0;
    std::string held_;
    std::optional<std::string> fault_;
    std::optional<std::string> lineEndFault_;
    // The comparison of the pieces and blocks with the text: where it is in the text, and a CR
    // that counts only if no LF follows.
    std::size_t want_ = 0;
    std::size_t textCr_ = 0; // where the text's next CR is, from want_ on (its size: none)
    bool crHeld_ = false;
    bool rebuiltDiffers_ = false;
    // The reading of the assembled mission beside the text.
    ChunkedScriptReader assembled_;
    ScriptMatcher textTokens_;
    std::optional<std::string> tokenFault_;
};

} // namespace

MissionSplit splitMission(std::string_view text)
{
    const Blocks blocks = findBlocks(text);
    const Pair cl = theOne(text, blocks.characters, kCharacterBlock, kCharacterLooks);
    const Pair il = theOne(text, blocks.interfaces, kInterfaceBlock, kInterfaceLooks);

    MissionSplit split{placeOf(text, cl), placeOf(text, il)};
    const BlockPlace &c = split.character;
    const BlockPlace &i = split.interface;
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
    return split;
}

void makePieces(std::string_view text, const MissionSplit &split, const PieceWriter &write)
{
    RoundTripCheck check(text, split);
    if (check.fault())
        throw ImportError(Status::RoundTrip, *check.fault());
    const BlockPlace &c = split.character;
    const BlockPlace &i = split.interface;
    // A piece cut inside a line gets a line end there; no other byte changes.
    const std::string_view pieces[] = {text.substr(0, c.begin), text.substr(c.end, i.begin - c.end),
                                       text.substr(i.end)};
    mission::CrLfWriter lines;
    for (std::size_t k = 0; k < 3; ++k) {
        const auto put = [&](std::string_view bytes) {
            check.add(bytes);
            if (!bytes.empty())
                write(k, bytes);
        };
        for (std::size_t at = 0; at < pieces[k].size(); at += files::kBlockSize)
            put(lines.convert(pieces[k].substr(at, files::kBlockSize)));
        put(lines.finish());
        check.endPiece();
    }
    if (auto fault = check.finish())
        throw ImportError(Status::RoundTrip, *fault);
}

std::optional<std::string> roundTripFault(std::string_view text, const MissionSplit &split,
                                          const std::array<std::string, 3> &pieces)
{
    RoundTripCheck check(text, split);
    for (const auto &piece : pieces) {
        check.add(piece);
        check.endPiece();
    }
    return check.finish();
}

} // namespace importer
