#pragma once

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

} // namespace velkaro
