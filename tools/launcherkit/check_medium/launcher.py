"""The launcher on the medium, read without running it: its pictures, sounds and icon held to their
required forms by the asset check, and whether it was built for the product the profile describes."""

import itertools
import re
import subprocess
import tempfile
from types import SimpleNamespace

from launcherkit import languages, resource_check, resource_files, version_block
from launcherkit.iso_image import ImageError
from launcherkit.pe import Executable, PeError, type_label

SECTION = "The launcher's resources"
UNINSTALL_KEY = re.compile(rb"\\Uninstall\\(\{[0-9A-Fa-f-]{36}\})\0")


def check_resources(facts, asset_check, where, findings):
    """The launcher's resources, written out as a folder, held to their forms by the asset and resource checks."""
    check = findings.check(SECTION, "every picture, sound and icon the launcher needs is in its required form")
    with tempfile.TemporaryDirectory(prefix="check-medium-") as folder:
        try:
            resource_files.write_resource_folder(facts.executable, folder)
        except resource_files.ResourceMissing as missing:
            return check.fail(where, "resource %s" % missing, "no such resource", "every resource the launcher loads")
        except PeError as error:
            return check.fail(where, "resources", error, "every resource the launcher loads, whole, in the program")
        result = subprocess.run([asset_check, folder], capture_output=True, text=True, timeout=120)
        for line in [line for line in result.stderr.splitlines() if line.startswith(folder)] + \
                resource_check.check_folder(folder)[0].lines:
            line = "%s resource %s" % (where, line[len(folder) + 1:])
            (check.notes if ": warning: " in line else check.failures).append(line)
        if result.returncode != 0 and check.holds:
            check.fail(where, "resources", "the asset check failing (exit code %d): %s"
                       % (result.returncode, result.stderr.strip()), "resources the asset check takes")


def check_built_for(facts, product, where, findings):
    """The version block's texts, the uninstall key and the names in the launcher are the profile's."""
    check, profile = findings.check(SECTION, "the launcher was built for the profile's product"), product.profile
    block = facts.executable.version_block()
    if not check.expect(block is not None, where, "version block", "none", "the product's version block"):
        return
    for key, required in version_block.texts(profile.values).items():
        found = block.texts.get(key)
        check.expect(found == required, where, "version block %s" % key,
                     '"%s"' % found if found is not None else "none", '"%s" (%s)' % (required, product.profile_path))
    check.expect(facts.uninstall_guid == profile["uninstall_guid"], where, "uninstall key",
                 facts.uninstall_guid or "none", "%s (the profile's uninstall_guid)" % profile["uninstall_guid"])
    for what, text in (("window class name", product.name), ("setup program's name", product.setup_program)):
        check.expect(text.encode("cp1252") + b"\0" in facts.data, where, what, "no such text in the program",
                     '"%s" (%s)' % (text, product.profile_path))


def language_label(language_id):
    """0x0409 (en-US): a language identifier and the tag it is, where it is a supported one."""
    language = languages.of_id(language_id)
    return "0x%04X (%s)" % (language_id, language.tag if language else "no language of Windows-1252")


def check_languages(facts, product, where, findings):
    """Every resource, the version block's string table and its Translation are in the profile's language;
    without a profile, in the language the Translation names."""
    check = findings.check(SECTION, "every resource and the version block are in the product's language")
    block = facts.executable.version_block()
    if product is not None:
        language_id = product.profile.language.id
        whose = "the language of %s" % product.profile_path
    elif block is not None and block.translations:
        language_id = block.translations[0][0]
        whose = "the language of the version block's Translation"
    else:
        check.fail(where, "version block Translation", "none", "the language the launcher is made in")
        return
    required = "%s, %s" % (language_label(language_id), whose)
    resources = sorted(facts.executable.resources(), key=lambda r: r.language)
    for found, resources in itertools.groupby(resources, key=lambda r: r.language):
        check.expect(found == language_id, where, "language of %s" % ", ".join(
            "%s %s" % (type_label(r.type), r.name) for r in resources), language_label(found), required)
    if block is None:
        return
    table_key = languages.string_table_key(language_id)
    check.expect((block.language or "").lower() == table_key, where, "version block string table",
                 '"%s"' % block.language if block.language else "none", '"%s" (%s)' % (table_key, required))
    check.expect(block.translations == [(language_id, languages.UNICODE)], where, "version block Translation",
                 ", ".join("0x%04X %d" % pair for pair in block.translations) or "none",
                 "0x%04X %d (%s, in Unicode)" % (language_id, languages.UNICODE, required))


def check_launcher(image, medium_facts, product, asset_check, label, findings):
    """Reads the launcher that AUTORUN.INF opens and checks it; its data, executable and uninstall_guid, or
    None."""
    if medium_facts.launcher is None:
        findings.skip(SECTION, "AUTORUN.INF names no launcher on the image")
        return None
    where = "%s:/%s" % (label, medium_facts.launcher)
    readable = findings.check(SECTION, "the launcher is a Windows program with resources")
    try:
        data = image.read(medium_facts.launcher)
    except ImageError as error:
        readable.fail(where, "file", "no bytes that can be read (%s)" % error, "the file's bytes, whole, in the image")
        return None
    try:
        executable = Executable(data)
    except PeError as error:
        readable.fail(where, "program", error, "a PE executable")
        return None
    try:
        executable.resources()
    except PeError as error:
        readable.fail(where, "resources", error, "the resource directory of the launcher's pictures, sounds and icon")
        return None
    guid = UNINSTALL_KEY.search(data)  # the uninstall key its code names
    facts = SimpleNamespace(data=data, executable=executable, uninstall_guid=guid and guid.group(1).decode("ascii"))
    check_resources(facts, asset_check, where, findings)
    check_languages(facts, product, where, findings)
    if product is not None:
        check_built_for(facts, product, where, findings)
    return facts
