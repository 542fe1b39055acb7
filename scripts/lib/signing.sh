# Sourced by scripts/make-medium.sh: Authenticode signing of the launcher with Debian's osslsigncode.
# Both functions read sign_pkcs12 (the PKCS#12 file with certificate and key) and sign_password_file
# (the file holding the key's password; empty for a key without one), and stop through die.
#
#   signing_check                        stops unless that key can sign code today; writes nothing, sets
#                                        sign_not_before (the certificate's start, in seconds)
#   sign_launcher UNSIGNED SIGNED EPOCH [URL]
#                                        writes SIGNED: UNSIGNED signed with SHA-256 at the time EPOCH
#                                        (or the certificate's start, when that is later),
#                                        with an RFC 3161 time stamp from URL when given
#
# The password travels only through a pipe (to openssl) or as the name of its file (osslsigncode's
# -readpass), so it never stands on a command line that other users can read, and it is never printed.

# The key's password as openssl reads it from a pipe: one line, without the CR of a CR LF (which
# osslsigncode's -readpass drops too); an empty line for a key without a password.
password_line() {
  [ -z "$sign_password_file" ] || tr -d '\r\n' <"$sign_password_file"
  echo
}

signing_check() {
  command -v osslsigncode >/dev/null ||
    die "osslsigncode is missing (Debian package osslsigncode; scripts/install-deps.sh --sign installs it)"
  command -v openssl >/dev/null ||
    die "openssl is missing (Debian package openssl; scripts/install-deps.sh --sign installs it)"
  [ -e "$sign_pkcs12" ] || die "the signing certificate '$sign_pkcs12' does not exist"
  [ -f "$sign_pkcs12" ] && [ -r "$sign_pkcs12" ] || die "the signing certificate '$sign_pkcs12' cannot be read"
  if [ -n "$sign_password_file" ]; then
    [ -e "$sign_password_file" ] || die "the password file '$sign_password_file' does not exist"
    [ -f "$sign_password_file" ] && [ -r "$sign_password_file" ] ||
      die "the password file '$sign_password_file' cannot be read"
    [ -s "$sign_password_file" ] || die "the password file '$sign_password_file' is empty"
    # One line: the password, then an LF or a CR LF or nothing. Any other line end (an LF or CR inside)
    # would leave openssl and osslsigncode reading different passwords.
    local content
    content=$(cat "$sign_password_file"; echo .)
    content=${content%.}
    content=${content%$'\n'}
    content=${content%$'\r'}
    case "$content" in
      *$'\n'*|*$'\r'*)
        die "the password file '$sign_password_file' holds more than one line; it must hold the password alone" ;;
    esac
  fi

  # The certificate, read with the key's password: a wrong password fails the PKCS#12 file's MAC check.
  # -legacy also reads files made with the older ciphers (RC2, 3DES) that many exports still use.
  local certificate
  if ! certificate=$(password_line | openssl pkcs12 -legacy -in "$sign_pkcs12" -nokeys -clcerts -passin stdin 2>&1); then
    case "$certificate" in
      *"invalid password"*)
        [ -z "$sign_password_file" ] ||
          die "the password in '$sign_password_file' does not open the signing certificate '$sign_pkcs12'"
        die "the signing certificate '$sign_pkcs12' needs a password (--sign-password-file FILE)" ;;
      *) die "the signing certificate '$sign_pkcs12' is not a PKCS#12 file (.p12 or .pfx with certificate and key)" ;;
    esac
  fi
  # The private key, read with the same password; only whether there is one leaves the pipe. (Without it,
  # openssl also takes the certificate for an authority's and -clcerts gives none.)
  if ! password_line | openssl pkcs12 -legacy -in "$sign_pkcs12" -nocerts -nodes -passin stdin 2>/dev/null |
       grep -c -- "-----BEGIN .*PRIVATE KEY-----" >/dev/null; then
    die "the signing certificate '$sign_pkcs12' holds no private key (export it with its key)"
  fi
  # Windows takes an Authenticode signature only from a certificate whose extended key usage includes
  # code signing, and one without a time stamp only while the certificate is valid.
  case "$(openssl x509 -noout -ext extendedKeyUsage <<<"$certificate" 2>&1)" in
    *"Code Signing"*) ;;
    *) die "the signing certificate '$sign_pkcs12' is not for code signing" \
           "(its extended key usage lacks codeSigning)" ;;
  esac
  if ! openssl x509 -noout -checkend 0 <<<"$certificate" >/dev/null; then
    local end
    end=$(openssl x509 -noout -enddate <<<"$certificate")
    die "the signing certificate '$sign_pkcs12' has expired (valid until ${end#notAfter=})"
  fi
  local start
  start=$(openssl x509 -noout -startdate <<<"$certificate")
  start=${start#notBefore=}
  sign_not_before=$(date -u -d "$start" +%s)
  [ "$sign_not_before" -le "$(date +%s)" ] ||
    die "the signing certificate '$sign_pkcs12' is not yet valid (valid from $start)"
  # The code-signing baseline that Windows follows: RSA keys of 2048 bits and more (Windows itself refuses
  # fewer than 1024), and certificates signed with SHA-256 or better, not MD5 or SHA-1.
  local text bits digest
  text=$(openssl x509 -noout -text <<<"$certificate")
  if [[ "$text" == *"Public Key Algorithm: rsaEncryption"* ]]; then
    bits=$(sed -n 's/.*Public-Key: (\([0-9]*\) bit).*/\1/p' <<<"$text" | head -n 1)
    [ "${bits:-0}" -ge 2048 ] ||
      die "the signing certificate '$sign_pkcs12' has an RSA key of ${bits:-unknown} bits; Windows requires 2048 or more"
  fi
  digest=$(sed -n 's/^ *Signature Algorithm: *//p' <<<"$text" | head -n 1)
  case "${digest,,}" in
    md[245]with*|sha1with*|*-with-sha1|*withsha1)
      die "the signing certificate '$sign_pkcs12' is signed with $digest; Windows requires SHA-256 or better" ;;
  esac
}

sign_launcher() {
  local unsigned=$1 signed=$2 epoch=$3 url=${4:-} output
  local unlock=()
  [ -z "$sign_password_file" ] || unlock=(-readpass "$sign_password_file")
  # -time fixes the signing time, so the same key signs the same launcher to the same bytes. A time
  # before the certificate's validity would show as an invalid signature in Windows' "Digital
  # Signatures" tab: the later of the source date and the certificate's start, both fixed.
  [ "$sign_not_before" -le "$epoch" ] || epoch=$sign_not_before
  # osslsigncode before 2.9 prints its errors on standard output: kept, and shown when it fails.
  if ! output=$(osslsigncode sign -pkcs12 "$sign_pkcs12" "${unlock[@]}" -h sha256 -time "$epoch" \
                  ${url:+-ts "$url"} -in "$unsigned" -out "$signed" 2>&1); then
    printf '%s\n' "$output" >&2
    die "osslsigncode could not sign '$unsigned' with '$sign_pkcs12' (its messages above)"
  fi
}
