"""The product profile: the one file that says which product a launcher, its resources and its medium
are built for. `key = value` lines and `#` comment lines, read with Python's configparser.

  tools/kit profile check PROFILE              validate; print every fault, exit 1 if there is one
  tools/kit profile generate PROFILE OUTDIR    OUTDIR/product_profile.h for the C++ code and the
                                               resource script, OUTDIR/product_profile.cmake for CMake
  tools/kit profile get PROFILE KEY            print one value (folders as absolute paths), or a
                                               value derived for the medium: iso_publisher, iso_application
  tools/kit profile autorun PROFILE FILE       write the medium's AUTORUN.INF

Each fault is one line: FILE:LINE: KEY: found ...; required ...
Folders are relative to the profile's own folder unless absolute.
"""

import configparser
import difflib
import io
import os
import re
import sys

from launcherkit import KitError, languages, version_block, write_if_changed
from launcherkit.profile_output import autorun_bytes, cmake_text, header_text

SECTION = "profile"

# The longest window class name RegisterClassA takes: class names are kept as atoms, at most 255
# characters. The class name is also the window title.
MAX_CLASS_NAME = 255
# Windows Vista and later run a program without a manifest as an installer, asking for elevation, when
# its file name or version texts hold one of these, in any case and even inside a word.
INSTALLER_WORDS = ("install", "setup", "update", "patch")
# Besides letters and digits, the only characters the profile's own path and its folders may hold. The build
# hands them to CMake, which reads ; as a list separator, \ as an escape and " * ? [ ] in file patterns, and
# to the resource compiler, which passes its folders to the preprocessor through a shell, and a shell reads
# quotes, $, `, &, |, <, > and more as syntax.
PATH_PUNCTUATION = " /._-+,=@%#()"
PATH_RULE = ("a path of letters, digits, spaces and %s only (the build hands it to CMake and to a shell, which "
             "read other characters as syntax)" % " ".join(PATH_PUNCTUATION.strip()))

# Names that Windows takes for devices whatever extension follows them. Windows' own list names COM0 and
# LPT0 too, which some versions open as devices.
DEVICE_NAMES = ("CON", "PRN", "AUX", "NUL", *("%s%d" % (port, n) for port in ("COM", "LPT") for n in range(10)))
DEVICE_NAMES_TEXT = "CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9"

# key: (kind, checked for installer words, what it is). In the order of the shipped profile.
KEYS = {
    "product_name": ("class name", False, "the product's name: the launcher window's class and title"),
    "uninstall_guid": ("guid", False, "the product's key in the system's uninstall list"),
    "setup_program": ("program", False, "the setup program the install button starts, beside the launcher"),
    "language": ("language", False, "the language of every resource and of the version block, a Windows tag"),
    "company_name": ("text", True, "version block: CompanyName"),
    "file_description": ("text", True, "version block: FileDescription"),
    "file_version": ("version", False, "version block: file version"),
    "product_version": ("version", False, "version block: product version"),
    "legal_copyright": ("text", False, "version block: LegalCopyright"),
    "internal_name": ("text", True, "version block: InternalName"),
    "original_filename": ("program", True, "version block: OriginalFilename; the launcher's name on the medium"),
    "version_product_name": ("text", True, "version block: ProductName"),
    "art_masters": ("folder", False, "the folder of the art masters, which tools/kit art make reads"),
    "sound_sources": ("folder", False, "the folder of the sound sources, which tools/kit art make reads"),
    "resource_folder": ("folder", False, "the folder of the pictures, sounds and icon the launcher compiles in"),
    "caption_install": ("text", False, "the install button's caption, which make-art draws"),
    "caption_remove": ("text", False, "the remove button's caption, which make-art draws"),
    "caption_browse": ("text", False, "the browse button's caption, which make-art draws"),
    "caption_cancel": ("text", False, "the cancel button's caption, which make-art draws"),
    "welcome_line": ("text", False, "the welcome that make-art draws on a background"),
    "copyright_line": ("text", False, "the copyright line that make-art draws on a background"),
    "tagline": ("text", False, "the line under the product's name that make-art draws on a background"),
    "volume_name": ("volume", False, "the medium's volume name"),
    "autorun_label": ("text", False, "AUTORUN.INF label=, the drive's name in the file browser"),
    "autorun_action": ("action", False, "AUTORUN.INF action=, the launcher's entry in the AutoPlay dialog"),
    "content_folder": ("folder", False, "the folder of the product's files that go on the medium"),
}
# Keys a profile may leave out, and what they are then: the language de-DE; the captions and the welcome
# the language's own (languages.TEXTS), where it has them; the copyright line the version block's; no tagline;
# no content folder (a medium without content carries the start-up files alone).
OPTIONAL_KEYS = {"language", *languages.TEXT_KEYS, "copyright_line", "tagline", "content_folder"}

