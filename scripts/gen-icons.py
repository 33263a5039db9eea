#!/usr/bin/env python3
"""Writes the toolbar, tree and pane icons of resources/icons as SVG files.

Each picture is drawn once on a 16 by 16 grid. Toolbar buttons get three
forms: normal, hot (brighter, shown under the pointer) and disabled (grey).
The tree gets two sets: "small", drawn with whole-pixel strokes for 16-pixel
displays, and "large", with finer strokes for the 24- and 32-pixel sets of
scaled displays. Run it again after changing a drawing; the files are kept
in the repository.
"""
import colorsys
import os
import re
import sys

INK = "#304055"
GO = "#2f9e44"
FOLDER = "#f2c14e"
FOLDER_EDGE = "#b7861c"
SCREEN = "#2b3a4a"
SCREEN_EDGE = "#8a97a6"
PLAIN = "#e06c2b"
SECURE = "#2f9e44"
TRANSFER = "#2a7ad0"
DESK = "#3a86c8"
MODEM = "#7b5c3e"


def folder(open_=False, w=1.0):
    back = f'<path d="M1.5 3.5H6L7.5 5H14.5V13.5H1.5Z" fill="#dbae46" stroke="{FOLDER_EDGE}" stroke-width="{0.8*w}"/>'
    if open_:
        front = f'<path d="M3.5 7H15.5L13.5 13.5H1.5Z" fill="{FOLDER}" stroke="{FOLDER_EDGE}" stroke-width="{0.8*w}"/>'
    else:
        front = f'<rect x="1.5" y="6.5" width="13" height="7" fill="{FOLDER}" stroke="{FOLDER_EDGE}" stroke-width="{0.8*w}"/>'
    return back + front


def server(w=1.0):
    lines = "".join(f'<line x1="6" y1="{y}" x2="10" y2="{y}" stroke="{SCREEN}" stroke-width="{w}"/>' for y in (4, 6.5, 9))
    return (f'<rect x="4.5" y="1.5" width="7" height="13" rx="1" fill="{SCREEN_EDGE}" stroke="#5c6570" stroke-width="{0.8*w}"/>'
            + lines + f'<circle cx="8" cy="12" r="0.9" fill="{SECURE}"/>')


def monitor(x=1.5, y=2.5, wd=11, ht=8, w=1.0):
    mid = x + wd / 2
    bottom = y + ht
    return (f'<rect x="{x}" y="{y}" width="{wd}" height="{ht}" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}" stroke-width="{w}"/>'
            f'<line x1="{mid}" y1="{bottom}" x2="{mid}" y2="{bottom+2}" stroke="{SCREEN_EDGE}" stroke-width="{1.2*w}"/>'
            f'<line x1="{mid-3}" y1="{bottom+2.5}" x2="{mid+3}" y2="{bottom+2.5}" stroke="{SCREEN_EDGE}" stroke-width="{1.2*w}"/>')


def prompt(x, y, w=1.0):
    return (f'<path d="M{x} {y}L{x+2} {y+1.5}L{x} {y+3}M{x+3} {y+3}H{x+5.5}" fill="none" stroke="#e8e8e8" '
            f'stroke-width="{1.1*w}"/>')


def arrows(colour, x, y, wd, ht, w=1.0):
    l = x + wd * 0.3
    r = x + wd * 0.7
    b = y + ht
    return (f'<path d="M{l} {b}V{y}M{l-1.8} {y+2}L{l} {y}L{l+1.8} {y+2}M{r} {y}V{b}M{r-1.8} {b-2}L{r} {b}L{r+1.8} {b-2}" '
            f'fill="none" stroke="{colour}" stroke-width="{1.4*w}" stroke-linecap="round"/>')


def badge(secure, w=1.0):
    if secure:
        return (f'<path d="M10.3 10.3A1.7 2 0 0 1 13.7 10.3" fill="none" stroke="#1f6a2e" stroke-width="{w}"/>'
                f'<rect x="9.5" y="10.5" width="5" height="4.5" rx="0.8" fill="{SECURE}"/>')
    return f'<circle cx="12.5" cy="12.5" r="2.4" fill="{PLAIN}" stroke="#9c4b1e" stroke-width="{0.8*w}"/>'


