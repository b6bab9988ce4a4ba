#!/usr/bin/env python3
"""Fails when a folder includes a header of a folder above it.

Usage: check_layers.py [--allow SOURCE:HEADER]... ROOT LAYER...

The layers are the project's folders, lowest first, in the order the build links them. A
source or header of one layer may include headers of its own folder and of the layers before
it; any include that resolves to a file of a later layer is reported, one line each, and the
script exits 1. --allow names one such include (paths from ROOT) that is known and tolerated
for now; an allowance that matches nothing any more is reported so that it can go.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(root, path):
    """The top folder of `path` under `root`, or None outside it."""
    try:
        return path.resolve().relative_to(root).parts[0]
    except (ValueError, IndexError):
        return None


def included_file(root, source, name):
    """The file an include names, looked up as the compiler does: beside the source, then
    from the root; None for a header of neither (Qt, system, generated)."""
    for candidate in (source.parent / name, root / name):
        if candidate.is_file():
            return candidate
    return None


def upward_includes(root, layers):
    """(source, header, message) for each include of a layer above the source's."""
    rank = {name: i for i, name in enumerate(layers)}
    for layer in layers:
        for source in sorted((root / layer).rglob("*")):
            if source.suffix not in (".h", ".cpp") or not source.is_file():
                continue
            lines = source.read_text(encoding="utf-8", errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = included_file(root, source, match.group(1))
                reached = layer_of(root, target) if target else None
                if reached in rank and rank[reached] > rank[layer]:
                    header = target.resolve().relative_to(root).as_posix()
                    yield (source.relative_to(root).as_posix(), header,
                           f"{source.relative_to(root)}:{number}: {layer} includes "
                           f"{match.group(1)} of {reached}, a layer above it")


def main(argv):
    args = argv[1:]
    allowed = set()
    while len(args) >= 2 and args[0] == "--allow":
        allowed.add(tuple(args[1].split(":", 1)))
        args = args[2:]
    if len(args) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(args[0]).resolve()
    layers = args[1:]
    missing = [layer for layer in layers if not (root / layer).is_dir()]
    if missing:
        print(f"No such folder: {', '.join(missing)}", file=sys.stderr)
        return 2
    faults = []
    used = set()
    for source, header, message in upward_includes(root, layers):
        if (source, header) in allowed:
            used.add((source, header))
        else:
            faults.append(message)
    for source, header in sorted(allowed - used):
        print(f"{source} no longer includes {header}: drop its --allow")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
