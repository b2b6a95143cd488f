#include "script/CodeParser.h"

#include "script/FunctionUnit.h"
#include "script/VariableNames.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

// Reads the tokens of a text into nodes, by recursive descent, one routine for each rule of
// the language. Reading stops at the first error of form, as running would stop there.
class Parser {
public:
    Parser(CodeTree& tree, const CFunctionRegistry& functions, int depth)
        : tree_(tree), functions_(functions), data_(tree.tokens.Data()),
          count_(tree.tokens.Count()), depth_(depth) {
        MarkLines();
    }

    // Starts reading at token `first` (from 1).
    void StartAt(int first) { current_ = first; }

    std::int32_t Logical();
    std::int32_t Block();
    std::int32_t Statement();

    bool Stopped() const { return stopped_; }
    // The deepest nesting reached so far.
    int Deepest() const { return deepestEver_; }

private:
    // One level of nesting for as long as the routine that entered it reads.
    class Nesting {
    public:
        explicit Nesting(Parser& parser) : parser_(parser) {
            ++parser_.depth_;
            parser_.deepest_ = std::max(parser_.deepest_, parser_.depth_);
            parser_.deepestEver_ = std::max(parser_.deepestEver_, parser_.depth_);
        }
        ~Nesting() { --parser_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

        bool TooDeep() const { return parser_.depth_ > kMaxNesting; }

    private:
        Parser& parser_;
    };

    std::int32_t Chain(NodeKind kind, std::int32_t op1, std::int32_t op2,
                       std::int32_t (Parser::*operand)());
    std::int32_t Comparison();
    std::int32_t Additive();
    std::int32_t Term();
    std::int32_t Factor();
    std::int32_t VariableReference(std::int32_t node);
    std::int32_t FunctionCall(std::int32_t node);

    std::int32_t Assignment(std::int32_t node);
    void IfStatement(std::int32_t node);
    void WhileStatement(std::int32_t node);
    void RepeatStatement(std::int32_t node);
    void ForallStatement(std::int32_t node);

    std::int32_t Kind() const { return current_ > count_ ? -1 : data_[current_ - 1].kind; }
    const CToken& Token() const { return data_[current_ - 1]; }
    void Skip();
    void SkipIf(std::int32_t kind) {
        if (Kind() == kind) {
            Skip();
        }
    }

    // The place of the current token in the text.
    CodePoint Here() const;
    void MarkLines();

    std::int32_t Add(NodeKind kind);
    CodeNode& At(std::int32_t node) { return tree_.nodes[static_cast<std::size_t>(node)]; }
    std::int32_t AddVariable(const CToken& token);
    // Records the first error of form, where reading stands, and stops reading. Answers the
    // error's number.
    std::int32_t Fail(std::string message);
    // The number of the error recorded last.
    std::int32_t LastError() const { return static_cast<std::int32_t>(tree_.errors.size()) - 1; }
    // A node that only reports an error when reached.
    std::int32_t ErrorNode(NodeKind kind, std::string message);

