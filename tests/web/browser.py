#!/usr/bin/env python3
"""Runs pages of the web build in headless Chromium and checks what they
report against the native decoder.

  browser.py decode   SITE ZBXINFO WORK FILE...  every frame and sound track decoded in the page equals
                                                 `zbxinfo --dump` of the file; damaged files give a reason
  browser.py player   SITE ZBXINFO WORK FILE     the player plays FILE for 2 seconds; its audio graph
                                                 receives the file's first track
  browser.py damaged  SITE WORK FILE             the player shows the decoder's reason for a damaged FILE
  browser.py shot     SITE WORK FILE OUT.png     a screenshot of the player showing FILE
  browser.py file     SITE                       the player opened from file:// loads its decoder
  browser.py bench    SITE WORK FILE FPS         the benchmark page's speed against the native FPS

The pages are served from a local server (SITE at /, WORK's files at
/files/); a page sends its findings to /result. Exit status 0 when all is
well, 1 on a failed check, 77 when Chromium is missing.
"""
import base64
import hashlib
import http.server
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-extensions",
    "--disable-default-apps",
    "--mute-audio",
    "--autoplay-policy=no-user-gesture-required",
]


def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class Server:
    """Serves SITE at / and WORK at /files/, and collects POSTs to /result."""

    def __init__(self, site, work):
        self.results = []
        self.arrived = threading.Condition()
        outer = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def translate_path(self, path):
                path = urllib.parse.unquote(urllib.parse.urlsplit(path).path)
                if path.startswith("/files/"):
                    return os.path.join(work, os.path.basename(path))
                return os.path.join(site, path.lstrip("/") or "index.html")

            def do_POST(self):
                body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                self.send_response(204)
                self.end_headers()
                with outer.arrived:
                    outer.results.append(json.loads(body))
                    outer.arrived.notify_all()

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def url(self, page):
        return "http://127.0.0.1:%d/%s" % (self.port, page)

    def wait(self, timeout):
        deadline = time.monotonic() + timeout
        with self.arrived:
            while not self.results:
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self.arrived.wait(left)
            return self.results[0]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def run_page(site, work, page, timeout=240, extra=()):
    """Opens page in headless Chromium; returns the first report it sends."""
    server = Server(site, work)
    profile = tempfile.mkdtemp(prefix="zorb-chromium-")
    proc = subprocess.Popen(
        [chromium()] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile] + list(extra) + [server.url(page)],
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
        start_new_session=True,
    )
    try:
        result = server.wait(timeout)
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        server.close()
        shutil.rmtree(profile, ignore_errors=True)
    if result is None:
        raise SystemExit("browser: no report from %s within %d s" % (page, timeout))
    return result


def dump(zbxinfo, work, path):
    """Runs `zbxinfo --dump` on path; returns (frame hashes, {track number: (bytes)}) or the error text."""
    out = tempfile.mkdtemp(prefix="dump-", dir=work)
    run = subprocess.run([zbxinfo, "--dump", out, path], capture_output=True, text=True)
    if run.returncode != 0:
        return None, run.stderr.strip()
    frames = []
    tracks = {}
    for name in sorted(os.listdir(out)):
        with open(os.path.join(out, name), "rb") as f:
            data = f.read()
        if name.startswith("frame_"):
            frames.append(hashlib.sha256(data).hexdigest())
        elif name.endswith(".pcm"):
            tracks[int(name[len("track_"):-len(".pcm")]) - 1] = data
    shutil.rmtree(out, ignore_errors=True)
    return (frames, tracks), None


def check_decode(site, zbxinfo, work, files):
    names = [os.path.basename(f) for f in files]
    report = run_page(site, work, "decode-test.html?files=" + ",".join(names))
    failures = []
    for path, result in zip(files, report["results"]):
        name = result["name"]
        expected, error = dump(zbxinfo, work, path)
        if expected is None:
            if not result["error"]:
                failures.append("%s: zbxinfo refuses it (%s) but the page decoded it" % (name, error))
            elif not result.get("decoderError"):
                failures.append("%s: the page failed outside the decoder: %s" % (name, result["error"]))
            else:
                print("%s: both refuse it; page: %s; zbxinfo: %s" % (name, result["error"], error))
            continue
        if result["error"]:
            failures.append("%s: the page failed: %s" % (name, result["error"]))
            continue
        frames, tracks = expected
        if result["frames"] != frames:
            bad = [i + 1 for i, (a, b) in enumerate(zip(result["frames"], frames)) if a != b]
            failures.append("%s: %d frames in the page, %d in the dump; differing frames %s"
                            % (name, len(result["frames"]), len(frames), bad[:10]))
        for number, data in tracks.items():
            got = result["tracks"].get(str(number))
            if got != hashlib.sha256(data).hexdigest():
                failures.append("%s: track %d differs from the dump" % (name, number + 1))
            # trackSound gives the film's sound without the ring frame's; the dump has it last.
            whole = result["wholeTracks"].get(str(number))
            info = next(t for t in result["trackList"] if t["number"] == number)
            length = whole["starts"][-1] * info["channels"] * info["bits"] // 8 if whole else -1
            if not whole or (not result["ring"] and length != len(data)) or \
                    whole["sha"] != hashlib.sha256(data[:length]).hexdigest():
                failures.append("%s: the whole track %d differs from the dump" % (name, number + 1))
        if set(result["tracks"]) != set(str(n) for n in tracks):
            failures.append("%s: tracks %s in the page, %s in the dump" % (name, sorted(result["tracks"]), sorted(tracks)))
        if result.get("seekCheck") is False:
            failures.append("%s: a seek back gave another picture" % name)
        print("%s: %d frames and %d tracks equal the dump" % (name, len(frames), len(tracks)))
    return failures


