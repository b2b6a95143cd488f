#include "backends/desktop/DesktopScoreWindow.h"

#include "base/AnsiText.h"
#include "codecs/PictureError.h"
#include "platform/Canvas.h"
#include "platform/Pictures.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <utility>

namespace velkaro {
namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 420;
constexpr int kMargin = 16;
constexpr int kRowStep = 32;
constexpr int kRankX = kMargin;
constexpr int kNameX = 56;
constexpr int kNameWidth = 200;
constexpr int kScoreWidth = 80;
constexpr int kScoreX = kWidth - kMargin - kScoreWidth;
constexpr int kFontSize = 12;
// The name box reaches this far above and to the left of its name label, so that its text
// stands where the label's would.
constexpr int kNameBoxOffset = 4;
constexpr int kBlinkMs = 530;

constexpr Colour kFieldBorder = 0x7A7A7A;
constexpr Colour kFieldFace = 0xFFFFFF;

Font ScoreFont(const std::string& name, Colour colour) {
    Font font;
    font.name = name;
    font.size = kFontSize;
    font.colour = colour;
    return font;
}

void NoWindow(const ScoreTableView& table, const std::string& reason) {
    std::cerr << AnsiToUtf8(table.caption) << " (no window: " << reason << ")\n";
    for (int place = 1; place <= kScorePlaces; ++place) {
        const ScorePlace& entry = table.places[static_cast<std::size_t>(place - 1)];
        std::cerr << place << ". " << AnsiToUtf8(entry.name) << ' ' << entry.score << '\n';
    }
}

} // namespace

ScoreTableBox::ScoreTableBox(const ScoreTableView& table, Bitmap background)
    : table_(table), background_(std::move(background)), canvas_(MakeCanvas(kWidth, kHeight)) {
    canvas_->SetFont(ScoreFont(table_.fontName, 0));
    lineHeight_ = canvas_->TextHeight("Ag");
    for (int i = 0; i < kScorePlaces; ++i) {
        const int y = kMargin + i * kRowStep;
        rows_[static_cast<std::size_t>(i)] = {{kRankX, y, kNameX - kRankX, lineHeight_},
                                              {kNameX, y, kNameWidth, lineHeight_},
                                              {kScoreX, y, kScoreWidth, lineHeight_}};
    }
    ok_ = {(kWidth - kBoxButtonWidth) / 2, kHeight - kMargin - kBoxButtonHeight, kBoxButtonWidth,
           kBoxButtonHeight};
    if (table_.newPlace && *table_.newPlace >= 1 && *table_.newPlace <= kScorePlaces) {
        const BoxArea& label = Row(*table_.newPlace).name;
        nameBox_ = BoxArea{label.x - kNameBoxOffset, label.y - kNameBoxOffset,
                           label.width + 2 * kNameBoxOffset, label.height + 2 * kNameBoxOffset};
        inside_ = MakeCanvas(nameBox_->width - 2, nameBox_->height - 2);
        NameChanged();
    }
}

ScoreTableBox::~ScoreTableBox() = default;

int ScoreTableBox::Width() const {
    return kWidth;
}

int ScoreTableBox::Height() const {
    return kHeight;
}

const ScoreRowAreas& ScoreTableBox::Row(int place) const {
    return rows_[static_cast<std::size_t>(std::clamp(place, 1, kScorePlaces) - 1)];
}

void ScoreTableBox::Blink() {
    caretShown_ = !caretShown_;
}

