#!/usr/bin/env bash
# Builds the Windows Installer package with wixl.
#   build-msi.sh --version X.Y.Z --exe kelvane.exe --out kelvane-X.Y.Z-x64.msi
# The exe is copied and, when a certificate is configured (scripts/sign.sh), signed before
# it goes into the package; the package is signed after. Without a certificate both stay
# unsigned, which sign.sh says.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

version="" exe="" out=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --version) version=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "build-msi.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
if [[ -z $version || -z $exe || -z $out ]]; then
    echo "usage: build-msi.sh --version X.Y.Z --exe kelvane.exe --out PACKAGE.msi" >&2
    exit 2
fi
# Windows Installer compares the first three fields; each must fit its range.
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || ((BASH_REMATCH[1] > 255)) ||
    ((BASH_REMATCH[2] > 255)) || ((BASH_REMATCH[3] > 65535)); then
    echo "build-msi.sh: version '$version' is not major.minor.patch within 255.255.65535" >&2
    exit 2
fi
command -v wixl >/dev/null || { echo "build-msi.sh: wixl not found (scripts/install-deps.sh)" >&2; exit 1; }

# wixl looks sources up by relative name only, so everything is staged in one folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/kelvane.exe"
cp "$root/art/kelvane.ico" "$stage/kelvane.ico"
mkdir -p "$stage/policy/en-US"
cp "$root/policy/kelvane.admx" "$stage/policy/"
cp "$root/policy/en-US/kelvane.adml" "$stage/policy/en-US/"

"$root/scripts/sign.sh" "$stage/kelvane.exe"

out=$(realpath -m "$out")
mkdir -p "$(dirname "$out")"
rm -f "$out"
(
    cd "$stage"
    # --arch x64 makes it a 64-bit package (wixl reads no Platform attribute).
    wixl --arch x64 --output "$out" -D Version="$version" -D ExeSource=kelvane.exe \
        -D IconSource=kelvane.ico -D PolicySource=policy "$here/kelvane.wxs"
)
[[ -s $out ]] || { echo "build-msi.sh: wixl built no package" >&2; exit 1; }

"$root/scripts/sign.sh" "$out"
echo "Built $out"
