#pragma once

#include "backends/desktop/ModalWindow.h"
#include "platform/Dialogs.h"

#include <optional>
#include <set>
#include <string>

namespace velkaro {

class DesktopEvents;
class DesktopScreen;

// The boxes on the desktop, each a small modal window of its own over the game's window. While
// one is open the game's window is still repainted and the game thread's calls still served.
// Without a display the text goes to standard error, so a message is never lost.
class DesktopDialogs : public Dialogs {
public:
    explicit DesktopDialogs(std::string title) : title_(std::move(title)) {}

    void SetTitle(std::string title) { title_ = std::move(title); }
    // From now on boxes belong to the game's window and stay above it, and their loops serve
    // the window's events. Both must outlive the dialogs' use.
    void AttachTo(DesktopScreen& screen, DesktopEvents& events) {
        screen_ = &screen;
        events_ = &events;
    }
    // What the game information window shows: its caption and the text of "help.rtf".
    void SetGameInfo(std::string caption, std::string text) {
        infoCaption_ = std::move(caption);
        infoText_ = std::move(text);
    }

    void ShowMessage(const std::string& text) override;
    // On standard error, "velkaro: FILE: TEXT"; a line said once is not said again.
    void Log(const std::string& text, const std::filesystem::path& file = {}) override;
    // The report goes to the log too. Without a display, or when the box is closed without a
    // choice, the answer is Ignore, or Abort when fatal.
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override;
    // Without a display, or when the box is closed without a choice, the answer is No.
    bool ShowQuestion(const std::string& text) override;
    // Cancel without a display.
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override;
    // A sizeable window over the game's, the text read-only and scrollable.
    void ShowGameInfo() override;

private:
    SDL_Window* Parent() const;
    // Where a box's loop takes its events from: the game window's loop once attached.
    ModalEventSource Events() const;

    std::string title_;
    DesktopScreen* screen_ = nullptr;
    DesktopEvents* events_ = nullptr;
    std::string infoCaption_;
    std::string infoText_;
    std::set<std::string> logged_;
};

} // namespace velkaro
