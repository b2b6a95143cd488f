#include "functions/ActionHandlers.h"

#include "base/VariableClass.h"
#include "engine/GameParts.h"
#include "script/ActionArguments.h"
#include "world/InstanceClass.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace velkaro {
namespace {

// Arguments are numbered from 1, as the actions' descriptions number them.
double Real(GameParts& parts, CInstance& self, CInstance& other, const CAction& action, int n) {
    const auto k = static_cast<std::size_t>(n - 1);
    return parts.interpreter.EvaluateReal(self, other, action.code[k]);
}

// A text argument is shown as typed unless it begins with a quote, when it is an expression.
std::string Text(GameParts& parts, CInstance& self, CInstance& other, const CAction& action,
                 int n) {
    const auto k = static_cast<std::size_t>(n - 1);
    const std::string& argument = action.arguments[k];
    if (!IsQuotedText(argument)) {
        return argument;
    }
    return parts.interpreter.EvaluateString(self, other, action.code[k]);
}

void Code(GameParts& parts, CInstance& self, CInstance& other, const CAction& action, int n) {
    const auto k = static_cast<std::size_t>(n - 1);
    parts.interpreter.ExecuteCode(self, other, action.code[k]);
}

bool Relative(const CAction& action) {
    return action.relative == 1;
}

// 32-bit sums wrap, as the game's integers do, instead of overflowing.
std::int32_t WrappingSum(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

struct Position {
    double x;
    double y;
};

// Arguments 1 and 2, both evaluated before anything moves; relative to self where it is once
// they are known.
Position PositionArguments(GameParts& parts, CInstance& self, CInstance& other,
                           const CAction& action) {
    const double x = Real(parts, self, other, action, 1);
    const double y = Real(parts, self, other, action, 2);
    if (Relative(action)) {
        return {x + self.x, y + self.y};
    }
    return {x, y};
}

// A sound number as stored: an optional sign and decimal digits, nothing else.
std::optional<std::int32_t> SoundNumber(const std::string& text) {
    std::int32_t number = 0;
    const char* const end = text.data() + text.size();
    const char* begin = text.data();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [last, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || last != end || begin == end) {
        return std::nullopt;
    }
    return number;
}

constexpr int kGridSize = 9;

bool RandomDirection(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    // Laid out as a numeric keypad: character k is the direction of key k, "5" standing still.
    const std::string grid = Text(parts, self, other, action, 1);
    const auto allowed = [&grid](int r) {
        return static_cast<std::size_t>(r) < grid.size() &&
               grid[static_cast<std::size_t>(r)] == '1';
    };
    bool any = false;
    for (int r = 0; r < kGridSize; ++r) {
        any = any || allowed(r);
    }
    if (!any) {
        return true;
    }
    int r = RandomBelow(parts.state.random, kGridSize);
    while (!allowed(r)) {
        r = RandomBelow(parts.state.random, kGridSize);
    }
    self.SetHdir(r % 3 - 1);
    self.SetVdir(1 - r / 3);
    return true;
}

bool ReverseHorizontal(GameParts&, CInstance& self, CInstance&, const CAction&) {
    self.SetHdir(-self.hdir);
    return true;
}

bool ReverseVertical(GameParts&, CInstance& self, CInstance&, const CAction&) {
    self.SetVdir(-self.vdir);
    return true;
}

bool JumpTo(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    self.SetX(at.x);
    self.SetY(at.y);
    return true;
}

bool JumpToRandomCell(GameParts& parts, CInstance& self, CInstance&, const CAction&) {
    parts.rooms.PlaceRandom(self);
    return true;
}

bool BounceOff(GameParts& parts, CInstance& self, CInstance& other, const CAction&) {
    parts.rooms.Bounce(self, other);
    return true;
}

bool SetHorizontalSpeed(GameParts& parts, CInstance& self, CInstance& other,
                        const CAction& action) {
    const double value = Real(parts, self, other, action, 1);
    self.SetHspeed(Relative(action) ? self.hspeed + value : value);
    return true;
}

bool SetVerticalSpeed(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const double value = Real(parts, self, other, action, 1);
    self.SetVspeed(Relative(action) ? self.vspeed + value : value);
    return true;
}

bool SetGravity(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const double direction = Real(parts, self, other, action, 1);
    const double amount = Real(parts, self, other, action, 2);
    self.gravitydir = Relative(action) ? self.gravitydir + direction : direction;
    self.gravity = Relative(action) ? self.gravity + amount : amount;
    return true;
}

bool SetFriction(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const double value = Real(parts, self, other, action, 1);
    self.friction = Relative(action) ? self.friction + value : value;
    return true;
}

bool SetMotion(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const double direction = Real(parts, self, other, action, 1);
    const double speed = Real(parts, self, other, action, 2);
    if (Relative(action)) {
        self.AddMotion(speed, direction);
    } else {
        self.SetDirection(direction);
        self.SetSpeed(speed);
    }
    return true;
}

bool SetAlarm(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const std::int32_t value = RoundToInt32(Real(parts, self, other, action, 1));
    const std::int32_t alarm = RoundToInt32(Real(parts, self, other, action, 2));
    // Any relative mark counts here, and an alarm that is off starts from nothing.
    const std::int32_t current = self.GetAlarm(alarm);
    if (action.relative != 0 && current >= 0) {
        self.SetAlarm(alarm, WrappingSum(current, value));
    } else {
        self.SetAlarm(alarm, value);
    }
    return true;
}

bool CreateInstance(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    parts.rooms.CreateInstance(self, other, action.actionObject, at.x, at.y);
    return true;
}

bool DestroySelf(GameParts& parts, CInstance& self, CInstance&, const CAction&) {
    parts.rooms.DestroyInstance(self);
    return true;
}

bool ChangeSelf(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    parts.rooms.ChangeInstance(self, ResolveObject(self, other, action.actionObject));
    return true;
}

bool DestroyAtPosition(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    parts.rooms.DestroyAt(at.x, at.y);
    return true;
}

bool PlaySound(GameParts& parts, CInstance&, CInstance&, const CAction& action) {
    // The number is stored as written, not as an expression.
    const std::optional<std::int32_t> number = SoundNumber(action.arguments[0]);
    // A number that cannot be read is a sound that does not exist.
    if (number.has_value()) {
        parts.shell.PlaySound(*number, 2);
    } else {
        parts.errors.ReportGameError("Trying to play non-existing sound: " + action.arguments[0],
                                     false);
    }
    return true;
}

bool ShowMessage(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    parts.shell.ShowGameMessage(Text(parts, self, other, action, 1));
    return true;
}

bool SetScore(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const std::int32_t value = RoundToInt32(Real(parts, self, other, action, 1));
    parts.rooms.SetScore(Relative(action) ? WrappingSum(parts.state.score, value) : value);
    return true;
}

bool ShowHighscores(GameParts& parts, CInstance&, CInstance&, const CAction&) {
    parts.shell.ShowHighscores(parts.state.score);
    return true;
}

bool GotoRoom(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const std::int32_t room = RoundToInt32(Real(parts, self, other, action, 1));
    parts.rooms.GotoRoom(Relative(action) ? WrappingSum(parts.state.room, room) : room);
    return true;
}

bool EndGame(GameParts& parts, CInstance&, CInstance&, const CAction&) {
    parts.rooms.FinishGame();
    return true;
}

bool Sleep(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    parts.shell.SleepFor(RoundToInt32(Real(parts, self, other, action, 1)));
    return true;
}

// Exit, else and the block marks are carried out by the executor itself.
bool HandledByExecutor(GameParts&, CInstance&, CInstance&, const CAction&) {
    return true;
}

bool IsFreeAt(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    return parts.rooms.IsFree(self, at.x, at.y);
}

bool IsCount(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const double expected = Real(parts, self, other, action, 1);
    return expected == parts.rooms.CountInstances(self, other, action.actionObject);
}

bool IsMeetingAt(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    return parts.rooms.IsMeeting(self, other, action.actionObject, at.x, at.y);
}

bool IsNotFreeAt(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    return !IsFreeAt(parts, self, other, action);
}

bool IsLeftButton(GameParts& parts, CInstance&, CInstance&, const CAction&) {
    return parts.state.mousebutton == 1;
}

bool IsRightButton(GameParts& parts, CInstance&, CInstance&, const CAction&) {
    return parts.state.mousebutton == 2;
}

bool IsNoButton(GameParts& parts, CInstance&, CInstance&, const CAction&) {
    return parts.state.mousebutton == 0;
}

bool AskUser(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    return parts.shell.ShowQuestion(Text(parts, self, other, action, 1));
}

bool IsTrue(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    return RoundToInteger(Real(parts, self, other, action, 1)) >= 1;
}

bool ExecuteCode(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    Code(parts, self, other, action, 1);
    return true;
}

bool ExecuteThirdArgument(GameParts& parts, CInstance& self, CInstance& other,
                          const CAction& action) {
    Code(parts, self, other, action, 3);
    return true;
}

bool DrawObjectImage(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    parts.shell.DrawObjectAt(self, other, action.actionObject, at.x, at.y);
    return true;
}

// The drawing actions draw with the running game's drawing unit.
void DrawTextOnRoom(GameParts& parts, double x, double y, const std::string& text) {
    if (!parts.drawing.DrawText(x, y, text)) {
        parts.errors.ReportGameError(TooLongToLayOut("Text to draw", text), false);
    }
}

void SetDrawingFont(GameParts& parts, const FontDescription& font) {
    parts.drawing.SetFontFrom(font);
}

} // namespace

PlacedText EvaluatePlacedText(GameParts& parts, CInstance& self, CInstance& other,
                              const CAction& action) {
    const Position at = PositionArguments(parts, self, other, action);
    return {at.x, at.y, Text(parts, self, other, action, 3)};
}

CActionRegistry BuildActionRegistry(Dialogs& dialogs) {
    CActionRegistry registry(dialogs);
    RegisterActions(registry);
    return registry;
}

void RegisterActions(CActionRegistry& registry) {
    constexpr bool kQuestion = true;
    constexpr bool kAction = false;
    constexpr bool kAppliesTo = true;
    constexpr bool kSelfOnly = false;

    registry.RegisterAction(101, kAction, kAppliesTo, RandomDirection);
    registry.RegisterAction(102, kAction, kAppliesTo, ReverseHorizontal);
    registry.RegisterAction(103, kAction, kAppliesTo, ReverseVertical);
    registry.RegisterAction(104, kAction, kAppliesTo, JumpTo);
    registry.RegisterAction(105, kAction, kAppliesTo, JumpToRandomCell);
    registry.RegisterAction(106, kAction, kAppliesTo, BounceOff);
    registry.RegisterAction(111, kAction, kAppliesTo, SetHorizontalSpeed);
    registry.RegisterAction(112, kAction, kAppliesTo, SetVerticalSpeed);
    registry.RegisterAction(121, kAction, kAppliesTo, SetGravity);
    registry.RegisterAction(122, kAction, kAppliesTo, SetFriction);
    registry.RegisterAction(131, kAction, kAppliesTo, SetMotion);
    registry.RegisterAction(201, kAction, kAppliesTo, SetAlarm);
    registry.RegisterAction(311, kAction, kAppliesTo, CreateInstance);
    registry.RegisterAction(312, kAction, kAppliesTo, DestroySelf);
    registry.RegisterAction(313, kAction, kAppliesTo, ChangeSelf);
    registry.RegisterAction(321, kAction, kAppliesTo, DestroyAtPosition);
    registry.RegisterAction(401, kAction, kSelfOnly, PlaySound);
    registry.RegisterAction(411, kAction, kSelfOnly, ShowMessage);
    registry.RegisterAction(421, kAction, kSelfOnly, SetScore);
    registry.RegisterAction(431, kAction, kSelfOnly, ShowHighscores);
    registry.RegisterAction(501, kAction, kSelfOnly, GotoRoom);
    registry.RegisterAction(511, kAction, kSelfOnly, EndGame);
    registry.RegisterAction(521, kAction, kSelfOnly, Sleep);
    registry.RegisterAction(601, kAction, kSelfOnly, HandledByExecutor);
    registry.RegisterAction(701, kQuestion, kAppliesTo, IsFreeAt);
    registry.RegisterAction(702, kQuestion, kSelfOnly, IsCount);
    registry.RegisterAction(703, kQuestion, kAppliesTo, IsMeetingAt);
    registry.RegisterAction(704, kQuestion, kAppliesTo, IsNotFreeAt);
    registry.RegisterAction(711, kQuestion, kSelfOnly, IsLeftButton);
    registry.RegisterAction(712, kQuestion, kSelfOnly, IsRightButton);
    registry.RegisterAction(713, kQuestion, kSelfOnly, IsNoButton);
    registry.RegisterAction(721, kQuestion, kSelfOnly, AskUser);
    registry.RegisterAction(751, kQuestion, kSelfOnly, HandledByExecutor);
    registry.RegisterAction(801, kQuestion, kAppliesTo, IsTrue);
    registry.RegisterAction(811, kAction, kAppliesTo, ExecuteCode);
    registry.RegisterAction(821, kAction, kAppliesTo, ExecuteThirdArgument);
    registry.RegisterAction(901, kAction, kSelfOnly, HandledByExecutor);
    registry.RegisterAction(902, kAction, kSelfOnly, HandledByExecutor);
    registry.RegisterAction(1001, kAction, kAppliesTo, DrawObjectImage);
    RegisterDrawingActions<DrawTextOnRoom, SetDrawingFont>(registry);
}

} // namespace velkaro
