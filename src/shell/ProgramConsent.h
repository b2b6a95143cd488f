#pragma once

#include "base/UserSettings.h"
#include "engine/GameServices.h"
#include "platform/Dialogs.h"
#include "platform/Processes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

// Asks the player before a game starts a program or has the desktop open a file or address: a
// game from a stranger may bring a program in its data folder and start it at once.
//
// The first request shows a question that names it; Yes allows it, No refuses it. The one
// answer holds for every later request of the game, programs, files and addresses alike, and
// is remembered in the player's settings under the game file's absolute path ("programs =
// allow" or "programs = deny"; a line for all games counts for every game that has none), so
// that the game does not ask when it plays again. A decision given up front (the command
// line's) is used without asking and not remembered. A refused request answers false, as a
// program that cannot be started does, and reaches nothing below.
class ProgramConsent final : public ProgramService {
public:
    // The settings key and its values.
    static constexpr std::string_view kKey = "programs";
    static constexpr std::string_view kAllow = "allow";
    static constexpr std::string_view kDeny = "deny";

    // `dialogs` ask, with the game paused through `pacing`; `settings` remember the answer for
    // `game`, the game file. All given must outlive the consent.
    ProgramConsent(ProgramService& programs, Dialogs& dialogs, PacingService& pacing,
                   UserSettings& settings, const std::filesystem::path& game,
                   std::optional<bool> decided);

    bool Execute(const std::string& program, const std::string& arguments, bool wait) override;
    bool ShellExecute(const std::string& file, const std::string& parameters) override;

private:
    // Whether the request `request` describes may go ahead; asks only the first time.
    bool Allowed(const std::string& request);
    void Remember(bool allowed);

    ProgramService& programs_;
    Dialogs& dialogs_;
    PacingService& pacing_;
    UserSettings& settings_;
    std::string game_;
    std::optional<bool> allowed_;
};

} // namespace velkaro
