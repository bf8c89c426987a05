"""Reads RELEASE_NOTES.md and writes what the Linux package takes from it.

    release_notes.py <RELEASE_NOTES.md> releases <out.xml>
        the metainfo's <releases> element, every release with its notes in both languages
    release_notes.py <RELEASE_NOTES.md> changelog <out> <maintainer line>
        the Debian changelog, one entry per release, dated from its release date

An entry is a heading "## <version> (<YYYY-MM-DD>)" and, under "### 日本語" and
"### English", items that start with "- " and go on in lines indented by two spaces.
"""

import datetime
import email.utils
import re
import sys
import unicodedata
from pathlib import Path
from xml.sax.saxutils import escape

HEADING = re.compile(r"^## (\d+\.\d+\.\d+) \((\d{4}-\d{2}-\d{2})\)$")
LANGUAGES = {"### 日本語": "ja", "### English": "en"}
# The changelog's text starts four columns in; lintian asks for lines of at most 80.
CHANGELOG_WIDTH = 80 - 4


class NotesError(Exception):
    pass


def wide(char):
    return unicodedata.east_asian_width(char) in "WF"


def join(first, rest):
    """Joins a continued line: with a space, except between two Japanese characters."""
    if first and rest and wide(first[-1]) and wide(rest[0]):
        return first + rest
    return first + " " + rest


def parse(text):
    """[{version, date, ja: [item], en: [item]}], newest first as written."""
    releases, items = [], None
    for number, line in enumerate(text.splitlines(), 1):
        heading = HEADING.match(line)
        if heading:
            try:
                datetime.date.fromisoformat(heading.group(2))
            except ValueError:
                raise NotesError(f"line {number}: no such date {heading.group(2)}") from None
            releases.append({"version": heading.group(1), "date": heading.group(2),
                             "ja": [], "en": []})
            items = None
        elif line.startswith("## "):
            raise NotesError(f"line {number}: not '## <version> (<YYYY-MM-DD>)': {line}")
        elif line in LANGUAGES and releases:
            items = releases[-1][LANGUAGES[line]]
        elif items is not None and line.startswith("- "):
            items.append(line[2:].strip())
        elif items is not None and line.startswith("  ") and items:
            items[-1] = join(items[-1], line.strip())
        elif line.strip() and releases:
            raise NotesError(f"line {number}: outside an item: {line}")
    if not releases:
        raise NotesError("no release")
    for release in releases:
        for language in ("ja", "en"):
            if not release[language]:
                raise NotesError(f"{release['version']}: no notes in {language}")
    dates = [release["date"] for release in releases]
    if dates != sorted(dates, reverse=True):
        raise NotesError("the releases are not newest first")
    return releases


def releases_xml(releases):
    lines = ["<releases>"]
    for release in releases:
        lines.append(f'    <release version="{release["version"]}" date="{release["date"]}">')
        lines.append("      <description>")
        for language, attribute in (("en", ""), ("ja", ' xml:lang="ja"')):
            lines.append(f"        <ul{attribute}>")
            lines += [f"          <li{attribute}>{escape(item)}</li>"
                      for item in release[language]]
            lines.append("        </ul>")
        lines.append("      </description>")
        lines.append("    </release>")
    lines.append("  </releases>")
    return "\n".join(lines)


def wrap(text, width):
    """Lines of at most width columns (a Japanese character takes two), broken at spaces, or
    between Japanese characters, and never before 、 or 。."""
    tokens = re.findall(r"[^\s\u3000-\u9fff\uff00-\uffef]+\s*|.\s*", text)
    lines, line, columns = [], "", 0
    for token in tokens:
        size = sum(2 if wide(c) else 1 for c in token.rstrip())
        if line and columns + size > width and token[0] not in "、。）」":
            lines.append(line.rstrip())
            line, columns = "", 0
        line += token
        columns += sum(2 if wide(c) else 1 for c in token)
    return lines + [line.rstrip()]


def changelog(releases, maintainer):
    entries = []
    for release in releases:
        day = datetime.datetime.fromisoformat(release["date"] + "T00:00:00+00:00")
        lines = [f"orvaneats ({release['version']}) unstable; urgency=medium", ""]
        for item in release["en"] + release["ja"]:
            wrapped = wrap(item, CHANGELOG_WIDTH)
            lines.append("  * " + wrapped[0])
            lines += ["    " + more for more in wrapped[1:]]
        lines += ["", f" -- {maintainer}  {email.utils.format_datetime(day)}", ""]
        entries.append("\n".join(lines))
    return "\n".join(entries)


def main(argv):
    if len(argv) < 4 or argv[2] not in ("releases", "changelog"):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        releases = parse(Path(argv[1]).read_text(encoding="utf-8"))
    except (OSError, NotesError) as error:
        print(f"{argv[1]}: {error}", file=sys.stderr)
        return 1
    if argv[2] == "releases":
        text = releases_xml(releases) + "\n"
    else:
        text = changelog(releases, argv[4])
    out = Path(argv[3])
    # Rewritten only when it changes, so that configuring again rebuilds nothing.
    if not out.exists() or out.read_text(encoding="utf-8") != text:
        out.write_text(text, encoding="utf-8", newline="\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
