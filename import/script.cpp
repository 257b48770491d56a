#include "script.h"

#include <array>
#include <cstring>

namespace importer
{

namespace
{

enum class ByteKind : unsigned char { Word, Space, Bracket };

constexpr std::array<ByteKind, 256> kByteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    for (const unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v'})
        kinds[c] = ByteKind::Space;
    kinds['['] = kinds[']'] = ByteKind::Bracket;
    return kinds;
}();

ByteKind kindOf(char c)
{
    return kByteKinds[static_cast<unsigned char>(c)];
}

// Where the run of word bytes from `pos` ends.
std::size_t wordEnd(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && kindOf(text[pos]) == ByteKind::Word)
        ++pos;
    return pos;
}

std::size_t skipSpace(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && kindOf(text[pos]) == ByteKind::Space)
        ++pos;
    return pos;
}

} // namespace

bool ScriptReader::next(ScriptToken &token)
{
    const std::size_t start = skipSpace(text_, pos_);
    if (start == text_.size()) {
        pos_ = start;
        return false;
    }
    const char c = text_[start];
    ScriptToken::Kind kind;
    if (kindOf(c) == ByteKind::Bracket) {
        kind = c == '[' ? ScriptToken::Kind::Open : ScriptToken::Kind::Close;
        pos_ = start + 1;
    } else {
        kind = c == '.' ? ScriptToken::Kind::Property : ScriptToken::Kind::Word;
        pos_ = wordEnd(text_, start + 1);
    }
    token = {kind, text_.substr(start, pos_ - start), start};
    return true;
}

void ChunkedScriptReader::feed(std::string_view chunk)
{
    if (cutTaken_) {
        cut_.clear();
        cutTaken_ = false;
    }
    chunk_ = chunk;
    pos_ = 0;
    if (!cut_.empty()) {
        pos_ = wordEnd(chunk, 0);
        cut_.append(chunk.substr(0, pos_));
        cutWhole_ = pos_ < chunk.size();
    }
}

void ChunkedScriptReader::finish()
{
    feed({});
    cutWhole_ = !cut_.empty();
}

bool ChunkedScriptReader::next(std::string_view &token)
{
    if (cutTaken_) {
        cut_.clear();
        cutTaken_ = false;
    }
    if (cutWhole_) {
        token = cut_;
        cutWhole_ = false;
        cutTaken_ = true;
        return true;
    }
    const std::size_t start = skipSpace(chunk_, pos_);
    if (start == chunk_.size()) {
        pos_ = start;
        return false;
    }
    pos_ = kindOf(chunk_[start]) == ByteKind::Bracket ? start + 1 : wordEnd(chunk_, start + 1);
    if (pos_ == chunk_.size() && kindOf(chunk_[start]) == ByteKind::Word) {
        cut_.assign(chunk_.substr(start));
        return false;
    }
    token = chunk_.substr(start, pos_ - start);
    return true;
}

TextPositions::Position TextPositions::at(std::size_t offset)
{
    if (offset < offset_)
        *this = TextPositions(text_);
    const char *const begin = text_.data();
    const char *const end = begin + offset;
    for (const char *p = begin + offset_;
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         ++p) {
        ++line_;
        lineStart_ = static_cast<std::size_t>(p - begin) + 1;
    }
    offset_ = offset;
    return {line_, offset - lineStart_ + 1};
}

bool ScriptChecker::add(const ScriptToken &token)
{
    using Kind = ScriptToken::Kind;
    if (fault_)
        return false;
    if (property_) {
        if (token.kind != Kind::Word && token.kind != Kind::Open)
            return fail("property \"" + std::string(property_->text) + "\" has no value",
                        property_->offset);
        property_.reset();
    }
    switch (token.kind) {
    case Kind::Open:
        ++depth_;
        break;
    case Kind::Close:
        if (depth_ == 0)
            return fail("\"]\" closes no open bracket", token.offset);
        --depth_;
        break;
    case Kind::Property:
        if (token.text.size() < 2)
            return fail("\".\" without a property name", token.offset);
        property_ = token;
        break;
    case Kind::Word:
        break;
    }
    return true;
}

bool ScriptChecker::finish()
{
    if (fault_)
        return false;
    if (property_)
        return fail("property \"" + std::string(property_->text) + "\" has no value",
                    property_->offset);
    if (depth_ == 0)
        return true;
    // The innermost "[" left open is the last one that no "]" after it closes. A bracket byte
    // is always a token of its own, so the bytes tell.
    std::size_t closes = 0;
    std::size_t k = text_.size();
    while (k-- > 0) {
        if (text_[k] == ']')
            ++closes;
        else if (text_[k] == '[' && closes-- == 0)
            break;
    }
    return fail("\"[\" is never closed", k);
}

bool ScriptChecker::fail(std::string message, std::size_t offset)
{
    const auto where = TextPositions(text_).at(offset);
    fault_ = ScriptFault{std::move(message), where.line, where.column};
    return false;
}

std::string placeText(std::size_t line, std::size_t column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace importer
