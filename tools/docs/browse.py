# SPDX-License-Identifier: MIT
"""Opens every HTML page of a directory in headless Chromium, all in one
browser run (each page in a frame of a generated page), and fails if a page
does not load or logs anything to the console: a script error, a failed
resource, a console.error. Then keeps a screenshot of index.html.

usage: python3 browse.py HTML_DIR OUT_DIR   (writes OUT_DIR/frames.html and
OUT_DIR/screenshot.png)
"""
import glob
import json
import os
import re
import subprocess
import sys

BROWSER = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
           "--allow-file-access-from-files"]
DONE = "zolt-docs-check:"


def frames_page(pages):
    """A page that loads every page in a frame and, once all have loaded,
    logs how many have a document with a title."""
    frames = "".join(f'<iframe src="{json.dumps("file://" + p)[1:-1]}"></iframe>' for p in pages)
    return f"""<!DOCTYPE html><html><head><title>frames</title></head><body>{frames}
<script>
window.addEventListener("load", () => {{
  const bad = [];
  for (const f of document.querySelectorAll("iframe")) {{
    const d = f.contentDocument;
    if (!d || d.readyState !== "complete" || !d.title) bad.push(f.src);
  }}
  console.log("{DONE} " + (document.querySelectorAll("iframe").length - bad.length) + " loaded; not loaded: " + bad.join(" "));
}});
</script></body></html>"""


def main(html_dir, out_dir):
    html_dir, out_dir = os.path.abspath(html_dir), os.path.abspath(out_dir)
    pages = sorted(glob.glob(os.path.join(html_dir, "**", "*.html"), recursive=True))
    os.makedirs(out_dir, exist_ok=True)
    frames = os.path.join(out_dir, "frames.html")
    with open(frames, "w", encoding="utf-8") as f:
        f.write(frames_page(pages))
    run = subprocess.run(BROWSER + ["--enable-logging=stderr", "--v=0", "--virtual-time-budget=10000",
                                    "--dump-dom", "file://" + frames],
                         capture_output=True, text=True, timeout=300)
    console = re.findall(r":CONSOLE[^\]]*\] (.*)", run.stderr)
    done = [c for c in console if c.startswith(f'"{DONE}')]
    errors = [c for c in console if not c.startswith(f'"{DONE}')]
    for line in errors:
        print("console:", line)
    if not (len(done) == 1 and done[0].startswith(f'"{DONE} {len(pages)} loaded; not loaded: "')):
        print("pages:", done or ["the check page never finished loading", run.stderr[-2000:]])
        return 1
    screenshot = os.path.join(out_dir, "screenshot.png")
    subprocess.run(BROWSER + ["--window-size=1280,900", "--screenshot=" + screenshot,
                              "file://" + os.path.join(html_dir, "index.html")],
                   capture_output=True, timeout=120, check=True)
    print(f"browser: {len(pages)} pages loaded, {len(errors)} console messages; "
          f"screenshot of index.html: {screenshot}")
    return 1 if errors or not os.path.exists(screenshot) else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