def check_player(site, zbxinfo, work, path):
    expected, error = dump(zbxinfo, work, path)
    if expected is None:
        return ["zbxinfo cannot dump %s: %s" % (path, error)]
    _, tracks = expected
    if not tracks:
        return ["%s has no sound track" % path]
    number = min(tracks)
    report = run_page(site, work, "player.html?test=1&src=files/" + os.path.basename(path), timeout=120)
    if report.get("error"):
        return ["the player failed: " + report["error"]]
    failures = []
    got = base64.b64decode(report["samples"])
    stored = tracks[number]
    print("player: %.2f s played, %d frames drawn, last frame %d, %d samples captured at %d Hz (context %d Hz)"
          % (report["seconds"], report["framesDrawn"], report["shown"] + 1, len(got) // 2, report["rate"],
             report["contextRate"]))
    if report["seconds"] < 2.0:
        failures.append("the player reported after %.2f s" % report["seconds"])
    fps = report["frameRate"] or 25
    # The pictures follow the sound: the frame on screen is the one whose sound plays.
    due = report["seconds"] * fps
    if abs(report["shown"] - due) > 0.25 * fps + 2:
        failures.append("after %.2f s of sound the player shows frame %d, not about %d (%.1f frames per second)"
                        % (report["seconds"], report["shown"] + 1, due + 1, fps))
    samples = [int.from_bytes(got[i:i + 2], "little", signed=True) for i in range(0, len(got), 2)]
    if len(samples) < report["rate"] * report["channels"]:
        failures.append("the audio graph received %d samples in 2 s" % len(samples))
    # The track's samples as the page hands them on (16-bit), without the silence before the first sound.
    if report["bits"] == 8:
        track = [(b - 128) * 256 for b in stored]
    else:
        track = [int.from_bytes(stored[i:i + 2], "little", signed=True) for i in range(0, len(stored) - 1, 2)]
    first = next((i for i, v in enumerate(samples) if v), None)
    start = next((i for i, v in enumerate(track) if v), None)
    if first is None or start is None:
        failures.append("no sound reached the audio graph")
    else:
        n = min(len(samples) - first, len(track) - start)
        first -= first % report["channels"]
        start -= start % report["channels"]
        if os.environ.get("ZORB_WEB_DEBUG"):
            probe = samples[first:first + 64]
            where = [i for i in range(len(track) - 64) if track[i:i + 64] == probe][:5]
            print("debug: captured head", samples[first:first + 8], "found in the track at", where,
                  "track head", track[start:start + 8], "first", first, "start", start)
        if samples[first:first + n] != track[start:start + n]:
            bad = next(i for i in range(n) if samples[first + i] != track[start + i])
            failures.append("the audio graph received other samples than the track's (first difference at %d: %d, not %d)"
                            % (bad, samples[first + bad], track[start + bad]))
        else:
            print("player: the audio graph received the track's first %d samples unchanged" % n)
    return failures


def check_damaged(site, work, path):
    report = run_page(site, work, "player.html?test=1&src=files/" + os.path.basename(path), timeout=60)
    text = report.get("error") or ""
    print("player on %s: %s" % (os.path.basename(path), text))
    if not text or "Cannot play" not in text and "damaged" not in text:
        return ["the player did not show a reason for %s (got %r)" % (path, report)]
    return []


def screenshot(site, work, path, out):
    server = Server(site, work)
    profile = tempfile.mkdtemp(prefix="zorb-chromium-")
    try:
        subprocess.run(
            [chromium()] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "--window-size=720,520",
                                             "--virtual-time-budget=3000", "--screenshot=" + os.path.abspath(out),
                                             server.url("player.html?src=files/" + os.path.basename(path))],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=False)
    finally:
        server.close()
        shutil.rmtree(profile, ignore_errors=True)
    if not os.path.exists(out):
        return ["no screenshot was written"]
    print("screenshot: %s (%d bytes)" % (out, os.path.getsize(out)))
    return []


def check_file_url(site):
    """The player opened from file:// (no server) loads its decoder."""
    profile = tempfile.mkdtemp(prefix="zorb-chromium-")
    try:
        run = subprocess.run(
            [chromium()] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "--virtual-time-budget=5000", "--dump-dom",
                                             "file://" + os.path.abspath(os.path.join(site, "player.html"))],
            capture_output=True, text=True, timeout=120, check=False)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if 'data-decoder="ready"' not in run.stdout:
        return ["the player from file:// did not load its decoder: %s" % run.stdout[-500:]]
    print("player from file://: the decoder is ready")
    return []


def bench(site, work, path, native_fps):
    report = run_page(site, work, "bench.html?report=1&native=%s&src=files/%s" % (native_fps, os.path.basename(path)))
    if report.get("error"):
        return ["the benchmark page failed: " + report["error"]]
    print(report["text"])
    return []


def main(argv):
    if chromium() is None:
        print("skipped: chromium is not installed (scripts/setup.sh installs it)")
        return 77
    command, site = argv[1], argv[2]
    if command == "decode":
        failures = check_decode(site, argv[3], argv[4], argv[5:])
    elif command == "player":
        failures = check_player(site, argv[3], argv[4], argv[5])
    elif command == "damaged":
        failures = check_damaged(site, argv[3], argv[4])
    elif command == "shot":
        failures = screenshot(site, argv[3], argv[4], argv[5])
    elif command == "file":
        failures = check_file_url(site)
    elif command == "bench":
        failures = bench(site, argv[3], argv[4], argv[5])
    else:
        print(__doc__)
        return 2
    for f in failures:
        print("FAIL: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
