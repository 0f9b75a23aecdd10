# Sourced by the demo scripts: without a display (no DISPLAY or
# WAYLAND_DISPLAY) the picture goes to SDL's off-screen driver; without a
# sound device (no /dev/snd, no PulseAudio) the sound goes to SDL's dummy one.
# Drivers already chosen in the environment are kept.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  export SDL_VIDEODRIVER=offscreen
fi
if [ -z "${SDL_AUDIODRIVER:-}" ] && [ ! -e /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] \
   && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
  export SDL_AUDIODRIVER=dummy
fi