def tree_images(w):
    return {
        "folder-open": folder(True, w),
        "folder": folder(False, w),
        "session": server(w),
        "pair-plain": monitor(0.5, 1.5, 9, 7, w) + arrows(TRANSFER, 9, 1, 6, 7, w) + badge(False, w),
        "terminal-plain": monitor(w=w) + prompt(3.5, 4, w) + badge(False, w),
        "transfer-plain": (f'<rect x="1.5" y="1.5" width="10" height="11" rx="1.5" fill="#b9d5f3" stroke="#1f5a99" stroke-width="{0.8*w}"/>'
                           + arrows(TRANSFER, 2, 3, 9, 8, w) + badge(False, w)),
        "remote-desktop": monitor(1.5, 2.5, 13, 9, w) + f'<rect x="3" y="4" width="10" height="6" fill="{DESK}"/><rect x="5" y="5" width="5" height="3" fill="#f0f0f0"/>',
        "modem": (f'<rect x="1.5" y="8.5" width="13" height="5" rx="1.5" fill="{MODEM}" stroke="#5e4630" stroke-width="{0.8*w}"/>'
                  f'<line x1="12" y1="8.5" x2="14" y2="2" stroke="#52402a" stroke-width="{1.1*w}"/>'
                  + "".join(f'<circle cx="{x}" cy="11" r="0.8" fill="{SECURE}"/>' for x in (4, 6.5, 9))),
        "local-shell": monitor(1.5, 2.5, 13, 9, w) + prompt(3, 5, w) + f'<line x1="9" y1="8" x2="12" y2="8" stroke="#8fd19e" stroke-width="{w}"/>',
        "terminal-secure": monitor(w=w) + prompt(3.5, 4, w) + badge(True, w),
        "transfer-secure": (f'<rect x="1.5" y="1.5" width="10" height="11" rx="1.5" fill="#b9d5f3" stroke="#1f5a99" stroke-width="{0.8*w}"/>'
                            + arrows(TRANSFER, 2, 3, 9, 8, w) + badge(True, w)),
        "pair-secure": monitor(0.5, 1.5, 9, 7, w) + arrows(TRANSFER, 9, 1, 6, 7, w) + badge(True, w),
    }


def plus():
    return f'<path d="M12 9V15M9 12H15" stroke="{GO}" stroke-width="2"/>'


TOOLBAR = {
    "connect": f'<path d="M5 4L12 8L5 12Z" fill="{GO}" stroke="{INK}" stroke-width="1.2" stroke-linejoin="round"/>',
    "connect-in-tab": f'<rect x="1.5" y="3.5" width="13" height="10" fill="none" stroke="{INK}" stroke-width="1.2"/>'
                      f'<path d="M5 5.5L11 8.5L5 11.5Z" fill="{GO}" stroke="{INK}" stroke-width="1" stroke-linejoin="round"/>',
    "quick-connect": f'<path d="M9 1L4 9H8L6 15L12 6H8Z" fill="#f2c14e" stroke="{INK}" stroke-width="1" stroke-linejoin="round"/>',
    "new-session": '<g transform="scale(0.875)">' + server() + '</g>' + plus(),
    "cut": f'<g fill="none" stroke="{INK}" stroke-width="1.2" stroke-linecap="round"><circle cx="4.5" cy="12" r="2.5"/>'
           f'<circle cx="11.5" cy="12" r="2.5"/><path d="M6 10L11 1.5M10 10L5 1.5"/></g>',
    "copy": f'<g stroke="{INK}" stroke-width="1.2" fill="#ffffff"><rect x="1.5" y="1.5" width="8" height="10"/>'
            f'<rect x="6.5" y="4.5" width="8" height="10"/></g>',
    "paste": f'<g stroke="{INK}" stroke-width="1.2"><rect x="2.5" y="2.5" width="11" height="12.5" rx="1" fill="#c8a06a"/>'
             f'<rect x="5" y="1" width="6" height="3" fill="#ffffff"/><rect x="5" y="6" width="6" height="7" fill="#ffffff"/></g>',
    "delete": '<path d="M3.5 3.5L12.5 12.5M12.5 3.5L3.5 12.5" stroke="#c62828" stroke-width="2.4" stroke-linecap="round"/>',
    "properties": f'<rect x="2.5" y="1.5" width="11" height="13" fill="#ffffff" stroke="{INK}" stroke-width="1.2"/>'
                  f'<path d="M5 5H11M5 8H11M5 11H11" stroke="{INK}" stroke-width="1.2"/>',
    "find": '<circle cx="6" cy="6" r="4" fill="#ffffff" stroke="#555555" stroke-width="1.6"/>'
            '<path d="M9.5 9.5L14 14" stroke="#555555" stroke-width="2.2" stroke-linecap="round"/>',
    "new-folder": '<g transform="scale(0.875)">' + folder() + '</g>' + plus(),
    "desktop-shortcut": f'<rect x="1.5" y="1.5" width="13" height="13" fill="#ffffff" stroke="{INK}" stroke-width="1.2"/>'
                        f'<path d="M5 11L11 5M7 5H11V9" fill="none" stroke="{INK}" stroke-width="1.6" stroke-linecap="round"/>',
    "help": '<circle cx="8" cy="8" r="7" fill="#2a7ad0"/>'
            '<path d="M5.8 6.2A2.2 2.2 0 1 1 8.9 8.2C8.2 8.6 8 9 8 9.8" fill="none" stroke="#ffffff" stroke-width="1.6" stroke-linecap="round"/>'
            '<circle cx="8" cy="12" r="1" fill="#ffffff"/>',
    "send-command": f'<rect x="1.5" y="2.5" width="10" height="9" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                    + prompt(3, 4.5) + f'<path d="M10 11L15 13.5L10 16Z" fill="{GO}" transform="translate(0 -2)"/>',
    "send-to-all": f'<rect x="4.5" y="0.5" width="10" height="8" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                   f'<rect x="1.5" y="3.5" width="10" height="8" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                   + prompt(3, 5.5) + f'<path d="M10 11L15 13.5L10 16Z" fill="{GO}" transform="translate(0 -2)"/>',
    "send-to-tab-groups": f'<rect x="1.5" y="2.5" width="12" height="10" fill="#ffffff" stroke="{INK}" stroke-width="1.2"/>'
                          f'<path d="M1.5 5.5H13.5M5.5 2.5V5.5" stroke="{INK}" stroke-width="1.2"/>'
                          f'<path d="M9 11L15 13.5L9 16Z" fill="{GO}" transform="translate(0 -2)"/>',
    "send-to-visible": f'<path d="M1 8C3 4.5 5.5 3.5 8 3.5S13 4.5 15 8C13 11.5 10.5 12.5 8 12.5S3 11.5 1 8Z" fill="#ffffff" stroke="{INK}" stroke-width="1.2"/>'
                       f'<circle cx="8" cy="8" r="2.5" fill="{GO}"/>',
    "new-command": f'<rect x="1.5" y="2.5" width="10" height="9" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                   + prompt(3, 4.5) + plus(),
    "rename": f'<rect x="1.5" y="4.5" width="13" height="7" fill="#ffffff" stroke="{INK}" stroke-width="1.2"/>'
              f'<path d="M4 6.5V9.5M9 3V13M7.5 3H10.5M7.5 13H10.5" fill="none" stroke="{INK}" stroke-width="1.2"/>',
    "activate-session": monitor() + f'<path d="M5.5 4.5L9.5 6.5L5.5 8.5Z" fill="{GO}"/>',
    "close-session": monitor() + '<path d="M5 4L9 8M9 4L5 8" stroke="#c62828" stroke-width="1.6" stroke-linecap="round"/>',
}

