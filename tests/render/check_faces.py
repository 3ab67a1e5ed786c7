#!/usr/bin/python3
"""weatherctl render's page, checked through headless Chromium's own layout.

Draws the sample cities (and one city with a 200-character name) in seven
languages on a fresh device at a fixed clock, loads the page in Debian's
Chromium driven over the DevTools protocol (a pipe, no network port) and
checks that every text box lies inside its screen's circle and overlaps no
other, that a text is cut and marked exactly when it does not fit, that the
right-to-left face is mirrored, that the tool's and the data layer's words are
in the face's script, and that the page loads nothing and logs no error. One
screenshot per language goes to <build>/render-faces/.

--plant FAULT plants one fault in the loaded page and passes only when the
check named for it fails:
  long-name       the city names are no longer cut (their box lets the text run on)
  english-labels  the Korean face gets the English face's words
  no-mirror       the Arabic face is laid out left to right
"""

import argparse
import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

LANGUAGES = ["en_US", "zh_CN", "ja_JP", "de_DE", "ar_AE", "my_MM", "ko_KR"]
RIGHT_TO_LEFT = {"ar_AE"}
# A face in one of these languages shows its words in this script (a
# JavaScript character class); Latin-script and fallback languages are not
# checked this way.
SCRIPTS = {
    "ko_KR": r"[\uac00-\ud7af]",
    "ja_JP": r"[\u3040-\u30ff\u4e00-\u9fff]",
    "zh_CN": r"[\u4e00-\u9fff]",
    "ar_AE": r"[\u0600-\u06ff]",
}
PLANTS = {
    "long-name": "cut",
    "english-labels": "labels",
    "no-mirror": "mirror",
}
CLOCK = "2026-03-15 12:00:00"
LONG_NAME = ("Llanfairpwll " * 20)[:200]
TIMEOUT = 60.0

# Plants run in the page after it is laid out.
PLANT_SCRIPTS = {
    "long-name": """(() => {
      const style = document.createElement('style');
      style.textContent = '.city-name { overflow: visible; text-overflow: clip; }';
      document.head.append(style);
      for (const box of document.querySelectorAll('.city-name')) { box.classList.remove('cut'); box.removeAttribute('title'); }
    })()""",
    "english-labels": """(() => {
      const english = [...document.querySelectorAll('[data-language^="en_US"] .label')];
      const korean = [...document.querySelectorAll('[data-language^="ko_KR"] .label')];
      korean.forEach((label, i) => { if (english[i]) label.textContent = english[i].textContent; });
    })()""",
    "no-mirror": """(() => {
      for (const section of document.querySelectorAll('[data-language^="ar_AE"]')) section.dir = 'ltr';
    })()""",
}

