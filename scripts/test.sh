#!/bin/sh
# Sets up, configures, builds (the web build too) and runs every test. Usage: scripts/test.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
./scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja -DZORB_WERROR=ON
cmake --build "$BUILD" -j2
# The decoder for web browsers (emscripten), which the browser tests load.
if command -v emcmake >/dev/null 2>&1; then
    ./scripts/web-build.sh build-web
else
    echo "test: emscripten is missing; the browser tests will be skipped" >&2
fi
# The front end's tests run on Qt's off-screen platform (the tests' own
# environment property carries only the first of its variables).
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# A failed test is run up to twice more: the real-time playback tests follow a
# sound device's pace and a stalled machine can make them miss it once.
ctest --test-dir "$BUILD" -j2 --output-on-failure --repeat until-pass:3
