#include "world/InstanceClass.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velkaro {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// Games were written against the processor's sine and cosine instructions, which give up on
// arguments of 2^63 radians or more; such angles count as no motion rather than garbage.
constexpr double kLargestTrigArgument = 9223372036854775808.0;

double MotionCos(double degrees) {
    double radians = degrees * kRadiansPerDegree;
    return std::fabs(radians) < kLargestTrigArgument ? std::cos(radians) : 0.0;
}

double MotionSin(double degrees) {
    double radians = degrees * kRadiansPerDegree;
    return std::fabs(radians) < kLargestTrigArgument ? std::sin(radians) : 0.0;
}

// The direction, in degrees in [0, 360), of the motion (h, v) where v grows downwards.
double DirectionOf(double h, double v) {
    if (h == 0) {
        if (v > 0) {
            return 270;
        }
        return v < 0 ? 90 : 0;
    }
    double a = std::atan2(v, h) * kDegreesPerRadian;
    return a > 0 ? 360 - a : -a;
}

double LengthOf(double h, double v) {
    return std::sqrt(h * h + v * v);
}

} // namespace

void CInstance::Setup(const CObjectList& objects, std::int32_t objectIndex, double newX,
                      double newY) {
    SetObject(objects, objectIndex);
    image_counter = 0;
    image_index = -1;
    image_speed = 1.0;
    image_scale = 1.0;
    image_depth = 0;
    collision_mode = 0;
    x = newX;
    y = newY;
    UpdateBox();
    xprevious = x;
    yprevious = y;
    hdir = 0;
    vdir = 0;
    hspeed = 8.0;
    vspeed = 8.0;
    speed = 0;
    direction = 0;
    friction = 0;
    bb_l = object_def->bbLeft;
    bb_r = object_def->bbRight;
    bb_b = object_def->bbBottom;
    bb_t = object_def->bbTop;
    UpdateBox();
    visible = true;
    alarms.fill(-1);
    locals.Clear();
    deleted = false;
}

void CInstance::SetObject(const CObjectList& objects, std::int32_t objectIndex) {
    object = objectIndex;
    object_def = &objects.Get(objectIndex);
    active = object_def->active;
    solid = object_def->solid;
    for (std::size_t kind = 0; kind < has_actions.size(); ++kind) {
        has_actions[kind] = object_def->HasEvent(kEventKindRows[kind]);
    }
}

void CInstance::SetX(double value) {
    x = value;
    UpdateBox();
}

void CInstance::SetY(double value) {
    y = value;
    UpdateBox();
}

void CInstance::MoveTo(double newX, double newY) {
    x = newX;
    y = newY;
    UpdateBox();
}

void CInstance::SetImageScale(double value) {
    image_scale = value;
    UpdateBox();
}

void CInstance::SetBbL(double value) {
    bb_l = value;
    UpdateBox();
}

void CInstance::SetBbR(double value) {
    bb_r = value;
    UpdateBox();
}

void CInstance::SetBbB(double value) {
    bb_b = value;
    UpdateBox();
}

void CInstance::SetBbT(double value) {
    bb_t = value;
    UpdateBox();
}

void CInstance::UpdateBox() {
    box_left = RoundToInt32(x + image_scale * bb_l);
    box_right = RoundToInt32(x + image_scale * bb_r);
    box_top = RoundToInt32(y + image_scale * bb_t);
    box_bottom = RoundToInt32(y + image_scale * bb_b);
    BoxChanged();
}

void CInstance::BoxChanged() const {
    if (grid_ != nullptr) {
        grid_->BoxChanged(position_);
    }
}

void CInstance::SetHdir(double value) {
    hdir = value;
    UpdatePolar();
}

void CInstance::SetVdir(double value) {
    vdir = value;
    UpdatePolar();
}

void CInstance::SetHspeed(double value) {
    hspeed = value;
    UpdatePolar();
}

void CInstance::SetVspeed(double value) {
    vspeed = value;
    UpdatePolar();
}

void CInstance::UpdatePolar() {
    double h = hdir * hspeed;
    double v = vdir * vspeed;
    direction = DirectionOf(h, v);
    speed = LengthOf(h, v);
}

void CInstance::SetDirection(double value) {
    direction = value;
    UpdateCartesian();
}

void CInstance::SetSpeed(double value) {
    speed = value;
    UpdateCartesian();
}

void CInstance::UpdateCartesian() {
    hdir = 1;
    vdir = 1;
    hspeed = MotionCos(direction) * speed;
    vspeed = -MotionSin(direction) * speed;
}

void CInstance::AddMotion(double amount, double angle) {
    double h = MotionCos(direction) * speed + MotionCos(angle) * amount;
    double v = -MotionSin(direction) * speed - MotionSin(angle) * amount;
    SetDirection(DirectionOf(h, v));
    SetSpeed(LengthOf(h, v));
}

void CInstance::ApplyFrictionAndGravity() {
    if (friction != 0) {
        double s = speed;
        double d = s - friction;
        if ((s > 0 && d < 0) || (s < 0 && d > 0)) {
            SetSpeed(0);
        } else if (s != 0) {
            SetSpeed(d);
        }
    }
    if (gravity != 0) {
        AddMotion(gravity, gravitydir);
    }
}

std::int32_t CInstance::GetAlarm(int i) const {
    if (i < 0 || i >= kAlarmCount) {
        return -1;
    }
    return alarms[static_cast<std::size_t>(i)];
}

void CInstance::SetAlarm(int i, std::int32_t value) {
    if (i < 0 || i >= kAlarmCount) {
        i = 0;
    }
    alarms[static_cast<std::size_t>(i)] = value;
}

CInstance& CInstanceList::Add(const CObjectList& objects, std::int32_t object, double x, double y) {
    if (instances_.size() == instances_.capacity()) {
        instances_.reserve(instances_.capacity() + kGrowth);
    }
    CInstance& instance = *instances_.emplace_back(std::make_unique<CInstance>());
    instance.Setup(objects, object, x, y);
    instance.grid_ = &grid_;
    instance.position_ = Count();
    grid_.Added(instance.position_);
    return instance;
}

void CInstanceList::Clear() {
    instances_.clear();
    grid_.Renumbered();
}

void CInstanceList::Compact() {
    if (std::erase_if(instances_, [](const auto& instance) { return instance->deleted; }) == 0) {
        return;
    }
    for (int i = 1; i <= Count(); ++i) {
        Get(i).position_ = i;
    }
    grid_.Renumbered();
}

} // namespace velkaro