# kind: [(pattern the whole value matches, or a test of it; what is required)], checked in order; the fault
# found is the value in quotes.
RULES = {
    "guid": [(r"\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\}",
              "a GUID in braces, {8-4-4-4-12} hexadecimal digits")],
    "program": [
        (r"[A-Z0-9_]{1,8}\.[A-Z0-9_]{1,3}",
         "a plain 8.3 file name as the medium's ISO 9660 names are: 1 to 8 of A-Z 0-9 _, a dot, 1 to 3 of them"),
        (r"(?!AUTORUN\.INF$).*", "a name other than AUTORUN.INF, which the medium's root holds for AutoPlay"),
        # A program named CON.EXE cannot be started, and a command naming it reaches the console instead.
        (r"(?!(%s)\.).*" % "|".join(DEVICE_NAMES),
         "a name that is not a device's (%s), which Windows opens as the device whatever the extension"
         % DEVICE_NAMES_TEXT),
        (r".*\.EXE", "a Windows program's name, ending in .EXE")],
    "version": [(lambda v: len(v.split(".")) == 4 and all(re.fullmatch(r"[0-9]{1,5}", p) and int(p) <= 65535
                                                         for p in v.split(".")),
                 "four numbers from 0 to 65535 with dots between, as 1.0.0.1")],
    # ISO 9660 keeps 32 characters of the volume name, Joliet 16 (UCS-2, 32 bytes): a longer name would read
    # differently on systems that read either tree.
    "volume": [(r"[A-Z0-9_]{1,16}", "1 to 16 of A-Z 0-9 _ (the volume name that ISO 9660 and Joliet both keep "
                                    "whole)")],
    "action": [(r"(?!@).*", "a text that does not begin with @ (Windows reads @ as a resource reference)")],
}


class Profile:
    """A valid profile: `values` by key, the defaults of keys it leaves out included; `path` of the file;
    `lines`, the line number of each key the file holds."""

    def __init__(self, path, values, lines=None):
        self.path, self.values, self.lines = path, values, lines or {}

    def __getitem__(self, key):
        return self.values[key]

    def get(self, key, default=None):
        return self.values.get(key, default)

    def folder(self, key):
        """A folder key as an absolute path; relative ones are relative to the profile's folder."""
        return os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(self.path)), self.values[key]))

    def version_numbers(self, key):
        return [int(part) for part in self.values[key].split(".")]

    @property
    def language(self):
        return languages.Language(self.values["language"])


class ProfileError(KitError):
    """The faults of a profile, one message each."""

    def __init__(self, messages):
        super().__init__("\n".join(messages))
        self.messages = messages


def shown(path):
    """The path as a message shows it: on one line, control characters as \\xNN."""
    return re.sub(r"[\x00-\x1f\x7f]", lambda m: "\\x%02x" % ord(m.group()), path)


def fault(path, line, key, found, required):
    return "%s:%d: %s: found %s; required %s" % (shown(path), line, shown(key), shown(found), required)


def quoted(value):
    return '"%s"' % value


def described(c):
    return "the control character U+%04X" % ord(c) if ord(c) < 0x20 or ord(c) == 0x7F else quoted(c)


def path_fault(path):
    """(the first character of `path` the build cannot name, its position from 1), or None."""
    return next(((c, i + 1) for i, c in enumerate(path) if not (c.isalnum() or c in PATH_PUNCTUATION)), None)


def value_fault(value, kind, installer_checked):
    """(found, required) when `value` breaks a rule of its kind, else None."""
    if value == "":
        return "an empty value", "a value"
    for i, c in enumerate(value):
        if ord(c) < 0x20 or ord(c) == 0x7F:
            return "%s with %s at character %d" % (quoted(value), described(c), i + 1), "printable characters"
        if c.encode("cp1252", "replace") == b"?" and c != "?":
            return ('%s with "%s" (U+%04X) at character %d' % (quoted(value), c, ord(c), i + 1),
                    "characters of the ANSI code page Windows-1252, in which the launcher's texts are compiled")
    for test, required in RULES.get(kind, ()):
        if not (test(value) if callable(test) else re.fullmatch(test, value, re.S)):
            return quoted(value), required
    if kind == "class name" and len(value) > MAX_CLASS_NAME:
        return ("%d characters" % len(value),
                "at most %d (the longest window class name the system registers)" % MAX_CLASS_NAME)
    if kind == "folder" and path_fault(value):
        c, at = path_fault(value)
        return "%s with %s at character %d" % (quoted(value), described(c), at), PATH_RULE
    if kind == "language":
        return languages.tag_fault(value)
    word = next((w for w in INSTALLER_WORDS if w in value.lower()), None) if installer_checked else None
    if word:
        return ('%s holding "%s"' % (quoted(value), word),
                'none of "install", "setup", "update", "patch" in any case, even inside a word: Windows Vista '
                "and later would take the launcher for an installer and ask for elevation at every insertion of "
                "the disc")
    return None


