#!/bin/sh
# Builds the decoder for web browsers with emscripten: build-web/ (or the
# directory given) gets zorblax_core.wasm and the site in build-web/site
# (zorblax.js, zorblax-classic.js and the pages of web/).
# Usage: scripts/web-build.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build-web}"
if ! command -v emcmake >/dev/null 2>&1; then
    echo "web-build: emscripten (emcmake) is not installed; scripts/setup.sh installs it" >&2
    exit 3
fi
# Debian's emscripten runs its JavaScript tools with node and needs the
# distribution's acorn, which a node from elsewhere does not look for.
if [ -d /usr/share/nodejs ]; then
    export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
fi
# Emscripten's own cache of system libraries: the package's prebuilt one, or
# one inside the build directory when the package has none to offer.
if [ -z "${EM_CACHE:-}" ] && [ ! -d /usr/share/emscripten/cache/sysroot ]; then
    export EM_CACHE="$(pwd)/$BUILD/em-cache"
fi
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    emcmake cmake -S web -B "$BUILD" -G Ninja -DZORB_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j2
