#!/usr/bin/env python3
"""Fails when a class built on Qt's object classes has a public data member.

A window's controls and state are reached through accessors and changed through its methods,
so that one object owns them. Usage: no_public_fields.py FOLDER... (headers found below each
folder). Prints each offending member as file:line: Class::member.
"""
import pathlib
import re
import sys

NOT_FIELDS = re.compile(r"^(using|friend|typedef|enum|class|struct|template|static\s+constexpr|"
                        r"static\s+const\b|Q_[A-Z_]+|public|protected|private)\b")


def blank(m):
    return re.sub(r"[^\n]", " ", m.group(0))


def strip_comments_and_strings(text):
    # Keeps line breaks so that line numbers stay right.
    text = re.sub(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', blank, text,
                  flags=re.S)
    return re.sub(r"\bQ_(?:OBJECT|GADGET)\b|\bQ_DISABLE_COPY\w*\([^)]*\)", blank, text)


def strip_templates(text):
    previous = None
    while previous != text:
        previous = text
        text = re.sub(r"<[^<>]*>", "", text)
    return text


def classes(text):
    """Yields (name, bases, body_start, body_end, is_struct) of each class defined in text."""
    for m in re.finditer(r"\b(class|struct)\s+(\w+)(?:\s+final)?\s*(?::([^{;]*))?\{", text):
        depth, i = 1, m.end()
        while depth and i < len(text):
            depth += {"{": 1, "}": -1}.get(text[i], 0)
            i += 1
        bases = re.findall(r"(?:public|protected|private)?\s*([\w:]+)", m.group(3) or "")
        yield m.group(2), [b for b in bases if b], m.end(), i - 1, m.group(1) == "struct"


ACCESS = re.compile(r"\s*(?:(public|protected|private)(?:\s+Q_SLOTS)?|(Q_SIGNALS))\s*:(?!:)")


def declarations(text, start, end, is_struct):
    """Yields (offset, access, text) of each declaration directly in a class body, skipping
    the bodies of functions and nested types."""
    access = "public" if is_struct else "private"
    depth, begin, i = 0, start, start
    while i < end:
        if depth == 0 and not text[begin:i].strip():
            label = ACCESS.match(text, i)
            if label:
                access = label.group(1) or "signals"
                i = begin = label.end()
                continue
        c = text[i]
        if c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
            head = strip_templates(text[begin:i])
            head = head[: head.find("{")]
            inside_parentheses = head.count("(") > head.count(")")
            if depth == 0 and not inside_parentheses and (
                    "(" in head.split("=")[0] or NOT_FIELDS.match(head.strip())):
                # The end of a function's body or of a nested type.
                i += 1
                while i < end and text[i] in " \t\n;":
                    i += 1
                begin = i
                continue
        elif c == ";" and depth == 0:
            yield begin, access, text[begin:i]
            begin = i + 1
        i += 1


def public_fields(text, start, end, is_struct):
    for offset, access, declaration in declarations(text, start, end, is_struct):
        d = " ".join(strip_templates(declaration).split())
        if access != "public" or not d or "(" in d.split("=")[0] or NOT_FIELDS.match(d):
            continue
        d = re.sub(r"\{.*\}", "", d).split("=")[0].strip()
        name = re.search(r"(\w+)\s*(?:\[[^\]]*\])?$", d)
        line = text.count("\n", 0, offset + len(declaration) - len(declaration.lstrip())) + 1
        yield line, name.group(1) if name else d


def main(folders):
    found = {}
    for folder in folders:
        for path in sorted(pathlib.Path(folder).rglob("*.h")):
            text = strip_comments_and_strings(path.read_text(encoding="utf-8"))
            for name, bases, start, end, is_struct in classes(text):
                found.setdefault(name, []).append((path, bases, text, start, end, is_struct))

    def built_on_qt(name, seen=()):
        if name in seen:
            return False
        for _, bases, *_ in found.get(name, []):
            for base in bases:
                base = base.split("::")[-1]
                if re.fullmatch(r"Q[A-Z]\w*", base) or built_on_qt(base, seen + (name,)):
                    return True
        return False

    problems = []
    for name, definitions in found.items():
        if not built_on_qt(name):
            continue
        for path, _, text, start, end, is_struct in definitions:
            for line, member in public_fields(text, start, end, is_struct):
                problems.append(f"{path}:{line}: {name}::{member} is a public field")
    for p in sorted(problems):
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
