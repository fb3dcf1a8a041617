#!/usr/bin/python3
# Copyright: the Quillmar printer manager's developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""Ansible module: settings of one Quillmar printer module, found by its MAC."""

DOCUMENTATION = r"""
---
module: quillmar_printer
short_description: Settings of a Quillmar printer's LAN or Wi-Fi module, by its MAC
description:
  - Finds the module with the given MAC on the managed host's networks and saves
    the given fields of its settings record, as C(quillmar-cli config apply --map)
    does with a one-row table.
  - Reports C(changed) only when a field differs from what the printer holds, so
    a second run changes nothing.
  - Check mode reads the module and reports what would change (C(--diff) shows
    it, Wi-Fi keys masked); nothing is written to the printer.
  - The Wi-Fi keys never reach a log, a process list or a file of the managed
    host; they go to quillmar-cli on its standard input (C(--secrets -)).
options:
  mac:
    description: The module's MAC address, in any usual notation.
    required: true
    type: str
  fields:
    description:
      - Record fields and their new values, by the names quillmar-cli takes
        (deviceName, ipAddress or ip, ipMode, wifiMode, authMode, encryType,
        ssid, tcpPort, udpPort).
      - macAddress and modelName, in any case, are the printer's own and are
        refused here; C(mac) names the printer.
      - The keys are best given as the options C(key) and C(wpaPsk); given here
        they are still kept out of the logs, as this whole option is, and the
        other values are shown again in the module's result.
    type: dict
    default: {}
  key:
    description: The WEP key (sent with encryType WEP). Never logged.
    type: str
  wpaPsk:
    description: The WPA key (sent with encryType TKIP or AES). Never logged.
    type: str
    aliases: [wpa_psk]
  verify:
    description: Read the module back after the save and compare every field.
    type: bool
    default: false
  allow_duplicate_address:
    description: Give an address another module already answers from.
    type: bool
    default: false
  quick:
    description: One search request per network (for quiet networks).
    type: bool
    default: false
  cli:
    description: The quillmar-cli program to run.
    type: str
    default: quillmar-cli
author:
  - Quillmar printer manager developers
"""

EXAMPLES = r"""
- name: The shop's receipt printer joins the back-office Wi-Fi
  quillmar_printer:
    mac: "00:1f:7c:00:02:14"
    fields:
      ssid: BackOffice
      authMode: WPA2PSK
      encryType: AES
    wpaPsk: "{{ vault_backoffice_key }}"
    verify: true
"""

RETURN = r"""
verdict:
  description: quillmar-cli's verdict for the module (unchanged, would save, confirmed, verified, ...).
  type: str
  returned: always
changes:
  description: The fields that differ, each with from and to (keys masked).
  type: dict
  returned: always
"""

import csv
import io
import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule


def map_file(mac, fields):
    """A one-row table for config apply --map."""
    text = io.StringIO()
    writer = csv.writer(text, lineterminator="\r\n")
    names = sorted(fields)
    writer.writerow(["macAddress"] + names)
    writer.writerow([mac] + ["" if fields[name] is None else str(fields[name]) for name in names])
    handle, path = tempfile.mkstemp(prefix="quillmar-map-", suffix=".csv")
    with os.fdopen(handle, "w", encoding="utf-8", newline="") as out:
        out.write(text.getvalue())
    return path


# The printer's own fields, which no save changes. A macAddress among the fields
# would be a second MAC column in the map, naming another printer than `mac`
# perhaps; a modelName would be passed over without a word. Both are refused.
OWN_FIELDS = ("macaddress", "modelname")

# The Wi-Fi keys, by the names quillmar-cli takes in any case.
SECRET_FIELDS = {"key": "key", "wpapsk": "wpaPsk"}


def own_fields(fields):
    """The names in `fields` that are the printer's own, as given."""
    return sorted(str(name) for name in fields if str(name).strip().lower() in OWN_FIELDS)


