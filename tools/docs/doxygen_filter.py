# SPDX-License-Identifier: MIT
"""Doxygen's input filter for zolt's public headers, whose plain comments are
the documentation:
- the opening comment (after the license line) documents the file;
- a comment at namespace or class level documents the declarations after it,
  up to the next blank line or comment: several of them form a member group
  that shares it (DISTRIBUTE_GROUP_DOC);
- a comment after a member on the same line documents that member;
- comments in function bodies stay plain.

usage: python3 doxygen_filter.py HEADER   (prints the filtered header)
"""
import re
import sys

LICENSE = re.compile(r"^// SPDX-License-Identifier: MIT$")
LINE = re.compile(r"^(\s*)// ?(.*)$")
BLOCK = re.compile(r"^(\s*)/\*(?!\*) ?(.*)$")
TRAILING_LINE = re.compile(r"^(\s*[^/\s].*?\S)\s+// (.*)$")
TRAILING_BLOCK = re.compile(r"^(\s*[^/\s].*?\S)\s+/\* (.*) \*/$")
SCOPE = re.compile(r'\s*((namespace|class|struct|union|enum)\b|extern "")')


def code_of(line):
    """The line without its comment and string literals."""
    line = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', '""', line)
    return re.sub(r"//.*|/\*.*?(\*/|$)", "", line)


def levels(lines):
    """For each line, whether it starts at namespace or class level (outside
    any function body, enumeration or initialiser), and the brace depths at
    its start and at its end."""
    stack, statement, result, in_block = [], "", [], False
    for line in lines:
        result.append([all(kind == "scope" for kind in stack), len(stack), len(stack)])
        if in_block:
            in_block = "*/" not in line
            continue
        if BLOCK.match(line) and "*/" not in line:
            in_block = True
        code = code_of(line)
        if code.lstrip().startswith("#"):
            continue
        for char in code:
            if char == "{":
                head = re.sub(r"\[\[.*?\]\]|^\s*template\s*<[^{]*?>(?=\s*(class|struct))", "",
                              statement)
                stack.append("scope" if SCOPE.match(head) else "other")
                statement = ""
            elif char == "}":
                if stack:
                    stack.pop()
                statement = ""
            elif char == ";":
                statement = ""
            else:
                statement += char
        statement += " "
        result[-1][2] = len(stack)
    return result


def declarations(run, depth_of):
    """How many declarations end in the run of lines, at its own depth."""
    base = depth_of[0][1]
    count = 0
    for line, (_, _, depth) in zip(run, depth_of):
        code = code_of(line).rstrip()
        if code.startswith("#define") or depth == base and code.endswith((";", "}")):
            count += 1
    return count


def filtered(lines):
    info = levels(lines)
    out, opening, i = [], True, 0
    while i < len(lines):
        line = lines[i]
        at_level = info[i][0]
        if LICENSE.match(line):
            i += 1
            continue
        comment = LINE.match(line) or BLOCK.match(line)
        if comment and (at_level or opening):
            # The comment block, then the run of code it documents.
            j = i
            while j < len(lines) and (LINE.match(lines[j]) or BLOCK.match(lines[j])
                                      or (lines[j].strip() and lines[j - 1].find("*/") < 0
                                          and BLOCK.match(lines[i]) and j > i)):
                j += 1
            k = j
            defines = j < len(lines) and lines[j].startswith("#define")
            while k < len(lines) and lines[k].strip() and not LINE.match(lines[k]) \
                    and not lines[k].lstrip().startswith("/*") \
                    and lines[k].startswith("#define") == defines \
                    and (defines or not lines[k].startswith("#")):
                k += 1
            run, run_info = lines[j:k], info[j:k]
            group = bool(run) and not opening and run_info[-1][2] == run_info[0][1] \
                and not SCOPE.match(code_of(run[0])) and declarations(run, run_info) > 1
            indent = comment.group(1)
            if opening:
                out.append("/** @file")
            elif group:
                out.append(f"{indent}/// @{{")
            for c in lines[i:j]:
                m = LINE.match(c)
                if m:
                    out.append(f"{m.group(1)}{'' if opening else '///'} {m.group(2)}"
                               if not opening else f" * {m.group(2)}")
                elif BLOCK.match(c):
                    b = BLOCK.match(c)
                    out.append(f" * {b.group(2)}" if opening else f"{b.group(1)}/** {b.group(2)}")
                else:
                    out.append(c)
            if opening and not lines[j - 1].rstrip().endswith("*/"):
                out.append(" */")
            out.extend(trailing(run_line) for run_line in run)
            if group:
                out.append(f"{indent}/// @}}")
            opening = False
            i = k
            continue
        if line.strip():
            opening = False
        out.append(trailing(line) if at_level else line)
        i += 1
    return out


def trailing(line):
    """A member's comment on its own line, as that member's documentation."""
    m = TRAILING_BLOCK.match(line)
    if m:
        return f"{m.group(1)}  /**< {m.group(2)} */"
    m = TRAILING_LINE.match(line)
    if m and '"' not in m.group(1) and not m.group(2).startswith("NOLINT"):
        return f"{m.group(1)}  ///< {m.group(2)}"
    return line


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as f:
        print("\n".join(filtered(f.read().split("\n"))))
