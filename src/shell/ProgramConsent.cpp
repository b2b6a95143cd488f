#include "shell/ProgramConsent.h"

#include "base/AnsiText.h"
#include "base/WholeFile.h"

#include <system_error>

namespace velkaro {
namespace {

// Enough of a name or an argument text to recognise it; a game could build one long enough to
// push the rest of the question out of the box.
constexpr std::size_t kShownLength = 200;

// `text` in quotes as the question shows it: its control bytes written out, so that a line
// break cannot make the request look like something else, and a long text cut short.
std::string Quoted(const std::string& text) {
    std::string shown = EscapeControlBytes(text);
    if (shown.size() > kShownLength) {
        shown.resize(kShownLength);
        shown += "...";
    }
    return "\"" + shown + "\"";
}

// ", with the arguments "...": the part of the question that names the arguments, if any.
std::string With(const char* what, const std::string& arguments) {
    return arguments.empty() ? std::string()
                             : std::string(", with the ") + what + " " + Quoted(arguments);
}

// The settings file keeps one game a line, trimmed: a name it could not give back unchanged
// would be asked for again on every play, and a line break would spill into the next line.
bool FitsTheSettings(const std::string& game) {
    return !game.empty() && game.find_first_of("\r\n") == std::string::npos && game.back() != ' ' &&
           game.back() != '\t';
}

std::optional<bool> Remembered(const std::optional<std::string>& value) {
    if (value == ProgramConsent::kAllow) {
        return true;
    }
    if (value == ProgramConsent::kDeny) {
        return false;
    }
    return std::nullopt;
}

} // namespace

ProgramConsent::ProgramConsent(ProgramService& programs, Dialogs& dialogs, PacingService& pacing,
                               UserSettings& settings, const std::filesystem::path& game,
                               std::optional<bool> decided)
    : programs_(programs), dialogs_(dialogs), pacing_(pacing), settings_(settings),
      game_(game.empty() ? std::string() : UserSettings::GameKey(game)), allowed_(decided) {
    if (!allowed_) {
        allowed_ = Remembered(settings_.Get(kKey, game_));
    }
}

bool ProgramConsent::Execute(const std::string& program, const std::string& arguments, bool wait) {
    return Allowed("This game wants to start the program " + Quoted(program) +
                   " from its data folder" + With("arguments", arguments) + ".") &&
           programs_.Execute(program, arguments, wait);
}

bool ProgramConsent::ShellExecute(const std::string& file, const std::string& parameters) {
    return Allowed("This game wants the desktop to open the file or address " + Quoted(file) +
                   With("parameters", parameters) + ".") &&
           programs_.ShellExecute(file, parameters);
}

bool ProgramConsent::Allowed(const std::string& request) {
    if (!allowed_) {
        const PausedGame paused(pacing_);
        allowed_ = dialogs_.ShowQuestion(
            request +
            "\r\rAllow it? Programs, and the files and addresses the desktop opens, can do "
            "anything your account can do; allow only games you trust.\r\rThe answer holds for "
            "everything this game starts or opens, now and whenever it plays again.");
        Remember(*allowed_);
    }
    return *allowed_;
}

void ProgramConsent::Remember(bool allowed) {
    if (!FitsTheSettings(game_)) {
        return;
    }
    const std::string value(allowed ? kAllow : kDeny);
    settings_.Set(kKey, value, game_);
    if (settings_.File().empty()) {
        return;
    }
    // Written over the file as it is now, not as it was read when the game started: another
    // game the player runs meanwhile may have written its own answer since.
    UserSettings current(settings_.File());
    current.Set(kKey, value, game_);
    try {
        current.Save();
    } catch (const FileWriteError& error) {
        dialogs_.Log("The answer to the question cannot be remembered: " +
                     Utf8ToAnsi(error.what()).value_or(error.what()));
    }
}

} // namespace velkaro
