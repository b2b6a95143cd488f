#include "script/ActionArguments.h"

namespace velkaro {

ActionArgumentKinds ArgumentKindsOf(std::int32_t id) {
    constexpr auto U = ArgumentKind::Unused;
    constexpr auto E = ArgumentKind::Expression;
    constexpr auto T = ArgumentKind::Text;
    switch (id) {
    case 104:  // jump to a position
    case 121:  // gravity: direction and amount
    case 131:  // motion: direction and speed
    case 201:  // alarm: value and number
    case 311:  // create an instance at a position
    case 321:  // destroy at a position
    case 701:  // is the position free
    case 703:  // is there a meeting at a position
    case 704:  // is the position not free
    case 1001: // draw an object's image at a position
        return {E, E, U, U};
    case 111: // horizontal speed
    case 112: // vertical speed
    case 122: // friction
    case 421: // score
    case 501: // go to a room
    case 521: // sleep
    case 702: // count instances
    case 801: // test an expression
        return {E, U, U, U};
    case 101: // a direction grid of nine characters
    case 411: // message
    case 721: // question
        return {T, U, U, U};
    case 811:
        return {ArgumentKind::Code, U, U, U};
    case 821:
        return {U, U, ArgumentKind::Code, U};
    case 1002: // draw text
        return {E, E, T, U};
    case 1003:
        return {ArgumentKind::Font, U, U, U};
    default:
        return {U, U, U, U};
    }
}

bool IsQuotedText(const std::string_view text) {
    return !text.empty() && (text.front() == '\'' || text.front() == '"');
}

} // namespace velkaro
