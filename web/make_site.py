"""Writes the browser edition's site and its ZIP.

    make_site.py --facts <generated/release_facts.json> --source <repository>
                 --module <folder with orvaneats.js/.wasm> --site <site folder>
                 --zip <OrvaneATS-1.2.0-web.zip>

The pictures are the ones in res/, named by the core's headers: each picture's 1x bitmap
becomes a PNG with the same pixels, its 3x rendering a lossless WebP with the same pixels (the
page makes every other scale from these two with the core's resampler); the 3x renderings not
shown at rest are stored as the rectangle in which they differ from another rendering, which
the page draws over that one. The page makes the two
waves itself (waves.js, the recipe of tools/make_waves.py), so the site holds none. The icons
come from the largest image of res/orvaneats_sizes.ico. The service worker learns which files
the window needs, which come later, and a revision made from their contents. Every output depends only on the inputs and the release's facts
(product, version, and the time of the last commit as the files' time): fixed order, times and
attributes in the ZIP.
"""

import argparse
import hashlib
import html
import io
import json
import os
import re
import shutil
import sys
from pathlib import Path

from fontTools import subset as font_subset
from PIL import Image, ImageChops

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "packaging"))
from reproducible_zip import write_zip  # noqa: E402

PAGE_FILES = ("index.html", "app.css", "app.js", "core.js", "sound.js", "pictures.js",
              "window.js", "port.js", "timers.js", "dom.js", "build.js", "desk_layout.js",
              "touch_layout.js", "about_box.js", "menu.js", "keys.js", "announce.js", "wake.js",
              "waves.js", "own_sounds.js", "manifest.webmanifest")
MODULE_FILES = ("orvaneats.js", "orvaneats.wasm")
# The caption bar's icon at 1x, 2x and 3x, the about box's at 1x and 2x, and the installed
# app's two sizes.
ICON_SIZES = (16, 32, 48, 64, 192, 512)
# Icons a launcher crops or puts on a tile of its own: the icon on the desk's colour, inside the
# middle 60 % that a maskable icon keeps whatever the crop (a circle of 80 %).
TILE_COLOUR = (0x3A, 0x6E, 0xA5, 255)
TILES = {"maskable-512.png": (512, 0.6), "apple-touch-icon.png": (180, 0.75)}
# The icons only an installing browser asks for; the page's own (caption bar, about box) are
# the others.
INSTALL_ICONS = ("icons/icon-192.png", "icons/icon-512.png", *(f"icons/{name}" for name in TILES))
# The pictures the core shows at rest: the page preloads them for the display's scale.
AT_REST = ("panel_normal", "signal_stop")
# The rendering each other 3x rendering is stored over: the lamp panels differ by one lamp at a
# time, the signal heads from the head at stop by their lit lamps' glow.
PATCH_BASES = {"panel_dark": "panel_normal", "panel_alarm": "panel_dark",
               "signal_restrict": "signal_stop", "signal_caution": "signal_stop",
               "signal_reduce": "signal_stop", "signal_proceed": "signal_stop"}


def header_defines(path):
    """The string #defines of a header: name -> text."""
    text = path.read_text(encoding="utf-8")
    return dict(re.findall(r'^#define\s+(\w+)\s+"([^"]*)"', text, re.MULTILINE))


def picture_stems(source):
    """The stems of the eight pictures, in the order of the core's picture table."""
    text = (source / "alarm" / "picture_table.h").read_text(encoding="utf-8")
    stems = re.findall(r'\{IDB_\w+,\s*"(\w+)",', text)
    if len(stems) != 8:
        raise SystemExit(f"picture_table.h: expected 8 pictures, found {len(stems)}")
    return stems


