#!/usr/bin/env bash
# Signs Windows files (kelvane.exe, the .msi) in place with osslsigncode (Authenticode,
# SHA-256), when a certificate is configured:
#   KELVANE_SIGN_PFX            the PKCS#12 file with the certificate and its private key
#   KELVANE_SIGN_PASSWORD       its password (may be empty)
#   KELVANE_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamping server
#   sign.sh FILE...
# Without KELVANE_SIGN_PFX the files stay unsigned: it says so and exits 0. With it, any
# failure to sign exits non-zero, so a release is never shipped unsigned by accident.
set -euo pipefail
if [[ $# -eq 0 ]]; then
    echo "usage: sign.sh FILE..." >&2
    exit 2
fi
if [[ -z ${KELVANE_SIGN_PFX:-} ]]; then
    for file in "$@"; do
        echo "sign.sh: no certificate (KELVANE_SIGN_PFX is not set): $(basename "$file") is unsigned"
    done
    exit 0
fi
[[ -r $KELVANE_SIGN_PFX ]] || { echo "sign.sh: cannot read $KELVANE_SIGN_PFX" >&2; exit 1; }
command -v osslsigncode >/dev/null ||
    { echo "sign.sh: osslsigncode not found (scripts/install-deps.sh)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes through a private file, not the command line that others can read.
(umask 077 && printf '%s' "${KELVANE_SIGN_PASSWORD:-}" >"$work/password")
timestamp=()
if [[ -n ${KELVANE_SIGN_TIMESTAMP_URL:-} ]]; then
    timestamp=(-ts "$KELVANE_SIGN_TIMESTAMP_URL")
fi

for file in "$@"; do
    signed=$work/$(basename "$file")
    if ! osslsigncode sign -pkcs12 "$KELVANE_SIGN_PFX" -readpass "$work/password" -h sha256 \
        -n "Kelvane" "${timestamp[@]}" -in "$file" -out "$signed" >"$work/log" 2>&1; then
        echo "sign.sh: signing $(basename "$file") failed:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    # Replace the contents, keeping the file's own permissions.
    cat "$signed" >"$file"
    echo "sign.sh: signed $(basename "$file")"
done
