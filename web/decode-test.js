// The browser half of the decode check: every frame of every named file is
// decoded through zorblax.js and summarised by SHA-256, so the test can
// compare it with the raw dump of the native decoder. Sound goes back to the
// bytes the file stores (8-bit unsigned or 16-bit little-endian), so it can be
// compared with the dump's track files as they are.
import { Zorblax, ZorblaxError } from './zorblax.js';

const log = (text) => { document.getElementById('log').textContent += text + '\n'; };

async function sha256(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
}

// Int16 samples back to the track's stored bytes.
function storedBytes(samples, bits) {
  if (bits === 16) return new Uint8Array(samples.buffer, samples.byteOffset, samples.byteLength);
  const out = new Uint8Array(samples.length);
  for (let i = 0; i < samples.length; ++i) out[i] = (samples[i] >> 8) + 128;
  return out;
}

function concat(parts) {
  const out = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of parts) {
    out.set(p, at);
    at += p.length;
  }
  return out;
}

async function check(name) {
  const result = { name, frames: [], ring: false, tracks: {}, wholeTracks: {}, error: null };
  let z = null;
  try {
    const response = await fetch('files/' + name);
    z = await Zorblax.open(new Uint8Array(await response.arrayBuffer()));
    result.width = z.width;
    result.height = z.height;
    result.frameCount = z.frameCount;
    result.frameRate = z.frameRate;
    result.trackList = z.tracks;
    const sound = z.tracks.map(() => []);
    for (let frame; (frame = z.nextFrame()); ) {
      if (frame.indices.length !== z.width * z.height || frame.palette.length !== 768)
        throw new Error('wrong picture size');
      result.frames.push(await sha256(concat([frame.indices, frame.palette])));
      result.ring = frame.ring;
      z.tracks.forEach((t, i) => {
        const s = z.sound(i);
        if (s) sound[i].push(storedBytes(s, t.bits));
      });
    }
    for (let i = 0; i < z.tracks.length; ++i) {
      const t = z.tracks[i];
      result.tracks[t.number] = await sha256(concat(sound[i]));
      // The whole track at once (without the ring frame's sound).
      const whole = z.trackSound(i);
      result.wholeTracks[t.number] = {
        sha: await sha256(storedBytes(whole.samples, t.bits)),
        starts: Array.from(whole.frameStarts),
      };
    }
    // A seek back gives the same frame as the way there.
    if (z.frameCount > 2) {
      const k = Math.floor(z.frameCount / 2);
      z.seek(k);
      const again = z.nextFrame();
      result.seekCheck = (await sha256(concat([again.indices, again.palette]))) === result.frames[k];
    }
  } catch (e) {
    result.error = e instanceof ZorblaxError ? e.reason : 'not a decoder error: ' + (e.message || e);
    result.decoderError = e instanceof ZorblaxError;
  } finally {
    if (z) z.close();
  }
  log(`${name}: ${result.frames.length} frames${result.error ? ', error: ' + result.error : ''}`);
  return result;
}

const names = (new URLSearchParams(location.search).get('files') || '').split(',').filter(Boolean);
const results = [];
for (const name of names) results.push(await check(name));
await fetch('/result', { method: 'POST', body: JSON.stringify({ page: 'decode', results }) });
log('done');