def check_imports(web):
    """Every module a page script imports is one of the site's files."""
    shipped = set(PAGE_FILES + MODULE_FILES)
    for name in PAGE_FILES:
        if name.endswith(".js"):
            text = (web / name).read_text(encoding="utf-8")
            for imported in re.findall(r'^(?:import|export)\b[^;]*?\bfrom\s+"\./([^"]+)"', text,
                                   re.MULTILINE):
                if imported not in shipped:
                    raise SystemExit(f"web/{name} imports {imported}, which PAGE_FILES lacks")


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, format="PNG", optimize=True)
    return out.getvalue()


def lossless_webp(image):
    """The image as a lossless WebP (about a third smaller than the PNG), checked to decode to
    the same pixels."""
    out = io.BytesIO()
    image.save(out, format="WEBP", lossless=True, quality=100, method=6)
    with Image.open(io.BytesIO(out.getvalue())) as back:
        if back.convert("RGB").tobytes() != image.convert("RGB").tobytes():
            raise SystemExit("WebP: the pixels changed")
    return out.getvalue()


def write_renderings(res, pictures, stems):
    """Each 3x rendering as a lossless WebP: whole for the pictures at rest, the others as the
    smallest rectangle holding every pixel in which they differ from their base (checked to
    give the rendering back). Returns stem -> [base, x, y] for the page."""
    renderings = {}
    for stem in stems:
        with Image.open(res / f"{stem}_3x.png") as image:
            renderings[stem] = image.convert("RGB")
    patches = {}
    for stem in stems:
        base = PATCH_BASES.get(stem)
        image = renderings[stem]
        if base is None:
            if stem not in AT_REST:
                raise SystemExit(f"{stem}: neither at rest nor stored over another rendering")
            (pictures / f"{stem}_3x.webp").write_bytes(lossless_webp(image))
            continue
        box = ImageChops.difference(image, renderings[base]).getbbox() or (0, 0, 1, 1)
        patch = image.crop(box)
        redrawn = renderings[base].copy()
        redrawn.paste(patch, box[:2])
        if redrawn.tobytes() != image.tobytes():
            raise SystemExit(f"{stem}: the rectangle over {base} does not give the rendering")
        (pictures / f"{stem}_3x.webp").write_bytes(lossless_webp(patch))
        patches[stem] = [base, box[0], box[1]]
    return patches


def preloads(stems):
    """The preload lines for the pictures at rest: the 1x bitmap where the page will draw from
    it (one device pixel per CSS pixel and a mouse), the 3x rendering everywhere else."""
    one = "(max-resolution: 1dppx) and (pointer: fine), (max-resolution: 1dppx) and (pointer: none)"
    three = "(min-resolution: 1.01dppx), (pointer: coarse)"
    lines = []
    for stem in stems:
        lines.append(f'<link rel="preload" href="pictures/{stem}.png" as="fetch" crossorigin '
                     f'media="{one}">')
        lines.append(f'<link rel="preload" href="pictures/{stem}_3x.webp" as="fetch" crossorigin '
                     f'media="{three}">')
    return "\n".join(lines)


# The dialog's font on every system: IPA P Gothic (Debian's fonts-ipafont-gothic) cut down to
# the characters the page shows and renamed, as the IPA Font License asks of a changed font; the
# licence goes beside it.
IPA_FONT = Path("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf")
IPA_COPYRIGHT = Path("/usr/share/doc/fonts-ipafont-gothic/copyright")
FONT_FILE = "fonts/orvane-pgothic.woff2"
FONT_LICENCE = "fonts/IPA_Font_License_Agreement_v1.0.txt"
FONT_FAMILY = "Orvane P Gothic"


def shown_characters(args, texts):
    """Every character the page can show: the core's texts, the release's lines, and the
    page's own files (its markup and the lines its scripts write), plus printable ASCII."""
    chars = set(map(chr, range(0x20, 0x7F)))
    for text in list(texts.values()) + [str(v) for v in args.facts.values()]:
        chars.update(text)
    for name in PAGE_FILES:
        if name.endswith((".html", ".js")):
            chars.update((args.source / "web" / name).read_text(encoding="utf-8"))
    return "".join(sorted(c for c in chars if c.isprintable()))