def split_secrets(module):
    """The fields without the keys, and the keys (from the options or from
    `fields`) as quillmar-cli's secrets; fails on a key given twice."""
    plain = {}
    secrets = {}
    for option in ("key", "wpaPsk"):
        if module.params[option]:
            secrets[option] = module.params[option]
    for name, value in module.params["fields"].items():
        secret = SECRET_FIELDS.get(str(name).strip().lower())
        if secret is None:
            plain[name] = value
            continue
        if secret in secrets:
            module.fail_json(msg="%s is given twice: as the option %s and in fields" % (secret, secret),
                             changed=False)
        # An empty key leaves the printer's as it is, as an empty cell of a map does.
        if value is not None and str(value) != "":
            secrets[secret] = str(value)
    for name, value in secrets.items():
        if "\n" in value or "\r" in value:
            module.fail_json(msg="%s holds a line end, which no key does" % name, changed=False)
    return plain, secrets


def unmask_plain_values(module, plain, secrets):
    """`fields` is no_log, so that a key given in it is never logged; its other
    values are shown again in the result, unless one of them is a key too."""
    keys = set(secrets.values())
    for value in plain.values():
        if value is not None and str(value) not in keys:
            module.no_log_values.discard(str(value))


def apply(module, path, secrets, extra):
    params = module.params
    command = [params["cli"], "config", "apply", "--map", path, "--json"] + extra
    if params["allow_duplicate_address"]:
        command.append("--allow-duplicate-address")
    if params["quick"]:
        command.append("--quick")
    if secrets:
        # The keys go on standard input: never on a command line, never in a file.
        command += ["--secrets", "-"]
        text = "".join("%s=%s\n" % (name, value) for name, value in sorted(secrets.items()))
        status, out, err = module.run_command(command, data=text, binary_data=True)
    else:
        status, out, err = module.run_command(command)
    try:
        rows = json.loads(out[out.index("["):]) if "[" in out else []
    except ValueError:
        rows = []
    return status, rows, err


def fail(module, status, err, **result):
    lines = [line for line in err.splitlines() if line.strip()]
    module.fail_json(msg=lines[-1] if lines else "quillmar-cli ended with status %d" % status, rc=status,
                     stderr=err, **result)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            mac=dict(type="str", required=True),
            fields=dict(type="dict", default={}, no_log=True),
            key=dict(type="str", no_log=True),
            wpaPsk=dict(type="str", no_log=True, aliases=["wpa_psk"]),
            verify=dict(type="bool", default=False),
            allow_duplicate_address=dict(type="bool", default=False),
            quick=dict(type="bool", default=False),
            cli=dict(type="str", default="quillmar-cli"),
        ),
        supports_check_mode=True,
    )
    plain, secrets = split_secrets(module)
    unmask_plain_values(module, plain, secrets)
    own = own_fields(plain)
    if own:
        module.fail_json(msg="fields: %s %s the printer's own and not changed; mac alone names the printer"
                         % (", ".join(own), "is" if len(own) == 1 else "are"), changed=False)
    if not plain and not secrets:
        module.fail_json(msg="nothing to set: give fields, key or wpaPsk", changed=False)
    path = map_file(module.params["mac"], plain)
    try:
        # What would change, from the module's own record; nothing is written.
        status, rows, err = apply(module, path, secrets, ["--dry-run"])
        if status != 0 or len(rows) != 1:
            fail(module, status, err, changed=False)
        planned = rows[0]
        changes = planned.get("changes", {})
        result = dict(changed=planned.get("verdict") == "would save", verdict=planned.get("verdict"),
                      changes=changes)
        if module._diff:
            result["diff"] = dict(before={name: change["from"] for name, change in changes.items()},
                                  after={name: change["to"] for name, change in changes.items()})
        if module.check_mode or not result["changed"]:
            module.exit_json(**result)

        status, rows, err = apply(module, path, secrets, ["--verify"] if module.params["verify"] else [])
        if status != 0 or len(rows) != 1:
            result.update(verdict=rows[0].get("verdict") if rows else None)
            fail(module, status, err, **result)
        result["verdict"] = rows[0].get("verdict")
        module.exit_json(**result)
    finally:
        os.unlink(path)


if __name__ == "__main__":
    main()
