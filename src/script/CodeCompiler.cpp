#include "script/CodeCompiler.h"

#include "data/ActionClass.h"
#include "data/ObjectClass.h"
#include "script/ActionArguments.h"
#include "script/FunctionUnit.h"
#include "script/VariableNames.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace velkaro {
namespace {

// Reads the tokens of a text into nodes, by recursive descent, one routine for each rule of
// the language. Reading stops at the first error of form, as running would stop there.
class Compiler {
public:
    Compiler(CodeTree& tree, const CFunctionRegistry& functions, int depth)
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
        explicit Nesting(Compiler& compiler) : compiler_(compiler) {
            ++compiler_.depth_;
            compiler_.deepest_ = std::max(compiler_.deepest_, compiler_.depth_);
            compiler_.deepestEver_ = std::max(compiler_.deepestEver_, compiler_.depth_);
        }
        ~Nesting() { --compiler_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

        bool TooDeep() const { return compiler_.depth_ > kMaxNesting; }

    private:
        Compiler& compiler_;
    };

    std::int32_t Chain(NodeKind kind, std::int32_t op1, std::int32_t op2,
                       std::int32_t (Compiler::*operand)());
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

void Compiler::MarkLines() {
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
CodePoint Compiler::Here() const {
    if (current_ > count_) {
        return CodePoint{};
    }
    const std::int64_t end = std::clamp<std::int64_t>(
        Token().position, 0, static_cast<std::int64_t>(points_.size()) - 1);
    return points_[static_cast<std::size_t>(end)];
}

void Compiler::Skip() {
    if (current_ > count_) {
        Fail("Internal Error: No symbol to skip");
        return;
    }
    ++current_;
}

std::int32_t Compiler::Add(NodeKind kind) {
    CodeNode node;
    node.kind = kind;
    node.depth = depth_;
    node.at = Here();
    node.firstToken = current_;
    tree_.nodes.push_back(node);
    return static_cast<std::int32_t>(tree_.nodes.size() - 1);
}

std::int32_t Compiler::AddVariable(const CToken& token) {
    tree_.variables.push_back({token.owner, token.index, token.name, token.prefix,
                               UserListOf(token.owner, token.index), NameKey(token.name)});
    return static_cast<std::int32_t>(tree_.variables.size() - 1);
}

std::int32_t Compiler::Fail(std::string message) {
    if (stopped_) {
        return -1;
    }
    stopped_ = true;
    tree_.errors.push_back({std::move(message), Here()});
    return static_cast<std::int32_t>(tree_.errors.size() - 1);
}

std::int32_t Compiler::ErrorNode(NodeKind kind, std::string message) {
    const std::int32_t node = Add(kind);
    At(node).error = Fail(std::move(message));
    return node;
}

// ---------------------------------------------------------------------------------------------
// Expressions, lowest precedence first. Each operator level folds its operands from the left.

std::int32_t Compiler::Logical() {
    return Chain(NodeKind::Logical, kTokAnd, kTokOr, &Compiler::Comparison);
}

bool IsComparison(std::int32_t kind) {
    return kind == kTokAssign || (kind >= kTokLess && kind <= kTokGreater);
}

std::int32_t Compiler::Comparison() {
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

std::int32_t Compiler::Additive() {
    return Chain(NodeKind::Additive, kTokPlus, kTokMinus, &Compiler::Term);
}

std::int32_t Compiler::Term() {
    return Chain(NodeKind::Term, kTokTimes, kTokDivide, &Compiler::Factor);
}

// Operands of the next level joined by either operator, as long as they come. A single
// operand is that operand's node.
std::int32_t Compiler::Chain(NodeKind kind, std::int32_t op1, std::int32_t op2,
                             std::int32_t (Compiler::*operand)()) {
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

std::int32_t Compiler::Factor() {
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

std::int32_t Compiler::VariableReference(std::int32_t node) {
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

std::int32_t Compiler::FunctionCall(std::int32_t node) {
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

std::int32_t Compiler::Statement() {
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
std::int32_t Compiler::Block() {
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

std::int32_t Compiler::Assignment(std::int32_t node) {
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

void Compiler::IfStatement(std::int32_t node) {
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

void Compiler::WhileStatement(std::int32_t node) {
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

void Compiler::RepeatStatement(std::int32_t node) {
    const std::int32_t count = Logical();
    At(node).first = count;
    if (stopped_) {
        return;
    }
    const std::int32_t body = Statement();
    At(node).second = body;
    At(node).after = Here();
}

void Compiler::ForallStatement(std::int32_t node) {
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

// Marks the expressions of constants, variables of self and operators below `index`.
bool MarkArithmetic(CodeTree& tree, std::int32_t index) {
    if (index < 0) {
        return false;
    }
    CodeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const bool first = MarkArithmetic(tree, node.first);
    const bool second = MarkArithmetic(tree, node.second);
    MarkArithmetic(tree, node.third);
    const bool chain = node.kind == NodeKind::Logical || node.kind == NodeKind::Additive ||
                       node.kind == NodeKind::Term;
    bool links = true;
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        const auto item = static_cast<std::size_t>(node.listStart + i);
        if (chain) {
            links = MarkArithmetic(tree, tree.links[item].operand) && links;
        } else {
            MarkArithmetic(tree, tree.lists[item]);
        }
    }
    bool arithmetic = false;
    switch (node.kind) {
    case NodeKind::Value:
        arithmetic = true;
        break;
    case NodeKind::Variable:
        // Reading any variable changes nothing.
        arithmetic = node.first < 0 || first;
        break;
    case NodeKind::Logical:
    case NodeKind::Additive:
    case NodeKind::Term:
        arithmetic = first && links;
        break;
    case NodeKind::Comparison:
        arithmetic = first && second;
        break;
    case NodeKind::Parenthesis:
    case NodeKind::Not:
    case NodeKind::UnaryPlus:
    case NodeKind::UnaryMinus:
        arithmetic = first;
        break;
    case NodeKind::Assignment: {
        const CodeVariable& variable = tree.variables[static_cast<std::size_t>(node.detail)];
        arithmetic = variable.user != UserList::None && (node.first < 0 || first) && second;
        break;
    }
    default:
        break;
    }
    node.arithmetic = arithmetic && node.error < 0;
    return node.arithmetic;
}

// Calls `visit` with each child of node `index`: operands, branches, arguments, statements.
template <typename Visit>
void ForEachChild(const CodeTree& tree, const CodeNode& node, Visit visit) {
    for (const std::int32_t child : {node.first, node.second, node.third}) {
        if (child >= 0) {
            visit(child);
        }
    }
    const bool chain = node.kind == NodeKind::Logical || node.kind == NodeKind::Additive ||
                       node.kind == NodeKind::Term;
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        const auto item = static_cast<std::size_t>(node.listStart + i);
        visit(chain ? tree.links[item].operand : tree.lists[item]);
    }
}

// The operator of a chain or comparison, by its token.
QuickOp OperatorOp(std::int32_t op) {
    switch (op) {
    case kTokAnd:
        return QuickOp::And;
    case kTokOr:
        return QuickOp::Or;
    case kTokPlus:
        return QuickOp::Add;
    case kTokMinus:
        return QuickOp::Subtract;
    case kTokTimes:
        return QuickOp::Multiply;
    case kTokDivide:
        return QuickOp::Divide;
    case kTokLess:
        return QuickOp::Less;
    case kTokLessEqual:
        return QuickOp::LessEqual;
    case kTokAssign:
    case kTokEqual:
        return QuickOp::Equal;
    case kTokNotEqual:
        return QuickOp::NotEqual;
    case kTokGreaterEqual:
        return QuickOp::GreaterEqual;
    default:
        return QuickOp::Greater;
    }
}

// Writes arithmetic node `index` out flat behind what tree.quick holds, with `height` numbers
// already on the stack, and gives each node written its run. False when it cannot be written
// out: a constant that is not a plain number, or more numbers at once than the stack holds.
bool Flatten(CodeTree& tree, std::int32_t index, int height) {
    if (height >= kQuickStackSize) {
        return false;
    }
    const CodeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const auto start = static_cast<std::int32_t>(tree.quick.size());
    const auto step = [&tree](QuickOp op, std::int32_t detail = 0,
                              double number = 0) -> QuickStep& {
        QuickStep& written = tree.quick.emplace_back();
        written.op = op;
        written.detail = detail;
        written.number = number;
        return written;
    };
    // An operator after its right operand: a constant operand, just pushed, is taken into the
    // operator. Only a bare constant: any other node (a constant in brackets) keeps its own run
    // of that one step, which must stay as it is.
    const auto binary = [&tree, &step](std::int32_t token, std::int32_t operand) {
        const QuickOp op = OperatorOp(token);
        if (tree.nodes[static_cast<std::size_t>(operand)].kind == NodeKind::Value) {
            QuickStep& last = tree.quick.back();
            assert(last.op == QuickOp::Number);
            last.op = static_cast<QuickOp>(static_cast<int>(op) + 1);
        } else {
            step(op);
        }
    };
    switch (node.kind) {
    case NodeKind::Value: {
        const RValue& constant = tree.constants[static_cast<std::size_t>(node.detail)];
        if (!constant.IsReal() || !constant.string.empty()) {
            return false;
        }
        step(QuickOp::Number, 0, constant.real);
        break;
    }
    case NodeKind::Variable: {
        if (node.first >= 0 && !Flatten(tree, node.first, height)) {
            return false;
        }
        const CodeVariable& variable = tree.variables[static_cast<std::size_t>(node.detail)];
        QuickStep& read =
            step(node.first >= 0 ? QuickOp::IndexedVariable : QuickOp::Variable, node.detail);
        read.user = variable.user;
        read.key = variable.key;
        break;
    }
    case NodeKind::Parenthesis:
    case NodeKind::UnaryPlus:
        if (!Flatten(tree, node.first, height)) {
            return false;
        }
        break;
    case NodeKind::UnaryMinus:
    case NodeKind::Not:
        if (!Flatten(tree, node.first, height)) {
            return false;
        }
        step(node.kind == NodeKind::Not ? QuickOp::Not : QuickOp::Negate);
        break;
    case NodeKind::Comparison:
        if (!Flatten(tree, node.first, height) || !Flatten(tree, node.second, height + 1)) {
            return false;
        }
        binary(node.op, node.second);
        break;
    case NodeKind::Logical:
    case NodeKind::Additive:
    case NodeKind::Term:
        if (!Flatten(tree, node.first, height)) {
            return false;
        }
        for (std::int32_t i = 0; i < node.listCount; ++i) {
            const CodeLink& link = tree.links[static_cast<std::size_t>(node.listStart + i)];
            if (!Flatten(tree, link.operand, height + 1)) {
                return false;
            }
            binary(link.op, link.operand);
        }
        break;
    default:
        return false;
    }
    // Constants and plain variables are read directly, quicker than from a run of one step.
    if (node.kind == NodeKind::Value || (node.kind == NodeKind::Variable && node.first < 0)) {
        return true;
    }
    CodeNode& written = tree.nodes[static_cast<std::size_t>(index)];
    written.quickStart = start;
    written.quickCount = static_cast<std::int32_t>(tree.quick.size()) - start;
    return true;
}

void ForgetQuick(CodeTree& tree, std::int32_t index) {
    CodeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    node.quickStart = 0;
    node.quickCount = 0;
    ForEachChild(tree, node, [&tree](std::int32_t child) { ForgetQuick(tree, child); });
}

// Writes out flat every outermost arithmetic expression under node `index` that can be;
// those that cannot be are looked into for smaller ones.
void WriteQuick(CodeTree& tree, std::int32_t index) {
    const CodeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const bool expression = node.kind != NodeKind::Value && node.kind != NodeKind::Assignment;
    if (node.arithmetic && expression) {
        const std::size_t start = tree.quick.size();
        if (Flatten(tree, index, 0)) {
            return;
        }
        tree.quick.resize(start);
        ForgetQuick(tree, index);
    }
    ForEachChild(tree, tree.nodes[static_cast<std::size_t>(index)],
                 [&tree](std::int32_t child) { WriteQuick(tree, child); });
}

ScriptError ErrorOf(const CodeError& error) {
    return ScriptError{error.point.line, error.point.position, error.message, false};
}

} // namespace

CodeTree CompileText(std::string text, CTokenList tokens, CodeForm form,
                     const CFunctionRegistry& functions) {
    CodeTree tree;
    tree.form = form;
    tree.text = std::move(text);
    tree.tokens = std::move(tokens);
    if (form == CodeForm::None || tree.text.empty()) {
        return tree;
    }
    Compiler compiler(tree, functions, 0);
    tree.root = form == CodeForm::Expression ? compiler.Logical() : compiler.Block();
    tree.deepest = compiler.Deepest();
    MarkArithmetic(tree, tree.root);
    if (tree.root >= 0) {
        WriteQuick(tree, tree.root);
    }
    return tree;
}

CodeTree PrepareText(const std::string& text, CodeForm form, const TokenNames& names) {
    return CompileText(text, Tokenize(text, names), form, names.functions);
}

std::optional<ScriptError> SkipError(const CodeTree& tree, const CodeNode& node, int depth,
                                     const CFunctionRegistry& functions) {
    // Read again from the statement's first token into a scratch tree, starting at the depth
    // in use: the nesting limit now falls inside the statement.
    CodeTree scratch;
    scratch.text = tree.text;
    scratch.tokens = tree.tokens;
    Compiler compiler(scratch, functions, depth);
    compiler.StartAt(node.firstToken);
    compiler.Statement();
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

void PrepareAction(CAction& action, const TokenNames& names) {
    const ActionArgumentKinds kinds = ArgumentKindsOf(action.id);
    for (std::size_t i = 0; i < action.arguments.size(); ++i) {
        const std::string& text = action.arguments[i];
        CodeForm form = CodeForm::None;
        switch (kinds[i]) {
        case ArgumentKind::Expression:
            form = CodeForm::Expression;
            break;
        case ArgumentKind::Text:
            form = IsQuotedText(text) ? CodeForm::Expression : CodeForm::None;
            break;
        case ArgumentKind::Code:
            form = CodeForm::Code;
            break;
        case ArgumentKind::Unused:
        case ArgumentKind::Font:
            break;
        }
        action.code[i] = PrepareText(text, form, names);
    }
}

void PrepareActions(CObjectList& objects, const TokenNames& names) {
    for (int o = 1; o <= objects.Count(); ++o) {
        objects.Get(o).ForEachEventList([&names](int, int, CActionList& list) {
            for (int i = 1; i <= list.Count(); ++i) {
                PrepareAction(list.Get(i), names);
            }
        });
    }
}

} // namespace velkaro
