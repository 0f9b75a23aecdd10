#!/bin/sh
# Installs the Debian 12 packages the toolkit needs to build, test and run.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed only when something has to be installed.
set -eu

PACKAGES="
build-essential
cmake
ninja-build
pkg-config
ccache
libgtest-dev
libgmock-dev
libbenchmark-dev
clang
libclang-rt-14-dev
clang-format
libsdl2-dev
libx11-dev
libgraphicsmagick++1-dev
graphicsmagick
xz-utils
zstd
xvfb
xauth
xdotool
console-setup-linux
libsoxr-dev
qt6-base-dev
qt6-charts-dev
libqt6opengl6-dev
xfonts-base
openbox
libgif-dev
libwebp-dev
gifsicle
parallel
desktop-file-utils
shared-mime-info
man-db
emscripten
chromium
python3
"

missing=""
for p in $PACKAGES; do
    if ! dpkg -s "$p" >/dev/null 2>&1; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "setup: installing:$missing" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup: not root and no sudo; install these packages first:$missing" >&2
        exit 1
    fi
    SUDO="sudo"
fi
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
