#include "backends/desktop/DesktopSplashWindow.h"

#include "backends/desktop/RichTextView.h"
#include "codecs/RichText.h"
#include "platform/Canvas.h"

#include <SDL.h>
#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <clocale>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

namespace velkaro {
namespace {

constexpr int kTextBorder = 20;
// With no time to keep, the loop still looks up now and then whether the screen was closed.
constexpr int kIdleWaitMs = 500;
// While a video plays, mpv wakes the loop for every frame; this is only the loop's fallback.
constexpr int kVideoWaitMs = 100;
// How long mpv may take to read enough of a video to know its size.
constexpr int kVideoOpeningMs = 5000;

Colour ReadableOn(Colour background) {
    const unsigned red = background & 0xFFu;
    const unsigned green = background >> 8 & 0xFFu;
    const unsigned blue = background >> 16 & 0xFFu;
    const bool dark = red * 299 + green * 587 + blue * 114 < 128 * 1000;
    return dark ? 0xFFFFFF : 0x000000;
}

void NotShown(const std::filesystem::path& file, const std::string& reason) {
    std::cerr << "Not shown: " << file.string() << " (" << reason << ")\n";
}

bool IsExposed(const SDL_Event& event) {
    return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED;
}

// A borderless box window at `box` on the screen, hidden until ShowAbove.
std::unique_ptr<ModalWindow> OpenSplash(SDL_Window* parent, SplashBox box, std::string& error) {
    auto window = ModalWindow::Open(parent, box.width, box.height, "", error);
    if (window) {
        SDL_SetWindowBordered(window->Window(), SDL_FALSE);
        SDL_SetWindowPosition(window->Window(), box.x, box.y);
    }
    return window;
}

void CopyInto(Bitmap& picture, const Bitmap& part, SplashBox place) {
    for (int y = 0; y < part.Height(); ++y) {
        std::copy_n(part.Row(y), part.Width(), picture.Row(place.y + y) + place.x);
    }
}

// libmpv refuses to start unless numbers are read and written the C way (a desktop toolkit
// may have set the player's locale). The player's own texts never depend on it.
void UseCNumbers() {
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (numeric == nullptr ||
        (std::strcmp(numeric, "C") != 0 && std::strcmp(numeric, "POSIX") != 0)) {
        std::setlocale(LC_NUMERIC, "C");
    }
}

// mpv's threads only note that there is news and wake the window's loop with one event; the
// loop then asks mpv itself, on its own thread.
class Waker {
public:
    explicit Waker(std::uint32_t eventType) : eventType_(eventType) {}

    static void Wake(void* self) { static_cast<Waker*>(self)->Wake(); }
    void Wake() {
        if (!pending_.exchange(true)) {
            SDL_Event event{};
            event.type = eventType_;
            SDL_PushEvent(&event);
        }
    }
    // The loop is about to look at mpv's news: the next news wakes it again.
    void Taken() { pending_.store(false); }

private:
    std::uint32_t eventType_;
    std::atomic<bool> pending_ = false;
};

struct MpvDeleter {
    void operator()(mpv_handle* mpv) const { mpv_terminate_destroy(mpv); }
};
struct MpvRenderDeleter {
    void operator()(mpv_render_context* render) const { mpv_render_context_free(render); }
};

// One video in libmpv: opened paused, so that its first frame waits for the window; its frames
// drawn in software when the loop asks for them.
class VideoPlayer {
public:
    enum class State { Opening, Ready, Ended };

    static std::unique_ptr<VideoPlayer> Open(const std::filesystem::path& file, bool loop,
                                             std::uint32_t wakeEvent, std::string& error);
    VideoPlayer(const VideoPlayer&) = delete;
    VideoPlayer& operator=(const VideoPlayer&) = delete;

    // Takes mpv's news: after every wake, and now and then.
    void Serve();
    State Now() const { return state_; }
    // The video's size as shown, once Ready.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Why a video ended before it was Ready.
    const std::string& Failure() const { return failure_; }

    void Play();
    // Draws the frame due now into `frame`, at its size; answers whether there was a new one.
    bool DrawFrame(Bitmap& frame);

private:
    explicit VideoPlayer(std::uint32_t wakeEvent) : waker_(wakeEvent) {}
    bool HasVideoTrack() const;