def overfull_version_block(values):
    """(key, found, required) when the version texts do not fit the version block, else None; the key is
    that of the longest text."""
    texts = version_block.texts(values)
    size = version_block.size(texts)
    if size <= version_block.MAX_SIZE:
        return None
    key = max((key for _, key in version_block.STRINGS if key not in version_block.NUMBERS),
              key=lambda key: len(values[key]))
    return (key, "%d characters, which make the version block %d bytes long" % (len(values[key]), size),
            "at most %d characters with the other version texts as they are: a version block's lengths are "
            "16-bit, so it holds at most %d bytes"
            % (version_block.longest_fitting(texts, key), version_block.MAX_SIZE))


def with_defaults(values):
    """(`values` with the defaults of the optional keys it leaves out, [the keys left out that have none])."""
    language = languages.Language(values.get("language", languages.DEFAULT_TAG))
    defaults = {"language": language.tag, "copyright_line": values["legal_copyright"]}
    defaults.update((key, language.default_text(key, values["product_name"])) for key in languages.TEXT_KEYS)
    filled = dict(values)
    filled.update((key, default) for key, default in defaults.items() if key not in values and default is not None)
    return filled, [key for key in languages.TEXT_KEYS if key not in filled]


def decoded(path, raw):
    """The profile's text, one line per LF; raises ProfileError when it is no UTF-8 text with LF or CR LF
    line ends."""
    try:
        text = raw.decode("utf-8-sig")
    except UnicodeDecodeError as e:
        line = raw[:e.start].count(b"\n") + 1
        raise ProfileError([fault(path, line, "(file)", "a byte 0x%02X that is not UTF-8" % raw[e.start],
                                  "a UTF-8 text file")])
    bare_cr = re.search(r"\r(?!\n)", text)
    if bare_cr:
        raise ProfileError([fault(path, text.count("\n", 0, bare_cr.start()) + 1, "(file)",
                                  "lines ending in a bare carriage return (CR, as classic Mac OS wrote them)",
                                  "lines ending in LF or CR LF")])
    return text


