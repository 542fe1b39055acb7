"""A throwaway certificate authority and its code-signing keys, made with openssl at test time, so that
nothing secret lies in the repository. Each key is a PKCS#12 file with a random password in a file
beside it, as a publisher's signing key comes.

    authority = ThrowawayAuthority(tmp_path)        authority.certificate: the CA's certificate (PEM)
    key = authority.issue("Publisher")              key.pkcs12, key.password_file, key.password
    authority.issue("Web", extended_key_usage="serverAuth"), authority.issue("Old", days=-1)
"""
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

    def issue(self, name, extended_key_usage="codeSigning", days=2):
        """A key whose certificate, signed by this authority, has that extended key usage and is valid
        from now for `days` (a negative number gives one that has already expired)."""
        stem = self.folder / name.replace(" ", "-")
        private_key, request, certificate, extensions = (stem.with_suffix(s) for s in (".key", ".csr", ".pem", ".ext"))
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", private_key, "-out", request,
                "-subj", "/CN=" + name)
        extensions.write_text("extendedKeyUsage=%s\nkeyUsage=critical,digitalSignature\n" % extended_key_usage)
        openssl("x509", "-req", "-in", request, "-CA", self.certificate, "-CAkey", self.private_key,
                "-CAcreateserial", "-days", days, "-extfile", extensions, "-out", certificate)
        password = secrets.token_hex(16)
        password_file = stem.with_suffix(".password")
        password_file.write_text(password + "\n")
        pkcs12 = stem.with_suffix(".p12")
        openssl("pkcs12", "-export", "-inkey", private_key, "-in", certificate, "-out", pkcs12,
                "-passout", "file:%s" % password_file)
        return Key(pkcs12, password_file, password, certificate)
