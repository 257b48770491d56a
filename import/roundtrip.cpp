#include "roundtrip.h"

#include "blocksize.h"
#include "importerror.h"
#include "linefile.h"
#include "script.h"

#include <algorithm>
#include <cstring>

namespace importer
{

namespace
{

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
        const auto p = TextPositions(text_).at(offset);
        return "the assembled mission would read differently from the text at " +
               placeText(p.line, p.column);
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