def read_profile(path):
    """The Profile at `path`; raises ProfileError with every fault found."""
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise ProfileError([fault(path, 0, "(file)", "no readable file (%s)" % e.strerror, "a product profile")])
    text = decoded(path, raw)
    # Lines as configparser counts them: ended by LF alone, not by the other characters that
    # str.splitlines() takes for line ends (a form feed, say).
    lines = [line.rstrip("\r") for line in text.split("\n")]
    if lines[-1] == "":
        lines.pop()

    # configparser wants a section; the profile has none, so one is put in front. Its line numbers
    # count that line too. `located` takes the line of each key as the parser meets it (it names every key it
    # reads through optionxform), so a key's line is the one configparser took it from.
    parser = configparser.ConfigParser(delimiters=("=",), comment_prefixes=("#",), inline_comment_prefixes=None,
                                       strict=True, empty_lines_in_values=False, interpolation=None,
                                       default_section="\0")
    located, at = {}, [0]

    def numbered():
        for at[0], line in enumerate(io.StringIO("[%s]\n%s" % (SECTION, text))):
            yield line

    def named(key):
        located.setdefault(key, at[0])
        return key

    parser.optionxform = named
    try:
        parser.read_file(numbered(), source=path)
    except configparser.DuplicateOptionError as e:
        first = located.get(e.option, 0)
        raise ProfileError([fault(path, e.lineno - 1, e.option, "the key a second time (first on line %d)" % first,
                                  "each key once")])
    except configparser.DuplicateSectionError as e:
        raise ProfileError([fault(path, e.lineno - 1, "(line)", "the section header [%s]" % e.section,
                                  "key = value lines only")])
    except configparser.ParsingError as e:
        raise ProfileError([fault(path, lineno - 1, "(line)", "%s, which is not a key = value line"
                                  % quoted(lines[lineno - 2]), "key = value lines and # comment lines only")
                            for lineno, _ in e.errors])

    messages = []
    unnamable = path_fault(os.path.abspath(path))
    if unnamable:
        messages.append(fault(path, 0, "(file)", "%s at character %d of the file's path" % (described(unnamable[0]),
                                                                                             unnamable[1]), PATH_RULE))
    # The parser's default section is named NUL; a header of that name holds keys it would add to every section.
    sections = parser.sections() + (["\0"] if parser.defaults() or "[\0]" in (l.strip() for l in lines) else [])
    for section in sections:
        if section != SECTION:
            line = next((n for n, l in enumerate(lines, 1) if l.strip() == "[%s]" % section), 0)
            messages.append(fault(path, line, "(line)", "the section header [%s]" % section,
                                  "key = value lines only"))
    values = dict(parser.items(SECTION)) if parser.has_section(SECTION) else {}
    faulty = set()
    for key, value in values.items():
        line = located.get(key, 0)
        if key not in KEYS:
            close = difflib.get_close_matches(key, KEYS, n=1)
            required = ('the key "%s" or another known one' % close[0] if close
                        else "one of the known keys: " + ", ".join(KEYS))
            messages.append(fault(path, line, key, "an unknown key", required))
            continue
        kind, installer_checked, _ = KEYS[key]
        problem = value_fault(value, kind, installer_checked)
        if problem:
            messages.append(fault(path, line, key, *problem))
            faulty.add(key)
    end = len(lines) + 1
    for key, (_, _, what) in KEYS.items():
        if key not in values and key not in OPTIONAL_KEYS:
            messages.append(fault(path, end, key, "no such key (end of file)", "a line %s = ... (%s)" % (key, what)))
            faulty.add(key)
    if not faulty & {"language", "product_name", "legal_copyright"}:
        values, undefaulted = with_defaults(values)
        for key in undefaulted:
            messages.append(fault(path, end, key, "no such key (end of file)",
                                  "a line %s = ... (%s): the kit knows no default in %s"
                                  % (key, KEYS[key][2], values["language"])))
    # Rules between keys, where the keys they read are sound.
    if not faulty & {"setup_program", "original_filename"} and values["setup_program"] == values["original_filename"]:
        messages.append(fault(path, located.get("setup_program", 0), "setup_program",
                              "%s, which is also the launcher's name (original_filename, line %d)"
                              % (quoted(values["setup_program"]), located.get("original_filename", 0)),
                              "a name other than the launcher's, or the install button would start the launcher "
                              "again"))
    if not faulty & {key for _, key in version_block.STRINGS}:
        problem = overfull_version_block(values)
        if problem:
            messages.append(fault(path, located.get(problem[0], 0), *problem))
    if messages:
        raise ProfileError(messages)
    return Profile(path, values, located)


# ---------------------------------------------------------------- values derived for the medium

def iso_text(text):
    """An ISO 9660 a-character text (upper case, a few punctuation marks); other characters become _."""
    return re.sub(r"[^A-Z0-9 !\"%&'()*+,\-./:;<=>?_]", "_", text.upper())[:128]


def derived(profile, key):
    if key == "iso_publisher":
        return iso_text(profile["company_name"])
    if key == "iso_application":
        return iso_text(profile["product_name"] + " installation medium")
    if KEYS[key][0] == "folder" and key in profile.values:
        return profile.folder(key)
    # An optional key without a default (a tagline, a content folder not given) is empty.
    return profile.values.get(key, "")


def main(argv):
    commands = {"check": 1, "generate": 2, "get": 2, "autorun": 2}
    if len(argv) < 2 or argv[0] not in commands or len(argv) != commands[argv[0]] + 1:
        sys.stderr.write(__doc__)
        return 2
    command, path = argv[0], argv[1]
    try:
        profile = read_profile(path)
    except ProfileError as e:
        for message in e.messages:
            print(message, file=sys.stderr)
        print("product profile %s: %d fault%s" % (shown(path), len(e.messages), "" if len(e.messages) == 1 else "s"),
              file=sys.stderr)
        return 1
    if command == "generate":
        write_if_changed(os.path.join(argv[2], "product_profile.h"), header_text(profile).encode("ascii"))
        write_if_changed(os.path.join(argv[2], "product_profile.cmake"), cmake_text(profile).encode("utf-8"))
    elif command == "get":
        key = argv[2]
        if key not in KEYS and key not in ("iso_publisher", "iso_application"):
            print("profile: no key %s" % key, file=sys.stderr)
            return 2
        print(derived(profile, key))
    elif command == "autorun":
        write_if_changed(argv[2], autorun_bytes(profile))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
