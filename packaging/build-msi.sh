#!/usr/bin/env bash
# Builds the Windows Installer package with wixl.
#   build-msi.sh --version X.Y.Z --exe kelvane.exe --com kelvane.com --out kelvane-X.Y.Z-x64.msi
# The programs are copied and, when a certificate is configured (scripts/sign.sh), signed
# before they go into the package; the package is signed after. Without a certificate they
# stay unsigned, which sign.sh says.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

version="" exe="" com="" out=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --version) version=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --com) com=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "build-msi.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
if [[ -z $version || -z $exe || -z $com || -z $out ]]; then
    echo "usage: build-msi.sh --version X.Y.Z --exe kelvane.exe --com kelvane.com --out PACKAGE.msi" >&2
    exit 2
fi
# Windows Installer compares the first three fields; each must fit its range.
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || ((BASH_REMATCH[1] > 255)) ||
    ((BASH_REMATCH[2] > 255)) || ((BASH_REMATCH[3] > 65535)); then
    echo "build-msi.sh: version '$version' is not major.minor.patch within 255.255.65535" >&2
    exit 2
fi
for tool in wixl msibuild; do
    command -v $tool >/dev/null || { echo "build-msi.sh: $tool not found (scripts/install-deps.sh)" >&2; exit 1; }
done

# The fixed file version of a program (VS_FIXEDFILEINFO after its signature), as
# "a.b.c.d"; nothing when it has none.
file_version() { # FILE
    local at
    at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -1 | cut -d: -f1)
    [[ -n $at ]] && od -An -tu2 -j $((at + 8)) -N 8 "$1" | awk '{ print $2 "." $1 "." $4 "." $3 }'
}
# The author's web address, kept once in info/author.h.
website=$(sed -n 's/.*kWebSite\[\] = L"\([^"]*\)".*/\1/p' "$root/info/author.h")
[[ -n $website ]] || { echo "build-msi.sh: no kWebSite in info/author.h" >&2; exit 1; }

# wixl looks sources up by relative name only, so everything is staged in one folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/kelvane.exe"
cp "$com" "$stage/kelvane.com"
cp "$root/art/kelvane.ico" "$stage/kelvane.ico"
cp "$root/docs/status.schema.json" "$stage/status.schema.json"
mkdir -p "$stage/policy/en-US"
cp "$root/policy/kelvane.admx" "$stage/policy/"
cp "$root/policy/en-US/kelvane.adml" "$stage/policy/en-US/"

"$root/scripts/sign.sh" "$stage/kelvane.exe" "$stage/kelvane.com"

out=$(realpath -m "$out")
mkdir -p "$(dirname "$out")"
rm -f "$out"
(
    cd "$stage"
    # --arch x64 makes it a 64-bit package (wixl reads no Platform attribute).
    wixl --arch x64 --output "$out" -D Version="$version" -D ExeSource=kelvane.exe \
        -D ComSource=kelvane.com -D IconSource=kelvane.ico -D PolicySource=policy \
        -D SchemaSource=status.schema.json \
        -D WebSite="$website" "$here/kelvane.wxs"
)
[[ -s $out ]] || { echo "build-msi.sh: wixl built no package" >&2; exit 1; }

# What wixl 0.101 cannot say, added to its tables.
upgrade_code=$(msiinfo export "$out" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
queries=(
    # Same version over same version replaces the installed one (a rebuilt package has a
    # new product code): the upgrade row includes its maximum, this version
    # (msidbUpgradeAttributesVersionMaxInclusive | MigrateFeatures). An older package is
    # still refused by the downgrade row, which excludes its minimum. Attributes is part
    # of the row's key, so the row is replaced rather than updated.
    "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
    "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"
    # The install location in the uninstall entry, set once the folder is known
    # (a type 51 action: set a property; wixl neither types nor places it right).
    "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('SetInstallLocation', 51, 'ARPINSTALLLOCATION', '[INSTALLDIR]')"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetInstallLocation', 1001)"
    # The install folder is remembered, so that removal, repair and upgrade find it when
    # INSTALLDIR is not given again: under Wine, removal otherwise resolves the default
    # folder and leaves the files and the PATH entry of another one; on Windows an upgrade
    # (a new product) would move back to the default. Read back by AppSearch before costing,
    # and used unless INSTALLDIR is given on the command line; the value goes at removal.
    # Only the value: the key also holds Kelvane's record of the policy values it added,
    # which must outlive a reinstall so that switching off still takes them away.
    "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('RememberInstallDir', 2, 'Software\\Kelvane', 'InstallDir', '[INSTALLDIR]', 'Program')"
    # Type 18: the raw value (2) from the 64-bit view (16), where the 64-bit component wrote it.
    "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('RememberedInstallDir', 2, 'Software\\Kelvane', 'InstallDir', 18)"
    "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('REMEMBEREDINSTALLDIR', 'RememberedInstallDir')"
    "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('UseRememberedInstallDir', 51, 'INSTALLDIR', '[REMEMBEREDINSTALLDIR]')"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('UseRememberedInstallDir', 'REMEMBEREDINSTALLDIR AND NOT INSTALLDIR', 51)"
    "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
    "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('UseRememberedInstallDir', 'REMEMBEREDINSTALLDIR AND NOT INSTALLDIR', 51)"
    # (RemoveRegistryValues and WriteRegistryValues are in the sequence already: the
    # package's own registry values, the event log source, bring them.)
    # The install folder at the end of the machine's PATH ("=-*": set at install, removed
    # at uninstall, system-wide; "[~];" appends to what is there), unless ADDTOPATH=0.
    "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL, \`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE, \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)"
    "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('PathEntry', '=-*PATH', '[~];[INSTALLDIR]', 'PathEntry')"
    "UPDATE \`Component\` SET \`Condition\` = 'ADDTOPATH <> \"0\"' WHERE \`Component\` = 'PathEntry'"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)"
    "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
    "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;ADDTOPATH;INSTALLDIR' WHERE \`Property\` = 'SecureCustomProperties'"
)
# The programs are versioned files: their version and language in the File table (so
# repairs and file-version rules judge them by version), and no hash, which is only for
# unversioned files.
for program in kelvane.exe kelvane.com; do
    v=$(file_version "$stage/$program")
    [[ -n $v ]] || { echo "build-msi.sh: $program has no version resource" >&2; exit 1; }
    queries+=("UPDATE \`File\` SET \`Version\` = '$v', \`Language\` = '1033' WHERE \`File\` = '$program'"
              "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$program'")
done
for q in "${queries[@]}"; do
    msibuild "$out" -q "$q" || { echo "build-msi.sh: msibuild failed on: $q" >&2; exit 1; }
done

"$root/scripts/sign.sh" "$out"
echo "Built $out"
