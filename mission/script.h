#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mission
{

// The game's mission-script syntax: an object is "[" followed by properties and "]"; a property
// is a name beginning with "." followed by a value; a value is a word, a number or a bracketed
// list. Tokens are separated by whitespace; brackets also stand on their own when they touch a
// neighbour.
struct ScriptToken {
    enum class Kind { Open, Close, Property, Word };
    Kind kind;
    std::string_view text;
    std::size_t offset; // byte offset in the text
    std::size_t line;   // 1-based
    std::size_t column; // 1-based, in bytes
};

[[nodiscard]] std::vector<ScriptToken> tokenizeScript(std::string_view text);

// Why a text is not well formed, and where.
struct ScriptFault {
    std::string message;
    std::size_t line;
    std::size_t column;
};

// A text is well formed when its brackets balance and never close below zero, and every
// property has a name after its "." and is followed by a value.
[[nodiscard]] std::optional<ScriptFault> checkScript(std::string_view text);

} // namespace mission
