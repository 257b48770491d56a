#include "script.h"

namespace mission
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
    using Kind = ScriptToken::Kind;
    const auto tokens = tokenizeScript(text);
    std::vector<const ScriptToken *> open;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const ScriptToken &t = tokens[k];
        switch (t.kind) {
        case Kind::Open:
            open.push_back(&t);
            break;
        case Kind::Close:
            if (open.empty())
                return ScriptFault{"\"]\" closes no open bracket", t.line, t.column};
            open.pop_back();
            break;
        case Kind::Property: {
            if (t.text.size() < 2)
                return ScriptFault{"\".\" without a property name", t.line, t.column};
            const bool hasValue = k + 1 < tokens.size() && (tokens[k + 1].kind == Kind::Word ||
                                                            tokens[k + 1].kind == Kind::Open);
            if (!hasValue)
                return ScriptFault{"property \"" + std::string(t.text) + "\" has no value", t.line,
                                   t.column};
            break;
        }
        case Kind::Word:
            break;
        }
    }
    if (!open.empty())
        return ScriptFault{"\"[\" is never closed", open.back()->line, open.back()->column};
    return std::nullopt;
}

} // namespace mission
