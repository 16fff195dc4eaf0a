#!/usr/bin/env bash
# Signing with a throwaway self-signed certificate: scripts/sign.sh on the exe and on a
# package, the package build signing both programs inside it and itself, each checked with
# osslsigncode verify; without a certificate nothing is signed and nothing fails; a wrong
# password fails and leaves the file as it was. No time stamp: the test has no network.
#   sign_test.sh --exe kelvane.exe --com kelvane.com --version X.Y.Z
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/checks.sh"

exe="" com="" version=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --exe) exe=$2; shift 2 ;;
    --com) com=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $exe && -n $com && -n $version ]] || { echo "usage: see the header" >&2; exit 2; }
exe=$(realpath "$exe")
com=$(realpath "$com")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset KELVANE_SIGN_PFX KELVANE_SIGN_PASSWORD KELVANE_SIGN_TIMESTAMP_URL

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Kelvane test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null &&
    openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.pfx \
        -passout pass:'test pass' || { echo "FAIL making the certificate"; exit 1; }
signer=(env KELVANE_SIGN_PFX="$work/signer.pfx" KELVANE_SIGN_PASSWORD='test pass')
verified() { osslsigncode verify -CAfile cert.pem -in "$1" >verify.log 2>&1; }

# Without a certificate: a package all the same, unsigned, and the build says so.
unsigned_build() {
    "$root/packaging/build-msi.sh" --version "$version" --exe "$exe" --com "$com" --out unsigned.msi \
        >build.log 2>&1 && grep -q 'kelvane.exe is unsigned' build.log &&
        grep -q 'unsigned.msi is unsigned' build.log &&
        ! verified unsigned.msi
}
check "without a certificate the package builds unsigned and says so" unsigned_build

cp "$exe" kelvane.exe
cp unsigned.msi signed.msi
check "sign.sh signs kelvane.exe" "${signer[@]}" "$root/scripts/sign.sh" kelvane.exe
check "the exe's signature verifies" verified kelvane.exe
check "sign.sh signs the package" "${signer[@]}" "$root/scripts/sign.sh" signed.msi
check "the package's signature verifies" verified signed.msi

wrong_password() {
    cp "$exe" wrong.exe
    ! KELVANE_SIGN_PFX="$work/signer.pfx" KELVANE_SIGN_PASSWORD=wrong \
        "$root/scripts/sign.sh" wrong.exe >/dev/null 2>&1 && cmp -s "$exe" wrong.exe
}
check "a wrong password fails and leaves the file unsigned" wrong_password

# With a certificate the package build signs the exe it packs and the package itself.
signed_build() {
    "${signer[@]}" "$root/packaging/build-msi.sh" --version "$version" --exe "$exe" \
        --com "$com" --out built.msi >build.log 2>&1 || { cat build.log; return 1; }
    verified built.msi || { cat verify.log; return 1; }
    mkdir -p extracted && msiextract -C extracted built.msi >/dev/null || return 1
    local program packed
    for program in kelvane.exe kelvane.com; do
        packed=$(find extracted -name $program)
        [[ -n $packed ]] && verified "$packed" || { echo "     $program unsigned"; return 1; }
    done
}
check "the package build signs both packed programs and the package" signed_build

checks_done
