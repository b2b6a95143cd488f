#pragma once

#include <optional>
#include <string>

namespace velkaro {

// The choices of an error report box.
enum class ErrorAnswer {
    Abort,
    Ignore,
};

// The boxes a game shows the player. Texts are game texts (Windows-1252).
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message box with an OK button; returns when the player has closed it.
    virtual void ShowMessage(const std::string& text) = 0;

    // The error report box with the error icon: the buttons Abort and Ignore, or Abort alone
    // when the error is fatal (the answer is then always Abort). Lines of `text` are separated
    // by "\r". Dialogs that have no such box show the text as a message and take the answer a
    // player who only reads it would get: Ignore, or Abort when fatal.
    virtual ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) {
        ShowMessage(text);
        return DefaultErrorAnswer(fatal);
    }

    static ErrorAnswer DefaultErrorAnswer(bool fatal) {
        return fatal ? ErrorAnswer::Abort : ErrorAnswer::Ignore;
    }
};

// The modal boxes of the shell. Texts are game texts (Windows-1252), with line breaks as
// carriage returns. The callers suspend the game's steps around them.
class DialogService {
public:
    virtual ~DialogService() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A box with Yes and No; true for Yes.
    virtual bool ShowQuestion(const std::string& text) = 0;
    // An input box with an empty caption, the prompt and an edit field holding `value`: the
    // text in the field when OK is chosen, none for Cancel or a closed box.
    virtual std::optional<std::string> AskText(const std::string& prompt,
                                               const std::string& value) = 0;
    // The game information window; returns when the player has closed it.
    virtual void ShowGameInfo() = 0;
};

} // namespace velkaro
