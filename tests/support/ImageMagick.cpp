#include "support/ImageMagick.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace velkaro::test {

bool HaveImageMagick() {
    return std::filesystem::exists(kConvert);
}

std::string Quoted(const std::filesystem::path& file) {
    return "'" + file.string() + "'";
}

void RunConvert(const std::string& arguments) {
    const std::string command = kConvert.string() + " " + arguments;
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

std::string Capture(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    if (pclose(pipe) != 0) {
        throw std::runtime_error("failed: " + command);
    }
    return out;
}

Bitmap ImageMagickRead(const std::filesystem::path& file) {
    const std::string command = kConvert.string() + " " + Quoted(file) + " -depth 8 ppm:-";
    const std::string out = Capture(command);
    std::istringstream header(out);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;
    if (magic != "P6" || maximum != 255 ||
        out.size() < start + 3 * static_cast<std::size_t>(width) * height) {
        throw std::runtime_error("unexpected output of " + command);
    }
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto at = start + 3 * (static_cast<std::size_t>(y) * width + x);
            picture.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(out[at]),
                                            static_cast<std::uint8_t>(out[at + 1]),
                                            static_cast<std::uint8_t>(out[at + 2]));
        }
    }
    return picture;
}

void WritePpm(const Bitmap& picture, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << picture.Width() << " " << picture.Height() << "\n255\n";
    for (Pixel p : picture.Pixels()) {
        out.put(static_cast<char>(p >> 16 & 0xFF));
        out.put(static_cast<char>(p >> 8 & 0xFF));
        out.put(static_cast<char>(p & 0xFF));
    }
}

testing::AssertionResult SamePixels(const Bitmap& actual, const Bitmap& expected, int tolerance) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
        return testing::AssertionFailure()
               << "size " << actual.Width() << " x " << actual.Height() << ", expected "
               << expected.Width() << " x " << expected.Height();
    }
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            const Pixel a = actual.At(x, y);
            const Pixel e = expected.At(x, y);
            for (int shift : {0, 8, 16, 24}) {
                const int difference = std::abs(static_cast<int>(a >> shift & 0xFF) -
                                                static_cast<int>(e >> shift & 0xFF));
                if (difference > tolerance) {
                    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                       << std::hex << a << ", expected " << e;
                }
            }
        }
    }
    return testing::AssertionSuccess();
}

} // namespace velkaro::test
