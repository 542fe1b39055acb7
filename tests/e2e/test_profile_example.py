"""Another product from its profile, end to end: scripts/make-medium.sh --profile builds the example product's
launcher (docs/examples/zyndra-atlas) and medium, with the recorder stub as its setup program; the files are
read back out of the image and put on CD-ROM drive D:, and the launcher AUTORUN.INF names is started there.
Its window class and title, pictures, uninstall key, setup program and version block are the example's,
and the shipped product's uninstall key does not touch it. Also saves <build>/screenshots/example-depth-24.png."""
import os
import shutil
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import images  # noqa: E402

MAKE_MEDIUM = os.path.join(e2e.SOURCE_DIR, "scripts", "make-medium.sh")
EXAMPLE = os.path.join(e2e.SOURCE_DIR, "docs", "examples", "zyndra-atlas")

# What docs/examples/zyndra-atlas/product.profile says, written out here as the user expects to see it.
TITLE = "Zyndra Atlas"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{0E7A4C19-3D52-4B8E-9F21-6C0D8B5A7E43}"
AUTORUN = ("[autorun]\r\nopen=ZSTART.EXE\r\nicon=ZSTART.EXE,0\r\nlabel=Zyndra Atlas\r\n"
           "action=Zyndra Atlas \u00f6ffnen\r\n").encode("cp1252")
VERSION_TEXTS = {
    "CompanyName": "Zyndra Musterverlag GmbH",
    "FileDescription": "Zyndra Atlas \u2013 Startprogramm",
    "FileVersion": "2, 3, 0, 17",
    "InternalName": "ZSTART",
    "LegalCopyright": "\u00a9 2025 Zyndra Musterverlag GmbH (fiktiv)",
    "OriginalFilename": "ZSTART.EXE",
    "ProductName": "Zyndra Atlas",
    "ProductVersion": "2, 3, 0, 0",
}
VERSION_NUMBERS = ((2, 3, 0, 17), (2, 3, 0, 0))  # file, product