PANES = {
    "session-manager": '<g transform="translate(0 1) scale(0.9)">' + folder() + '</g>'
                       '<g transform="translate(6 5) scale(0.6)">' + server() + '</g>',
    "command-manager": f'<rect x="1.5" y="2.5" width="13" height="11" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                       + prompt(3.5, 5) + '<path d="M9 9H12" stroke="#f2c14e" stroke-width="1.4"/>',
    "active-sessions": monitor(0.5, 1.5, 9, 7) + f'<rect x="7.5" y="6.5" width="8" height="6" rx="1" fill="{SCREEN}" stroke="{SCREEN_EDGE}"/>'
                       + f'<circle cx="13" cy="13" r="2.2" fill="{GO}"/>',
}


def recolour(svg, transform):
    def one(m):
        value = m.group(0)
        r, g, b = (int(value[i:i + 2], 16) / 255 for i in (1, 3, 5))
        r, g, b = transform(r, g, b)
        return "#%02x%02x%02x" % tuple(max(0, min(255, round(c * 255))) for c in (r, g, b))
    return re.sub(r"#[0-9a-fA-F]{6}", one, svg)


def hot(r, g, b):
    h, l, s = colorsys.rgb_to_hls(r, g, b)
    return colorsys.hls_to_rgb(h, min(1.0, l + (1 - l) * 0.25), min(1.0, s * 1.15))


def disabled(r, g, b):
    grey = 0.3 * r + 0.59 * g + 0.11 * b
    return (0.55 + grey * 0.35,) * 3


def document(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">'
            + body + '</svg>\n')


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def main(out):
    for name, body in TOOLBAR.items():
        write(f"{out}/toolbar/{name}.svg", document(body))
        write(f"{out}/toolbar/{name}-hot.svg", document(recolour(body, hot)))
        write(f"{out}/toolbar/{name}-disabled.svg", document(recolour(body, disabled)))
    for set_name, width in (("small", 1.0), ("large", 0.7)):
        for name, body in tree_images(width).items():
            write(f"{out}/tree/{set_name}/{name}.svg", document(body))
    for name, body in PANES.items():
        write(f"{out}/pane/{name}.svg", document(body))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "icons"))
