# Sourced by scripts/make-medium.sh: Authenticode signing of the launcher with Debian's osslsigncode.
# Both functions read sign_pkcs12 (the PKCS#12 file with certificate and key) and sign_password_file
# (the file holding the key's password; empty for a key without one), and stop through die.
#
#   signing_check                        stops unless that key can sign code today; writes nothing
#   sign_launcher UNSIGNED SIGNED EPOCH [URL]
#                                        writes SIGNED: UNSIGNED signed with SHA-256 at the time EPOCH,
#                                        with an RFC 3161 time stamp from URL when given
#
# The password travels only through a pipe (to openssl) or as the name of its file (osslsigncode's
# -readpass), so it never stands on a command line that other users can read, and it is never printed.

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
    [ "$(wc -l <"$sign_password_file")" -le 1 ] ||
      die "the password file '$sign_password_file' holds more than one line; it must hold the password alone"
  fi

  # The certificate, read with the key's password: a wrong password fails the PKCS#12 file's MAC check.
  # The password reaches openssl through a pipe, as one line without a CR (which osslsigncode ignores too).
  # -legacy also reads files made with the older ciphers (RC2, 3DES) that many exports still use.
  local certificate
  if ! certificate=$({ [ -z "$sign_password_file" ] || tr -d '\r\n' <"$sign_password_file"; echo; } |
                     openssl pkcs12 -legacy -in "$sign_pkcs12" -nokeys -clcerts -passin stdin 2>&1); then
    case "$certificate" in
      *"invalid password"*)
        [ -z "$sign_password_file" ] ||
          die "the password in '$sign_password_file' does not open the signing certificate '$sign_pkcs12'"
        die "the signing certificate '$sign_pkcs12' needs a password (--sign-password-file FILE)" ;;
      *) die "the signing certificate '$sign_pkcs12' is not a PKCS#12 file (.p12 or .pfx with certificate and key)" ;;
    esac
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
}

sign_launcher() {
  local unsigned=$1 signed=$2 epoch=$3 url=${4:-} output
  local unlock=()
  [ -z "$sign_password_file" ] || unlock=(-readpass "$sign_password_file")
  # -time fixes the signing time, so the same key signs the same launcher to the same bytes.
  # osslsigncode before 2.9 prints its errors on standard output: kept, and shown when it fails.
  if ! output=$(osslsigncode sign -pkcs12 "$sign_pkcs12" "${unlock[@]}" -h sha256 -time "$epoch" \
                  ${url:+-ts "$url"} -in "$unsigned" -out "$signed" 2>&1); then
    printf '%s\n' "$output" >&2
    die "osslsigncode could not sign '$unsigned' with '$sign_pkcs12' (its messages above)"
  fi
}