CHECK_SCRIPT = r"""((scripts, toolScripts, rightToLeft, longId) => {
  const failures = [];
  const fail = (check, where, detail) => failures.push({check, where, detail});
  const place = el => {
    const section = el.closest('.language'), city = el.closest('.city'), screen = el.closest('.screen');
    return [section && section.dataset.language, city && city.dataset.location,
            screen && screen.className.replace('screen ', ''), el.getAttribute('class')].join(' / ');
  };
  let boxes = 0, cuts = 0, labels = 0;
  for (const screen of document.querySelectorAll('.screen')) {
    const s = screen.getBoundingClientRect();
    const cx = s.left + s.width / 2, cy = s.top + s.height / 2, r = Math.min(s.width, s.height) / 2;
    const items = [...screen.querySelectorAll('.t, .img')];
    const rects = items.map(e => e.getBoundingClientRect());
    items.forEach((el, i) => {
      boxes++;
      const b = rects[i];
      const corners = [[b.left, b.top], [b.right, b.top], [b.left, b.bottom], [b.right, b.bottom]];
      const far = Math.max(...corners.map(([x, y]) => Math.hypot(x - cx, y - cy)));
      if (far > r + 0.5) fail('inside-circle', place(el), `a corner ${far.toFixed(1)} px from the centre, radius ${r}`);
      for (let j = 0; j < i; j++) {
        const o = rects[j];
        const w = Math.min(b.right, o.right) - Math.max(b.left, o.left);
        const h = Math.min(b.bottom, o.bottom) - Math.max(b.top, o.top);
        if (w > 0.5 && h > 0.5) fail('overlap', place(el), `overlaps ${place(items[j])} by ${w.toFixed(1)}x${h.toFixed(1)}`);
      }
    });
  }
  const range = document.createRange();
  for (const el of document.querySelectorAll('.t')) {
    const style = getComputedStyle(el);
    range.selectNodeContents(el);
    // A fraction of a pixel over already brings the ellipsis.
    const over = range.getBoundingClientRect().width - el.getBoundingClientRect().width;
    const overflows = over > 0 || el.scrollWidth > el.clientWidth;
    const marked = el.classList.contains('cut') && el.title === el.textContent && style.outlineStyle !== 'none';
    if (overflows) {
      cuts++;
      if (style.textOverflow !== 'ellipsis' || style.overflowX === 'visible')
        fail('cut', place(el), `"${el.textContent.slice(0, 40)}" runs ${over.toFixed(1)} px past its box uncut`);
      if (!marked) fail('marked', place(el), `"${el.textContent.slice(0, 40)}" is cut but not marked`);
    } else if (el.classList.contains('cut') || el.hasAttribute('title')) {
      fail('marked', place(el), `"${el.textContent}" fits but is marked`);
    }
  }
  const sections = [...document.querySelectorAll('.language')];
  for (const section of sections) {
    const language = section.dataset.language.split('.')[0];
    const long = longId && section.querySelector(`[data-location="${longId}"] .city-name`);
    if (longId && (!long || !long.classList.contains('cut')))
      fail('cut', language, 'the 200-character city name is not cut and marked');
    const rtl = rightToLeft.includes(language);
    if ((section.dir === 'rtl') !== rtl) fail('mirror', language, `laid out ${section.dir}`);
    for (const screen of section.querySelectorAll('.screen.main')) {
      const image = screen.querySelector('.img').getBoundingClientRect();
      const temperature = screen.querySelector('.temperature').getBoundingClientRect();
      const imageRight = image.left + image.width / 2 > temperature.left + temperature.width / 2;
      if (imageRight !== rtl) fail('mirror', place(screen), `the image is ${imageRight ? 'right' : 'left'} of the temperature`);
    }
    for (const label of section.querySelectorAll('.label')) {
      const script = (label.classList.contains('tool') ? toolScripts : scripts)[language];
      if (!script) continue;
      labels++;
      const text = label.textContent.trim();
      // Acronyms (AQI, UV, PM2.5) stay as they are in every language.
      if (!new RegExp(script).test(text) && !/^[A-Z0-9.]{1,6}$/.test(text))
        fail('labels', place(label), `"${text}" is not in the face's script`);
    }
  }
  return {failures, boxes, cuts, labels, sections: sections.map(s => {
    const r = s.getBoundingClientRect();
    return {language: s.dataset.language, x: r.left + scrollX, y: r.top + scrollY, width: r.width, height: r.height};
  })};
})"""


