#include "backends/desktop/ModalWindow.h"

#include "backends/desktop/SdlHandles.h"
#include "base/AnsiText.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

namespace velkaro {
namespace {

constexpr Colour kButtonFace = 0xE1E1E1;
constexpr Colour kButtonBorder = 0xADADAD;
constexpr Colour kPressedFace = 0xF7E4CC;
constexpr Colour kDefaultBorder = 0xD77800;
// Room beside a label that would make its button wider than the least width.
constexpr int kLabelPadding = 12;
// With nothing blinking, the loop still looks up now and then whether the box was closed.
constexpr int kIdleWaitMs = 500;
// Small enough for any box that can be resized.
constexpr int kResizableMinWidth = 200;
constexpr int kResizableMinHeight = 100;

// Adds the line to `lines`, broken between words where it is wider than `maxWidth`, and inside
// a word that is wider on its own.
void AddWrapped(const std::string& line, Canvas& measure, int maxWidth,
                std::vector<std::string>& lines) {
    if (measure.TextWidth(line) <= maxWidth) {
        lines.push_back(line);
        return;
    }
    std::string current;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t wordStart = std::min(line.find_first_not_of(' ', i), line.size());
        const std::size_t end = std::min(line.find(' ', wordStart), line.size());
        const std::string piece = line.substr(i, end - i);
        if (current.empty() || measure.TextWidth(current + piece) <= maxWidth) {
            current += piece;
        } else {
            lines.push_back(current);
            current = line.substr(wordStart, end - wordStart);
        }
        while (current.size() > 1 && measure.TextWidth(current) > maxWidth) {
            std::size_t fits = current.size() - 1;
            while (fits > 1 &&
                   measure.TextWidth(std::string_view(current).substr(0, fits)) > maxWidth) {
                --fits;
            }
            lines.push_back(current.substr(0, fits));
            current.erase(0, fits);
        }
        i = end;
    }
    lines.push_back(current);
}

// The window an event concerns, or none for events that concern no window.
std::optional<Uint32> WindowOf(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return std::nullopt;
    }
}

// The name under which a window keeps the box that shows over it, the last one shown.
constexpr const char* kBoxOverWindow = "velkaro-box-over";

ModalWindow* BoxOver(SDL_Window* parent) {
    return parent == nullptr ? nullptr
                             : static_cast<ModalWindow*>(SDL_GetWindowData(parent, kBoxOverWindow));
}

// The box's top-left corner: centred over a shown parent, else on the parent's display. SDL's
// own placement relative to a parent is not used: some versions of it double the parent's
// position.
std::pair<int, int> BoxPosition(SDL_Window* parent, int width, int height) {
    if (parent == nullptr) {
        return {SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED};
    }
    if ((SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN) == 0) {
        const int display = std::max(SDL_GetWindowDisplayIndex(parent), 0);
        return {SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display)};
    }
    int x = 0;
    int y = 0;
    int parentWidth = 0;
    int parentHeight = 0;
    SDL_GetWindowPosition(parent, &x, &y);
    SDL_GetWindowSize(parent, &parentWidth, &parentHeight);
    return {x + (parentWidth - width) / 2, y + (parentHeight - height) / 2};
}

} // namespace

std::string TypedLineCharacters(std::string_view utf8) {
    std::string result = Utf8ToAnsiDroppingOthers(utf8);
    std::erase_if(result, [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 0x20 || code == 0x7F;
    });
    return result;
}

TextInputWhileOpen::TextInputWhileOpen(const BoxArea& field)
    : wasActive_(SDL_IsTextInputActive() == SDL_TRUE) {
    SDL_Rect area{field.x, field.y, field.width, field.height};
    SDL_SetTextInputRect(&area);
    SDL_StartTextInput();
}

TextInputWhileOpen::~TextInputWhileOpen() {
    if (!wasActive_) {
        SDL_StopTextInput();
    }
}

Font BoxFont(Colour colour) {
    Font font;
    font.name = "Arial";
    font.size = 9;
    font.colour = colour;
    return font;
}

