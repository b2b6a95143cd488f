# Debian packages the project needs, and the one function that installs the missing ones.
# Sourced by run.sh (building and playing) and test.sh (also the tests).

# What building the two programs and playing a game need.
VELKARO_PACKAGES=(
    # build
    cmake ninja-build g++ pkg-config ccache
    # windows, input, audio and music
    libsdl2-dev libsdl2-mixer-dev libx11-dev timgm6mb-soundfont
    # drawing and text
    libcairo2-dev libpango1.0-dev fontconfig fonts-liberation
    # pictures; metafiles are drawn as SVG
    libjpeg-dev libgif-dev libwmf-dev
    # open-file dialog, video
    libgtk-3-dev libmpv-dev
    # game descriptions
    nlohmann-json3-dev
)

# What the tests, benchmarks, fuzzers and the package build need besides.
VELKARO_TEST_PACKAGES=(
    # tests and benchmarks
    libgtest-dev libgmock-dev googletest libbenchmark-dev imagemagick liblua5.4-dev
    # window tests (a video made at test time) and the fuzzer
    xvfb xauth xdotool ffmpeg clang libclang-rt-14-dev
    # packaging: the Debian package (cpack, dpkg-shlibdeps) and the tests of the installed
    # layout (desktop entry, MIME type found by xdg-mime, manual pages, AppStream metadata)
    dpkg-dev desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl man-db
    appstream
)

# ensure_packages PACKAGE...: installs those of the packages that are missing.
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}" >&2
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
}
