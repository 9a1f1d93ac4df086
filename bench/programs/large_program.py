#!/usr/bin/env python3
"""Writes a large rule program for timing how fast fxe reads rule files.

Each unit is a template with three slots, a two-pattern rule on it and a
deffacts of two facts; the program ends with (exit) so that only reading
(and compiling the rules into the network) is timed:

    bench/programs/large_program.py 10 > /tmp/large.fxe
    time build-release/bin/fxe /tmp/large.fxe
"""
import sys

def unit(i: int) -> str:
    return (
        f"(deftemplate item-{i} (slot id (type INTEGER)) (slot size (default 0)) (multislot tags))\n"
        f"(defrule pair-{i} \"pairs two items of kind {i}\"\n"
        f"  (item-{i} (id ?a) (size ?s&:(> ?s 10)))\n"
        f"  (item-{i} (id ?b&~?a) (size ?s))\n"
        f"  =>\n"
        f"  (printout t \"pair \" ?a \" \" ?b crlf))\n"
        f"(deffacts items-{i}\n"
        f"  (item-{i} (id 1) (size 12) (tags red green))\n"
        f"  (item-{i} (id 2) (size 12) (tags blue)))\n"
    )

def main() -> None:
    megabytes = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
    limit = int(megabytes * 1_000_000)
    written = 0
    i = 0
    out = sys.stdout
    while written < limit:
        text = unit(i)
        out.write(text)
        written += len(text)
        i += 1
    out.write("(exit)\n")

if __name__ == "__main__":
    main()
