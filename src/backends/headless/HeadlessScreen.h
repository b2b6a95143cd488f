#pragma once

#include "backends/headless/RunTimeout.h"
#include "base/Bitmap.h"
#include "platform/Screen.h"

#include <filesystem>
#include <string>

namespace velkaro {

// The screen a headless run pretends to have.
inline constexpr ScreenSize kHeadlessScreenSize{1024, 768};

// Game windows that are never shown: the framed window alone (no full screen), and the last
// picture presented in it, which can be written out.
class HeadlessScreen : public Screen {
public:
    // `timeout`, when given, must outlive the screen.
    explicit HeadlessScreen(RunTimeout* timeout = nullptr) : timeout_(timeout) {}

    bool FullScreenAvailable() const override { return false; }
    ScreenSize FullScreenSize() const override { return kHeadlessScreenSize; }
    void ShowWindow(int width, int height) override;
    void ShowFullScreen() override {}
    void Close() override { closed_ = true; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void ShowCursor(bool) override {}
    // A headless run has no window for the player to close; the end of its time stands in
    // for that, so that game code stuck in a loop is stopped as a closed window stops it.
    bool StopPending(std::int32_t) override { return timeout_ != nullptr && timeout_->Passed(); }
    // Keeps the picture as the window's client area would show it.
    void Present(const Bitmap& frame, int x1, int y1, int x2, int y2) override;

    // Whether anything has been presented since the last TakeFrame.
    bool HasNewFrame() const { return fresh_; }
    const Bitmap& LastFrame() const { return frame_; }
    // Writes the last picture as PNG and marks it taken.
    void WriteFrame(const std::filesystem::path& file);
    const std::string& Caption() const { return caption_; }
    bool Closed() const { return closed_; }

private:
    RunTimeout* timeout_;
    int width_ = 0;
    int height_ = 0;
    Bitmap frame_;
    bool fresh_ = false;
    bool closed_ = false;
    std::string caption_;
};

} // namespace velkaro
