#include "backends/desktop/DesktopScreen.h"

#include "backends/desktop/KeyCodes.h"
#include "base/AnsiText.h"

#include "backends/desktop/SdlHandles.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <stdexcept>

namespace velkaro {
namespace {

// The framed window leaves room above it for its title bar when it is centred.
constexpr int kTitleBarHeight = 32;
// Enough of the pending events to find a close among them.
constexpr int kEventsLooked = 64;

// Xlib ends the whole program on any error a request meets, and by the time it arrives the
// request may be long gone: a window that a box or the desktop has just destroyed is asked for
// something. No such race is worth a player's game: it is written down and the game goes on.
int ReportXError(Display* display, XErrorEvent* error) {
    std::array<char, 256> text{};
    XGetErrorText(display, error->error_code, text.data(), static_cast<int>(text.size()));
    std::cerr << "velkaro: the display refused a request (" << text.data() << ", request "
              << static_cast<int>(error->request_code) << "); going on\n";
    return 0;
}

// SDL's video for as long as a screen lives.
struct VideoSubsystem {
    VideoSubsystem() {
        // Closing the game's window is the game's to handle (its end runs, and a box may still
        // report); only a signal to end the program makes SDL ask to quit.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            throw std::runtime_error(std::string("No display for the game's window: ") +
                                     SDL_GetError());
        }
        // Without a display SDL falls back to drawing nowhere; a player would see nothing, so
        // that counts as no display unless asked for by name.
        const std::string driver = SDL_GetCurrentVideoDriver();
        if (SDL_getenv("SDL_VIDEODRIVER") == nullptr &&
            (driver == "offscreen" || driver == "dummy")) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            throw std::runtime_error("No display for the game's window.");
        }
        if (driver == "x11") {
            XSetErrorHandler(&ReportXError);
        }
    }
    ~VideoSubsystem() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;
};

} // namespace

struct DesktopScreen::SdlParts {
    VideoSubsystem video;
    SdlWindow window;
    SdlRenderer renderer;
    SdlTexture texture;
    SdlCursor busyCursor;
    struct Overlay {
        SdlTexture texture;
        int width = 0;
        int height = 0;
        bool atBottom = false;
    };
    std::vector<Overlay> overlay;
};

DesktopScreen::DesktopScreen() : sdl_(std::make_unique<SdlParts>()) {
    // High-DPI displays get the picture scaled to their own pixels, not blurred by the desktop.
    sdl_->window.reset(
        SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1, 1,
                         SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI));
    if (!sdl_->window) {
        throw std::runtime_error(std::string("The game's window cannot be made: ") +
                                 SDL_GetError());
    }
    // A display without a graphics driver (a virtual one, a remote one) still gets pictures.
    sdl_->renderer.reset(SDL_CreateRenderer(sdl_->window.get(), -1, 0));
    if (!sdl_->renderer) {
        sdl_->renderer.reset(SDL_CreateRenderer(sdl_->window.get(), -1, SDL_RENDERER_SOFTWARE));
    }
    if (!sdl_->renderer) {
        throw std::runtime_error(std::string("The game's window cannot be drawn in: ") +
                                 SDL_GetError());
    }
}

DesktopScreen::~DesktopScreen() = default;

ScreenSize DesktopScreen::FullScreenSize() const {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(sdl_->window.get());
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0) {
        return {};
    }
    return {mode.w, mode.h};
}

void DesktopScreen::ChooseWindow(const WindowChoice& choice) {
    choice_ = choice;
    shown_ = false;
}

void DesktopScreen::ShowWindow(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    const bool first = !shown_;
    shown_ = true;
    if (first && choice_.fullScreen == true) {
        Cover(width, height);
        return;
    }
    const ScreenSize screen = FullScreenSize();
    // A window never larger than the screen takes with its title bar.
    const double fits = std::min(static_cast<double>(screen.width) / width,
                                 static_cast<double>(screen.height - kTitleBarHeight) / height);
    double scale = choice_.scale == WindowChoice::kFitScale
                       ? fits
                       : std::min(static_cast<double>(choice_.scale), fits);
    scale = std::max(scale, 1.0);
    Frame(static_cast<int>(width * scale), static_cast<int>(height * scale), width, height);
}

