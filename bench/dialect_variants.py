#!/usr/bin/env python3
"""Reads polluted variants of one clean table with `varnotile-cli inspect --auto --cells` and counts
how many read back as the clean table.

The clean table has 8 named columns and 20 rows, each line ending in a delimiter (an empty last
field). Its variants: every delimiter (, ; tab |), quote (" or ') and escape (doubled or
backslash), texts quoted only where needed or always, CR LF and CR line ends, a blank after each
delimiter; each of them clean, with a preamble, with a footer, with a stray quote in one row, and
with one row a field longer or three fields shorter. A variant reads right when the names and
every row but the polluted one come out as in the clean table.

Usage: bench/dialect_variants.py [varnotile-cli] [--list]
"""
import collections
import json
import os
import random
import subprocess
import sys
import tempfile

NAMES = ["id", "name", "date", "score", "active", "city", "amount", "remark"]
TEXT_COLUMNS = {1, 2, 4, 5, 7}


def clean_rows(rng):
    rows = []
    for i in range(1, 21):
        rows.append([str(i), rng.choice(["Alice", "Bob", "Chen", "Dana", "Eve"]), "2020-01-%02d" % i,
                     "%.1f" % rng.uniform(0, 100), rng.choice(["true", "false"]),
                     rng.choice(["Paris", "Oslo", "Lima", "Rome", "Kyiv"]), str(rng.randint(100, 9999)),
                     rng.choice(["good, fine", "ok", "so-so", 'he said "hi"', "bad"])])
    return rows


def render(rows, delim=",", quote='"', esc="double", eol="\n", blank=False, quote_all=False):
    def cell(j, text):
        if not (quote_all and j in TEXT_COLUMNS or delim in text or quote in text or text != text.strip()):
            return text
        return quote + text.replace(quote, quote + quote if esc == "double" else "\\" + quote) + quote
    sep = delim + (" " if blank else "")
    return [sep.join(cell(j, t) for j, t in enumerate(line)) + sep for line in [NAMES] + rows], eol


def variants():
    for d in [",", ";", "\t", "|"]:
        for q in ['"', "'"]:
            for e in ["double", "backslash"]:
                for qa in [False, True]:
                    yield f"d{ord(d)}_q{ord(q)}_{e}_{int(qa)}", dict(delim=d, quote=q, esc=e, quote_all=qa)
    yield "crlf", dict(eol="\r\n")
    yield "cr", dict(eol="\r")
    yield "blank", dict(blank=True)
    yield "blank_quoted", dict(blank=True, quote_all=True)


def polluted(lines, kind, delim, rng):
    lines = list(lines)
    k = rng.randint(3, 18)
    if kind == "preamble":
        lines = ["Exported by logger 3", "Site: north"][:rng.randint(1, 2)] + lines
    elif kind == "footer":
        lines += ["", "End of data"]
    elif kind == "stray":
        for city in ["Paris", "Oslo", "Lima", "Rome", "Kyiv"]:
            lines[k] = lines[k].replace(city, '"' + city, 1)
    elif kind == "more":
        lines[k] += "x" + delim
    elif kind == "less":
        lines[k] = delim.join(lines[k].split(delim)[:-3]) + delim
    return lines


def main():
    cli = next((a for a in sys.argv[1:] if not a.startswith("--")), "build/bin/varnotile-cli")
    rng = random.Random(7)
    rows = clean_rows(rng)
    right, total, wrong = collections.Counter(), collections.Counter(), []
    with tempfile.TemporaryDirectory() as folder:
        for name, options in variants():
            for kind in ["none", "preamble", "footer", "stray", "more", "less"]:
                lines, eol = render(rows, **options)
                lines = polluted(lines, kind, options.get("delim", ","), random.Random(f"{name}/{kind}"))
                path = os.path.join(folder, f"{name}__{kind}.csv")
                with open(path, "w", newline="") as f:
                    f.write(eol.join(lines) + eol)
                out = subprocess.run([cli, "inspect", "--auto", "--cells", path], capture_output=True, text=True)
                ok = False
                if out.returncode == 0:
                    d = json.loads(out.stdout)
                    names = [c["name"] for c in d["columns"]][:8]
                    cells = [r[:8] for r in d.get("cells", [])]
                    matching = sum(1 for r in cells if r in rows)
                    ok = names == NAMES and len(cells) <= 20 and matching >= (19 if kind in ("stray", "more", "less") else 20)
                total[kind] += 1
                right[kind] += ok
                if not ok:
                    wrong.append(os.path.basename(path))
    print(f"right: {sum(right.values())} of {sum(total.values())}", {k: f"{right[k]}/{total[k]}" for k in total})
    if "--list" in sys.argv:
        print("\n".join(wrong))


if __name__ == "__main__":
    main()