    CodeTree& tree_;
    const CFunctionRegistry& functions_;
    const CToken* data_;
    int count_;
    int current_ = 1;
    bool stopped_ = false;
    int depth_;
    // The deepest nesting reached while the current statement was read.
    int deepest_ = 0;
    int deepestEver_ = 0;
    // Line and position of every character index of the text, and of its end.
    std::vector<CodePoint> points_;
};

void Parser::MarkLines() {
    const std::string& text = tree_.text;
    points_.resize(text.size() + 1);
    CodePoint point;
    for (std::size_t i = 0; i < text.size(); ++i) {
        points_[i] = point;
        if (text[i] == '#') {
            ++point.line;
            point.position = 0;
        } else {
            ++point.position;
        }
    }
    points_[text.size()] = point;
}

// Past the last token the place is the start of the text.
CodePoint Parser::Here() const {
    if (current_ > count_) {
        return CodePoint{};
    }
    const std::int64_t end = std::clamp<std::int64_t>(
        Token().position, 0, static_cast<std::int64_t>(points_.size()) - 1);
    return points_[static_cast<std::size_t>(end)];
}

void Parser::Skip() {
    if (current_ > count_) {
        Fail("Internal Error: No symbol to skip");
        return;
    }
    ++current_;
}

std::int32_t Parser::Add(NodeKind kind) {
    CodeNode node;
    node.kind = kind;
    node.depth = depth_;
    node.at = Here();
    node.firstToken = current_;
    tree_.nodes.push_back(node);
    return static_cast<std::int32_t>(tree_.nodes.size() - 1);
}

std::int32_t Parser::AddVariable(const CToken& token) {
    tree_.variables.push_back({token.owner, token.index, token.name, token.prefix,
                               UserListOf(token.owner, token.index), NameKey(token.name)});
    return static_cast<std::int32_t>(tree_.variables.size() - 1);
}

std::int32_t Parser::Fail(std::string message) {
    if (stopped_) {
        return -1;
    }
    stopped_ = true;
    tree_.errors.push_back({std::move(message), Here()});
    return static_cast<std::int32_t>(tree_.errors.size() - 1);
}

std::int32_t Parser::ErrorNode(NodeKind kind, std::string message) {
    const std::int32_t node = Add(kind);
    At(node).error = Fail(std::move(message));
    return node;
}

// ---------------------------------------------------------------------------------------------
// Expressions, lowest precedence first. Each operator level folds its operands from the left.

std::int32_t Parser::Logical() {
    return Chain(NodeKind::Logical, kTokAnd, kTokOr, &Parser::Comparison);
}

bool IsComparison(std::int32_t kind) {
    return kind == kTokAssign || (kind >= kTokLess && kind <= kTokGreater);
}

std::int32_t Parser::Comparison() {
    const std::int32_t left = Additive();
    if (stopped_) {
        return left;
    }
    const std::int32_t op = Kind();
    if (!IsComparison(op)) {
        return left;
    }
    Skip();
    const std::int32_t node = Add(NodeKind::Comparison);
    const std::int32_t right = Additive();
    CodeNode& made = At(node);
    made.op = op;
    made.first = left;
    made.second = right;
    made.after = Here();
    return node;
}

std::int32_t Parser::Additive() {
    return Chain(NodeKind::Additive, kTokPlus, kTokMinus, &Parser::Term);
}

std::int32_t Parser::Term() {
    return Chain(NodeKind::Term, kTokTimes, kTokDivide, &Parser::Factor);
}

// Operands of the next level joined by either operator, as long as they come. A single
// operand is that operand's node.
std::int32_t Parser::Chain(NodeKind kind, std::int32_t op1, std::int32_t op2,
                           std::int32_t (Parser::*operand)()) {
    const std::int32_t first = (this->*operand)();
    std::vector<CodeLink> links;
    while (!stopped_) {
        const std::int32_t op = Kind();
        if (op != op1 && op != op2) {
            break;
        }
        Skip();
        const std::int32_t right = (this->*operand)();
        links.push_back({op, right, Here()});
    }
    if (links.empty()) {
        return first;
    }
    const std::int32_t node = Add(kind);
    CodeNode& made = At(node);
    made.first = first;
    made.listStart = static_cast<std::int32_t>(tree_.links.size());
    made.listCount = static_cast<std::int32_t>(links.size());
    tree_.links.insert(tree_.links.end(), links.begin(), links.end());
    return node;
}

std::int32_t Parser::Factor() {
    const std::int32_t kind = Kind();
    if (kind == kTokValue) {
        const std::int32_t node = Add(NodeKind::Value);
        tree_.constants.push_back(Token().value);
        At(node).detail = static_cast<std::int32_t>(tree_.constants.size() - 1);
        Skip();
        return node;
    }
    const Nesting nesting(*this);
    if (nesting.TooDeep()) {
        return ErrorNode(NodeKind::FactorError, kNestedTooDeeply);
    }
    switch (kind) {
    case kTokVariable:
        return VariableReference(Add(NodeKind::Variable));
    case kTokFunction:
        return FunctionCall(Add(NodeKind::Call));
    case kTokOpenParen: {
        const std::int32_t node = Add(NodeKind::Parenthesis);
        Skip();
        const std::int32_t inner = Logical();
        At(node).first = inner;
        if (!stopped_) {
            if (Kind() == kTokCloseParen) {
                Skip();
            } else {
                At(node).error = Fail(") expected.");
            }
        }
        return node;
    }
    case kTokNot:
    case kTokPlus:
    case kTokMinus: {
        const std::int32_t node = Add(kind == kTokNot    ? NodeKind::Not
                                      : kind == kTokPlus ? NodeKind::UnaryPlus
                                                         : NodeKind::UnaryMinus);
        Skip();
        const std::int32_t inner = Factor();
        At(node).first = inner;
        return node;
    }
    default:
        return ErrorNode(NodeKind::FactorError, "Unexpected symbol");
    }
}

std::int32_t Parser::VariableReference(std::int32_t node) {
    const CToken& token = Token();
    if (token.owner == kOwnerUnknown) {
        At(node).kind = NodeKind::FactorError;
        At(node).error = Fail("Object " + token.prefix + " does not exist.");
        return node;
    }
    At(node).detail = AddVariable(token);
    Skip();
    if (Kind() == kTokOpenBracket) {
        Skip();
        const std::int32_t index = Logical();
        At(node).first = index;
        if (stopped_) {
            return node;
        }
        if (Kind() != kTokCloseBracket) {
            At(node).error = Fail("] expected.");
            return node;
        }
        Skip();
    }
    At(node).after = Here();
    return node;
}

std::int32_t Parser::FunctionCall(std::int32_t node) {
    const CToken& token = Token();
    At(node).detail = token.index;
    Skip(); // the name
    Skip(); // "(", which always follows a function's name
    std::vector<std::int32_t> arguments;
    const auto finish = [&] {
        At(node).listStart = static_cast<std::int32_t>(tree_.lists.size());
        At(node).listCount = static_cast<std::int32_t>(arguments.size());
        tree_.lists.insert(tree_.lists.end(), arguments.begin(), arguments.end());
        return node;
    };
    if (stopped_) {
        At(node).error = LastError();
        return finish();
    }
    if (Kind() != kTokCloseParen) {
        while (true) {
            if (stopped_) {
                return finish();
            }
            arguments.push_back(Logical());
            if (stopped_) {
                return finish();
            }
            const std::int32_t next = Kind();
            if (next == kTokCloseParen) {
                break;
            }
            // An eleventh argument is refused before it is read.
            if (static_cast<int>(arguments.size()) == kMaxFunctionArguments) {
                At(node).error = Fail("Too many arguments.");
                return finish();
            }
            if (next != kTokComma) {
                At(node).error = Fail(") or , expected.");
                return finish();
            }
            Skip();
        }
    }
    Skip(); // ")"
    if (token.index == -1) {
        At(node).error = Fail("Function " + token.name + " does not exist.");
    } else if (static_cast<int>(arguments.size()) != functions_.GetFunctionArgCount(token.index)) {
        At(node).error = Fail("Wrong number of arguments for function " + token.name + ".");
    }
    At(node).after = Here();
    return finish();
}

// ---------------------------------------------------------------------------------------------
// Statements

std::int32_t Parser::Statement() {
    const int outerDeepest = deepest_;
    const int depthBefore = depth_;
    const std::size_t errorsBefore = tree_.errors.size();
    deepest_ = depth_;
    std::int32_t node = -1;
    {
        const Nesting nesting(*this);
        if (nesting.TooDeep()) {
            node = ErrorNode(NodeKind::StatementError, kNestedTooDeeply);
        } else {
            switch (Kind()) {
            case kTokEndOfText:
                node = ErrorNode(NodeKind::StatementError, "Unexpected end of code.");
                break;
            case kTokVariable:
                node = Assignment(Add(NodeKind::Assignment));
                break;
            case kTokFunction:
                node = FunctionCall(Add(NodeKind::Call));
                break;
            case kTokBlockStart:
                node = Block();
                break;
            case kTokIf:
                node = Add(NodeKind::If);
                Skip();
                IfStatement(node);
                break;
            case kTokWhile:
                node = Add(NodeKind::While);
                Skip();
                WhileStatement(node);
                break;
            case kTokRepeat:
                node = Add(NodeKind::Repeat);
                Skip();
                RepeatStatement(node);
                break;
            case kTokExit:
                node = Add(NodeKind::Exit);
                Skip();
                break;
            case kTokForall:
            case kTokForallInstances:
                node = Add(NodeKind::Forall);
                At(node).op = Kind() == kTokForallInstances ? 1 : 0;
                Skip();
                ForallStatement(node);
                break;
            case kTokSemicolon:
                node = Add(NodeKind::Empty);
                Skip();
                break;
            default:
                node = ErrorNode(NodeKind::StatementError, "Unexpected symbol: ");
                break;
            }
        }
    }
    CodeNode& made = At(node);
    made.skipDepth = deepest_ - depthBefore;
    if (tree_.errors.size() > errorsBefore) {
        made.skipError = static_cast<std::int32_t>(errorsBefore);
    }
    deepest_ = std::max(outerDeepest, deepest_);
    return node;
}

// A block reads statements up to its end; anything else is a single statement.
std::int32_t Parser::Block() {
    if (Kind() != kTokBlockStart) {
        return Statement();
    }
    const std::int32_t node = Add(NodeKind::Block);
    Skip();
    std::vector<std::int32_t> statements;
    while (Kind() != kTokBlockEnd) {
        statements.push_back(Statement());
        if (stopped_) {
            break;
        }
    }
    if (!stopped_) {
        Skip();
    }
    At(node).listStart = static_cast<std::int32_t>(tree_.lists.size());
    At(node).listCount = static_cast<std::int32_t>(statements.size());
    tree_.lists.insert(tree_.lists.end(), statements.begin(), statements.end());
    return node;
}

std::int32_t Parser::Assignment(std::int32_t node) {
    const CToken& token = Token();
    if (token.owner == kOwnerUnknown) {
        At(node).kind = NodeKind::StatementError;
        At(node).error = Fail("Object " + token.prefix + " does not exist.");
        return node;
    }
    At(node).detail = AddVariable(token);
    Skip();
    // Whatever follows is taken as the operator; only running it tells a wrong one.
    std::int32_t op = Kind();
    Skip();
    if (stopped_) {
        // Only a list of tokens without its end runs out here.
        At(node).kind = NodeKind::StatementError;
        At(node).error = LastError();
        return node;
    }
    if (op == kTokOpenBracket) {
        const std::int32_t index = Logical();
        At(node).first = index;
        if (stopped_) {
            return node;
        }
        const std::int32_t closing = Kind();
        Skip();
        if (closing != kTokCloseBracket) {
            Fail("] expected.");
        }
        op = Kind();
        if (!stopped_) {
            Skip();
        }
        if (stopped_) {
            At(node).error = LastError();
            return node;
        }
    }
    At(node).op = op;
    At(node).read = Here();
    if (stopped_) {
        return node;
    }
    const std::int32_t value = Logical();
    At(node).second = value;
    At(node).after = Here();
    return node;
}

void Parser::IfStatement(std::int32_t node) {
    const std::int32_t condition = Logical();
    At(node).first = condition;
    if (stopped_) {
        return;
    }
    SkipIf(kTokThen);
    const std::int32_t then = Statement();
    At(node).second = then;
    if (stopped_) {
        return;
    }
    // The then-branch may end in ";" before the else.
    SkipIf(kTokSemicolon);
    if (Kind() == kTokElse) {
        Skip();
        const std::int32_t otherwise = Statement();
        At(node).third = otherwise;
    }
}

void Parser::WhileStatement(std::int32_t node) {
    const std::int32_t condition = Logical();
    At(node).first = condition;
    if (stopped_) {
        return;
    }
    SkipIf(kTokDo);
    const std::int32_t body = Statement();
    At(node).second = body;
    At(node).after = Here();
}

void Parser::RepeatStatement(std::int32_t node) {
    const std::int32_t count = Logical();
    At(node).first = count;
    if (stopped_) {
        return;
    }
    const std::int32_t body = Statement();
    At(node).second = body;
    At(node).after = Here();
}

void Parser::ForallStatement(std::int32_t node) {
    if (At(node).op == 0) {
        const std::int32_t object = Logical();
        At(node).first = object;
        if (stopped_) {
            return;
        }
    }
    SkipIf(kTokDo);
    const std::int32_t body = Statement();
    At(node).second = body;
}

ScriptError ErrorOf(const CodeError& error) {
    return ScriptError{error.point.line, error.point.position, error.message, false};
}

} // namespace

void ParseText(CodeTree& tree, const CFunctionRegistry& functions) {
    if (tree.form == CodeForm::None || tree.text.empty()) {
        return;
    }
    Parser parser(tree, functions, 0);
    tree.root = tree.form == CodeForm::Expression ? parser.Logical() : parser.Block();
    tree.deepest = parser.Deepest();
}

std::optional<ScriptError> SkipError(const CodeTree& tree, const CodeNode& node, int depth,
                                     const CFunctionRegistry& functions) {
    // Read again from the statement's first token into a scratch tree, starting at the depth
    // in use: the nesting limit now falls inside the statement.
    CodeTree scratch;
    scratch.text = tree.text;
    scratch.tokens = tree.tokens;
    Parser parser(scratch, functions, depth);
    parser.StartAt(node.firstToken);
    parser.Statement();
    if (scratch.errors.empty()) {
        return std::nullopt;
    }
    return ErrorOf(scratch.errors.front());
}

std::optional<ScriptError> FirstError(const CodeTree& tree) {
    if (tree.errors.empty()) {
        return std::nullopt;
    }
    return ErrorOf(tree.errors.front());
}

} // namespace velkaro
