# SPDX-License-Identifier: MIT
"""Checks that every local link of the given Markdown and HTML files resolves:
the file it names exists, and so does the anchor after '#', a heading of a
Markdown page (as the hosting service names it) or an id of an HTML page.
Links with a scheme (https:, mailto:, ...) are left alone.

usage: python3 links.py FILE...
"""
import html.parser
import os
import re
import sys
import urllib.parse


def slug(heading):
    """A Markdown heading's anchor: lower case, punctuation dropped, spaces to '-'."""
    text = re.sub(r"`|\*\*|\[([^]]*)\]\([^)]*\)", r"\1", heading).strip().lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.anchors = [], set()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for name in ("id", "name"):
            if attrs.get(name):
                self.anchors.add(attrs[name])
        for name in ("href", "src"):
            if attrs.get(name) and not (tag == "link" and attrs.get("rel") == "canonical"):
                self.links.append(attrs[name])


def read(path):
    """(links, anchors) of a page."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if path.endswith(".md"):
        outside_code = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
        outside_code = re.sub(r"`[^`\n]*`", "", outside_code)
        links = re.findall(r"\]\(([^)\s]+)\)", outside_code)
        anchors = {slug(h) for h in re.findall(r"^#+ (.*)$", outside_code, flags=re.M)}
        return links, anchors
    page = Page()
    page.feed(text)
    return page.links, page.anchors


def main(paths):
    cache, failures = {}, 0

    def anchors_of(path):
        if path not in cache:
            cache[path] = read(path)[1]
        return cache[path]

    for path in paths:
        for link in read(path)[0]:
            parts = urllib.parse.urlsplit(link)
            if parts.scheme or parts.netloc or link.startswith("javascript:"):
                continue
            target = os.path.normpath(os.path.join(os.path.dirname(path),
                                                   urllib.parse.unquote(parts.path))) \
                if parts.path else path
            if parts.path and not os.path.exists(target):
                print(f"{path}: {link}: no file {target}")
                failures += 1
            elif parts.fragment and os.path.isfile(target) and target.endswith((".md", ".html")) \
                    and parts.fragment not in anchors_of(target):
                print(f"{path}: {link}: no anchor #{parts.fragment} in {target}")
                failures += 1
    print(f"links: {len(paths)} files, {failures} broken")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