void DesktopScreen::ShowFullScreen() {
    const ScreenSize screen = FullScreenSize();
    const bool first = !shown_;
    shown_ = true;
    if (first && choice_.fullScreen == false) {
        // The game's picture is made for the whole screen: a window of three quarters of it.
        constexpr double kWindowShare = 0.75;
        Frame(static_cast<int>(screen.width * kWindowShare),
              static_cast<int>(screen.height * kWindowShare), std::max(screen.width, 1),
              std::max(screen.height, 1));
        return;
    }
    Cover(std::max(screen.width, 1), std::max(screen.height, 1));
}

void DesktopScreen::Frame(int width, int height, int logicalWidth, int logicalHeight) {
    SDL_Window* window = sdl_->window.get();
    // A window the player maximised takes the game's size again only once it is restored.
    SDL_RestoreWindow(window);
    SDL_SetWindowAlwaysOnTop(window, SDL_FALSE);
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_SetWindowSize(window, width, height);
    SDL_RenderSetLogicalSize(sdl_->renderer.get(), logicalWidth, logicalHeight);
    const ScreenSize screen = FullScreenSize();
    SDL_SetWindowPosition(window, (screen.width - width) / 2,
                          (screen.height - (height + kTitleBarHeight)) / 2);
    SDL_ShowWindow(window);
    covers_ = false;
    framedWidth_ = width;
    framedHeight_ = height;
    logicalWidth_ = logicalWidth;
}

// A borderless window over the whole desktop, kept above the others: no window manager needs
// to take part, and the display's mode stays as the player set it.
void DesktopScreen::Cover(int width, int height) {
    SDL_Window* window = sdl_->window.get();
    const ScreenSize screen = FullScreenSize();
    SDL_RestoreWindow(window);
    SDL_SetWindowResizable(window, SDL_FALSE);
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, 0, 0);
    SDL_SetWindowSize(window, screen.width, screen.height);
    SDL_RenderSetLogicalSize(sdl_->renderer.get(), width, height);
    SDL_SetWindowAlwaysOnTop(window, SDL_TRUE);
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    covers_ = true;
}

std::optional<int> DesktopScreen::ResizedScale() const {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdl_->window.get(), &width, &height);
    if (covers_ || logicalWidth_ <= 0 || (width == framedWidth_ && height == framedHeight_)) {
        return std::nullopt;
    }
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(width) / logicalWidth_)));
}

void DesktopScreen::Close() {
    // The window itself goes when the screen does, after the game has ended.
    SDL_HideWindow(sdl_->window.get());
}

void DesktopScreen::SetCaption(const std::string& caption) {
    SDL_SetWindowTitle(sdl_->window.get(), AnsiToUtf8(caption).c_str());
}

void DesktopScreen::ShowCursor(bool shown) {
    cursorShown_ = shown;
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void DesktopScreen::ShowBusy(bool busy) {
    if (busy) {
        if (!sdl_->busyCursor) {
            sdl_->busyCursor.reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT));
        }
        if (sdl_->busyCursor) {
            SDL_SetCursor(sdl_->busyCursor.get());
        }
        SDL_ShowCursor(SDL_ENABLE);
        return;
    }
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_ShowCursor(cursorShown_ ? SDL_ENABLE : SDL_DISABLE);
}

