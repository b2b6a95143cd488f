#include "qvf/HeadlessGame.h"

#include "functions/FunctionTables.h"

namespace velkaro::qvf {

HeadlessGame::HeadlessGame(GameData& data, Transcript& transcript, HeadlessDialogs& dialogs,
                           AnswerScript& answers, Clock& clock, ProgramService* starter,
                           std::optional<std::uint32_t> seed, RunTimeout* timeout)
    : clock_(clock), screen_(timeout), programs_(transcript, starter), audio_(transcript, clock),
      scoreWindow_(transcript, answers), splashWindow_(transcript),
      shell_(data, ShellPlatform{audio_, scoreWindow_, splashWindow_, dialogs, pictures_}),
      actions_(BuildActionRegistry(dialogs)),
      game_(data,
            GamePlatform{screen_, pictures_, dialogs, shell_.Sound(), *this, shell_,
                         shell_.Scores(), shell_.Screens(), devices_, programs_},
            GameLibraries{FunctionRegistry(), actions_}, seed) {
    shell_.Attach(game_.State());
}

} // namespace velkaro::qvf
