#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace importer
{

// The game's mission-script syntax: an object is "[" followed by properties and "]"; a property
// is a name beginning with "." followed by a value; a value is a word, a number or a bracketed
// list. Tokens are separated by whitespace; brackets also stand on their own when they touch a
// neighbour. A token's kind follows from its first byte, so two tokens read alike when their
// bytes are the same.
//
// Missions run to hundreds of megabytes, so nothing here keeps a text's tokens: they are read
// one at a time, as views into the text.
struct ScriptToken {
    enum class Kind { Open, Close, Property, Word };
    Kind kind;
    std::string_view text;
    std::size_t offset; // byte offset in the text
};

// Reads the tokens of a text, in order.
class ScriptReader
{
public:
    explicit ScriptReader(std::string_view text) : text_(text) {}
    // The next token; false at the end of the text.
    [[nodiscard]] bool next(ScriptToken &token);

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Reads the tokens of a text that arrives in chunks, keeping none of it: a word cut by the end of
// a chunk comes in parts, the rest of it from the next chunk, so that a word as long as the
// whole text costs no copy. Feed a chunk, take its parts until next() says false, feed the next;
// after the last, finish() and take what is left.
struct TokenPart {
    std::string_view text; // a view into the chunk it came from
    bool first;            // the token starts with this part
    bool last;             // and ends with it
};

class ChunkedScriptReader
{
public:
    void feed(std::string_view chunk);
    void finish();
    [[nodiscard]] bool next(TokenPart &part);

private:
    std::string_view chunk_;
    std::size_t pos_ = 0;
    bool inWord_ = false; // a word reached the end of the chunk before
    bool finished_ = false;
};

// Checks that tokens arriving in parts (as a ChunkedScriptReader gives them) are a text's own
// tokens, in order: each part is compared with the text's bytes where its token stands, and a
// whole token must end where the text's does. Nothing is copied, and the text's words are read
// only as far as the comparison.
class ScriptMatcher
{
public:
    explicit ScriptMatcher(std::string_view text) : text_(text) {}
    // Takes the next part; false once the tokens differ or run past the text's.
    bool add(const TokenPart &part);
    // After the last part: whether the text has no token left.
    bool finish();
    // Where the text's token that differs begins; the text's size when the tokens ran past it.
    [[nodiscard]] std::size_t faultOffset() const { return start_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;   // how far the text is matched
    std::size_t start_ = 0; // where the text's current token begins
};

// Line and column (1-based, in bytes) of a byte offset. Asked for offsets in increasing order,
// it reads the text once in all.
class TextPositions
{
public:
    explicit TextPositions(std::string_view text) : text_(text) {}
    struct Position {
        std::size_t line;
        std::size_t column;
    };
    [[nodiscard]] Position at(std::size_t offset);

private:
    std::string_view text_;
    std::size_t offset_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;
};

// "line N, column M", as messages name a place in a text.
[[nodiscard]] std::string lineAndColumn(std::size_t line, std::size_t column);

// Why a text is not well formed, and where.
struct ScriptFault {
    std::string message;
    std::size_t line;
    std::size_t column;
};

// A text is well formed when its brackets balance and never close below zero, and every
// property has a name after its "." and is followed by a value. The checker takes the text's
// tokens in order and keeps no more than a count of the open brackets.
class ScriptChecker
{
public:
    explicit ScriptChecker(std::string_view text) : text_(text) {}
    // Takes the next token; false once the text is known not to be well formed.
    bool add(const ScriptToken &token);
    // After the last token: whether the text is well formed.
    bool finish();
    [[nodiscard]] const std::optional<ScriptFault> &fault() const { return fault_; }

private:
    bool fail(std::string message, std::size_t offset);

    std::string_view text_;
    std::size_t depth_ = 0;
    std::optional<ScriptToken> property_; // a property still waiting for its value
    std::optional<ScriptFault> fault_;
};

} // namespace importer
