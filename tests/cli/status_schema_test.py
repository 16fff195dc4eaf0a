#!/usr/bin/python3
# Every `--json` output that the command-line tests saw from the real program under Wine
# (each one a file in SAMPLES) against the documented schema; and the schema itself, that
# it is valid and refuses what the program must never print.
#   status_schema_test.py SCHEMA SAMPLES
# Debian's python3-jsonschema (run with /usr/bin/python3).
import json
import pathlib
import sys

import jsonschema


def main(schema_path, samples_dir):
    schema = json.loads(pathlib.Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = 0

    samples = sorted(pathlib.Path(samples_dir).glob("*.json"))
    with_drives = 0
    for sample in samples:
        try:
            document = json.loads(sample.read_bytes().decode("utf-8"))
        except (UnicodeDecodeError, json.JSONDecodeError) as e:
            print(f"FAIL {sample.name}: not JSON in UTF-8: {e}")
            failures += 1
            continue
        errors = list(validator.iter_errors(document))
        for error in errors:
            print(f"FAIL {sample.name}: {error.json_path}: {error.message}")
        failures += bool(errors)
        with_drives += bool(document.get("drives"))
    print(f"{len(samples)} outputs checked, {with_drives} with drives")
    if len(samples) < 5 or with_drives == 0:
        print("FAIL too few outputs: run the command-line test under Wine first")
        failures += 1

    good = {"version": 1, "writeProtect": True, "usbLock": False, "autorun": None,
            "drives": [{"letter": "E", "label": "", "readOnly": False, "bus": "usb",
                        "driver": "UASPStor",
                        "windowsAccess": {"write": "allowed", "read": "unknown"},
                        "writeProtect": {"holds": False, "reason": "notCovered"}}],
            "windowsPolicy": {"Deny_Write": True}}
    if not validator.is_valid(good):
        print("FAIL the schema refuses a good object")
        failures += 1
    bad = {
        "no version": {k: v for k, v in good.items() if k != "version"},
        "a state as text": {**good, "usbLock": "yes"},
        "an unknown field": {**good, "usblock": True},
        "a lower-case letter": {**good, "drives": [{"letter": "e", "label": ""}]},
        "holds with a reason": {**good, "drives": [
            {"letter": "E", "label": "", "writeProtect": {"holds": True, "reason": "unknown"}}]},
        "a fact for a protection that is off": {**good, "drives": [
            {"letter": "E", "label": "", "writeProtect": {"holds": True},
             "usbLock": {"holds": True}}]},
        "a policy value as a number": {**good, "windowsPolicy": {"Deny_All": 1}},
        "holds without saying through what": {**good, "drives": [
            {**good["drives"][0], "writeProtect": {"holds": True}}]},
        "whose policy for a read-only volume": {**good, "drives": [
            {**good["drives"][0], "writeProtect": {"holds": True, "through": "readOnlyVolume",
                                                   "windowsPolicy": "kelvane"}}]},
        "a denial by Windows without whose policy": {**good, "drives": [
            {**good["drives"][0], "writeProtect": {"holds": True, "through": "deniedByWindows"}}]},
        "an answer Windows never gives": {**good, "drives": [
            {**good["drives"][0], "windowsAccess": {"write": "yes", "read": "unknown"}}]},
    }
    for what, document in bad.items():
        if validator.is_valid(document):
            print(f"FAIL the schema accepts {what}")
            failures += 1
    print("All checks passed." if failures == 0 else f"{failures} check(s) failed.")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
