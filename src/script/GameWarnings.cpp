#include "script/GameWarnings.h"

#include "base/KeyNames.h"
#include "data/GameLoader.h"
#include "script/CodeCheck.h"
#include "script/CodeCompiler.h"
#include "script/FunctionUnit.h"
#include "script/VariableAccess.h"
#include "script/VariableNames.h"
#include "world/InstanceClass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

namespace velkaro {
namespace {

constexpr std::int32_t kRandomDirectionAction = 101;
constexpr std::int32_t kHorizontalSpeedAction = 111;
constexpr std::int32_t kVerticalSpeedAction = 112;
constexpr std::int32_t kGravityAction = 121;
constexpr std::int32_t kMotionAction = 131;
constexpr std::int32_t kChangeAction = 313;
constexpr std::int32_t kGotoRoomAction = 501;

// Beyond the codes that raise keyboard events, the one more that perform_keyboard_event accepts.
constexpr int kLastPerformedKeyCode = 128;
// Codes that keyboards deliver although no key name stands for them: the Windows keys and the
// menu key (91 to 93), F13 to F16 (124 to 127).
constexpr std::array kUnnamedKeyboardCodes = {91, 92, 93, 124, 125, 126, 127};

enum Axis { kHorizontal = 0, kVertical = 1 };

// The instances some code acts on as self, or that a write reaches: every instance (other, a
// loop over all of them), or the instances of the listed objects.
struct Targets {
    bool every = false;
    std::vector<int> objects;
};

Targets Everyone() {
    return {true, {}};
}

Targets InstancesOf(int object) {
    return {false, {object}};
}

// An action's self: the event's own instance, other (anyone), the instances of an object, or
// nobody for a number that names none.
Targets ActionTargets(const CAction& action, int object) {
    if (action.appliesTo == kAppliesToSelf) {
        return InstancesOf(object);
    }
    if (action.appliesTo == kAppliesToOther) {
        return Everyone();
    }
    return action.appliesTo >= 1 ? InstancesOf(action.appliesTo) : Targets{};
}

// Rows 7, 8 and 12 are kept in the file but never run.
bool RowRuns(int row) {
    return EventRowName(row)[0] != '\0';
}

// A name read or written as a user variable (of an instance, or global), rather than as a
// built-in variable, a sound or an object's number.
bool IsUserVariable(const CodeVariable& variable) {
    if (variable.owner == kOwnerGlobal) {
        return true;
    }
    if (variable.owner == kOwnerNone) {
        return variable.number == kUserVariable;
    }
    const bool instance =
        variable.owner == kOwnerSelf || variable.owner == kOwnerOther || variable.owner >= 1;
    return instance && variable.number < kFirstInstanceVariable;
}

const CodeNode& NodeAt(const CodeTree& tree, std::int32_t index) {
    return tree.nodes[static_cast<std::size_t>(index)];
}

// The number an expression always gives, when it is a number written out (with a sign or in
// brackets); none for anything that must run to be known.
std::optional<double> ConstantNumber(const CodeTree& tree, std::int32_t index) {
    if (index < 0) {
        return std::nullopt;
    }
    const CodeNode& node = NodeAt(tree, index);
    switch (node.kind) {
    case NodeKind::Value: {
        const RValue& value = tree.constants[static_cast<std::size_t>(node.detail)];
        return value.IsString() ? std::nullopt : std::optional<double>(value.real);
    }
    case NodeKind::Parenthesis:
    case NodeKind::UnaryPlus:
        return ConstantNumber(tree, node.first);
    case NodeKind::UnaryMinus: {
        const auto inner = ConstantNumber(tree, node.first);
        return inner ? std::optional<double>(-*inner) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// The object an expression names by its name alone (`ball`); none for anything else.
std::optional<int> NamedObject(const CodeTree& tree, std::int32_t index) {
    if (index < 0) {
        return std::nullopt;
    }
    const CodeNode& node = NodeAt(tree, index);
    if (node.kind != NodeKind::Variable || node.detail < 0) {
        return std::nullopt;
    }
    const CodeVariable& variable = tree.variables[static_cast<std::size_t>(node.detail)];
    if (variable.owner == kOwnerName && variable.number >= 1) {
        return variable.number;
    }
    return std::nullopt;
}

bool Contains(const std::vector<bool>& flags, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < flags.size() &&
           flags[static_cast<std::size_t>(i)];
}

// Walks every argument of every action that can run, gathering what the warnings need: the
// names assigned anywhere, the reads, whose motion anything can set, and the warnings that one
// place shows by itself.
class Survey {
public:
    Survey(const GameData& game, const CFunctionRegistry& functions)
        : game_(game), functions_(functions) {
        const auto slots = static_cast<std::size_t>(game.objects.Count()) + 1;
        for (auto& set : directionSet_) {
            set.assign(slots, false);
        }
        changedInto_.assign(slots, false);
    }

    void WalkObject(int o) {
        const CObject& object = game_.objects.Get(o);
        object.ForEachEventList([&](int row, int sub, const CActionList& list) {
            if (!RowRuns(row)) {
                return;
            }
            for (int a = 1; a <= list.Count(); ++a) {
                place_ = GameWarning{o, object.name, row, sub, a, 0, 0, 0, {}};
                WalkAction(list.Get(a), ActionTargets(list.Get(a), o));
            }
        });
    }

    std::vector<GameWarning> Finish() {
        WarnUnassignedReads();
        WarnMotionThatNeverHappens();
        WarnEventsThatNeverRun();
        std::stable_sort(
            warnings_.begin(), warnings_.end(), [](const GameWarning& a, const GameWarning& b) {
                return std::tie(a.object, a.row, a.sub, a.action, a.argument, a.line, a.position) <
                       std::tie(b.object, b.row, b.sub, b.action, b.argument, b.line, b.position);
            });
        return std::move(warnings_);
    }

private:
    // A speed written (in code or by actions 111 and 112), where, and whom it reaches.
    struct SpeedWrite {
        GameWarning place;
        Targets targets;
        Axis axis;
    };

    struct Read {
        GameWarning place;
        std::string name;
    };

    void WalkAction(const CAction& action, const Targets& self) {
        switch (action.id) {
        case kRandomDirectionAction:
        case kGravityAction:
        case kMotionAction:
            SetDirections(self, true, true);
            break;
        case kHorizontalSpeedAction:
        case kVerticalSpeedAction:
            // Relative or not, a speed of 0 written out moves nothing anyway.
            if (ConstantNumber(action.code[0], action.code[0].root) != 0.0) {
                GameWarning place = place_;
                place.argument = 1;
                speedWrites_.push_back(
                    {place, self, action.id == kHorizontalSpeedAction ? kHorizontal : kVertical});
            }
            break;
        case kChangeAction:
            // -1 keeps self's own object; -2 is other's, any object.
            if (action.actionObject >= 1) {
                ChangeInto(action.actionObject);
            } else if (action.actionObject != kAppliesToSelf) {
                ChangeInto(std::nullopt);
            }
            break;
        case kGotoRoomAction:
            if (action.relative == 0) {
                GameWarning place = place_;
                place.argument = 1;
                CheckRoom(ConstantNumber(action.code[0], action.code[0].root), place);
            }
            break;
        default:
            break;
        }
        for (std::size_t k = 0; k < action.code.size(); ++k) {
            place_.argument = static_cast<int>(k) + 1;
            Visit(action.code[k], action.code[k].root, self);
        }
    }

    // Every node below `index`, with `self` the instances the code runs as.
    void Visit(const CodeTree& tree, std::int32_t index, const Targets& self) {
        if (index < 0) {
            return;
        }
        const CodeNode& node = NodeAt(tree, index);
        switch (node.kind) {
        case NodeKind::Variable:
            if (node.detail >= 0) {
                Reading(tree, node);
            }
            break;
        case NodeKind::Assignment:
            if (node.detail >= 0) {
                Writing(tree, node, self);
            }
            break;
        case NodeKind::Call:
            Calling(tree, node, self);
            break;
        case NodeKind::Forall: {
            Visit(tree, node.first, self);
            const auto object = node.op == 1 ? std::nullopt : NamedObject(tree, node.first);
            Visit(tree, node.second, object ? InstancesOf(*object) : Everyone());
            return;
        }
        default:
            break;
        }
        Visit(tree, node.first, self);
        Visit(tree, node.second, self);
        Visit(tree, node.third, self);
        const bool chain = node.kind == NodeKind::Logical || node.kind == NodeKind::Additive ||
                           node.kind == NodeKind::Term;
        for (std::int32_t i = 0; i < node.listCount; ++i) {
            const auto item = static_cast<std::size_t>(node.listStart + i);
            Visit(tree, chain ? tree.links[item].operand : tree.lists[item], self);
        }
    }

    // The place of `point` in the argument being walked. Reads and writes stand where the
    // player reports their errors, behind the variable and behind the assigned value.
    GameWarning PlaceOf(const CodePoint& point) const {
        GameWarning place = place_;
        place.line = point.line;
        place.position = point.position;
        return place;
    }

    void Reading(const CodeTree& tree, const CodeNode& node) {
        const CodeVariable& variable = tree.variables[static_cast<std::size_t>(node.detail)];
        if (variable.owner == kOwnerSound && !HasSound(variable.name)) {
            Warn(PlaceOf(node.after), "the game has no sound called " + variable.name +
                                          ", so sound." + variable.name + " is no sound's number");
        } else if (IsUserVariable(variable) && BuiltInVariableNumber(variable.name) < 0) {
            reads_.push_back({PlaceOf(node.after), variable.name});
        }
    }

    void Writing(const CodeTree& tree, const CodeNode& node, const Targets& self) {
        const CodeVariable& variable = tree.variables[static_cast<std::size_t>(node.detail)];
        const GameWarning place = PlaceOf(node.after);
        if (IsUserVariable(variable)) {
            assigned_.insert(variable.name);
            return;
        }
        if (variable.owner == kOwnerName) {
            Warn(place, variable.name + " stands for a number (an object's, self's or other's) " +
                            "and cannot be assigned: writing it is an error");
            return;
        }
        if (variable.owner == kOwnerSound) {
            Warn(place, "sound." + variable.name +
                            " is a sound's number and cannot be assigned: writing it is an error");
            return;
        }
        if (!IsWritableBuiltIn(variable.number)) {
            Warn(place, variable.name + " is read only: writing it is an error");
            return;
        }
        const bool plainAssignment = node.op == kTokAssign;
        const std::optional<double> value = ConstantNumber(tree, node.second);
        const Targets reached = variable.owner == kOwnerOther ? Everyone()
                                : variable.owner >= 1         ? InstancesOf(variable.owner)
                                                              : self;
        switch (variable.number) {
        case kVarHDir:
            SetDirections(reached, true, false);
            break;
        case kVarVDir:
            SetDirections(reached, false, true);
            break;
        case kVarDirection:
        case kVarSpeed:
        case kVarGravity:
            SetDirections(reached, true, true);
            break;
        case kVarHSpeed:
        case kVarVSpeed:
            if (value != 0.0) {
                speedWrites_.push_back(
                    {place, reached, variable.number == kVarHSpeed ? kHorizontal : kVertical});
            }
            break;
        case kVarKeyPressed:
        case kVarLastKeyPressed:
            KeyCodeFromCode(plainAssignment ? value : std::nullopt);
            break;
        case kVarRoom:
            if (plainAssignment) {
                CheckRoom(value, place);
            }
            break;
        default:
            break;
        }
    }

    void Calling(const CodeTree& tree, const CodeNode& node, const Targets& self) {
        if (node.detail < 1 || node.detail > functions_.Count()) {
            return;
        }
        const std::string& name = functions_.Get(node.detail).name;
        const auto argument = [&](std::int32_t k) {
            return k < node.listCount ? tree.lists[static_cast<std::size_t>(node.listStart + k)]
                                      : -1;
        };
        if (name == "set_motion" || name == "add_motion") {
            SetDirections(self, true, true);
        } else if (name == "change" || name == "change_at") {
            const std::int32_t object = argument(name == "change" ? 1 : 2);
            const auto named = NamedObject(tree, object);
            const auto number = ConstantNumber(tree, object);
            ChangeInto(named ? named
                       : number && std::isfinite(*number)
                           ? std::optional<int>(RoundToInt32(*number))
                           : std::nullopt);
        } else if (name == "goto_room") {
            CheckRoom(ConstantNumber(tree, argument(0)), PlaceOf(node.at));
        } else if (name == "perform_keyboard_event") {
            KeyCodeFromCode(ConstantNumber(tree, argument(1)));
        }
    }

    // A key code that code hands the keyboard events (through keypressed, lastkeypressed or
    // perform_keyboard_event); any code when it is not written out.
    void KeyCodeFromCode(std::optional<double> code) {
        if (code && std::isfinite(*code)) {
            keyCodesFromCode_.insert(RoundToInt32(*code));
        } else {
            anyKeyCodeFromCode_ = true;
        }
    }

    bool HasSound(const std::string& name) const {
        for (int s = 1; s <= game_.sounds.Count(); ++s) {
            if (game_.sounds.Get(s).name == name) {
                return true;
            }
        }
        return false;
    }

    std::optional<int> RoomNamed(const std::string& name) const {
        for (int r = 1; r <= game_.rooms.Count(); ++r) {
            if (game_.rooms.Get(r).name == name) {
                return r;
            }
        }
        return std::nullopt;
    }

    void SetDirections(const Targets& targets, bool horizontal, bool vertical) {
        for (const Axis axis : {kHorizontal, kVertical}) {
            if (!(axis == kHorizontal ? horizontal : vertical)) {
                continue;
            }
            directionSetEverywhere_[axis] = directionSetEverywhere_[axis] || targets.every;
            for (const int object : targets.objects) {
                if (game_.objects.Valid(object)) {
                    directionSet_[axis][static_cast<std::size_t>(object)] = true;
                }
            }
        }
    }

    // Instances of other objects turned into `object` (any object when none) keep their motion.
    void ChangeInto(std::optional<int> object) {
        if (!object) {
            changedIntoAny_ = true;
        } else if (game_.objects.Valid(*object)) {
            changedInto_[static_cast<std::size_t>(*object)] = true;
        }
    }

    // Going to a room that does not exist ends the game with a fatal error; -1 ends it.
    void CheckRoom(std::optional<double> room, const GameWarning& place) {
        if (!room || !std::isfinite(*room)) {
            return;
        }
        const std::int32_t number = RoundToInt32(*room);
        if (number == -1 || (number >= 1 && number <= game_.rooms.Count())) {
            return;
        }
        Warn(place, "there is no room " + std::to_string(number) +
                        " (the rooms are numbered 1 to " + std::to_string(game_.rooms.Count()) +
                        "): going there is a fatal error that ends the game");
    }

    void WarnUnassignedReads() {
        for (const Read& read : reads_) {
            if (assigned_.contains(read.name)) {
                continue;
            }
            std::string why = read.name + " is neither a variable that anything in the game " +
                              "assigns nor the name of an object: reading it is an error";
            if (HasSound(read.name)) {
                why += " (a sound is called so: its number is sound." + read.name + ")";
            } else if (const auto room = RoomNamed(read.name)) {
                why += " (a room is called so: code goes to rooms by number, here " +
                       std::to_string(*room) + ")";
            }
            Warn(read.place, why);
        }
    }

    // Whether anything in the game can make the sign of the motion on `axis` of `object`'s
    // instances other than 0: a write that reaches them or anyone, or a change into the object
    // from another whose sign was set.
    bool DirectionCanBeSet(int object, Axis axis) const {
        if (directionSetEverywhere_[axis] || Contains(directionSet_[axis], object)) {
            return true;
        }
        const bool changed = changedIntoAny_ || Contains(changedInto_, object);
        return changed && std::find(directionSet_[axis].begin(), directionSet_[axis].end(), true) !=
                              directionSet_[axis].end();
    }

    void WarnMotionThatNeverHappens() {
        for (const SpeedWrite& write : speedWrites_) {
            if (write.targets.every) {
                continue; // whose it is is not known here
            }
            const char* speed = write.axis == kHorizontal ? "hspeed" : "vspeed";
            const char* sign = write.axis == kHorizontal ? "hdir" : "vdir";
            for (const int object : write.targets.objects) {
                if (!game_.objects.Valid(object) || DirectionCanBeSet(object, write.axis)) {
                    continue;
                }
                Warn(write.place,
                     std::string("sets ") + speed + " of " + game_.objects.Get(object).name +
                         ", but nothing in the game sets its " + sign +
                         ", which is 0 in a new instance, so the speed moves nothing: set " + sign +
                         " to 1 or -1, or set the motion with direction and speed or " +
                         "action 131");
            }
        }
    }

    std::optional<std::string> WhyKeyboardEventNeverRuns(int key) const {
        const bool fromCode = anyKeyCodeFromCode_ || keyCodesFromCode_.contains(key);
        if (key == 0 || (key == kLastPerformedKeyCode && fromCode)) {
            return std::nullopt;
        }
        const std::string_view name = NameOfKeyCode(key);
        if (key > kLastKeyEventCode) {
            const std::string code = std::to_string(key);
            return "keyboard events run only for key codes 1 to 127, and " +
                   (name.empty() ? "this is " + code
                                 : "the key " + std::string(name) + " has code " + code);
        }
        const bool delivered =
            !name.empty() || std::find(kUnnamedKeyboardCodes.begin(), kUnnamedKeyboardCodes.end(),
                                       key) != kUnnamedKeyboardCodes.end();
        if (delivered || fromCode) {
            return std::nullopt;
        }
        return "no key has code " + std::to_string(key);
    }

    std::optional<std::string> WhyEventNeverRuns(int row, int sub) const {
        switch (row) {
        case kCreationEvent:
        case kDestroyEvent:
        case kStepEvent:
        case kCollisionEvent:
        case kDrawingEvent:
            return sub == 0 ? std::nullopt
                            : std::optional<std::string>("only sub-event 0 of this event runs");
        case kAlarmEvent:
            return sub < kAlarmCount ? std::nullopt
                                     : std::optional<std::string>("the alarms are numbered 0 to 3");
        case kMouseEvent:
            return sub <= 3 ? std::nullopt
                            : std::optional<std::string>(
                                  "the mouse events are 0 left button, 1 right, 2 middle and 3 "
                                  "no button");
        case kOtherEvent:
            return sub <= 1 ? std::nullopt
                            : std::optional<std::string>(
                                  "the other events are 0 outside the room and 1 crossing its "
                                  "edge");
        case kKeyboardEvent:
            return WhyKeyboardEventNeverRuns(sub);
        case kMeetingEvent:
            return game_.objects.Valid(sub)
                       ? std::nullopt
                       : std::optional<std::string>("there is no object " + std::to_string(sub));
        default:
            return "the events of this row are only kept in the game file";
        }
    }

    void WarnEventsThatNeverRun() {
        for (int o = 1; o <= game_.objects.Count(); ++o) {
            const CObject& object = game_.objects.Get(o);
            object.ForEachEventList([&](int row, int sub, const CActionList& list) {
                if (list.Count() == 0) {
                    return;
                }
                if (const auto why = WhyEventNeverRuns(row, sub)) {
                    Warn(GameWarning{o, object.name, row, sub, 0, 0, 0, 0, {}},
                         "this event never runs: " + *why);
                }
            });
        }
    }

    void Warn(GameWarning place, std::string why) {
        place.why = std::move(why);
        warnings_.push_back(std::move(place));
    }

    const GameData& game_;
    const CFunctionRegistry& functions_;
    // Where the walk stands: object, event, action and argument.
    GameWarning place_;
    std::set<std::string> assigned_;
    std::vector<Read> reads_;
    std::array<std::vector<bool>, 2> directionSet_;
    std::array<bool, 2> directionSetEverywhere_{};
    std::vector<bool> changedInto_;
    bool changedIntoAny_ = false;
    std::vector<SpeedWrite> speedWrites_;
    std::set<int> keyCodesFromCode_;
    bool anyKeyCodeFromCode_ = false;
    std::vector<GameWarning> warnings_;
};

} // namespace

std::vector<GameWarning> FindLikelyMistakes(GameData& game, const CFunctionRegistry& functions) {
    PrepareActions(game.objects, TokenNames{game.objects, game.sounds, functions});
    Survey survey(game, functions);
    for (int o = 1; o <= game.objects.Count(); ++o) {
        survey.WalkObject(o);
    }
    return survey.Finish();
}

std::string DescribeWarning(const GameWarning& w) {
    std::string text = "warning: ";
    if (w.object >= 1) {
        text += w.objectName + ", " + DescribeEvent(w.row, w.sub);
        if (w.action >= 1) {
            text += ", action " + std::to_string(w.action);
        }
        if (w.argument >= 1) {
            text += ", argument " + std::to_string(w.argument);
        }
        text += ": ";
    }
    if (w.line >= 1) {
        text += "line " + std::to_string(w.line) + " pos " + std::to_string(w.position) + ": ";
    }
    return text + w.why;
}

} // namespace velkaro