    // Destroyed in reverse: the render context before mpv, and mpv, whose threads call the
    // waker, before the waker.
    Waker waker_;
    std::unique_ptr<mpv_handle, MpvDeleter> mpv_;
    std::unique_ptr<mpv_render_context, MpvRenderDeleter> render_;
    State state_ = State::Opening;
    int width_ = 0;
    int height_ = 0;
    std::string failure_;
};

std::unique_ptr<VideoPlayer> VideoPlayer::Open(const std::filesystem::path& file, bool loop,
                                               std::uint32_t wakeEvent, std::string& error) {
    UseCNumbers();
    std::unique_ptr<VideoPlayer> player(new VideoPlayer(wakeEvent));
    player->mpv_.reset(mpv_create());
    mpv_handle* mpv = player->mpv_.get();
    if (mpv == nullptr) {
        error = "libmpv cannot start";
        return nullptr;
    }
    // Frames for us to draw; nothing of mpv's own: no terminal, configuration, scripts, keys or
    // messages on the picture.
    const std::pair<const char*, const char*> options[] = {
        {"vo", "libmpv"},
        {"terminal", "no"},
        {"config", "no"},
        {"load-scripts", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osd-level", "0"},
        {"sub-auto", "no"},
        {"idle", "yes"},
        {"keep-open", "no"},
        {"pause", "yes"},
        {"loop-file", loop ? "inf" : "no"},
    };
    for (const auto& [name, value] : options) {
        mpv_set_option_string(mpv, name, value);
    }
    if (const int status = mpv_initialize(mpv); status < 0) {
        error = mpv_error_string(status);
        return nullptr;
    }
    char software[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, software},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context* render = nullptr;
    if (const int status = mpv_render_context_create(&render, mpv, params); status < 0) {
        error = mpv_error_string(status);
        return nullptr;
    }
    player->render_.reset(render);
    mpv_render_context_set_update_callback(render, &Waker::Wake, &player->waker_);
    mpv_set_wakeup_callback(mpv, &Waker::Wake, &player->waker_);

    // An absolute path, so that no file name is taken for a protocol or an option.
    std::error_code ignored;
    const std::string path = std::filesystem::absolute(file, ignored).string();
    const char* command[] = {"loadfile", path.c_str(), nullptr};
    if (const int status = mpv_command(mpv, command); status < 0) {
        error = mpv_error_string(status);
        return nullptr;
    }
    return player;
}

void VideoPlayer::Serve() {
    waker_.Taken();
    for (;;) {
        const mpv_event* event = mpv_wait_event(mpv_.get(), 0);
        switch (event->event_id) {
        case MPV_EVENT_NONE:
            return;
        case MPV_EVENT_FILE_LOADED:
            // Sound alone has nothing to show.
            if (state_ == State::Opening && !HasVideoTrack()) {
                state_ = State::Ended;
                failure_ = "no picture in it";
            }
            break;
        case MPV_EVENT_VIDEO_RECONFIG:
            if (state_ == State::Opening) {
                std::int64_t width = 0;
                std::int64_t height = 0;
                mpv_get_property(mpv_.get(), "dwidth", MPV_FORMAT_INT64, &width);
                mpv_get_property(mpv_.get(), "dheight", MPV_FORMAT_INT64, &height);
                if (width > 0 && height > 0) {
                    width_ = static_cast<int>(width);
                    height_ = static_cast<int>(height);
                    state_ = State::Ready;
                }
            }
            break;
        case MPV_EVENT_END_FILE:
            if (state_ == State::Opening) {
                const auto* end = static_cast<const mpv_event_end_file*>(event->data);
                failure_ = end->reason == MPV_END_FILE_REASON_ERROR ? mpv_error_string(end->error)
                                                                    : "no picture in it";
            }
            state_ = State::Ended;
            break;
        case MPV_EVENT_SHUTDOWN:
            state_ = State::Ended;
            break;
        default:
            break;
        }
    }
}

bool VideoPlayer::HasVideoTrack() const {
    char* track = mpv_get_property_string(mpv_.get(), "vid");
    const bool none = track != nullptr && std::strcmp(track, "no") == 0;
    mpv_free(track);
    return !none;
}

void VideoPlayer::Play() {
    int paused = 0;
    mpv_set_property(mpv_.get(), "pause", MPV_FORMAT_FLAG, &paused);
}

bool VideoPlayer::DrawFrame(Bitmap& frame) {
    if ((mpv_render_context_update(render_.get()) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return false;
    }
    int size[2] = {frame.Width(), frame.Height()};
    // Our pixels are 0xAARRGGBB words; mpv leaves the fourth byte undefined.
    char format[] = "bgr0";
    char formatBigEndian[] = "0rgb";
    std::size_t stride = static_cast<std::size_t>(frame.Width()) * sizeof(Pixel);
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT,
         std::endian::native == std::endian::little ? format : formatBigEndian},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, frame.Row(0)},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_render(render_.get(), params) < 0) {
        return false;
    }
    for (int y = 0; y < frame.Height(); ++y) {
        Pixel* row = frame.Row(y);
        for (int x = 0; x < frame.Width(); ++x) {
            row[x] |= 0xFF000000u;
        }
    }
    return true;
}

} // namespace

