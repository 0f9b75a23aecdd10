// The player page: opens a .zbx (drag and drop, file picker or ?src=URL),
// shows its pictures in a canvas scaled with sharp pixels and plays its first
// sound track through WebAudio. As in the native player, the pictures follow
// the sound's clock: the frame on screen is the one whose sound is playing.
// Files without sound follow the clock at the file's frame rate.
//
// Keys: space plays or pauses, left and right arrows step one frame (and
// pause). The position bar jumps anywhere.
//
// ?test=1 adds a tap to the audio graph that keeps every sample reaching it,
// and after two seconds of playing sends a report to /result (the browser
// tests of the web build read it).
(() => {
  'use strict';

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const ctx2d = canvas.getContext('2d');
  const stage = $('stage');
  const params = new URLSearchParams(location.search);
  const testMode = params.has('test');

  // Everything about the open file; null when none is open.
  let film = null;
  let audio = null; // { ctx, buffer, source, tap, startedAt, startSample }
  let playing = false;
  let clockStart = 0; // without sound: performance.now() at frame clockFrame
  let clockFrame = 0;
  let openSerial = 0;

  // What the tests read.
  const report = { framesDrawn: 0, shown: -1, captured: [], capturedSamples: 0, errors: [] };
  window.zorblaxPlayer = report;

  function status(text) {
    $('status').textContent = text || '';
    if (!text) return;
    report.errors.push(text);
    if (testMode && !text.startsWith('Press'))
      fetch('/result', { method: 'POST', body: JSON.stringify({ page: 'player', error: $('status').textContent }) });
  }

  // ---- Pictures ---------------------------------------------------------------------

  function fitCanvas() {
    if (!film) return;
    const room = stage.getBoundingClientRect();
    const scale = Math.max(1, Math.floor(Math.min((room.width - 16) / film.z.width, (room.height - 16) / film.z.height)));
    canvas.style.width = film.z.width * scale + 'px';
    canvas.style.height = film.z.height * scale + 'px';
  }

  function draw(frame) {
    const { image, colours } = film;
    const pal = frame.palette;
    for (let i = 0; i < 256; ++i)
      colours[i] = 0xff000000 | (pal[3 * i + 2] << 16) | (pal[3 * i + 1] << 8) | pal[3 * i];
    const out = film.pixels;
    const idx = frame.indices;
    for (let i = 0; i < idx.length; ++i) out[i] = colours[idx[i]];
    ctx2d.putImageData(image, 0, 0);
    film.shown = frame.index;
    report.shown = frame.index;
    ++report.framesDrawn;
    $('position').value = String(frame.index);
    const fps = film.z.frameRate || 25;
    $('time').textContent = `frame ${frame.index + 1} / ${film.z.frameCount} \u00b7 ${(frame.index / fps).toFixed(1)} s`;
  }

  // Decodes up to frame `target` (0-based) and shows it.
  function showFrame(target) {
    const z = film.z;
    target = Math.max(0, Math.min(target, z.frameCount - 1));
    if (target === film.shown) return;
    if (target < z.position - 1 || target > z.position + 120) z.seek(target);
    let frame = null;
    while (z.position <= target) {
      frame = z.nextFrame();
      if (!frame) break;
    }
    if (frame) draw(frame);
  }

  // ---- Sound ---------------------------------------------------------------------------

  async function makeAudio(z) {
    if (!z.tracks.length || !window.AudioContext) return null;
    const t = z.tracks[0];
    const { samples, frameStarts } = z.trackSound(0);
    const frames = samples.length / t.channels;
    if (!frames) return null;
    let ctx;
    try {
      ctx = new AudioContext({ sampleRate: t.rate }); // no resampling: samples reach the graph as stored
    } catch (e) {
      ctx = new AudioContext();
    }
    const buffer = ctx.createBuffer(t.channels, frames, t.rate);
    for (let c = 0; c < t.channels; ++c) {
      const data = buffer.getChannelData(c);
      for (let i = 0; i < frames; ++i) data[i] = samples[i * t.channels + c] / 32768;
    }
    const a = { ctx, buffer, rate: t.rate, channels: t.channels, frameStarts, source: null, tap: null,
                startedAt: 0, startSample: 0 };
    if (testMode) a.tap = await makeTap(ctx, t.channels);
    return a;
  }

  // For the tests: a node that passes the sound on and keeps a copy of every
  // sample reaching it (an audio worklet, so nothing is lost however busy the
  // page is).
  const TAP_SOURCE = `
    class Tap extends AudioWorkletProcessor {
      process(inputs, outputs) {
        const input = inputs[0];
        const output = outputs[0];
        if (input.length) {
          const n = input[0].length;
          const block = new Int16Array(n * input.length);
          for (let c = 0; c < input.length; ++c) {
            if (output[c]) output[c].set(input[c]);
            for (let i = 0; i < n; ++i) block[i * input.length + c] = Math.round(input[c][i] * 32768);
          }
          this.port.postMessage(block, [block.buffer]);
        }
        return true;
      }
    }
    registerProcessor('zorblax-tap', Tap);`;

  async function makeTap(ctx, channels) {
    const url = URL.createObjectURL(new Blob([TAP_SOURCE], { type: 'text/javascript' }));
    await ctx.audioWorklet.addModule(url);
    const tap = new AudioWorkletNode(ctx, 'zorblax-tap', {
      numberOfInputs: 1, numberOfOutputs: 1, outputChannelCount: [channels],
      channelCount: channels, channelCountMode: 'explicit',
    });
    tap.port.onmessage = (ev) => {
      if (!playing) return;
      report.captured.push(ev.data);
      report.capturedSamples += ev.data.length;
    };
    tap.connect(ctx.destination);
    return tap;
  }

  // The sample frame of the sound now playing.
  function soundPosition() {
    const a = audio;
    if (!playing) return a.startSample;
    return a.startSample + Math.max(0, a.ctx.currentTime - a.startedAt) * a.rate;
  }

  // The frame whose sound holds sample frame s.
  function frameAtSample(s) {
    const starts = audio.frameStarts;
    let lo = 0;
    let hi = starts.length - 2;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (starts[mid] <= s) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  }

  function startSound(fromFrame) {
    const a = audio;
    stopSound();
    a.startSample = a.frameStarts[Math.min(fromFrame, a.frameStarts.length - 1)];
    const source = a.ctx.createBufferSource();
    source.buffer = a.buffer;
    source.connect(a.tap || a.ctx.destination);
    a.startedAt = a.ctx.currentTime;
    source.start(a.startedAt, a.startSample / a.rate);
    a.source = source;
  }

  function stopSound() {
    if (audio && audio.source) {
      try { audio.source.stop(); } catch (e) { /* already stopped */ }
      audio.source.disconnect();
      audio.source = null;
    }
  }

  // ---- Playing -------------------------------------------------------------------------

  function setPlaying(on) {
    if (!film || on === playing) return;
    const from = Math.max(0, film.shown);
    if (on) {
      playing = true;
      if (audio) {
        audio.ctx.resume();
        startSound(from);
      }
      clockFrame = from;
      clockStart = performance.now();
      requestAnimationFrame(tick);
    } else {
      if (audio) audio.startSample = audio.frameStarts[from];
      playing = false;
      stopSound();
    }
    $('play').textContent = playing ? 'Pause' : 'Play';
  }

  function dueFrame() {
    if (audio) {
      const s = soundPosition();
      if (s >= audio.frameStarts[audio.frameStarts.length - 1]) return film.z.frameCount; // the end
      return frameAtSample(s);
    }
    const fps = film.z.frameRate || 25;
    return clockFrame + Math.floor(((performance.now() - clockStart) / 1000) * fps);
  }

  function tick() {
    if (!playing || !film) return;
    try {
      let due = dueFrame();
      if (due >= film.z.frameCount) {
        // The end: round again from the start.
        showFrame(0);
        if (audio) startSound(0);
        clockFrame = 0;
        clockStart = performance.now();
        due = 0;
      }
      showFrame(due);
      if (testMode) maybeReport();
    } catch (e) {
      fail(e);
      return;
    }
    requestAnimationFrame(tick);
  }

  function step(by) {
    if (!film) return;
    setPlaying(false);
    try {
      showFrame(film.shown + by);
      if (audio) audio.startSample = audio.frameStarts[film.shown];
    } catch (e) {
      fail(e);
    }
  }

  function fail(e) {
    setPlaying(false);
    status(`${film ? film.name : 'The file'}: ${e && e.reason ? e.reason : String(e && e.message ? e.message : e)}`);
  }

  // ---- Opening ---------------------------------------------------------------------------

  function close() {
    setPlaying(false);
    if (audio) audio.ctx.close();
    audio = null;
    if (film) film.z.close();
    film = null;
  }

  async function openBytes(bytes, name) {
    const serial = ++openSerial;
    close();
    status('');
    $('name').textContent = name;
    let z;
    try {
      z = await Zorblax.open(bytes);
    } catch (e) {
      if (serial === openSerial) status(`Cannot play ${name}: ${e.reason || e.message || e}`);
      return;
    }
    if (serial !== openSerial) {
      z.close();
      return;
    }
    if (!z.frameCount || !z.width || !z.height) {
      z.close();
      status(`Cannot play ${name}: it holds no pictures`);
      return;
    }
    canvas.width = z.width;
    canvas.height = z.height;
    const image = ctx2d.createImageData(z.width, z.height);
    film = { z, name, image, pixels: new Uint32Array(image.data.buffer), colours: new Uint32Array(256), shown: -1 };
    // Without its sound (a rate the browser cannot play, damaged sound) the
    // film still plays, paced by the clock; the page says why.
    let a = null;
    let soundTrouble = null;
    try {
      a = await makeAudio(z);
    } catch (e) {
      soundTrouble = e;
    }
    if (serial !== openSerial) {
      if (a) a.ctx.close();
      return;
    }
    audio = a;
    try {
      showFrame(0);
    } catch (e) {
      fail(e);
      return;
    }
    $('hint').hidden = true;
    const pos = $('position');
    pos.max = String(z.frameCount - 1);
    for (const id of ['play', 'back', 'forward', 'position']) $(id).disabled = false;
    fitCanvas();
    setPlaying(true);
    if (soundTrouble) status(`${name}: the sound cannot play: ${soundTrouble.reason || soundTrouble.message || soundTrouble}`);
    else if (audio && audio.ctx.state !== 'running') status('Press space or click Play to start the sound.');
  }

  async function openUrl(url) {
    const name = decodeURIComponent(url.split('/').pop() || url);
    try {
      const response = await fetch(url);
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
      await openBytes(new Uint8Array(await response.arrayBuffer()), name);
    } catch (e) {
      status(`Cannot load ${name}: ${e.message || e}`);
    }
  }

  async function openFile(file) {
    await openBytes(new Uint8Array(await file.arrayBuffer()), file.name);
  }

  // ---- Test report -------------------------------------------------------------------------

  let reported = false;
  function maybeReport() {
    if (reported || !audio || !playing) return;
    if (audio.ctx.currentTime - audio.startedAt < 2.0) return;
    reported = true;
    const samples = new Int16Array(report.capturedSamples);
    let at = 0;
    for (const block of report.captured) {
      samples.set(block, at);
      at += block.length;
    }
    let text = '';
    const bytes = new Uint8Array(samples.buffer);
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    fetch('/result', {
      method: 'POST',
      body: JSON.stringify({
        page: 'player',
        framesDrawn: report.framesDrawn,
        shown: report.shown,
        seconds: audio.ctx.currentTime - audio.startedAt,
        rate: audio.rate,
        contextRate: audio.ctx.sampleRate,
        channels: audio.channels,
        bits: film.z.tracks[0].bits,
        frameRate: film.z.frameRate,
        samples: btoa(text),
        errors: report.errors,
      }),
    });
  }

  // ---- Wiring ---------------------------------------------------------------------------------

  $('picker').addEventListener('change', (ev) => {
    if (ev.target.files[0]) openFile(ev.target.files[0]);
  });
  for (const type of ['dragenter', 'dragover']) {
    document.addEventListener(type, (ev) => {
      ev.preventDefault();
      stage.classList.add('dragging');
    });
  }
  document.addEventListener('dragleave', () => stage.classList.remove('dragging'));
  document.addEventListener('drop', (ev) => {
    ev.preventDefault();
    stage.classList.remove('dragging');
    const file = ev.dataTransfer && ev.dataTransfer.files[0];
    if (file) openFile(file);
  });
  $('play').addEventListener('click', () => setPlaying(!playing));
  $('back').addEventListener('click', () => step(-1));
  $('forward').addEventListener('click', () => step(1));
  $('position').addEventListener('input', (ev) => {
    if (!film) return;
    const wasPlaying = playing;
    setPlaying(false);
    try {
      showFrame(Number(ev.target.value));
      if (audio) audio.startSample = audio.frameStarts[film.shown];
    } catch (e) {
      fail(e);
      return;
    }
    if (wasPlaying) setPlaying(true);
  });
  document.addEventListener('keydown', (ev) => {
    if (ev.target instanceof HTMLInputElement && ev.target.type !== 'range') return;
    if (ev.key === ' ') {
      ev.preventDefault();
      if (audio && audio.ctx.state !== 'running') audio.ctx.resume();
      setPlaying(!playing);
    } else if (ev.key === 'ArrowLeft') {
      ev.preventDefault();
      step(-1);
    } else if (ev.key === 'ArrowRight') {
      ev.preventDefault();
      step(1);
    }
  });
  window.addEventListener('resize', fitCanvas);

  // The module loads while the user picks a file; the page says whether it could.
  Zorblax.ready().then(
    () => { document.body.dataset.decoder = 'ready'; },
    (e) => { document.body.dataset.decoder = 'failed'; status(e.reason); });

  const src = params.get('src');
  if (src) openUrl(src);
})();
