#!/usr/bin/python3
# Every `--json` output that the command-line tests saw from the real program under Wine
# (each one a file in SAMPLES) against the documented schema; and the schema itself, that
# it is valid, accepts what a newer Kelvane may add within a version and refuses what the
# program must never print.
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

    drive_e = {"letter": "E", "label": "", "readOnly": False, "bus": "usb", "driver": "UASPStor",
               "windowsAccess": {"write": "allowed", "read": "unknown"},
               "writeProtect": {"holds": False, "reason": "notCovered"}}
    good = {"version": 1, "writeProtect": True, "usbLock": False, "autorun": None,
            "drives": [drive_e], "windowsPolicy": {"Deny_Write": True}}
    drive_f = {**drive_e, "letter": "F", "readOnly": True, "writeProtect": {"holds": True, "through": "readOnlyVolume"}}
    verdict = {"checked": ["writeProtect"], "compliant": False,
               "reasons": [{"protection": "writeProtect", "drive": "E", "text": "Why."}]}
    # What a reader must accept: fields added within the version, and check's verdict.
    goods = {
        "a status object": good,
        "two drives": {**good, "drives": [drive_e, drive_f]},
        "a field added to the object": {**good, "later": 1},
        "a field added to a drive": {**good, "drives": [{**drive_e, "later": "x"}]},
        "a field added to a verdict": {**good, "drives": [
            {**drive_f, "writeProtect": {"holds": True, "through": "readOnlyVolume", "since": 2}}]},
        "a value added to the policy": {**good, "windowsPolicy": {"Deny_Execute": True}},
        "a verdict": {**good, **verdict},
        "a compliant verdict": {**good, "drives": [drive_f], "checked": [], "compliant": True,
                                "reasons": []},
        "an unknown verdict": {**good, "checked": ["usbLock"], "compliant": None,
                               "reasons": []},
    }
    for what, document in goods.items():
        for error in validator.iter_errors(document):
            print(f"FAIL the schema refuses {what}: {error.json_path}: {error.message}")
            failures += 1
    # What Kelvane must never print.
    bad = {
        "no version": {k: v for k, v in good.items() if k != "version"},
        "a state as text": {**good, "usbLock": "yes"},
        "a lower-case letter": {**good, "drives": [{**drive_e, "letter": "e"}]},
        "holds with a reason": {**good, "drives": [
            {**drive_e, "writeProtect": {"holds": True, "reason": "unknown"}}]},
        "a fact for a protection that is off": {**good, "drives": [
            {**drive_e, "usbLock": {"holds": True}}]},
        "a policy value as a number": {**good, "windowsPolicy": {"Deny_All": 1}},
        "a protection on with a drive lacking its verdict": {**good, "drives": [
            drive_f, {k: v for k, v in drive_e.items() if k != "writeProtect"}]},
        "the lock on with a drive lacking its verdict": {**good, "usbLock": True},
        "the same letter twice": {**good, "drives": [drive_e, {**drive_f, "letter": "E"}]},
        "an empty driver name": {**good, "drives": [{**drive_e, "driver": ""}]},
        "not compliant without a reason": {**good, **verdict, "reasons": []},
        "compliant with a reason": {**good, **verdict, "compliant": True},
        "a verdict without its reasons": {**good, "checked": [], "compliant": True},
        "holds without saying through what": {**good, "drives": [
            {**drive_e, "writeProtect": {"holds": True}}]},
        "whose policy for a read-only volume": {**good, "drives": [
            {**drive_e, "writeProtect": {"holds": True, "through": "readOnlyVolume",
                                                   "windowsPolicy": "kelvane"}}]},
        "a denial by Windows without whose policy": {**good, "drives": [
            {**drive_e, "writeProtect": {"holds": True, "through": "deniedByWindows"}}]},
        "an answer Windows never gives": {**good, "drives": [
            {**drive_e, "windowsAccess": {"write": "yes", "read": "unknown"}}]},
    }
    for what, document in bad.items():
        if validator.is_valid(document):
            print(f"FAIL the schema accepts {what}")
            failures += 1
    print("All checks passed." if failures == 0 else f"{failures} check(s) failed.")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
