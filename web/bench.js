// The benchmark page: whole-file decode speed of the WebAssembly decoder
// (open, every frame decoded into the picture, close), against the native
// decoder's figure for the same file when ?native=FPS gives it.
(() => {
  'use strict';
  const params = new URLSearchParams(location.search);
  const out = document.getElementById('out');
  const print = (text) => { out.textContent += text + '\n'; };

  async function measure(bytes, name) {
    out.textContent = '';
    const z = await Zorblax.open(bytes);
    try {
      print(`${name}: ${z.width} x ${z.height}, ${z.frameCount} frames`);
      z.decodeAll(); // warm-up: compiles the hot paths
      let frames = 0;
      let runs = 0;
      const t0 = performance.now();
      let elapsed = 0;
      while (elapsed < 3000 || runs < 3) {
        frames += z.decodeAll();
        ++runs;
        elapsed = performance.now() - t0;
      }
      const fps = (frames * 1000) / elapsed;
      const lines = [`browser (WebAssembly): ${fps.toFixed(1)} frames/s, ${(elapsed / frames).toFixed(3)} ms per frame (${runs} runs)`];
      const native = Number(params.get('native'));
      let ratio = null;
      if (native > 0) {
        ratio = native / fps;
        lines.push(`native bench_decode:   ${native.toFixed(1)} frames/s`);
        lines.push(`ratio: native is ${ratio.toFixed(2)} times as fast as the browser (browser at ${(100 / ratio).toFixed(0)} %)`);
      }
      lines.forEach(print);
      return { fps, native: native || null, ratio, text: out.textContent.trim() };
    } finally {
      z.close();
    }
  }

  async function run(bytes, name) {
    try {
      const result = await measure(bytes, name);
      if (params.has('report')) await fetch('/result', { method: 'POST', body: JSON.stringify(result) });
    } catch (e) {
      const text = `Cannot measure ${name}: ${e.reason || e.message || e}`;
      print(text);
      if (params.has('report')) await fetch('/result', { method: 'POST', body: JSON.stringify({ error: text }) });
    }
  }

  document.getElementById('picker').addEventListener('change', async (ev) => {
    const file = ev.target.files[0];
    if (file) run(new Uint8Array(await file.arrayBuffer()), file.name);
  });
  const src = params.get('src');
  if (src) {
    fetch(src)
      .then((r) => { if (!r.ok) throw new Error(`${r.status} ${r.statusText}`); return r.arrayBuffer(); })
      .then((b) => run(new Uint8Array(b), decodeURIComponent(src.split('/').pop())))
      .catch((e) => print(`Cannot load ${src}: ${e.message || e}`));
  }
})();
