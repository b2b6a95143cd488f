#include "engine/RoomOperations.h"

#include "data/GameLoader.h"
#include "world/CollisionUnit.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velkaro {
namespace {

// Up to this many random cells are tried before the grid is searched in order.
constexpr int kRandomPlacementTries = 100;

// Puts an instance at a trial position for a question and back where it was afterwards.
class TrialPlacement {
public:
    TrialPlacement(CInstance& instance, double x, double y)
        : instance_(instance), x_(instance.x), y_(instance.y), left_(instance.box_left),
          right_(instance.box_right), top_(instance.box_top), bottom_(instance.box_bottom) {
        instance.SetX(x);
        instance.SetY(y);
    }
    ~TrialPlacement() {
        instance_.x = x_;
        instance_.y = y_;
        instance_.box_left = left_;
        instance_.box_right = right_;
        instance_.box_top = top_;
        instance_.box_bottom = bottom_;
        instance_.BoxChanged();
    }
    TrialPlacement(const TrialPlacement&) = delete;
    TrialPlacement& operator=(const TrialPlacement&) = delete;

private:
    CInstance& instance_;
    double x_;
    double y_;
    std::int32_t left_;
    std::int32_t right_;
    std::int32_t top_;
    std::int32_t bottom_;
};

} // namespace

std::int32_t ResolveObject(const CInstance& self, const CInstance& other, std::int32_t designator) {
    if (designator == kSelfObject) {
        return self.object;
    }
    if (designator == kOtherObject) {
        return other.object;
    }
    return designator;
}

int RandomBelow(CRandomGenerator& random, int n) {
    const double draw = random.Next();
    if (n <= 0) {
        return 0;
    }
    // A draw just below 1 times a large n can round up to n itself.
    return std::min(static_cast<int>(std::floor(draw * n)), n - 1);
}

std::string WithLineBreaks(std::string text) {
    std::replace(text.begin(), text.end(), '#', '\r');
    return text;
}

RoomOperations::RoomOperations(GameState& game, EventRunner& events, GameErrorSink& errors)
    : game_(game), events_(events), errors_(errors) {}

bool RoomOperations::ObjectExists(std::int32_t object) const {
    return game_.data.objects.Valid(object);
}

bool RoomOperations::CheckObject(std::int32_t object, const char* message) {
    if (ObjectExists(object)) {
        return true;
    }
    errors_.ReportGameError(message + std::to_string(object), false);
    return false;
}

void RoomOperations::MarkAllDeleted() {
    for (int i = 1; i <= game_.instances.Count(); ++i) {
        game_.instances.Get(i).MarkDeleted();
    }
}

void RoomOperations::RunEvent(CInstance& instance, int row, const char* eventName) {
    game_.event_name = eventName;
    const CActionList* list = instance.object_def->Events().Find(row, 0);
    if (list != nullptr && list->Count() > 0) {
        events_.RunEvent(instance, instance, *list);
    }
}

template <typename Act>
void RoomOperations::ForEachSelected(CInstance& self, CInstance& other, std::int32_t who, Act act) {
    if (who == kSelfObject) {
        act(self);
        return;
    }
    if (who == kOtherObject) {
        act(other);
        return;
    }
    game_.instances.ForEachLive([&](CInstance& instance) {
        if (instance.object == who) {
            act(instance);
        }
    });
}

template <typename Accept>
bool RoomOperations::CollidesWithAny(const CInstance& instance, Accept accept) {
    std::vector<int> near;
    game_.instances.Grid().Near(instance, 0, near);
    for (const int position : near) {
        const CInstance& that = game_.instances.Get(position);
        if (accept(that) && game_.collision.InstancesCollide(instance, that)) {
            return true;
        }
    }
    return false;
}

