#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velkaro {

// The choices of an error report box.
enum class ErrorAnswer {
    Abort,
    Ignore,
};

// The modal boxes a game and its shell show the player. Texts are game texts (Windows-1252),
// with line breaks as carriage returns. Callers that run inside a step suspend the game's
// steps around the boxes.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message box with an OK button; returns when the player has closed it.
    virtual void ShowMessage(const std::string& text) = 0;

    // A line for the player's log (the desktop player's standard error), never a box: what
    // went wrong or where something went, with the file it concerns when there is one.
    virtual void Log(const std::string& /*text*/, const std::filesystem::path& /*file*/ = {}) {}
    // A failure of the player's own (a file it cannot read or write), not a message of the
    // game's code: written to the log with the file it concerns, and shown as a message.
    void ShowFailure(const std::string& text, const std::filesystem::path& file = {}) {
        Log(text, file);
        ShowMessage(text);
    }

    // The error report box with the error icon: the buttons Abort and Ignore, or Abort alone
    // when the error is fatal (the answer is then always Abort). Dialogs that have no such box
    // show the text as a message and take the answer a player who only reads it would get:
    // Ignore, or Abort when fatal.
    virtual ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) {
        ShowMessage(text);
        return DefaultErrorAnswer(fatal);
    }

    // A box with Yes and No; true for Yes.
    virtual bool ShowQuestion(const std::string& text) = 0;
    // An input box with an empty caption, the prompt and an edit field holding `value`: the
    // text in the field when OK is chosen, none for Cancel or a closed box.
    virtual std::optional<std::string> AskText(const std::string& prompt,
                                               const std::string& value) = 0;
    // The game information window; returns when the player has closed it.
    virtual void ShowGameInfo() = 0;

    static ErrorAnswer DefaultErrorAnswer(bool fatal) {
        return fatal ? ErrorAnswer::Abort : ErrorAnswer::Ignore;
    }
};

} // namespace velkaro