def version_block(exe):
    """(file version, product version, {key: text}) of the version resource of `exe`, read with wrestool."""
    data = subprocess.run(["wrestool", "-x", "--raw", "--type=16", exe], capture_output=True, check=True,
                          timeout=60).stdout
    texts = {}

    def node(at):
        """Reads the node at `at` (length, value length, type, key, value, children); returns its end."""
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        end = at + length
        key_end = at + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        if kind == 1 and value_length:  # text; its length counts UTF-16 units with the terminator
            texts[key] = data[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
            value_end = value_at + 2 * value_length
        else:
            value_end = value_at + value_length
        child = (value_end + 3) & ~3
        while child < end:
            child = (node(child) + 3) & ~3
        return end

    node(0)
    fixed = data.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, fixed + 8)
    numbers = tuple((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
                    for ms, ls in ((file_ms, file_ls), (product_ms, product_ls)))
    return numbers[0], numbers[1], texts


class ProfileExampleTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if shutil.which("xorriso") is None:
            raise unittest.SkipTest("xorriso is missing (scripts/install-deps.sh installs it)")
        # Kept between runs, so that the example's launcher is built anew only when something changed.
        cls.out = os.path.join(e2e.BUILD_DIR, "profile-example")
        preset = "windows" if os.environ.get("LAUNCHER_WINE_ARCH", "win32") == "win32" else "windows-x64"
        result = subprocess.run([MAKE_MEDIUM, "--profile", os.path.join(EXAMPLE, "product.profile"),
                                 "--setup", e2e.RECORDER_EXE, "--out", cls.out, "--preset", preset],
                                capture_output=True, text=True, timeout=800)
        if result.returncode != 0:
            raise AssertionError("make-medium.sh failed (%d):\n%s%s" % (result.returncode, result.stdout,
                                                                        result.stderr))
        cls.image = os.path.join(cls.out, "ZYNDRA_ATLAS.iso")
        cls.disc = os.path.join(cls.out, "disc")
        if os.path.isdir(cls.disc):  # the image's folders come out read-only
            for root, _, _ in os.walk(cls.disc):
                os.chmod(root, 0o755)
            shutil.rmtree(cls.disc)
        subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on", "-indev", cls.image,
                        "-extract", "/", cls.disc], check=True, capture_output=True, timeout=120)

    def test_the_example_products_medium_and_launcher(self):
        # The medium: its files, volume name and AUTORUN.INF.
        self.assertEqual(sorted(os.listdir(self.disc)), ["AUTORUN.INF", "ZATLAS.EXE", "ZSTART.EXE"])
        with open(os.path.join(self.disc, "AUTORUN.INF"), "rb") as f:
            self.assertEqual(f.read(), AUTORUN)
        pvd = subprocess.run(["xorriso", "-no_rc", "-indev", self.image, "-pvd_info"], capture_output=True,
                             text=True, timeout=60).stdout
        self.assertRegex(pvd, r"(?m)^Volume Id\s*:\s*ZYNDRA_ATLAS$")
        exe = os.path.join(self.disc, "ZSTART.EXE")

        # The version block.
        file_version, product_version, texts = version_block(exe)
        self.assertEqual((file_version, product_version), VERSION_NUMBERS)
        self.assertEqual(texts, VERSION_TEXTS)

        # Its own pictures: the example's background, not the shipped one.
        with open(os.path.join(EXAMPLE, "art", "true-colour", "background.bmp"), "rb") as f:
            example_background = images.parse_bmp(f.read())
        self.assertFalse(images.compare(images.exe_picture(exe, 132), example_background))
        self.assertTrue(images.compare(images.exe_picture(exe, 132), images.exe_picture(e2e.LAUNCHER_EXE, 132)))

        with e2e.LauncherSession("profile-example") as launcher:
            s = launcher.session
            s.map_cdrom("d", self.disc)
            s.env["LAUNCHER_CLASS_NAME"] = TITLE  # POKE.EXE finds the launcher window by this class

            # The shipped product installed changes nothing: install pictures, and the setup program starts.
            launcher.set_installed(r'"C:\Program Files\Qelvar\UNINST.EXE" /remove')
            process, window = launcher.start(r"D:\ZSTART.EXE", wait=False)
            window = s.wait_window(process.pid, process=process, name="^%s$" % TITLE)
            code, info = s.poke("info")
            self.assertEqual((code, info.get("class"), info.get("title")), (0, TITLE, TITLE))
            image, difference = launcher.wait_for_picture(e2e.expected_window(exe, 24))
            self.assertFalse(difference, "the example's window, not installed: %s" % difference)
            image.save_png(os.path.join(e2e.SCREENSHOT_DIR, "example-depth-24.png"))
            s.move(*e2e.button_centre(e2e.SETUP))
            s.click()
            self.assertEqual(process.exit_code(timeout=30), 0)
            self.assertEqual(launcher.stub_runs(), [("D:\\ZATLAS.EXE", '"D:\\ZATLAS.EXE"')])

            # Its own key installed: remove pictures, and the registered command starts.
            launcher.clear_stub_log()
            s.reg_add(UNINSTALL_KEY, "UninstallString", "REG_SZ", r'"D:\ZATLAS.EXE" /remove')
            process, _ = launcher.start(r"D:\ZSTART.EXE", wait=False)
            s.wait_window(process.pid, process=process, name="^%s$" % TITLE)
            _, difference = launcher.wait_for_picture(e2e.expected_window(exe, 24, installed=True))
            self.assertFalse(difference, "the example's window, installed: %s" % difference)
            s.move(*e2e.button_centre(e2e.SETUP))
            s.click()
            self.assertEqual(process.exit_code(timeout=30), 0)
            self.assertEqual(launcher.stub_runs(), [("D:\\ZATLAS.EXE", '"D:\\ZATLAS.EXE" /remove')])


if __name__ == "__main__":
    e2e.main()