bool ScoreTableBox::Handle(const SDL_Event& event) {
    if (closed_) {
        return false;
    }
    switch (event.type) {
    case SDL_QUIT:
        closed_ = true;
        return true;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            closed_ = true;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            focused_ = true;
            caretShown_ = true;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focused_ = false;
            okPressed_ = false;
            return true;
        default:
            return false;
        }
    case SDL_KEYDOWN:
        caretShown_ = true;
        return HandleKey(event.key.keysym.sym, event.key.repeat != 0);
    case SDL_TEXTINPUT: {
        const std::string typed = TypedLineCharacters(event.text.text);
        if (!nameBox_ || typed.empty()) {
            return false;
        }
        caretShown_ = true;
        Insert(typed);
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseDown(event.button.x, event.button.y);
    case SDL_MOUSEMOTION: {
        if (!okPressed_) {
            return false;
        }
        // The pressed button pops up while the mouse is off it, and a release there is no click.
        const bool inside = ok_.Contains(event.motion.x, event.motion.y);
        const bool changed = inside != okPressedInside_;
        okPressedInside_ = inside;
        return changed;
    }
    case SDL_MOUSEBUTTONUP:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseUp(event.button.x, event.button.y);
    default:
        return false;
    }
}

bool ScoreTableBox::HandleKey(int key, bool repeated) {
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_ESCAPE:
        // A key still held from the game, before the table opened, repeats: it closes nothing.
        if (repeated) {
            return false;
        }
        closed_ = true;
        return true;
    case SDLK_SPACE:
        // Without a name box the OK button has the focus, and Space presses it.
        if (nameBox_ || repeated) {
            return false;
        }
        closed_ = true;
        return true;
    default:
        break;
    }
    if (!nameBox_) {
        return false;
    }
    switch (key) {
    case SDLK_BACKSPACE:
        if (caret_ > 0) {
            name_.erase(--caret_, 1);
            NameChanged();
        }
        return true;
    case SDLK_DELETE:
        if (caret_ < name_.size()) {
            name_.erase(caret_, 1);
            NameChanged();
        }
        return true;
    case SDLK_LEFT:
        caret_ = caret_ > 0 ? caret_ - 1 : 0;
        break;
    case SDLK_RIGHT:
        caret_ = std::min(caret_ + 1, name_.size());
        break;
    case SDLK_HOME:
        caret_ = 0;
        break;
    case SDLK_END:
        caret_ = name_.size();
        break;
    default:
        return false;
    }
    NameChanged();
    return true;
}

bool ScoreTableBox::HandleMouseDown(int x, int y) {
    if (ok_.Contains(x, y)) {
        okPressed_ = true;
        okPressedInside_ = true;
        return true;
    }
    if (nameBox_ && nameBox_->Contains(x, y)) {
        caret_ = PositionAt(x);
        caretShown_ = true;
        return true;
    }
    return false;
}

bool ScoreTableBox::HandleMouseUp(int x, int y) {
    if (!okPressed_) {
        return false;
    }
    okPressed_ = false;
    closed_ = ok_.Contains(x, y);
    return true;
}

void ScoreTableBox::Insert(const std::string& text) {
    name_.insert(caret_, text);
    caret_ += text.size();
    NameChanged();
}

// Measures the name anew and scrolls it so that the caret stays in sight.
void ScoreTableBox::NameChanged() {
    inside_->SetFont(ScoreFont(table_.fontName, 0));
    offsets_.assign(name_.size() + 1, 0);
    for (std::size_t i = 1; i <= name_.size(); ++i) {
        offsets_[i] = inside_->TextWidth(std::string_view(name_).substr(0, i));
    }
    const int visible = std::max(1, inside_->Width() - 2 * (kNameBoxOffset - 1));
    const int caretX = offsets_[caret_];
    if (caretX < scroll_) {
        scroll_ = std::max(0, caretX - visible / 4);
    } else if (caretX > scroll_ + visible - 1) {
        scroll_ = caretX - visible + 1;
    }
    scroll_ = std::clamp(scroll_, 0, std::max(0, offsets_.back() + 1 - visible));
}

std::size_t ScoreTableBox::PositionAt(int x) const {
    const int inText = x - (nameBox_->x + kNameBoxOffset) + scroll_;
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        if (std::abs(offsets_[i] - inText) < std::abs(offsets_[nearest] - inText)) {
            nearest = i;
        }
    }
    return nearest;
}