std::vector<std::string> SplitAtBreaks(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

std::vector<std::string> WrappedLines(std::string_view text, Canvas& measure, int maxWidth) {
    std::vector<std::string> lines;
    if (text.empty()) {
        return lines;
    }
    for (const std::string& line : SplitAtBreaks(text)) {
        AddWrapped(line, measure, maxWidth, lines);
    }
    return lines;
}

int BoxButtonWidth(Canvas& measure, std::string_view label) {
    return std::max(kBoxButtonWidth, measure.TextWidth(label) + 2 * kLabelPadding);
}

void DrawBoxButton(Canvas& canvas, const BoxArea& area, std::string_view label, ButtonLook look) {
    const int right = area.x + area.width;
    const int bottom = area.y + area.height;
    canvas.SetPen({look.isDefault || look.pressed ? kDefaultBorder : kButtonBorder, 1});
    canvas.SetBrush({look.pressed ? kPressedFace : kButtonFace, BrushStyle::Solid});
    canvas.Rectangle(area.x, area.y, right, bottom);
    if (look.isDefault) {
        canvas.SetBrush({kButtonFace, BrushStyle::Clear});
        canvas.Rectangle(area.x + 1, area.y + 1, right - 1, bottom - 1);
    }
    if (look.focused) {
        // Every other pixel, as a pen of dots would draw it.
        canvas.SetBrush({kBoxText, BrushStyle::Solid});
        const int left = area.x + 3;
        const int top = area.y + 3;
        const int innerRight = right - 4;
        const int innerBottom = bottom - 4;
        for (int x = left; x <= innerRight; x += 2) {
            canvas.FillRect(x, top, x + 1, top + 1);
            canvas.FillRect(x, innerBottom, x + 1, innerBottom + 1);
        }
        for (int y = top; y <= innerBottom; y += 2) {
            canvas.FillRect(left, y, left + 1, y + 1);
            canvas.FillRect(innerRight, y, innerRight + 1, y + 1);
        }
    }
    canvas.SetFont(BoxFont(kBoxText));
    canvas.Text(area.x + (area.width - canvas.TextWidth(label)) / 2,
                area.y + (area.height - canvas.TextHeight(label)) / 2, label);
}

struct ModalWindow::SdlParts {
    SdlWindow window;
    SdlRenderer renderer;
    SdlTexture texture;
    int textureWidth = 0;
    int textureHeight = 0;

    bool MakeTexture(int width, int height) {
        texture.reset(SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                        SDL_TEXTUREACCESS_STREAMING, width, height));
        textureWidth = width;
        textureHeight = height;
        return texture != nullptr;
    }
};

std::unique_ptr<ModalWindow> ModalWindow::Open(SDL_Window* parent, int width, int height,
                                               const std::string& title, std::string& error,
                                               WindowSizing sizing) {
    auto sdl = std::make_unique<SdlParts>();
    const auto [x, y] = BoxPosition(parent, width, height);
    const Uint32 resizable = sizing == WindowSizing::Resizable ? SDL_WINDOW_RESIZABLE : 0;
    sdl->window.reset(SDL_CreateWindow(title.c_str(), x, y, width, height,
                                       SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP | resizable));
    if (sdl->window && resizable != 0) {
        SDL_SetWindowMinimumSize(sdl->window.get(), std::min(width, kResizableMinWidth),
                                 std::min(height, kResizableMinHeight));
    }
    if (sdl->window) {
        sdl->renderer.reset(SDL_CreateRenderer(sdl->window.get(), -1, 0));
        if (!sdl->renderer) {
            sdl->renderer.reset(SDL_CreateRenderer(sdl->window.get(), -1, SDL_RENDERER_SOFTWARE));
        }
    }
    if (!sdl->renderer || !sdl->MakeTexture(width, height)) {
        error = SDL_GetError();
        return nullptr;
    }
    if (parent != nullptr) {
        SDL_SetWindowModalFor(sdl->window.get(), parent);
    }
    return std::unique_ptr<ModalWindow>(new ModalWindow(parent, std::move(sdl)));
}

ModalWindow::ModalWindow(SDL_Window* parent, std::unique_ptr<SdlParts> sdl)
    : parent_(parent), sdl_(std::move(sdl)) {}

ModalWindow::~ModalWindow() {
    // The parent no longer hands the keyboard to this box: to the box under it, if any.
    bool wasInFront = false;
    if (aboveParent_) {
        ModalWindow* front = BoxOver(parent_);
        wasInFront = front == this;
        if (wasInFront) {
            SDL_SetWindowData(parent_, kBoxOverWindow, below_);
        }
        for (ModalWindow* box = front; box != nullptr; box = box->below_) {
            if (box->below_ == this) {
                box->below_ = below_;
            }
        }
    }
    // Gone first, then the box under it or the parent raised and given the keyboard back:
    // without a window manager to hand it on, the keyboard would stay with the window that is
    // gone.
    sdl_.reset();
    if (wasInFront && below_ != nullptr) {
        below_->TakeKeyboard();
    } else if (parent_ != nullptr && (!aboveParent_ || wasInFront) &&
               (SDL_GetWindowFlags(parent_) & SDL_WINDOW_SHOWN) != 0) {
        SDL_RaiseWindow(parent_);
        SDL_SetWindowInputFocus(parent_);
    }
}

