#!/usr/bin/env python3
"""Writes the known table and column names inside the SQL string literals of C++ files quoted, as both
databases read them as written: every known name (in any case) outside SQL
strings, quoted names, comments and named placeholders becomes "ExactName"; a word after AS (a column
alias) is quoted as written unless it is a type name. Running it twice changes nothing more.

    quote-sql.py --names NAMES.txt FILE.cpp...        rewrites the files in place
    quote-sql.py --names NAMES.txt --check FILE.cpp   lists what would change, writes nothing

NAMES.txt holds the names one a line, as `test_schema_sql --names` prints them (the description's
tables, columns and query aliases, without the keyword Alter).

Only string literals that look like SQL are touched: those whose text (or the text of the literal
they continue) starts with a statement keyword, or that continue such a literal on the next line.
"""
import argparse
import re
import sys

TYPE_WORDS = {"integer", "bigint", "int", "real", "double", "text", "numeric", "float8", "varchar",
              "identity", "boolean"}
SQL_START = re.compile(r"^\s*(SELECT|INSERT|UPDATE|DELETE|CREATE|ALTER|DROP|WITH|PRAGMA)\b", re.I)


def is_ident_start(c):
    return c.isalpha() or c == "_"


def is_ident_part(c):
    return c.isalnum() or c in "_$"


def delimited_end(sql, i, close):
    j = i + 1
    while j < len(sql):
        if sql[j] == close:
            if j + 1 < len(sql) and sql[j + 1] == close:
                j += 2
                continue
            return j + 1
        j += 1
    return len(sql)


def quote_sql(sql, known):
    """The statement text with every known name quoted, as the run-time rewriter writes it."""
    out = []
    previous = ""
    i, n = 0, len(sql)
    while i < n:
        c = sql[i]
        end = i + 1
        if c == "'":
            end = delimited_end(sql, i, "'")
        elif c == '"':
            end = delimited_end(sql, i, '"')
            previous = ""
        elif sql.startswith("--", i):
            end = sql.find("\n", i)
            end = n if end < 0 else end
        elif sql.startswith("/*", i):
            end = sql.find("*/", i + 2)
            end = n if end < 0 else end + 2
        elif c == ":" and i + 1 < n and is_ident_start(sql[i + 1]):
            end = i + 1
            while end < n and is_ident_part(sql[end]):
                end += 1
            previous = ""
        elif is_ident_start(c):
            while end < n and is_ident_part(sql[end]):
                end += 1
            word = sql[i:end]
            if previous.lower() == "as" and word.lower() not in TYPE_WORDS:
                out.append('"' + word.replace('"', '""') + '"')
            elif word.lower() in known:
                out.append('"' + known[word.lower()] + '"')
            else:
                out.append(word)
            previous = word
            i = end
            continue
        elif c.isdigit():
            while end < n and (sql[end].isalnum() or sql[end] == "."):
                end += 1
            previous = ""
        elif not c.isspace():
            previous = ""
        out.append(sql[i:end])
        i = end
    return "".join(out)


# A C++ string literal (optionally QStringLiteral/QLatin1String/u8 prefixed); raw strings are left alone.
LITERAL = re.compile(r'(?<![A-Za-z0-9_R])"((?:[^"\\\n]|\\.)*)"')


ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\"}


def unescape(text):
    """The literal's characters: the escapes \\n, \\t, \\" and \\\\ resolved; any other stays as written."""
    return re.sub(r'\\(.)', lambda m: ESCAPES.get(m.group(1), m.group(0)), text)


def escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n").replace("\t", "\\t")


def rewrite_source(source, known):
    """The C++ source with its SQL literals quoted; a literal counts as SQL when its statement starts
    with a keyword, the literals of one statement being adjacent (only whitespace between them)."""
    out = []
    pos = 0
    in_statement = False
    last_end = -1
    for match in LITERAL.finditer(source):
        text = match.group(1)
        between = source[last_end:match.start()] if last_end >= 0 else None
        continued = in_statement and between is not None and between.strip() == ""
        starts = SQL_START.match(unescape(text)) is not None
        in_statement = starts or continued
        last_end = match.end()
        # A literal with an escape this script does not write back the same way is left to the hand.
        if not in_statement or re.search(r'\\[^nt"\\]', text):
            continue
        quoted = escape(quote_sql(unescape(text), known))
        out.append(source[pos:match.start(1)])
        out.append(quoted)
        pos = match.end(1)
    out.append(source[pos:])
    return "".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--names", required=True, help="file with the known names, one a line")
    parser.add_argument("--check", action="store_true", help="list the files that would change")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    with open(args.names, encoding="utf-8") as f:
        names = [line.strip() for line in f if line.strip()]
    known = {name.lower(): name for name in names}
    changed = 0
    for path in args.files:
        with open(path, encoding="utf-8") as f:
            source = f.read()
        result = rewrite_source(source, known)
        if result == source:
            continue
        changed += 1
        if args.check:
            print(path)
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(result)
    return 1 if args.check and changed else 0


if __name__ == "__main__":
    sys.exit(main())