template <typename Accept> bool RoomOperations::AnyAt(double x, double y, Accept accept) {
    std::vector<int> near;
    game_.instances.Grid().At(x, y, 0, near);
    for (const int position : near) {
        const CInstance& that = game_.instances.Get(position);
        if (!that.deleted && accept(that) && game_.collision.PointInInstance(that, x, y)) {
            return true;
        }
    }
    return false;
}

template <typename Act> void RoomOperations::ForEachAt(double x, double y, Act act) {
    // The instances there were when the walk began, in list order. Each act runs events that
    // may move, create or destroy instances, so the grid is asked again after it, for the
    // positions still to come.
    const int count = game_.instances.Count();
    std::vector<int> near;
    int after = 0;
    for (bool again = true; again;) {
        again = false;
        game_.instances.Grid().At(x, y, after, near);
        for (const int position : near) {
            if (position > count) {
                break;
            }
            CInstance& instance = game_.instances.Get(position);
            if (!instance.deleted && game_.collision.PointInInstance(instance, x, y)) {
                act(instance);
                after = position;
                again = true;
                break;
            }
        }
    }
}

// Rooms and game.

void RoomOperations::GotoRoom(std::int32_t room) {
    MarkAllDeleted();
    game_.next_room = room;
    const int rooms = game_.data.rooms.Count();
    if (room == -1 || (room >= 1 && room <= rooms)) {
        return;
    }
    errors_.ReportGameError("Unexisting room number: " + std::to_string(room), true);
    game_.next_room = -1;
}

void RoomOperations::FinishGame() {
    MarkAllDeleted();
    game_.next_room = -1;
}

void RoomOperations::SetScore(std::int32_t value) {
    game_.score = value;
}

// Instances.

CInstance* RoomOperations::CreateInstance(CInstance& self, CInstance& other, std::int32_t object,
                                          double x, double y) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    if (!CheckObject(resolved, "Trying to create an instance of non-existing object: ")) {
        return nullptr;
    }
    if (events_.GivingUp()) {
        return nullptr;
    }
    CInstance& created = game_.instances.Add(game_.data.objects, resolved, x, y);
    RunEvent(created, kCreationEvent, kCreationEventName);
    return &created;
}

void RoomOperations::DestroyInstance(CInstance& instance) {
    if (events_.GivingUp()) {
        return;
    }
    RunEvent(instance, kDestroyEvent, kDestroyEventName);
    instance.MarkDeleted();
}

void RoomOperations::Destroy(CInstance& self, CInstance& other, std::int32_t who) {
    ForEachSelected(self, other, who, [this](CInstance& instance) { DestroyInstance(instance); });
}

void RoomOperations::ChangeInstance(CInstance& instance, std::int32_t object) {
    if (CheckObject(object, "Trying to change an instance into non-existing object: ")) {
        ChangeExisting(instance, object);
    }
}

void RoomOperations::ChangeExisting(CInstance& instance, std::int32_t object) {
    if (events_.GivingUp()) {
        return;
    }
    RunEvent(instance, kDestroyEvent, kDestroyEventName);
    const CObjectList& objects = game_.data.objects;
    instance.SetObject(objects, object);
    const CObject& definition = objects.Get(object);
    instance.bb_l = definition.bbLeft;
    instance.bb_r = definition.bbRight;
    instance.bb_b = definition.bbBottom;
    instance.bb_t = definition.bbTop;
    instance.UpdateBox();
    RunEvent(instance, kCreationEvent, kCreationEventName);
    instance.image_counter = 0;
}

void RoomOperations::Change(CInstance& self, CInstance& other, std::int32_t who,
                            std::int32_t object) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    if (!CheckObject(resolved, "Trying to change an instance into non-existing object: ")) {
        return;
    }
    ForEachSelected(self, other, who,
                    [this, resolved](CInstance& instance) { ChangeExisting(instance, resolved); });
}

void RoomOperations::DestroyAt(double x, double y) {
    ForEachAt(x, y, [this](CInstance& instance) { DestroyInstance(instance); });
}