const Bitmap& ScoreTableBox::Draw() {
    if (background_.Empty()) {
        canvas_->Fill(kBoxFace);
    } else {
        canvas_->StretchBitmap(background_, 0, 0, kWidth, kHeight);
    }
    for (int place = 1; place <= kScorePlaces; ++place) {
        const ScoreRowAreas& row = Row(place);
        const ScorePlace& entry = table_.places[static_cast<std::size_t>(place - 1)];
        canvas_->SetFont(
            ScoreFont(table_.fontName, place == 1 ? table_.firstColour : table_.otherColour));
        canvas_->Text(row.rank.x, row.rank.y, std::to_string(place) + ".");
        canvas_->Text(row.name.x, row.name.y, entry.name);
        const std::string score = std::to_string(entry.score);
        canvas_->Text(row.score.x + row.score.width - canvas_->TextWidth(score), row.score.y,
                      score);
    }
    if (nameBox_) {
        DrawNameBox();
    }
    DrawBoxButton(*canvas_, ok_, "OK",
                  {.isDefault = true,
                   .pressed = okPressed_ && okPressedInside_,
                   .focused = !nameBox_ && focused_});
    return canvas_->Pixels();
}

void ScoreTableBox::DrawNameBox() {
    const BoxArea& box = *nameBox_;
    const Colour colour = *table_.newPlace == 1 ? table_.firstColour : table_.otherColour;
    canvas_->SetPen({kFieldBorder, 1});
    canvas_->SetBrush({kFieldFace, BrushStyle::Clear});
    canvas_->Rectangle(box.x, box.y, box.x + box.width, box.y + box.height);

    inside_->Fill(kFieldFace);
    inside_->SetFont(ScoreFont(table_.fontName, colour));
    // Inside the border, the text stands where the name label's would.
    const int x = kNameBoxOffset - 1 - scroll_;
    const int y = kNameBoxOffset - 1;
    inside_->Text(x, y, name_);
    if (focused_ && caretShown_) {
        const int caretX = x + offsets_[caret_];
        inside_->SetPen({colour, 1});
        inside_->Line(caretX, y, caretX, y + lineHeight_);
    }
    canvas_->DrawBitmap(inside_->Pixels(), box.x + 1, box.y + 1);
}

DesktopScoreWindow::DesktopScoreWindow(SDL_Window* parent, ModalEventSource nextEvent,
                                       Pictures& pictures)
    : parent_(parent), nextEvent_(std::move(nextEvent)), pictures_(pictures) {}

std::string DesktopScoreWindow::ShowScoreTable(const ScoreTableView& table) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        NoWindow(table, "no display");
        return {};
    }
    Bitmap background;
    if (table.background) {
        try {
            background = pictures_.Load(*table.background);
        } catch (const PictureError& error) {
            // The table is still worth showing without its picture.
            std::cerr << error.what() << '\n';
        }
    }
    ScoreTableBox box(table, std::move(background));
    std::string error;
    const auto window =
        ModalWindow::Open(parent_, box.Width(), box.Height(), AnsiToUtf8(table.caption), error);
    if (!window) {
        NoWindow(table, error);
        return {};
    }
    if (!table.border) {
        SDL_SetWindowBordered(window->Window(), SDL_FALSE);
    }
    std::optional<TextInputWhileOpen> textInput;
    if (box.NameBox()) {
        textInput.emplace(*box.NameBox());
    }
    window->Run({.open = [&] { return !box.Closed(); },
                 .handle = [&](const SDL_Event& event) { return box.Handle(event); },
                 .draw = [&]() -> const Bitmap& { return box.Draw(); },
                 .tickMs = box.NameBox() ? kBlinkMs : 0,
                 .tick = [&] { box.Blink(); }},
                nextEvent_);
    return box.Name();
}

} // namespace velkaro
