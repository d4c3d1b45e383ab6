# read_vcards.py EXPECTED FILE...: reads vCard files with vobject (validate=True) after
# checking their lines (CR LF, at most 75 octets, each physical line UTF-8 of its own, so
# that no fold splits a character), and compares each card's properties, in order of
# the cards, with EXPECTED: JSON, a list of cards, each a list of [NAME, [types], value]
# (VERSION and PRODID left out; types lower-case and sorted, "pref" for a PREF
# parameter; N and ADR a list of components, each a list of values; ORG a list;
# CATEGORIES and NICKNAME sorted; dates without "-" and ":"). Every urn:uuid member
# must be the UID of a card read. Prints each difference, else "N cards agree".
import json, sys
from collections import Counter
import vobject

SKIP = {"VERSION", "PRODID"}


def check_lines(path, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if raw and not raw.endswith(b"\r\n"):
        problems.append("%s: the last line does not end in CR LF" % path)
    for number, line in enumerate(raw.split(b"\r\n")[:-1], 1):
        if len(line) > 75:
            problems.append("%s line %d: %d octets" % (path, number, len(line)))
        if b"\n" in line or b"\r" in line:
            problems.append("%s line %d: a bare CR or LF" % (path, number))
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            problems.append("%s line %d: not UTF-8 of its own (a fold inside a character?)" % (path, number))
    return raw.decode("utf-8")


def component(value):
    if isinstance(value, list):
        return [v for v in value if v != ""]
    return [value] if value else []


def types(params):
    found = []
    for value in params.get("TYPE", []):
        found += [t.lower() for t in value.split(",") if t]
    if "PREF" in params:
        found.append("pref")
    return sorted(found)


def facts(card):
    out = []
    for line in card.getChildren():
        name, value = line.name.upper(), line.value
        if name in SKIP:
            continue
        if name == "N":
            value = [component(getattr(value, k)) for k in ("family", "given", "additional", "prefix", "suffix")]
            if "SORT-AS" in line.params:
                out.append(["SORT-AS", [], ",".join(line.params["SORT-AS"])])
        elif name == "ADR":
            value = [component(getattr(value, k))
                     for k in ("box", "extended", "street", "city", "region", "code", "country")]
        elif name in ("CATEGORIES", "NICKNAME"):
            value = sorted(value if isinstance(value, list) else [value])
        elif name == "ORG":
            value = list(value) if isinstance(value, list) else [value]
        elif name in ("BDAY", "ANNIVERSARY", "X-ANNIVERSARY", "REV"):
            value = value.replace("-", "").replace(":", "")
        out.append([name, types(line.params), value])
    return out


def main(expected_file, *paths):
    problems, cards = [], []
    for path in paths:
        cards += list(vobject.readComponents(check_lines(path, problems), validate=True))
    with open(expected_file, encoding="utf-8") as f:
        expected = json.load(f)
    got = [facts(card) for card in cards]
    if len(got) != len(expected):
        problems.append("vobject: %d cards, expected %d" % (len(got), len(expected)))
    for i, (have, want) in enumerate(zip(got, expected)):
        have_c = Counter(json.dumps(f, ensure_ascii=False) for f in have)
        want_c = Counter(json.dumps(f, ensure_ascii=False) for f in want)
        problems += ["vobject: card %d lacks %s" % (i, f) for f in sorted((want_c - have_c).elements())]
        problems += ["vobject: card %d has %s" % (i, f) for f in sorted((have_c - want_c).elements())]
    uids = {value for card in got for name, _, value in card if name == "UID"}
    for i, card in enumerate(got):
        for name, _, value in card:
            if name in ("MEMBER", "X-ADDRESSBOOKSERVER-MEMBER") and value.startswith("urn:") and value not in uids:
                problems.append("vobject: card %d's member %s is no card's UID" % (i, value))
    print("\n".join(problems) or "%d cards agree" % len(got))
    return 1 if problems else 0


sys.exit(main(*sys.argv[1:]))