def write_font(site, characters):
    """The subset as WOFF2, renamed, without hinting (the page draws at CSS pixels)."""
    options = font_subset.Options()
    options.flavor = "woff2"
    options.hinting = False
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6]
    font = font_subset.load_font(str(IPA_FONT), options)
    subsetter = font_subset.Subsetter(options)
    subsetter.populate(text=characters)
    subsetter.subset(font)
    names = font["name"]
    for record in list(names.names):
        if record.nameID in (1, 3, 4, 6):
            names.removeNames(nameID=record.nameID)
    names.setName(FONT_FAMILY, 1, 3, 1, 0x409)
    names.setName(f"{FONT_FAMILY} subset", 3, 3, 1, 0x409)
    names.setName(FONT_FAMILY, 4, 3, 1, 0x409)
    names.setName(FONT_FAMILY.replace(" ", ""), 6, 3, 1, 0x409)
    names.setName(f"Derived from IPA P Gothic ({IPA_FONT.name}) for OrvaneATS: a subset of "
                  "its glyphs, under the IPA Font License Agreement v1.0.", 10, 3, 1, 0x409)
    font_subset.save_font(font, str(site / FONT_FILE), options)
    # The stanza "License: IPA-1" that holds the text: its lines indented, "." a blank line.
    stanza = IPA_COPYRIGHT.read_text(encoding="utf-8").split("\nLicense: IPA-1\n")[-1]
    lines = []
    for line in stanza.splitlines():
        if not line.startswith(" "):
            break
        lines.append("" if line.strip() == "." else line[1:])
    licence = "\n".join(lines)
    (site / FONT_LICENCE).write_text(licence + "\n", encoding="utf-8", newline="\n")


def largest_icon(res):
    ico = Image.open(res / "orvaneats_sizes.ico")
    return ico.ico.getimage(sorted(ico.ico.sizes())[-1]).convert("RGBA")


def icon_images(ico_path):
    """The icon at each of ICON_SIZES: an image of that size from the .ico where there is one,
    else its largest image resized."""
    ico = Image.open(ico_path)
    available = sorted(ico.ico.sizes())
    largest = ico.ico.getimage(available[-1]).convert("RGBA")
    images = {}
    for size in ICON_SIZES:
        if (size, size) in available:
            images[size] = ico.ico.getimage((size, size)).convert("RGBA")
        else:
            # Whole multiples of the largest image repeat its pixels; other sizes average.
            method = (Image.Resampling.NEAREST if size % largest.width == 0
                      else Image.Resampling.LANCZOS)
            images[size] = largest.resize((size, size), method)
    return images


