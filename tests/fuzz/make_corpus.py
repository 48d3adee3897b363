#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: small dumps made from a grammar of what
pg_dump writes and of what goes wrong with it.

    python3 tests/fuzz/make_corpus.py

Replaces the seed-* files of tests/fuzz/corpus/ with the same bytes every
time (fixed random seed); other files there (reproducers of past crashes)
are kept.
"""
import pathlib
import random

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"

# One table per row layout, by field kinds: t text, i integer.
LAYOUTS = {
    "sites": "ti", "inlinks": "itti", "pages": "itii", "files": "tti", "depths": "i",
    "proxies": "ti", "hits": "iii", "mimetypes": "ti", "timings": "iii", "anchors": "iiii",
}
UNCOVERED = ["CrawlQueue", "robots_exclusions", "crawl_errors", "p", "pe", "Sites", "xlinks"]
ODD_NAMES = ['we""ird', "a.b", "x */ y", "my table", "", "sites_\xc3\xa9", "s\\t"]

INTEGERS = ["1", "42", "-7", "0", "010", "08", "0x1F", "0X", "0x", "+5", "-", "12abc",
            "99999999999999999999", "-9223372036854775809", "9223372036854775807",
            "-9223372036854775808", "\\N", "", "007", "0xffffffffffffffffff"]
TEXTS = ["https://www.example.org/", "l'eau", "\\N", "a\\tb", "back\\\\slash", "trail\\",
         "''", "\xc3\xa9t\xc3\xa9", "\xff\xfe", "x*/y", "/**", "COPY", "two words", "",
         "a\\'b", "\\b\\f\\n\\r\\v", "\\x41", "(a,b).", "it's\\", "%s%n", "\\"]

PREAMBLE = [
    "--\n-- PostgreSQL database dump\n--\n",
    "SET statement_timeout = 0;\nSET client_encoding = 'UTF8';\n",
    "CREATE TABLE public.sites (\n    url text,\n    id integer\n);\n",
    "COMMENT ON TABLE public.sites IS 'seen sites';\n",
    "COMMIT;\n", "COPYRIGHT 2023\n", "ALTER TABLE ONLY public.sites OWNER TO crawler;\n",
    "SELECT pg_catalog.setval('public.sites_id_seq', 12, true);\n", "\n", " COPY \"sites\" FROM stdin;\n",
    "Co\n", "COP\n",
]


def header(rnd, name, columns):
    cols = ", ".join(columns)
    quoted = ", ".join(f'"{c}"' for c in columns)
    forms = [
        f"COPY public.{name} ({cols}) FROM stdin;",
        f'COPY "{name}" FROM stdin;',
        f'COPY "public"."{name}" ({quoted}) FROM stdin;',
        f'COPY public."{name}" ({cols}) FROM stdin;',
        f"COPY\tpublic.{name} ({cols}) FROM stdin;",
        f'COPY \n  "{name}" FROM stdin;',
        f'COPY "{name}"({cols}) FROM stdin;',
        f"COPY\npublic.{name} ({cols}) FROM stdin;",
        f"COPY {name} FROM stdin;",
    ]
    return rnd.choice(forms)


def field(rnd, kind):
    return rnd.choice(TEXTS if kind == "t" else INTEGERS)


def row(rnd, kinds, long_text):
    fields = [field(rnd, k) for k in kinds]
    if long_text:  # a long URL, or digits enough to saturate
        at = kinds.find("t")
        fields[max(at, 0)] = ("u" if at >= 0 else "9") * long_text
    shape = rnd.random()
    if shape < 0.1:
        fields.append(field(rnd, "i"))  # one field too many
    elif shape < 0.2 and len(fields) > 1:
        fields.pop()  # one too few
    sep = rnd.choice(["\t"] * 6 + [" ", "\t\t", "\t \t"])
    text = sep.join(fields)
    if rnd.random() < 0.05:
        cut = rnd.randrange(len(text) + 1)
        text = text[:cut] + "\0" + text[cut:]
    return text


def odd_row(rnd):
    return rnd.choice(["", " \t ", "\\.junk", "\\", ".\\", "COPY x", "\0", "\t\t\t", "\\.\r"])


def block(rnd, long_text=0):
    name = rnd.choice(list(LAYOUTS) * 3 + UNCOVERED + ODD_NAMES)
    kinds = LAYOUTS.get(name, "ti")
    lines = [header(rnd, name, [f"c{k}" for k in range(len(kinds))])]
    for _ in range(rnd.randrange(6)):
        lines.append(odd_row(rnd) if rnd.random() < 0.1 else row(rnd, kinds, 0))
    if long_text:
        lines.append(row(rnd, kinds, long_text))
    return lines


def dump(rnd, blocks, long_text=0, crlf=False, ending="terminated"):
    parts = [rnd.choice(PREAMBLE) for _ in range(rnd.randrange(3))]
    for b in range(blocks):
        lines = block(rnd, long_text if b == 0 else 0)
        last = b == blocks - 1
        if not (last and ending != "terminated"):
            lines.append(rnd.choice(["\\.", "\\.", "\\.", "\\.\r", "\\.junk"]))
        parts.append("".join(line + "\n" for line in lines))
        parts.append(rnd.choice(["", "\n", "COMMIT;\n", "--\n"]))
    text = "".join(parts)
    if ending == "cut mid-line":
        text = text.rstrip("\n")
        text = text[: max(1, len(text) - rnd.randrange(1, 4))]
    if crlf:
        text = text.replace("\n", "\r\n")
    return text.encode("latin-1")


# Hand-picked edges: where the input ends, and headers that end a block at once.
EDGES = [
    "", "COPY", "COPY ", "COPY \"", "COPY \"sites\"", "COPY\n\\.\n", "COPY \\.x\n1\n",
    "COPY\n \n\\.\nCOPY \"depths\" FROM stdin;\n1\n\\.\n", "COPY \"sites\" FROM stdin;\n",
    "COPY \"sites\" FROM stdin;\n\\.\nCOPY \"  \n", "COPY \"\" FROM stdin;\na\t1\n\\.\n",
    "COPY public.\"we\"\"ird\".\"x.y\" (a) FROM stdin;\n1\n\\.\n", "COPYRIGHT\nCOPY\t\"depths\"\n5",
    "\\.\nCOPY \"hits\" FROM stdin;\n\\.\\.\n", "COPY \"sites\" FROM stdin;\n\0\n\\.\n",
]


def main():
    rnd = random.Random(20240607)
    CORPUS.mkdir(exist_ok=True)
    for old in CORPUS.glob("seed-*"):
        old.unlink()
    seeds = [("edge", edge.encode("latin-1")) for edge in EDGES]
    for _ in range(70):
        seeds.append(("dump", dump(rnd, rnd.randrange(1, 4))))
    for _ in range(20):
        seeds.append(("crlf", dump(rnd, rnd.randrange(1, 3), crlf=True)))
    for _ in range(15):
        seeds.append(("unterminated", dump(rnd, rnd.randrange(1, 3), ending="unterminated")))
    for _ in range(15):
        seeds.append(("cut", dump(rnd, rnd.randrange(1, 3), ending="cut mid-line")))
    for _ in range(8):
        seeds.append(("long-line", dump(rnd, 1, long_text=rnd.choice([4100, 5000, 6000]))))
    seeds.append(("long-skipped-line", b"--" + b"x" * 5000 + b"\nCOPY \"depths\" FROM stdin;\n1\n\\.\n"))
    seeds.append(("long-name", b"COPY public.s" + b"n" * 4500 + b" (a) FROM stdin;\na\t1\n\\.\n"))
    for number, (kind, data) in enumerate(seeds):
        (CORPUS / f"seed-{number:03d}-{kind}").write_bytes(data)
    print(f"{len(seeds)} seeds in {CORPUS}")


if __name__ == "__main__":
    main()
