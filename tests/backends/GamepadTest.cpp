#include "backends/desktop/DesktopInput.h"

#include "engine/Joystick.h"
#include "functions/FunctionGame.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

namespace velkaro {
namespace {

constexpr Uint16 kVendor = 0x7e1a;
constexpr std::int32_t kKeypadRight = 102;
constexpr std::int32_t kKeypadUpRight = 105;
constexpr std::int32_t kButtonOneKey = 65;

// "x y buttons", to compare and to show.
std::string Seen(const std::optional<JoystickState>& state) {
    return state ? std::to_string(state->x) + " " + std::to_string(state->y) + " " +
                       std::to_string(state->buttons)
                 : "none";
}

// Pads from SDL's virtual joysticks, under SDL's dummy video (the input answers only while
// SDL's video is up), with a config folder of the test's own. The pad is mapped only by the
// player's mappings file, with its face buttons wired in reverse; the plain stick by nothing.
class GamepadTest : public test::FunctionGameTest {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            oldConfig = old;
        }
        setenv("XDG_CONFIG_HOME", (folder.Path() / "config").c_str(), 1);
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) {
            GTEST_SKIP() << "a real joystick is plugged in";
        }
    }

    void TearDown() override {
        test::FunctionGameTest::TearDown();
        game.reset();
        input.reset(); // closes what it opened, then its hold on the subsystem
        for (SDL_Joystick* device : {stick, pad}) {
            if (device != nullptr) {
                SDL_JoystickDetachVirtual(SDL_JoystickInstanceID(device));
                SDL_JoystickClose(device);
            }
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        oldConfig ? setenv("XDG_CONFIG_HOME", oldConfig->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    }

    static SDL_Joystick* Attach(const char* name, Uint16 product) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.naxes = 2;
        desc.nbuttons = 4;
        desc.nhats = 1;
        desc.vendor_id = kVendor;
        desc.product_id = product;
        desc.name = name;
        return SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    }

    // The plain stick first, so that the pad is chosen for being mapped, not for coming first.
    void AttachBoth() {
        stick = Attach("Velkaro test stick", 2);
        pad = Attach("Velkaro test pad", 1);
        ASSERT_TRUE(stick != nullptr && pad != nullptr) << SDL_GetError();
        std::array<char, 33> guid{};
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(pad), guid.data(), guid.size());
        folder.WriteText("config/velkaro/gamecontrollerdb.txt",
                         "# my pads\nnot a mapping\n" + std::string(guid.data()) +
                             ",Velkaro test pad,a:b3,b:b2,x:b1,y:b0,leftx:a0,lefty:a1,"
                             "dpup:h0.1,dpright:h0.2,dpdown:h0.4,dpleft:h0.8,platform:Linux,\n");
        input.emplace();
    }

    std::optional<DesktopInput> input;
    SDL_Joystick* stick = nullptr;
    SDL_Joystick* pad = nullptr;
    std::optional<std::string> oldConfig;
};

TEST_F(GamepadTest, AMappedPadIsReadByItsLayoutAndAPlainStickAsItReportsItself) {
    AttachBoth();
    ASSERT_EQ(Seen(input->ReadJoystick()), "32768 32768 0");

    SDL_JoystickSetVirtualAxis(pad, 0, 32767);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_UP);
    SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED); // A on this pad
    JoystickState state = input->ReadJoystick().value();
    EXPECT_EQ(Seen(state), "65535 0 1") << "the stick, the d-pad and A";
    EXPECT_EQ(JoystickDirectionKey(state), kKeypadUpRight);

    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_LEFT);
    SDL_JoystickSetVirtualButton(pad, 3, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED); // Y
    EXPECT_EQ(Seen(input->ReadJoystick()), "0 32768 8") << "the d-pad wins over the stick";

    // Unplugging the pad leaves the plain stick: its own axes and buttons, in its own order.
    SDL_JoystickDetachVirtual(SDL_JoystickInstanceID(pad));
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    SDL_JoystickSetVirtualButton(stick, 2, SDL_PRESSED);
    EXPECT_EQ(Seen(input->ReadJoystick()), "32768 0 4");
}

TEST_F(GamepadTest, PushingThePadMovesTheGamesShip) {
    AttachBoth();
    CObject& ship = AddObject("ship", false, 3);
    On(ship, kStepEvent, 0, "if check_joystick_direction() = vk_numpad6 then x += 4");
    On(ship, kKeyboardEvent, kButtonOneKey, "y += 2");
    On(ship, kKeyboardEvent, kKeypadRight, "y += 100");
    AddRoom(10, 10, 10);
    data.rooms.Get(1).AddInstance(1, 1, 1);
    GamePlatform desktop{screen,    pictures, shell, shell,  shell,
                         gameShell, shell,    shell, *input, shell};
    StartOn(desktop);
    const CInstance& instance = game->State().instances.Get(1);

    game->RunStep();
    EXPECT_EQ(instance.x, 10) << "a centred pad moves nothing";
    SDL_JoystickSetVirtualAxis(pad, 0, 32767);
    game->RunStep();
    SDL_JoystickSetVirtualAxis(pad, 0, 0);
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_RIGHT);
    game->RunStep();
    EXPECT_EQ(instance.x, 18) << "the stick, then the d-pad";
    EXPECT_EQ(instance.y, 210) << "each step raised the keypad's right key";
    SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED);
    game->RunStep();
    EXPECT_EQ(instance.y, 212) << "A is button 1, raised as the key A";
}

} // namespace
} // namespace velkaro