def tile(icon, size, share):
    """The icon, at most `share` of `size` wide, centred on an opaque tile of the desk's colour;
    a whole multiple of its pixels where one fits (sharp, and small as a PNG)."""
    inner = round(size * share)
    method = Image.Resampling.LANCZOS
    if inner >= icon.width:
        inner -= inner % icon.width
        method = Image.Resampling.NEAREST
    image = Image.new("RGBA", (size, size), TILE_COLOUR)
    small = icon.resize((inner, inner), method)
    image.alpha_composite(small, ((size - inner) // 2, (size - inner) // 2))
    return image.convert("RGB")


def description(source, app_id):
    """The program's one-line summary in Japanese, as the Linux metainfo gives it."""
    metainfo = source / "packaging" / "linux" / f"{app_id}.metainfo.xml.in"
    found = re.search(r'<summary xml:lang="ja">([^<]+)</summary>',
                      metainfo.read_text(encoding="utf-8"))
    if not found:
        raise SystemExit(f"{metainfo}: no Japanese summary")
    return found.group(1)


def write_site(args, epoch):
    """Writes every file of the site; returns their paths relative to it, sorted."""
    site = args.site
    if site.exists():
        shutil.rmtree(site)
    (site / "pictures").mkdir(parents=True)
    (site / "icons").mkdir()
    (site / "fonts").mkdir()
    web = args.source / "web"
    res = args.source / "res"
    texts = header_defines(args.source / "alarm" / "alarm_text.h")
    stems = picture_stems(args.source)
    patches = write_renderings(res, site / "pictures", stems)

    check_imports(web)
    for name in PAGE_FILES:
        text = (web / name).read_text(encoding="utf-8")
        text = text.replace("@CAPTION@", texts["TXT_MAIN_CAPTION"])
        text = text.replace("@PRODUCT@", args.facts["product"])
        text = text.replace("@DESCRIPTION@", description(args.source, args.facts["app_id"]))
        text = text.replace("@PRELOAD_PICTURES@", preloads(AT_REST))
        text = text.replace("@PATCHES@", html.escape(json.dumps(patches, separators=(",", ":")),
                                                      quote=False))
        (site / name).write_text(text, encoding="utf-8", newline="\n")
    for name in MODULE_FILES:
        shutil.copyfile(args.module / name, site / name)
    write_font(site, shown_characters(args, texts))
    for stem in stems:
        with Image.open(res / f"{stem}.bmp") as bitmap:
            (site / "pictures" / f"{stem}.png").write_bytes(png_bytes(bitmap))
    icons = icon_images(res / "orvaneats_sizes.ico")
    for size, image in icons.items():
        (site / "icons" / f"icon-{size}.png").write_bytes(png_bytes(image))
    for name, (size, share) in TILES.items():
        (site / "icons" / name).write_bytes(png_bytes(tile(largest_icon(res), size, share)))

    files = sorted(p.relative_to(site).as_posix() for p in site.rglob("*") if p.is_file())
    revision = hashlib.sha256()
    for name in files:
        revision.update(name.encode() + b"\0" + (site / name).read_bytes())
    worker = (web / "sw.js").read_text(encoding="utf-8")
    worker = worker.replace("@VERSION@", args.facts["version"])
    worker = worker.replace("@REVISION@", revision.hexdigest()[:16])
    # Everything but the font's licence, which the page never reads, is kept for offline use:
    # what the window needs when the worker installs, the pictures and the installing
    # browser's icons once they are asked for.
    later = [name for name in files if name.startswith("pictures/") or name in INSTALL_ICONS]
    shell = [name for name in files if name != FONT_LICENCE and name not in later]
    worker = worker.replace('"@SHELL@"', json.dumps(["./"] + shell + ["sw.js"], indent=2))
    worker = worker.replace('"@LATER@"', json.dumps(later, indent=2))
    (site / "sw.js").write_text(worker, encoding="utf-8", newline="\n")
    files = sorted(files + ["sw.js"])
    for name in files:
        os.utime(site / name, (epoch, epoch))
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--facts", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--module", type=Path, required=True)
    parser.add_argument("--site", type=Path, required=True)
    parser.add_argument("--zip", type=Path, required=True)
    args = parser.parse_args()
    args.facts = json.loads(args.facts.read_text(encoding="utf-8"))
    epoch = args.facts["source_date_epoch"]
    files = write_site(args, epoch)
    top = f'{args.facts["product"]}-{args.facts["version"]}-web'
    # The ZIP also carries the licence, as it asks to be in every copy, and a short read-me;
    # the site itself stays the page's files.
    readme = (args.source / "packaging" / "web" / "README.txt").read_text(encoding="utf-8")
    readme = readme.replace("@VERSION@", args.facts["version"])
    readme = readme.replace("@COPYRIGHT_LINE@", args.facts["copyright_line"])
    extra = {"LICENSE.txt": (args.source / "LICENSE").read_bytes(),
             "README.txt": readme.encode("utf-8")}
    write_zip(args.zip, top, args.site, files, epoch, unix=True, extra=extra)
    total = sum((args.site / name).stat().st_size for name in files)
    print(f"site: {len(files)} files, {total} bytes; {args.zip.name}")


if __name__ == "__main__":
    main()
