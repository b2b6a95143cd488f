#pragma once

// ImageMagick as the reference for picture tests: it writes the picture variants the decoders
// must read, and reads them back for comparison. Called by its full path, since another
// program named convert may come first on the PATH.

#include "base/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velkaro::test {

inline const std::filesystem::path kConvert = "/usr/bin/convert";

bool HaveImageMagick();
std::string Quoted(const std::filesystem::path& file);
// Runs convert with the arguments; throws when it fails.
void RunConvert(const std::string& arguments);
// Standard output of a command; throws when it fails.
std::string Capture(const std::string& command);
// What ImageMagick reads from a picture file, alpha left out.
Bitmap ImageMagickRead(const std::filesystem::path& file);
void WritePpm(const Bitmap& picture, const std::filesystem::path& file);
// Whether every channel of every pixel is within `tolerance` of the expected one.
testing::AssertionResult SamePixels(const Bitmap& actual, const Bitmap& expected,
                                    int tolerance = 0);

} // namespace velkaro::test
