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
    chunk_ = chunk;
    pos_ = 0;
}

void ChunkedScriptReader::finish()
{
    feed({});
    finished_ = true;
}

bool ChunkedScriptReader::next(TokenPart &part)
{
    std::size_t start = pos_;
    if (!inWord_) {
        start = skipSpace(chunk_, pos_);
        if (start == chunk_.size()) {
            pos_ = start;
            return false;
        }
    }
    const bool first = !inWord_;
    if (first && kindOf(chunk_[start]) == ByteKind::Bracket) {
        pos_ = start + 1;
        part = {chunk_.substr(start, 1), true, true};
        return true;
    }
    pos_ = wordEnd(chunk_, first ? start + 1 : start);
    // A word that reaches the end of the chunk may go on in the next one.
    inWord_ = pos_ == chunk_.size() && !finished_;
    if (!first && inWord_ && pos_ == start)
        return false;
    part = {chunk_.substr(start, pos_ - start), first, !inWord_};
    return true;
}

bool ScriptMatcher::add(const TokenPart &part)
{
    if (part.first) {
        start_ = pos_ = skipSpace(text_, pos_);
        if (pos_ == text_.size())
            return false;
    }
    if (text_.substr(pos_, part.text.size()) != part.text)
        return false;
    pos_ += part.text.size();
    // A bracket is a token of its own whatever follows it; a word ends where the text's does.
    return !part.last || kindOf(text_[start_]) == ByteKind::Bracket || pos_ == text_.size() ||
           kindOf(text_[pos_]) != ByteKind::Word;
}

bool ScriptMatcher::finish()
{
    start_ = pos_ = skipSpace(text_, pos_);
    return pos_ == text_.size();
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

std::string lineAndColumn(std::size_t line, std::size_t column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace importer
