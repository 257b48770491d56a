#include "script.h"

namespace importer
{

namespace
{

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isBracket(char c)
{
    return c == '[' || c == ']';
}

} // namespace

std::vector<ScriptToken> tokenizeScript(std::string_view text)
{
    std::vector<ScriptToken> tokens;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            lineStart = ++i;
            continue;
        }
        if (isSpace(c)) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        ScriptToken::Kind kind;
        if (isBracket(c)) {
            kind = c == '[' ? ScriptToken::Kind::Open : ScriptToken::Kind::Close;
            ++i;
        } else {
            kind = c == '.' ? ScriptToken::Kind::Property : ScriptToken::Kind::Word;
            while (i < text.size() && !isSpace(text[i]) && !isBracket(text[i]))
                ++i;
        }
        tokens.push_back({kind, text.substr(start, i - start), start, line, start - lineStart + 1});
    }
    return tokens;
}

std::optional<ScriptFault> checkScript(std::string_view text)
{
    return ScriptTree(text).fault();
}

ScriptTree::ScriptTree(std::string_view text) : tokens_(tokenizeScript(text))
{
    using Kind = ScriptToken::Kind;
    listOfOpen_.assign(tokens_.size(), kTop);
    std::vector<std::size_t> open; // the pairs not closed yet, innermost last
    for (std::size_t k = 0; k < tokens_.size() && !fault_; ++k) {
        const ScriptToken &t = tokens_[k];
        switch (t.kind) {
        case Kind::Open:
            listOfOpen_[k] = lists_.size();
            lists_.push_back({k, k, open.empty() ? kTop : open.back()});
            open.push_back(lists_.size() - 1);
            break;
        case Kind::Close:
            if (open.empty()) {
                fault_ = ScriptFault{"\"]\" closes no open bracket", t.line, t.column};
                break;
            }
            lists_[open.back()].close = k;
            open.pop_back();
            break;
        case Kind::Property: {
            if (t.text.size() < 2) {
                fault_ = ScriptFault{"\".\" without a property name", t.line, t.column};
                break;
            }
            const bool hasValue = k + 1 < tokens_.size() && (tokens_[k + 1].kind == Kind::Word ||
                                                             tokens_[k + 1].kind == Kind::Open);
            if (!hasValue)
                fault_ = ScriptFault{"property \"" + std::string(t.text) + "\" has no value",
                                     t.line, t.column};
            break;
        }
        case Kind::Word:
            break;
        }
    }
    if (!fault_ && !open.empty()) {
        const ScriptToken &t = tokens_[lists_[open.back()].open];
        fault_ = ScriptFault{"\"[\" is never closed", t.line, t.column};
    }
    if (fault_) {
        lists_.clear();
        listOfOpen_.assign(tokens_.size(), kTop);
    }
}

std::vector<ScriptTree::Item> ScriptTree::items(std::size_t list) const
{
    std::vector<Item> out;
    const List &l = lists_.at(list);
    for (std::size_t k = l.open + 1; k < l.close; ++k) {
        if (tokens_[k].kind == ScriptToken::Kind::Open) {
            out.push_back({true, listOfOpen_[k]});
            k = lists_[listOfOpen_[k]].close;
        } else {
            out.push_back({false, k});
        }
    }
    return out;
}

bool ScriptTree::hasProperty(std::size_t list, std::string_view name, std::string_view value) const
{
    const auto held = items(list);
    for (std::size_t i = 0; i + 1 < held.size(); ++i) {
        if (held[i].isList || held[i + 1].isList)
            continue;
        const ScriptToken &property = tokens_[held[i].index];
        if (property.kind == ScriptToken::Kind::Property && property.text == name &&
            tokens_[held[i + 1].index].text == value)
            return true;
    }
    return false;
}

} // namespace importer
