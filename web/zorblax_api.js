// Zorblax files in the browser: the decoder's WebAssembly module behind a
// small class. bundle.py puts this file after the module's loader
// (ZorblaxCore) and the module itself (ZORBLAX_WASM, base64), as an ES module
// (zorblax.js) and as a plain script (zorblax-classic.js, global Zorblax).
// No network access: the module travels inside the script.

/** An error of the decoder; `reason` is its own text. */
class ZorblaxError extends Error {
  constructor(reason) {
    super(reason);
    this.name = 'ZorblaxError';
    this.reason = reason;
  }
}

let corePromise = null;

function loadCore() {
  if (!corePromise) {
    const text = atob(ZORBLAX_WASM);
    const binary = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) binary[i] = text.charCodeAt(i);
    corePromise = ZorblaxCore({ wasmBinary: binary, print: () => {}, printErr: () => {} });
    corePromise.catch(() => { corePromise = null; });
  }
  return corePromise;
}

// Runs fn on the module; a fault inside it (which leaves the module unusable)
// becomes a ZorblaxError and the next open starts a fresh module.
function guarded(fn) {
  try {
    return fn();
  } catch (e) {
    if (e instanceof ZorblaxError) throw e;
    corePromise = null;
    throw new ZorblaxError('the decoder stopped: ' + (e && e.message ? e.message : String(e)));
  }
}

const AUDIO_16BIT = 0x20000000;
const AUDIO_STEREO = 0x10000000;
const AUDIO_COMPRESSED = 0x80000000;
const AUDIO_RATE_MASK = 0x00ffffff;
const RING_FRAME = 0x1;

class Zorblax {
  /**
   * Opens a file given as its bytes (Uint8Array or ArrayBuffer). Rejects with
   * a ZorblaxError carrying the decoder's reason when the bytes are not a
   * readable Zorblax file.
   */
  static async open(bytes) {
    if (bytes instanceof ArrayBuffer) bytes = new Uint8Array(bytes);
    if (!(bytes instanceof Uint8Array)) throw new TypeError('Zorblax.open takes a Uint8Array');
    const core = await loadCore();
    return guarded(() => {
      const ptr = core._zw_alloc(bytes.length);
      if (!ptr) throw new ZorblaxError('out of memory');
      core.HEAPU8.set(bytes, ptr);
      const file = core._zw_open(ptr, bytes.length); // frees ptr
      if (!file) throw new ZorblaxError(core.UTF8ToString(core._zw_error()));
      return new Zorblax(core, file);
    });
  }

  /**
   * Loads the WebAssembly module ahead of the first open (open does it too);
   * rejects with a ZorblaxError when this browser cannot run it.
   */
  static async ready() {
    try {
      await loadCore();
    } catch (e) {
      throw new ZorblaxError('the decoder cannot start: ' + (e && e.message ? e.message : String(e)));
    }
  }

  constructor(core, file) {
    this._core = core;
    this._file = file;
    const info = (what) => core._zw_info(file, what) >>> 0;
    /** Pixels per row. */
    this.width = info(0);
    /** Rows as shown (twice the coded rows for interlaced or doubled files). */
    this.height = info(1);
    /** Frames of the film (the ring frame not counted). */
    this.frameCount = info(2);
    const period = info(3); // 1/100 ms per frame
    /** Frames per second; 0 when the file asks for no pacing. */
    this.frameRate = period ? 100000 / period : 0;
    /** The file stores a ring frame after its last frame (for seamless loops). */
    this.hasRingFrame = (info(4) & RING_FRAME) !== 0;
    /** The sound tracks: number (0-6 in the file), rate (Hz), channels, bits. */
    this.tracks = [];
    for (let n = 0; n < 7; ++n) {
      const f = core._zw_track_format(file, n) >>> 0;
      if (!f) continue;
      this.tracks.push({
        number: n,
        rate: f & AUDIO_RATE_MASK,
        channels: f & AUDIO_STEREO ? 2 : 1,
        bits: f & AUDIO_16BIT ? 16 : 8,
        compressed: (f & AUDIO_COMPRESSED) !== 0,
      });
    }
    this._position = 0;
  }

