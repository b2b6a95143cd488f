#pragma once

// What a game file may ask of the machine. Games come from strangers, so every size and count
// a file states is held to one of these before anything is allocated for it. Each value lies
// far beyond what a game made with the editor uses and low enough that a file at the limit
// still loads and plays within a few hundred megabytes. docs/reliability.md lists them for
// players and game authors; this is the one place they are set.

#include <cstddef>
#include <cstdint>

namespace velkaro::limits {

// The game file is read whole into memory. The largest games hold a few megabytes of sprites;
// anything beyond this is not a game.
constexpr std::uint64_t kGameFileBytes = std::uint64_t{256} << 20;

// A picture (sprite frame, background, start screen) a side and in all. 8192 x 8192 pixels
// is 256 MB decoded, far beyond any screen a game fills, and no decoder is asked for more.
constexpr std::int64_t kPictureSide = 32768;
constexpr std::int64_t kPicturePixels = std::int64_t{1} << 26;

// The decoded sprite frames of the whole game together, 4 bytes a pixel. They are held for
// the whole game, and at the start of a game once more prepared for drawing with their
// collision masks beside them: a game at this budget peaks at about 280 MB (at 256 MB it was
// 540 MB, past what a hostile file may take). A file that asks for more is refused while it is
// read, before the frame that passes the budget is decoded.
constexpr std::int64_t kSpritePixelBytes = std::int64_t{128} << 20;

// A room or a view a side, in pixels (cells x cell size). Keeps every position and size the
// drawing computes far inside 32 bits; games fill screens of at most a few thousand pixels.
constexpr std::int64_t kSurfaceSide = 16384;

// A picture the player draws into: the window's picture (the view, or the whole room when the
// view is off) and a background stretched to the room. 16 M pixels (64 MB), such as 4096 x 4096
// or 16384 x 1024, is several times the largest screen; each frame may be copied once or twice
// on its way to the screen or a PNG.
constexpr std::int64_t kSurfacePixels = std::int64_t{1} << 24;

// A drawing (metafile) drawn into a picture, in all. Its libraries hold the picture two or three
// times over while they draw it, so it is held to the size of the window's picture rather than
// of any picture: no room shows more of it.
constexpr std::int64_t kDrawingPixels = kSurfacePixels;

// Records of a metafile (a drawing a room background or screen may be). A drawing made by hand
// or by a drawing program holds a few hundred to a few thousand; each record becomes an element
// the drawing library holds, a few hundred bytes, so this many keep a metafile far under the
// memory a picture may take.
constexpr std::int64_t kMetafileRecords = std::int64_t{1} << 16;

// A metafile's records times the pixels of the picture it is drawn into. A record may fill the
// whole picture, and Cairo fills a polygon over 4096 x 4096 pixels in about 4 ms (a quarter of
// a millisecond a million pixels): at this much a drawing is drawn within about 20 seconds at
// worst, while one of 2000 x 1000 pixels may still hold 34,000 records, 4096 x 4096 pixels 4096.
constexpr std::int64_t kMetafileWork = std::int64_t{1} << 36;

// The pixels of a metafile's bitmaps together. The drawing libraries read and expand them a
// pixel at a time, and a few bytes of compressed runs may ask for millions of pixels; a
// drawing's pictures are a small part of it.
constexpr std::int64_t kMetafileBitmapPixels = std::int64_t{1} << 24;

// Entries of the objects' event tables together. An object's table indexes each event row by
// sub-event up to the highest one it uses (8 bytes an entry), so that events are found without
// a search: keyboard rows reach 255 or so, meeting rows the number of objects. 16 M entries
// (128 MB) hold four thousand objects that each meet every one of the others; an object
// with sub-event 10000 in all 13 rows takes 130,013 entries from 156 bytes of the file.
constexpr std::int64_t kEventIndexEntries = std::int64_t{1} << 24;

// Records whose format version is wrong. The editor writes none; a few in a damaged file are
// reported one by one and the game still loads with their defaults. Past this many the file
// is refused, rather than building a default record and a message for each of millions of
// four-byte records.
constexpr int kWrongVersionRecords = 16;

// A string game code builds (by joining, repeating, inserting) or reads from a file: far
// beyond any text a real game holds, short enough that the few copies of one that evaluating
// makes fit in memory. Every operation that would make a longer string fails instead, with an
// error of the code, and a text file longer than this is not opened for reading.
constexpr std::size_t kStringLength = std::size_t{1} << 24;

// Text handed to the text layout (drawn or measured). A screen shows far fewer characters,
// and laying out a string of kStringLength takes gigabytes; longer text is neither drawn nor
// measured, and the code that asked gets an error.
constexpr std::size_t kLaidOutTextLength = std::size_t{1} << 16;

} // namespace velkaro::limits