SDL_Window* ModalWindow::Window() const {
    return sdl_->window.get();
}

bool ModalWindow::Owns(const SDL_Event& event) const {
    if (event.type == SDL_QUIT) {
        return true;
    }
    const std::optional<Uint32> window = WindowOf(event);
    if (!window) {
        return false;
    }
    SDL_Window* box = Window();
    if (*window == SDL_GetWindowID(box)) {
        return true;
    }
    const bool typed =
        event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return *window == 0 && typed && (focus == box || focus == nullptr);
}

void ModalWindow::Present(const Bitmap& picture) {
    const bool sameSize =
        picture.Width() == sdl_->textureWidth && picture.Height() == sdl_->textureHeight;
    if ((!sameSize || !sdl_->texture) && !sdl_->MakeTexture(picture.Width(), picture.Height())) {
        return; // nothing to show it with: the window keeps its last picture
    }
    SDL_UpdateTexture(sdl_->texture.get(), nullptr, picture.Pixels().data(),
                      picture.Width() * static_cast<int>(sizeof(Pixel)));
    SDL_RenderClear(sdl_->renderer.get());
    SDL_RenderCopy(sdl_->renderer.get(), sdl_->texture.get(), nullptr, nullptr);
    SDL_RenderPresent(sdl_->renderer.get());
}

void ModalWindow::ShowAbove() {
    if (parent_ != nullptr && !aboveParent_) {
        below_ = BoxOver(parent_);
        SDL_SetWindowData(parent_, kBoxOverWindow, this);
        aboveParent_ = true;
    }
    SDL_ShowWindow(Window());
    TakeKeyboard();
}

void ModalWindow::TakeKeyboard() {
    SDL_RaiseWindow(Window());
    // X11 fails a program that gives the focus to a window not yet on the screen, which a
    // window manager may still be framing when SDL has shown it: the first exposure says it is
    // there. (Without a window manager SDL gives the keyboard to a window it shows itself.)
    wantsKeyboard_ = !onScreen_ || SDL_SetWindowInputFocus(Window()) != 0;
}

bool ModalWindow::ParentGaveUp(const SDL_Event& event) const {
    if (!aboveParent_ || BoxOver(parent_) != this) {
        return false;
    }
    const Uint32 parent = SDL_GetWindowID(parent_);
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        return event.button.windowID == parent;
    }
    return event.type == SDL_WINDOWEVENT && event.window.windowID == parent &&
           event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
}

void ModalWindow::KeepKeyboard(const SDL_Event& event) {
    if (ParentGaveUp(event)) {
        TakeKeyboard();
        return;
    }
    if (event.type != SDL_WINDOWEVENT || event.window.windowID != SDL_GetWindowID(Window())) {
        return;
    }
    switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        onScreen_ = true;
        if (wantsKeyboard_) {
            TakeKeyboard();
        }
        break;
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        onScreen_ = false;
        break;
    default:
        break;
    }
}

void ModalWindow::KeepKeyboardOver(SDL_Window* parent, const SDL_Event& event) {
    ModalWindow* box = BoxOver(parent);
    if (box != nullptr && box->ParentGaveUp(event)) {
        box->TakeKeyboard();
    }
}

void ModalWindow::Run(const ModalContent& content, const ModalEventSource& nextEvent) {
    ShowAbove();

    bool redraw = true;
    const int wait = content.tickMs > 0 ? content.tickMs : kIdleWaitMs;
    Uint64 nextTick = SDL_GetTicks64() + static_cast<Uint64>(wait);
    while (content.open()) {
        if (redraw) {
            Present(content.draw());
            redraw = false;
        }
        const Uint64 now = SDL_GetTicks64();
        if (now >= nextTick) {
            if (content.tickMs > 0 && content.tick) {
                content.tick();
                redraw = true;
            }
            nextTick = now + static_cast<Uint64>(wait);
            continue;
        }
        const std::optional<SDL_Event> event = nextEvent(static_cast<int>(nextTick - now));
        if (!event) {
            continue;
        }
        KeepKeyboard(*event);
        if (Owns(*event) && content.handle(*event)) {
            redraw = true;
            nextTick = SDL_GetTicks64() + static_cast<Uint64>(wait);
        }
    }
}

} // namespace velkaro