  _live() {
    if (!this._file) throw new ZorblaxError('the file is closed');
    return this._core;
  }

  _fail(core) {
    return new ZorblaxError(core.UTF8ToString(core._zw_error()));
  }

  /** Index of the frame the next nextFrame() returns. */
  get position() {
    return this._position;
  }

  /**
   * The next frame in file order: { index, ring, indices: Uint8Array(width *
   * height) of palette indices, palette: Uint8Array(768) of red, green, blue }.
   * After the last frame comes the ring frame when the file has one (ring:
   * true), then null. Throws a ZorblaxError at a damaged frame.
   */
  nextFrame() {
    const core = this._live();
    return guarded(() => {
      const r = core._zw_next(this._file);
      if (r === 0) return null;
      if (r < 0) throw this._fail(core);
      const index = this._position++;
      const pic = core._zw_picture(this._file);
      const pal = core._zw_palette(this._file);
      return {
        index,
        ring: index >= this.frameCount,
        indices: core.HEAPU8.slice(pic, pic + this.width * this.height),
        palette: core.HEAPU8.slice(pal, pal + 768),
      };
    });
  }

  /**
   * The sound of the frame last returned by nextFrame() for tracks[track], as
   * 16-bit samples (stereo interleaved, left first; 8-bit tracks scaled up),
   * or null when that frame has none for the track.
   */
  sound(track) {
    const core = this._live();
    const t = this.tracks[track];
    if (!t) return null;
    return guarded(() => {
      const count = core._zw_sound(this._file, t.number);
      if (count < 0) throw this._fail(core);
      if (count === 0) return null;
      const p = core._zw_samples(this._file);
      return new Int16Array(core.HEAPU8.buffer, p, count).slice();
    });
  }

  /**
   * The whole sound of tracks[track] over the film (the ring frame left out):
   * { samples: Int16Array as sound() gives them, frameStarts: Uint32Array of
   * frameCount + 1 entries, the sample frame at which each frame's sound
   * begins }. Reads the file on its own; the pictures are not disturbed.
   */
  trackSound(track) {
    const core = this._live();
    const t = this.tracks[track];
    if (!t) return null;
    return guarded(() => {
      const count = core._zw_track(this._file, t.number);
      if (count < 0) throw this._fail(core);
      const p = core._zw_samples(this._file);
      const o = core._zw_offsets(this._file);
      const samples = new Int16Array(core.HEAPU8.buffer, p, count).slice();
      const starts = new Uint32Array(core.HEAPU8.buffer, o, this.frameCount + 1).slice();
      for (let i = 0; i < starts.length; ++i) starts[i] /= t.channels;
      return { samples, frameStarts: starts };
    });
  }

  /**
   * Makes frame `frame` (0-based) the next one nextFrame() returns. Pictures
   * build on the ones before them, so a seek decodes the frames on the way
   * (from the start when going back). Throws at a damaged frame.
   */
  seek(frame) {
    const core = this._live();
    frame = Math.max(0, Math.min(Math.floor(Number(frame) || 0), this.frameCount));
    guarded(() => {
      if (core._zw_seek(this._file, frame) < 0) {
        this._position = 0;
        throw this._fail(core);
      }
    });
    this._position = frame;
  }

  /** Decodes every frame once from the start (for speed measurements); returns the count. */
  decodeAll() {
    const core = this._live();
    return guarded(() => {
      const n = core._zw_decode_all(this._file);
      this._position = n > 0 ? n : 0;
      if (n < 0) throw this._fail(core);
      return n;
    });
  }

  /** Releases the file; the object cannot be used afterwards. */
  close() {
    if (!this._file) return;
    const core = this._core;
    const file = this._file;
    this._file = 0;
    try {
      core._zw_close(file);
    } catch (e) {
      corePromise = null;
    }
  }
}
