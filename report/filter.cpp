#include "report/filter.h"

#include "report/error.h"

#include <cctype>
#include <cstdlib>

namespace report {

struct Filter::Node {
    enum Kind { all_of, any_of, compare } kind = compare;
    std::vector<std::unique_ptr<Node>> parts;
    std::string name, op, value;
    store::AttributeType type = store::AttributeType::text;
};

namespace {

struct Token {
    enum Kind { word, quoted, op, open, close, end } kind = end;
    std::string text;
};

std::vector<Token> tokens_of(const std::string &s)
{
    std::vector<Token> out;
    size_t i = 0;
    const auto bad = [&](const std::string &what) {
        throw Error("--where \"" + s + "\": " + what + " at character " + std::to_string(i + 1));
    };
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            i++;
        } else if (c == '(' || c == ')') {
            out.push_back({c == '(' ? Token::open : Token::close, std::string(1, c)});
            i++;
        } else if (c == '\'' || c == '"') {
            const size_t close = s.find(c, i + 1);
            if (close == std::string::npos)
                bad("a quote that is not closed");
            out.push_back({Token::quoted, s.substr(i + 1, close - i - 1)});
            i = close + 1;
        } else if (c == '<' || c == '>' || c == '=' || c == '!') {
            std::string o(1, c);
            if (i + 1 < s.size() && (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>')))
                o += s[i + 1];
            if (o == "!")
                bad("'!' without '='");
            out.push_back({Token::op, o == "==" ? "=" : o == "<>" ? "!=" : o});
            i += o.size();
        } else {
            const size_t from = i;
            while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) &&
                   std::string("()<>=!'\"").find(s[i]) == std::string::npos)
                i++;
            out.push_back({Token::word, s.substr(from, i - from)});
        }
    }
    out.push_back({Token::end, ""});
    return out;
}

class Parser {
public:
    Parser(const std::string &text, const std::vector<store::AttributeColumn> &columns)
        : text_(text), columns_(columns), tokens_(tokens_of(text))
    {
    }
    std::unique_ptr<Filter::Node> whole()
    {
        auto n = any();
        if (tokens_[at_].kind != Token::end)
            fail("'" + tokens_[at_].text + "' where and, or or the end was expected");
        return n;
    }

private:
    [[noreturn]] void fail(const std::string &what) const { throw Error("--where \"" + text_ + "\": " + what); }
    bool keyword(const char *k)
    {
        if (tokens_[at_].kind != Token::word)
            return false;
        std::string w = tokens_[at_].text;
        for (char &ch : w)
            ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (w != k)
            return false;
        at_++;
        return true;
    }
    std::unique_ptr<Filter::Node> joined(Filter::Node::Kind kind, const char *word,
                                         std::unique_ptr<Filter::Node> (Parser::*part)())
    {
        auto first = (this->*part)();
        if (tokens_[at_].kind != Token::word || !keyword(word))
            return first;
        auto n = std::make_unique<Filter::Node>();
        n->kind = kind;
        n->parts.push_back(std::move(first));
        do
            n->parts.push_back((this->*part)());
        while (keyword(word));
        return n;
    }
    std::unique_ptr<Filter::Node> any() { return joined(Filter::Node::any_of, "or", &Parser::all); }
    std::unique_ptr<Filter::Node> all() { return joined(Filter::Node::all_of, "and", &Parser::term); }
    std::unique_ptr<Filter::Node> term()
    {
        if (tokens_[at_].kind == Token::open) {
            at_++;
            auto n = any();
            if (tokens_[at_].kind != Token::close)
                fail("a '(' without its ')'");
            at_++;
            return n;
        }
        const Token name = tokens_[at_];
        if (name.kind != Token::word)
            fail(name.kind == Token::end ? std::string("it ends where an attribute's name was expected")
                                         : "'" + name.text + "' where an attribute's name was expected");
        const store::AttributeColumn *column = nullptr;
        for (const store::AttributeColumn &c : columns_)
            if (c.name == name.text)
                column = &c;
        if (!column) {
            std::string known;
            for (const store::AttributeColumn &c : columns_)
                known += (known.empty() ? "" : ", ") + c.name;
            fail("no attribute " + name.text + " in the store (" +
                 (known.empty() ? std::string("none imported yet: meridoka-report participants import")
                                : "it has " + known) + ")");
        }
        at_++;
        if (tokens_[at_].kind != Token::op)
            fail("a comparison (=, !=, <, <=, >, >=) after " + name.text);
        auto n = std::make_unique<Filter::Node>();
        n->name = name.text;
        n->type = column->type;
        n->op = tokens_[at_++].text;
        if (tokens_[at_].kind != Token::word && tokens_[at_].kind != Token::quoted)
            fail("a value after " + name.text + " " + n->op);
        n->value = tokens_[at_++].text;
        if (n->type == store::AttributeType::number && !store::is_number_value(n->value))
            fail(name.text + " holds numbers; '" + n->value + "' is not one");
        if (n->type == store::AttributeType::date && !store::is_date_value(n->value))
            fail(name.text + " holds dates; '" + n->value + "' is not one (YYYY-MM-DD)");
        return n;
    }

    const std::string &text_;
    const std::vector<store::AttributeColumn> &columns_;
    std::vector<Token> tokens_;
    size_t at_ = 0;
};

bool holds(const Filter::Node &n, const std::map<std::string, std::string> &values)
{
    if (n.kind != Filter::Node::compare) {
        for (const auto &p : n.parts)
            if (holds(*p, values) == (n.kind == Filter::Node::any_of))
                return n.kind == Filter::Node::any_of;
        return n.kind == Filter::Node::all_of;
    }
    const auto v = values.find(n.name);
    if (v == values.end() || v->second.empty())
        return false;
    int order;
    if (n.type == store::AttributeType::number) {
        if (!store::is_number_value(v->second))
            return false;
        const double a = std::strtod(v->second.c_str(), nullptr), b = std::strtod(n.value.c_str(), nullptr);
        order = a < b ? -1 : a > b ? 1 : 0;
    } else {
        order = v->second.compare(n.value);  // dates YYYY-MM-DD order as text
        order = order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    return n.op == "=" ? order == 0 : n.op == "!=" ? order != 0 : n.op == "<" ? order < 0 : n.op == "<=" ? order <= 0
                                                                         : n.op == ">" ? order > 0 : order >= 0;
}

}  // namespace

Filter::Filter(const std::string &text, const std::vector<store::AttributeColumn> &columns)
    : root_(Parser(text, columns).whole())
{
}

Filter::~Filter() = default;

bool Filter::matches(const std::map<std::string, std::string> &values) const
{
    return holds(*root_, values);
}

}  // namespace report