class Browser:
    """Chromium over --remote-debugging-pipe: commands on fd 3, replies on fd 4."""

    def __init__(self, chromium, profile, log):
        to_browser = os.pipe()
        from_browser = os.pipe()
        # The child's fds 3 and 4 must be these ends, whatever numbers they got
        # here: copies above them (closed on exec) are moved there in the child.
        high_in = fcntl.fcntl(to_browser[0], fcntl.F_DUPFD_CLOEXEC, 10)
        high_out = fcntl.fcntl(from_browser[1], fcntl.F_DUPFD_CLOEXEC, 10)

        def wire():
            os.dup2(high_in, 3)
            os.dup2(high_out, 4)

        flags = ["--headless", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                 f"--user-data-dir={profile}", "--remote-debugging-pipe"]
        if os.geteuid() == 0:
            flags.append("--no-sandbox")
        self.process = subprocess.Popen([chromium, *flags, "about:blank"], stdin=subprocess.DEVNULL,
                                        stdout=log, stderr=log, preexec_fn=wire, close_fds=False)
        for fd in (to_browser[0], from_browser[1], high_in, high_out):
            os.close(fd)
        self.write_fd = to_browser[1]
        self.read_fd = from_browser[0]
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.send("Browser.close")
        except (OSError, RuntimeError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.write_fd)
        os.close(self.read_fd)

    def _message(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise RuntimeError("the browser did not answer in time")
            ready, _, _ = select.select([self.read_fd], [], [], left)
            if ready:
                chunk = os.read(self.read_fd, 1 << 20)
                if not chunk:
                    raise RuntimeError("the browser closed its pipe (see the browser log)")
                self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.write_fd, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + TIMEOUT
        while True:
            reply = self._message(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def wait_event(self, method, deadline):
        while True:
            for event in self.events:
                if event["method"] == method:
                    return event
            self.events.append(self._message(deadline))

    def evaluate(self, session, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True}, session)
        if "exceptionDetails" in result:
            raise RuntimeError(f"the check script failed: {result['exceptionDetails']}")
        return result["result"].get("value")


def run(command, env, what):
    done = subprocess.run(command, env=env, capture_output=True, text=True, timeout=TIMEOUT)
    if done.returncode != 0:
        raise RuntimeError(f"{what} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout


def draw_page(build, source, work):
    """A fresh device with the sample cities and a long-named one, drawn in every language."""
    # libfaketime is preloaded before the sanitizer runtime of a sanitizer build.
    asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    env = dict(os.environ, WEATHER_DEVICE_ROOT=os.path.join(work, "device"), TZ="UTC", ASAN_OPTIONS=asan)
    env.pop("WEATHER_DEVICE_KEY_OVERLAY", None)
    with open(os.path.join(source, "tools/weatherctl/samples/sample-cities.json"), encoding="utf-8") as f:
        cities = json.load(f)
    long_city = json.loads(json.dumps(cities["cities"][1]))
    long_city.update(locationId="LONG005", cityName=LONG_NAME, cityNameEng=LONG_NAME, pageIndex=len(cities["cities"]))
    cities["cities"].append(long_city)
    city_file = os.path.join(work, "cities.json")
    with open(city_file, "w", encoding="utf-8") as f:
        json.dump(cities, f, ensure_ascii=False)
    devicectl = os.path.join(build, "tools/devicectl")
    weatherctl = os.path.join(build, "tools/weatherctl")
    run([devicectl, "init"], env, "devicectl init")
    run([weatherctl, "import", city_file], env, "weatherctl import")
    keys = os.path.join(work, "device/vconf/keys.ini")
    with open(keys, "rb") as f:
        keys_before = f.read()
    page = os.path.join(work, "weather-faces.html")
    run(["/usr/bin/faketime", "-f", "@" + CLOCK, weatherctl, "render", "--lang", ",".join(LANGUAGES), "-o", page],
        env, "weatherctl render")
    with open(keys, "rb") as f:
        if f.read() != keys_before:
            raise RuntimeError("weatherctl render changed the device's keys")
    return page


def catalogued(directory):
    """The languages of SCRIPTS that have a catalogue in directory, with their scripts."""
    found = {language: script for language, script in SCRIPTS.items()
             if os.path.exists(os.path.join(directory, language + ".po"))}
    missing = sorted(set(SCRIPTS) - set(found))
    if missing:
        print(f"note: no catalogue in {directory} for {', '.join(missing)}: their words there are not checked")
    return found


def check(page, chromium, work, plant, shots, scale, scripts, tool_scripts, languages, long_id, whole):
    profile = os.path.join(work, "profile")
    os.mkdir(profile)
    with open(os.path.join(work, "browser.log"), "wb") as log:
        browser = Browser(chromium, profile, log)
        try:
            target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
            session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
            for domain in ("Page", "Runtime", "Network", "Log"):
                browser.send(f"{domain}.enable", {}, session)
            browser.send("Emulation.setDeviceMetricsOverride",
                         {"width": 1600, "height": 1000, "deviceScaleFactor": 1, "mobile": False}, session)
            url = "file://" + os.path.abspath(page)
            browser.events.clear()
            browser.send("Page.navigate", {"url": url}, session)
            deadline = time.monotonic() + TIMEOUT
            browser.wait_event("Page.loadEventFired", deadline)
            while browser.evaluate(session, "document.documentElement.dataset.laidOut") != "yes":
                if time.monotonic() > deadline:
                    raise RuntimeError("the page never said it was laid out")
                time.sleep(0.1)
            if plant:
                browser.evaluate(session, PLANT_SCRIPTS[plant])
            result = browser.evaluate(session, f"{CHECK_SCRIPT}({json.dumps(scripts)}, {json.dumps(tool_scripts)}, "
                                               f"{json.dumps(sorted(RIGHT_TO_LEFT))}, {json.dumps(long_id)})")
            failures = result["failures"]
            for event in browser.events:
                params = event.get("params", {})
                if event["method"] == "Network.requestWillBeSent" and params["request"]["url"] != url:
                    failures.append({"check": "request", "where": params["request"]["url"], "detail": "requested"})
                if event["method"] == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                    failures.append({"check": "console", "where": "console", "detail": json.dumps(params["args"])})
                if event["method"] == "Runtime.exceptionThrown":
                    failures.append({"check": "console", "where": "exception",
                                     "detail": json.dumps(params["exceptionDetails"])[:300]})
                if event["method"] == "Log.entryAdded" and params["entry"]["level"] == "error":
                    failures.append({"check": "console", "where": params["entry"].get("source", "log"),
                                     "detail": params["entry"]["text"]})
            drawn = [s["language"].split(".")[0] for s in result["sections"]]
            if sorted(drawn) != sorted(languages):
                failures.append({"check": "languages", "where": "page", "detail": f"drawn {drawn}"})
            if shots:
                os.makedirs(shots, exist_ok=True)
                for section in result["sections"]:
                    clip = {key: section[key] for key in ("x", "y", "width", "height")}
                    shot = browser.send("Page.captureScreenshot", {"format": "png", "captureBeyondViewport": True,
                                                                   "clip": dict(clip, scale=scale)}, session)
                    path = os.path.join(shots, section["language"].split(".")[0] + ".png")
                    with open(path, "wb") as f:
                        f.write(base64.b64decode(shot["data"]))
                    print(f"screenshot: {path}")
            if whole:
                # The sections and the page's margin around them.
                width = max(s["x"] + s["width"] for s in result["sections"]) + 16
                height = max(s["y"] + s["height"] for s in result["sections"]) + 16
                shot = browser.send("Page.captureScreenshot", {"format": "png", "captureBeyondViewport": True, "clip": {
                    "x": 0, "y": 0, "width": width, "height": height, "scale": scale}}, session)
                with open(whole, "wb") as f:
                    f.write(base64.b64decode(shot["data"]))
                print(f"screenshot: {whole}")
            print(f"{len(result['sections'])} faces, {result['boxes']} boxes, {result['cuts']} cut texts, "
                  f"{result['labels']} labels checked")
            return failures
        finally:
            browser.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--plant", choices=sorted(PLANTS))
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--page", help="check this page instead of drawing the sample")
    parser.add_argument("--languages", help="the languages of --page, comma-separated")
    parser.add_argument("--whole", help="also a screenshot of the whole page to this file")
    parser.add_argument("--shots", help="screenshot directory (default <build>/render-faces; none with --plant)")
    parser.add_argument("--scale", type=float, default=1.0)
    args = parser.parse_args()
    if not os.access(args.chromium, os.X_OK):
        print(f"no browser at {args.chromium}: scripts/install-deps.sh installs Debian's chromium")
        return 1
    work = tempfile.mkdtemp(prefix="render-check-")
    try:
        page = args.page or draw_page(args.build, args.source, work)
        shots = None if args.plant else (args.shots or os.path.join(args.build, "render-faces"))
        scripts = catalogued(os.path.join(args.source, "common/po"))
        tool_scripts = catalogued(os.path.join(args.source, "tools/weatherctl/po"))
        languages = args.languages.split(",") if args.page else LANGUAGES
        failures = check(page, args.chromium, work, args.plant, shots, args.scale, scripts, tool_scripts, languages,
                         None if args.page else "LONG005", args.whole)
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as error:
        print(f"error: {error}")
        log = os.path.join(work, "browser.log")
        if os.path.exists(log):
            with open(log, encoding="utf-8", errors="replace") as f:
                print("browser log (end):\n" + "".join(f.readlines()[-20:]))
        shutil.rmtree(work, ignore_errors=True)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(f"FAIL {failure['check']}: {failure['where']}: {failure['detail']}")
    if args.plant:
        expected = PLANTS[args.plant]
        caught = any(f["check"] == expected for f in failures)
        print(f"planted {args.plant}: the {expected} check {'failed, as it must' if caught else 'PASSED: fault missed'}")
        return 0 if caught else 1
    print("all checks passed" if not failures else f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
