#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace importer
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

// A text read as its tokens and the bracket pairs they nest in. The tokens look into the text,
// which must outlive the tree.
class ScriptTree
{
public:
    // One bracket pair: the indices of its "[" and "]" in tokens(), and the pair it stands in.
    struct List {
        std::size_t open;
        std::size_t close;
        std::size_t parent;
    };
    // One direct item of a pair: a word or property name (an index into tokens()), or a nested
    // pair (an index into lists()).
    struct Item {
        bool isList;
        std::size_t index;
    };
    // The parent of a pair at the top level of the text.
    static constexpr std::size_t kTop = static_cast<std::size_t>(-1);

    // Reads the text. When it is not well formed, fault() says why and where, and the tree
    // holds no pairs.
    explicit ScriptTree(std::string_view text);

    [[nodiscard]] const std::optional<ScriptFault> &fault() const { return fault_; }
    [[nodiscard]] const std::vector<ScriptToken> &tokens() const { return tokens_; }
    // Every pair, in the order of their "[".
    [[nodiscard]] const std::vector<List> &lists() const { return lists_; }

    // What the pair holds directly, in order; the pairs nested in it count as one item each.
    [[nodiscard]] std::vector<Item> items(std::size_t list) const;
    // Whether the pair directly holds the property `name` with the word `value` as its value.
    [[nodiscard]] bool hasProperty(std::size_t list, std::string_view name,
                                   std::string_view value) const;

private:
    std::vector<ScriptToken> tokens_;
    std::vector<List> lists_;
    std::vector<std::size_t> listOfOpen_; // for each token, the pair it opens, if it is a "["
    std::optional<ScriptFault> fault_;
};

} // namespace importer