bool DesktopScreen::StopPending(std::int32_t quitKey) {
    SDL_PumpEvents();
    if (SDL_HasEvent(SDL_QUIT)) {
        return true;
    }
    std::array<SDL_Event, kEventsLooked> events{};
    const int windowEvents = SDL_PeepEvents(events.data(), kEventsLooked, SDL_PEEKEVENT,
                                            SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < windowEvents; ++i) {
        if (events[static_cast<std::size_t>(i)].window.event == SDL_WINDOWEVENT_CLOSE) {
            return true;
        }
    }
    if (quitKey == 0) {
        return false;
    }
    const int keys =
        SDL_PeepEvents(events.data(), kEventsLooked, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
    for (int i = 0; i < keys; ++i) {
        if (VirtualKeyOfScancode(events[static_cast<std::size_t>(i)].key.keysym.scancode) ==
            quitKey) {
            return true;
        }
    }
    return false;
}

void DesktopScreen::Present(const Bitmap& frame, int x1, int y1, int x2, int y2) {
    if (frame.Empty()) {
        return;
    }
    if (!sdl_->texture || textureWidth_ != frame.Width() || textureHeight_ != frame.Height()) {
        sdl_->texture.reset(SDL_CreateTexture(sdl_->renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                              SDL_TEXTUREACCESS_STREAMING, frame.Width(),
                                              frame.Height()));
        if (!sdl_->texture) {
            return;
        }
        SDL_SetTextureScaleMode(sdl_->texture.get(), SDL_ScaleModeNearest);
        textureWidth_ = frame.Width();
        textureHeight_ = frame.Height();
    }
    SDL_UpdateTexture(sdl_->texture.get(), nullptr, frame.Pixels().data(),
                      frame.Width() * static_cast<int>(sizeof(Pixel)));
    boxX1_ = x1;
    boxY1_ = y1;
    boxX2_ = x2;
    boxY2_ = y2;
    Repaint();
}

void DesktopScreen::Draw() {
    SDL_Renderer* renderer = sdl_->renderer.get();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (sdl_->texture) {
        const SDL_Rect box{boxX1_, boxY1_, boxX2_ - boxX1_, boxY2_ - boxY1_};
        SDL_RenderCopy(renderer, sdl_->texture.get(), nullptr, &box);
    }
    DrawOverlay();
}

void DesktopScreen::SetOverlay(const std::vector<OverlayPanel>& panels) {
    sdl_->overlay.clear();
    for (const OverlayPanel& panel : panels) {
        if (panel.picture.Empty()) {
            continue;
        }
        const Bitmap& picture = panel.picture;
        SdlTexture texture(SDL_CreateTexture(sdl_->renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STATIC, picture.Width(),
                                             picture.Height()));
        if (!texture) {
            continue;
        }
        SDL_UpdateTexture(texture.get(), nullptr, picture.Pixels().data(),
                          picture.Width() * static_cast<int>(sizeof(Pixel)));
        sdl_->overlay.push_back(
            {std::move(texture), picture.Width(), picture.Height(), panel.atBottom});
    }
    Repaint();
}

std::string DesktopScreen::Describe() const {
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(sdl_->renderer.get(), &info);
    const ScreenSize screen = FullScreenSize();
    const char* driver = SDL_GetCurrentVideoDriver();
    return std::string("display through the ") + (driver != nullptr ? driver : "unknown") +
           " driver, " + std::to_string(screen.width) + " x " + std::to_string(screen.height) +
           ", drawn by the " + (info.name != nullptr ? info.name : "unknown") + " renderer" +
           ((info.flags & SDL_RENDERER_ACCELERATED) != 0 ? " (accelerated)" : " (software)");
}

ScreenSize DesktopScreen::OutputSize() const {
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(sdl_->renderer.get(), &width, &height);
    return {width, height};
}

void DesktopScreen::DrawOverlay() {
    if (sdl_->overlay.empty()) {
        return;
    }
    SDL_Renderer* renderer = sdl_->renderer.get();
    // The panels are drawn in the window's own pixels, not scaled with the game's picture.
    int logicalWidth = 0;
    int logicalHeight = 0;
    SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    SDL_RenderSetScale(renderer, 1.0F, 1.0F);
    SDL_RenderSetViewport(renderer, nullptr);
    const ScreenSize output = OutputSize();
    for (const SdlParts::Overlay& panel : sdl_->overlay) {
        const double scale = std::min({1.0, static_cast<double>(output.width) / panel.width,
                                       static_cast<double>(output.height) / panel.height});
        const int width = static_cast<int>(panel.width * scale);
        const int height = static_cast<int>(panel.height * scale);
        const SDL_Rect box{0, panel.atBottom ? output.height - height : 0, width, height};
        SDL_RenderCopy(renderer, panel.texture.get(), nullptr, &box);
    }
    if (logicalWidth > 0 && logicalHeight > 0) {
        SDL_RenderSetLogicalSize(renderer, logicalWidth, logicalHeight);
    }
}

void DesktopScreen::Repaint() {
    Draw();
    SDL_RenderPresent(sdl_->renderer.get());
}

Bitmap DesktopScreen::Shown() {
    int width = 0;
    int height = 0;
    if (SDL_GetRendererOutputSize(sdl_->renderer.get(), &width, &height) != 0 || width <= 0 ||
        height <= 0) {
        return {};
    }
    // What a present hands to the display is gone from the renderer: draw it again to read it.
    Draw();
    Bitmap shown(width, height);
    SDL_RenderReadPixels(sdl_->renderer.get(), nullptr, SDL_PIXELFORMAT_ARGB8888, shown.Row(0),
                         width * static_cast<int>(sizeof(Pixel)));
    return shown;
}

std::uint32_t DesktopScreen::WindowId() const {
    return SDL_GetWindowID(sdl_->window.get());
}

SDL_Window* DesktopScreen::Window() const {
    return sdl_->window.get();
}

} // namespace velkaro