void PaintScreenText(Bitmap& target, const std::string& fileText, Colour background) {
    // Rich text brings its own fonts and colours; plain text is Arial in black or white,
    // whichever stands out on the background.
    TextStyle plain;
    plain.font = "Arial";
    plain.halfPoints = 20;
    plain.colour = ReadableOn(background);
    RichTextView view(ReadTextDocument(fileText, plain), kTextBorder);
    view.Layout(target.Width());
    view.Draw(target, BoxArea{0, 0, target.Width(), target.Height()}, 0, background);
}

Bitmap SplashImagePicture(const Bitmap& picture, SplashBox window, SplashBox place) {
    const auto canvas = MakeCanvas(window.width, window.height);
    canvas->StretchBitmap(picture, place.x, place.y, place.x + place.width, place.y + place.height);
    return canvas->Pixels();
}

SplashClosing::SplashClosing(std::int32_t delayMs, std::uint64_t shownMs)
    : delayMs_(delayMs), shownMs_(shownMs) {}

bool SplashClosing::Handle(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
    case SDL_MOUSEBUTTONDOWN:
        closed_ = true;
        break;
    case SDL_KEYDOWN:
        closed_ = closed_ || event.key.repeat == 0;
        break;
    case SDL_WINDOWEVENT:
        closed_ = closed_ || event.window.event == SDL_WINDOWEVENT_CLOSE;
        break;
    default:
        break;
    }
    return closed_;
}

void SplashClosing::Tick(std::uint64_t nowMs) {
    if (delayMs_ > 0 && nowMs >= shownMs_ + static_cast<std::uint64_t>(delayMs_)) {
        closed_ = true;
    }
}

int SplashClosing::WaitMs(std::uint64_t nowMs, int longest) const {
    if (delayMs_ <= 0) {
        return longest;
    }
    const std::uint64_t end = shownMs_ + static_cast<std::uint64_t>(delayMs_);
    if (nowMs >= end) {
        return 0;
    }
    return static_cast<int>(std::min<std::uint64_t>(end - nowMs, static_cast<unsigned>(longest)));
}

DesktopSplashWindow::DesktopSplashWindow(SDL_Window* parent, ScreenSize screen,
                                         ModalEventSource nextEvent, SplashTextPainter paintText)
    : parent_(parent), screen_(screen), nextEvent_(std::move(nextEvent)),
      paintText_(std::move(paintText)), wakeEvent_(SDL_RegisterEvents(1)) {}

DesktopSplashWindow::~DesktopSplashWindow() = default;

void DesktopSplashWindow::ShowImage(const std::filesystem::path& file, const Bitmap& picture,
                                    SplashBox window, SplashBox place, std::int32_t delayMs) {
    // A window with nothing in it could not be seen, nor closed with a click.
    if (picture.Empty() || window.width <= 0 || window.height <= 0) {
        NotShown(file, "no picture in it");
        return;
    }
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        NotShown(file, "no display");
        return;
    }
    ShowStill(SplashImagePicture(picture, window, place), window, delayMs);
}

