"""A throwaway certificate authority and its code-signing keys, made with openssl at test time, so that
nothing secret lies in the repository. Each key is a PKCS#12 file with a random password in a file
beside it, as a publisher's signing key comes.

    authority = ThrowawayAuthority(tmp_path)        authority.certificate: the CA's certificate (PEM)
    key = authority.issue("Publisher")              key.pkcs12, key.password_file, key.password
    authority.issue("Web", extended_key_usage="serverAuth"), authority.issue("Old", days=-1),
    authority.issue("Weak", key_bits=1024, digest="sha1"), authority.issue("Later", starts_in_days=30)
"""
import datetime
import secrets
import subprocess
from pathlib import Path
from typing import NamedTuple


class Key(NamedTuple):
    pkcs12: Path          # certificate and private key
    password_file: Path   # the password, on one line
    password: str
    certificate: Path     # the certificate alone (PEM)


def openssl(*args):
    result = subprocess.run(["openssl", *map(str, args)], capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, "openssl %s failed:\n%s" % (args[0], result.stderr)
    return result.stdout


class ThrowawayAuthority:
    def __init__(self, folder):
        self.folder = Path(folder)
        self.certificate = self.folder / "authority.pem"
        self.private_key = self.folder / "authority.key"
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.private_key,
                "-out", self.certificate, "-days", 2, "-subj", "/CN=Throwaway Test Authority",
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")

    def issue(self, name, extended_key_usage="codeSigning", days=2, key_bits=2048, digest="sha256", starts_in_days=0,
              with_key=True):
        """A key whose certificate, signed by this authority with `digest`, has that extended key usage and an
        RSA key of `key_bits`, and is valid from now (or `starts_in_days` from now) for `days` (a negative
        number gives one that has already expired); `with_key` False leaves the private key out of the
        PKCS#12 file."""
        stem = self.folder / name.replace(" ", "-")
        private_key, request, certificate, extensions = (stem.with_suffix(s) for s in (".key", ".csr", ".pem", ".ext"))
        openssl("req", "-newkey", "rsa:%d" % key_bits, "-nodes", "-utf8", "-keyout", private_key, "-out", request,
                "-subj", "/CN=" + name)
        extensions.write_text("extendedKeyUsage=%s\nkeyUsage=critical,digitalSignature\n" % extended_key_usage)
        if starts_in_days:
            self.sign_later(request, certificate, extensions, starts_in_days, days, digest)
        else:
            openssl("x509", "-req", "-in", request, "-CA", self.certificate, "-CAkey", self.private_key,
                    "-CAcreateserial", "-days", days, "-%s" % digest, "-extfile", extensions, "-out", certificate)
        password = secrets.token_hex(16)
        password_file = stem.with_suffix(".password")
        password_file.write_text(password + "\n")
        pkcs12 = stem.with_suffix(".p12")
        key_options = ["-inkey", private_key] if with_key else ["-nokeys"]
        openssl("pkcs12", "-export", *key_options, "-in", certificate, "-out", pkcs12,
                "-passout", "file:%s" % password_file)
        return Key(pkcs12, password_file, password, certificate)

    def sign_later(self, request, certificate, extensions, starts_in_days, days, digest):
        """Signs `request` with a validity that begins `starts_in_days` from now (openssl ca; x509 -req
        always begins now)."""
        database = self.folder / "ca-index.txt"
        database.touch()
        config = self.folder / "ca.cnf"
        config.write_text("[ca]\ndefault_ca = throwaway\n[throwaway]\ndatabase = %s\nnew_certs_dir = %s\n"
                          "serial = %s\npolicy = anything\nunique_subject = no\n[anything]\ncommonName = supplied\n"
                          % (database, self.folder, self.folder / "ca-serial"))
        (self.folder / "ca-serial").write_text("1000\n")
        start = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=starts_in_days)
        end = start + datetime.timedelta(days=days)
        openssl("ca", "-batch", "-config", config, "-cert", self.certificate, "-keyfile", self.private_key,
                "-in", request, "-out", certificate, "-md", digest, "-extfile", extensions, "-notext",
                "-startdate", start.strftime("%Y%m%d%H%M%SZ"), "-enddate", end.strftime("%Y%m%d%H%M%SZ"))