void RoomOperations::ChangeAt(CInstance& self, CInstance& other, std::int32_t object, double x,
                              double y) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    if (!CheckObject(resolved, "Trying to change an instance into non-existing object: ")) {
        return;
    }
    ForEachAt(x, y, [this, resolved](CInstance& instance) { ChangeExisting(instance, resolved); });
}

void RoomOperations::MoveRandom(CInstance& self, CInstance& other, std::int32_t who) {
    ForEachSelected(self, other, who, [this](CInstance& instance) { PlaceRandom(instance); });
}

void RoomOperations::PlaceRandom(CInstance& instance) {
    // Every instance counts here, the non-solid and the marked ones too.
    auto free = [this, &instance] {
        return !CollidesWithAny(instance, [](const CInstance&) { return true; });
    };
    const int cell = game_.cellsize;
    for (int attempt = 0; attempt < kRandomPlacementTries; ++attempt) {
        // Two separate statements: the column is drawn before the row.
        instance.SetX(static_cast<double>(RandomBelow(game_.random, game_.room_columns)) * cell);
        instance.SetY(static_cast<double>(RandomBelow(game_.random, game_.room_rows)) * cell);
        if (free()) {
            return;
        }
    }
    for (int column = 0; column < game_.room_columns; ++column) {
        for (int row = 0; row < game_.room_rows; ++row) {
            instance.SetX(static_cast<double>(column) * cell);
            instance.SetY(static_cast<double>(row) * cell);
            if (free()) {
                return;
            }
        }
    }
}

void RoomOperations::Bounce(CInstance& self, CInstance& other) {
    if (&self == &other || !other.solid) {
        return;
    }
    const double h = self.hdir * self.hspeed;
    const double v = self.vdir * self.vspeed;
    double px = self.x;
    double py = self.y;
    if (game_.collision.InstancesCollide(self, other)) {
        px = self.x - h;
        py = self.y - v;
    }
    const bool horizontalFree = IsFree(self, px + h, py);
    const bool verticalFree = IsFree(self, px, py + v);
    if (!(horizontalFree && !verticalFree)) {
        if ((other.x < self.x && h < 0) || (other.x > self.x && h > 0)) {
            self.SetHdir(-self.hdir);
        }
    }
    if (!(verticalFree && !horizontalFree)) {
        if ((other.y < self.y && v < 0) || (other.y > self.y && v > 0)) {
            self.SetVdir(-self.vdir);
        }
    }
}

// Questions.

bool RoomOperations::IsFree(CInstance& self, double x, double y) {
    TrialPlacement trial(self, x, y);
    return !CollidesWithAny(self,
                            [](const CInstance& that) { return that.solid && !that.deleted; });
}

bool RoomOperations::IsEmpty(CInstance& self, double x, double y) {
    TrialPlacement trial(self, x, y);
    return !CollidesWithAny(self, [](const CInstance& that) { return !that.deleted; });
}

bool RoomOperations::IsMeeting(CInstance& self, CInstance& other, std::int32_t object, double x,
                               double y) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    TrialPlacement trial(self, x, y);
    return CollidesWithAny(self, [resolved](const CInstance& that) {
        return that.object == resolved && !that.deleted;
    });
}

bool RoomOperations::ObjectAt(const CInstance& self, const CInstance& other, std::int32_t object,
                              double x, double y) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    return AnyAt(x, y, [resolved](const CInstance& that) { return that.object == resolved; });
}

bool RoomOperations::NothingAt(const CInstance& self, double x, double y) {
    return !AnyAt(x, y, [&self](const CInstance& that) { return &that != &self; });
}

int RoomOperations::CountInstances(const CInstance& self, const CInstance& other,
                                   std::int32_t object) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    int count = 0;
    game_.instances.ForEachLive([&](const CInstance& that) {
        if (that.object == resolved) {
            ++count;
        }
    });
    return count;
}

} // namespace velkaro