void DesktopSplashWindow::ShowText(const std::filesystem::path& file, SplashBox window,
                                   Colour background, std::int32_t delayMs) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        NotShown(file, "no display");
        return;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        NotShown(file, "it cannot be read");
        return;
    }
    if (window.width <= 0 || window.height <= 0) {
        NotShown(file, "no room for it");
        return;
    }
    Bitmap picture(window.width, window.height, PixelFromColour(background));
    paintText_(picture, text, background);
    ShowStill(picture, window, delayMs);
}

void DesktopSplashWindow::ShowStill(const Bitmap& picture, SplashBox box, std::int32_t delayMs) {
    std::string error;
    const auto window = OpenSplash(parent_, box, error);
    if (!window) {
        std::cerr << "No window for the screen: " << error << '\n';
        return;
    }
    window->ShowAbove();
    window->Present(picture);
    SplashClosing closing(delayMs, SDL_GetTicks64());
    for (;;) {
        closing.Tick(SDL_GetTicks64());
        if (closing.Closed()) {
            break;
        }
        const std::optional<SDL_Event> event =
            nextEvent_(closing.WaitMs(SDL_GetTicks64(), kIdleWaitMs));
        if (event) {
            window->KeepKeyboard(*event);
        }
        if (!event || !window->Owns(*event)) {
            continue;
        }
        if (IsExposed(*event)) {
            window->Present(picture);
        }
        closing.Handle(*event);
    }
}

void DesktopSplashWindow::ShowVideo(const std::filesystem::path& file, bool full, bool loop) {
    lastFrame_ = Bitmap();
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        NotShown(file, "no display");
        return;
    }
    PlayVideo(file, full, loop);
    // mpv is gone: none of its wakes may reach the game's loop.
    SDL_FlushEvent(wakeEvent_);
}

void DesktopSplashWindow::PlayVideo(const std::filesystem::path& file, bool full, bool loop) {
    std::string error;
    const auto player = VideoPlayer::Open(file, loop, wakeEvent_, error);
    if (!player) {
        NotShown(file, error);
        return;
    }

    const std::uint64_t deadline = SDL_GetTicks64() + kVideoOpeningMs;
    player->Serve();
    while (player->Now() == VideoPlayer::State::Opening) {
        const std::uint64_t now = SDL_GetTicks64();
        if (now >= deadline) {
            NotShown(file, "it did not open in time");
            return;
        }
        const int wait = static_cast<int>(std::min<std::uint64_t>(deadline - now, kVideoWaitMs));
        const std::optional<SDL_Event> event = nextEvent_(wait);
        if (event && event->type == SDL_QUIT) {
            return;
        }
        player->Serve();
    }
    if (player->Now() != VideoPlayer::State::Ready) {
        NotShown(file, player->Failure());
        return;
    }

    const SplashBox box = full ? SplashBox{0, 0, screen_.width, screen_.height}
                               : CentreOnScreen(player->Width(), player->Height(), screen_);
    const SplashBox place = full ? FitToScreen(player->Width(), player->Height(), screen_)
                                 : SplashBox{0, 0, player->Width(), player->Height()};
    if (box.width <= 0 || box.height <= 0 || place.width <= 0 || place.height <= 0) {
        NotShown(file, "no room for it");
        return;
    }
    const auto window = OpenSplash(parent_, box, error);
    if (!window) {
        NotShown(file, "no window for it: " + error);
        return;
    }
    Bitmap picture(box.width, box.height);
    Bitmap frame(place.width, place.height);
    bool drawn = false;
    window->ShowAbove();
    window->Present(picture);
    player->Play();
    SplashClosing closing(0, SDL_GetTicks64());
    while (!closing.Closed()) {
        player->Serve();
        if (player->Now() == VideoPlayer::State::Ended) {
            break;
        }
        if (player->DrawFrame(frame)) {
            drawn = true;
            CopyInto(picture, frame, place);
            window->Present(picture);
        }
        const std::optional<SDL_Event> event = nextEvent_(kVideoWaitMs);
        if (event) {
            window->KeepKeyboard(*event);
        }
        if (!event || event->type == wakeEvent_ || !window->Owns(*event)) {
            continue;
        }
        if (IsExposed(*event)) {
            window->Present(picture);
        }
        closing.Handle(*event);
    }
    if (drawn) {
        lastFrame_ = std::move(frame);
    }
}

} // namespace velkaro
