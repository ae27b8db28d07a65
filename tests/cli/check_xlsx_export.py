#!/usr/bin/env python3
"""Reads the Excel workbooks of tavo-cli back with openpyxl and compares every cell with the
tab-separated export of the same view: values, number format, bold frozen header, column widths,
the totals row with its SUM formulas, the sheets of the whole-project workbook and its inputs."""

import csv
import io
import os
import sqlite3
import subprocess
import sys
import tempfile

import openpyxl

CLI, MASTER = sys.argv[1], sys.argv[2]
# The locale tavo-cli runs under: C.UTF-8, or a German one (de_AT.UTF-8) with its decimal comma.
LOCALE = sys.argv[3] if len(sys.argv) > 3 else "C.UTF-8"
ENV = dict(os.environ, LC_ALL=LOCALE)
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)


def run(*args):
    result = subprocess.run([CLI, *args], env=ENV, capture_output=True)
    if result.returncode != 0:
        sys.exit(f"tavo-cli {' '.join(args)}: exit {result.returncode}: {result.stderr.decode()}")
    return result.stdout


def parse_number(text):
    # The tab-separated export has no thousands separators; its decimal mark follows the locale.
    try:
        return float(text.replace(",", "."))
    except ValueError:
        return None


def close(a, b):
    return abs(a - b) <= 1e-9 * max(1.0, abs(a), abs(b))


def compare_sheet(sheet, tsv_text, label, totals):
    lines = tsv_text.split("\r\n")
    check(lines[-1] == "", f"{label}: tsv ends with CR LF")
    rows = [line.split("\t") for line in lines[:-1]]
    header, data = rows[0], rows[1:]
    got_header = [c.value for c in sheet[1]]
    check(got_header == header, f"{label}: header {got_header} != {header}")
    check(all(c.font.b for c in sheet[1]), f"{label}: header not bold")
    check(sheet.freeze_panes == "A2", f"{label}: header not frozen ({sheet.freeze_panes})")
    expected_rows = len(data) + (1 if totals else 0) + 1
    check(sheet.max_row == expected_rows, f"{label}: {sheet.max_row} rows, expected {expected_rows}")
    sums = [0.0] * len(header)
    widths = [len(h) for h in header]
    for r, row in enumerate(data, start=2):
        for c, text in enumerate(row):
            cell = sheet.cell(row=r, column=c + 1)
            if text == "":
                check(cell.value is None, f"{label} {cell.coordinate}: {cell.value!r} for an empty cell")
                continue
            value = parse_number(text)
            if isinstance(cell.value, str) or value is None:
                check(cell.value == text, f"{label} {cell.coordinate}: {cell.value!r} != {text!r}")
                widths[c] = max(widths[c], len(text))
                continue
            check(isinstance(cell.value, (int, float)) and close(cell.value, value),
                  f"{label} {cell.coordinate}: {cell.value!r} != {text}")
            if header[c] != "Jahr" and "." in text.replace(",", "."):
                check(cell.number_format == "#,##0.00", f"{label} {cell.coordinate}: format {cell.number_format}")
            sums[c] += value
    # Every column at least as wide as its longest text.
    for c, width in enumerate(widths):
        letter = openpyxl.utils.get_column_letter(c + 1)
        got = sheet.column_dimensions[letter].width
        check(got is not None and got >= width, f"{label}: column {letter} width {got} < {width}")
    if not totals:
        return
    last = len(data) + 2
    check(sheet.cell(row=last, column=1).value == "Summe", f"{label}: no 'Summe' caption")
    for c, name in enumerate(header):
        cell = sheet.cell(row=last, column=c + 1)
        if name not in totals:
            continue
        letter = openpyxl.utils.get_column_letter(c + 1)
        check(cell.value == f"=SUM({letter}2:{letter}{len(data) + 1})", f"{label}: total {cell.value!r}")
        check(cell.font.b and cell.number_format == "#,##0.00", f"{label}: total format")


def cached_totals(path, sheet_name, header, totals, data_rows):
    # The values stored with the formulas, for readers that do not recalculate.
    sheet = openpyxl.load_workbook(path, data_only=True)[sheet_name]
    return {name: sheet.cell(row=data_rows + 2, column=header.index(name) + 1).value for name in totals}


def main():
    finance_totals = {"Ausgabe", "Einnahme", "Einnahmen", "Ausgaben", "Saldo"}
    with tempfile.TemporaryDirectory() as tmp:
        user = os.path.join(tmp, "user.db")
        run("init", "--master", MASTER, "--user", user)
        base = ["--master", MASTER, "--user", user, "--project", "1"]
        views = [
            ("ausgaben", [], "Ausgaben", finance_totals),
            ("einnahmen", ["--kostentraeger", "Gemeinde"], "Einnahmen", finance_totals),
            ("saldo", ["--gruppierung", "Jahr, Kostenträger"], "Saldo", finance_totals),
            ("wohneinheiten", [], "Wohneinheiten", set()),
            ("bewohner", ["--gebiet", "2"], "Bewohner", set()),
        ]
        for view, options, sheet_name, totals in views:
            tsv = run("export", *base, "--view", view, *options).decode("utf-8")
            path = os.path.join(tmp, view + ".xlsx")
            run("export", *base, "--view", view, *options, "--format", "xlsx", "--out", path)
            book = openpyxl.load_workbook(path)
            check(book.sheetnames == [sheet_name], f"{view}: sheets {book.sheetnames}")
            compare_sheet(book[sheet_name], tsv, view, totals)
            if totals:
                rows = [line.split("\t") for line in tsv.split("\r\n")[:-1]]
                header, data = rows[0], rows[1:]
                stored = cached_totals(path, sheet_name, header, totals & set(header), len(data))
                for name, value in stored.items():
                    expected = sum(parse_number(r[header.index(name)]) for r in data)
                    check(value is not None and close(value, expected), f"{view}: stored {name} {value} != {expected}")

        # The whole project: every view with the default filters, the key figures and the inputs.
        path = os.path.join(tmp, "projekt.xlsx")
        run("export", *base, "--alles", "--format", "xlsx", "--out", path)
        book = openpyxl.load_workbook(path)
        check(book.properties.creator == "TAVO - Tavorechner", f"creator {book.properties.creator!r}")
        expected_sheets = ["Ausgaben", "Einnahmen", "Saldo", "Wohneinheiten", "Bewohner", "Kennzahlen", "Eingaben",
                           "Bebauung", "Besiedelung", "Sonderausgaben"]
        check(book.sheetnames == expected_sheets, f"--alles: sheets {book.sheetnames}")
        for view, _, sheet_name, totals in views:
            tsv = run("export", *base, "--view", view).decode("utf-8")
            compare_sheet(book[sheet_name], tsv, "--alles " + view, totals)

        # The key figures sheet holds the cells of the CSV export of the key figures.
        figures = run("kennzahlen", *base, "--format", "csv").decode("utf-8-sig")
        csv_rows = list(csv.reader(io.StringIO(figures), delimiter=";"))
        sheet = book["Kennzahlen"]
        check(sheet.max_row == len(csv_rows), f"Kennzahlen: {sheet.max_row} rows, csv {len(csv_rows)}")
        for r, row in enumerate(csv_rows, start=1):
            for c, text in enumerate(row):
                value = sheet.cell(row=r, column=c + 1).value
                number = parse_number(text) if text else None
                if number is not None and not isinstance(value, str):
                    check(close(value, number), f"Kennzahlen R{r}C{c + 1}: {value} != {text}")
                else:
                    check((value or "") == text, f"Kennzahlen R{r}C{c + 1}: {value!r} != {text!r}")
        single = os.path.join(tmp, "kennzahlen.xlsx")
        run("kennzahlen", *base, "--format", "xlsx", "--out", single)
        check(openpyxl.load_workbook(single).sheetnames == ["Kennzahlen"], "kennzahlen --format xlsx")

        # Eingaben: caption, column, value, unit; every value is the project's field.
        sheet = book["Eingaben"]
        check([c.value for c in sheet[1]] == ["Bezeichnung", "Spalte", "Wert", "Einheit"], "Eingaben: header")
        db = sqlite3.connect(user)
        columns = [r[1] for r in db.execute("PRAGMA table_info(TAVO)")]
        record = dict(zip(columns, db.execute("SELECT * FROM TAVO WHERE ID = 1").fetchone()))
        listed = []
        for caption, column, value, unit in sheet.iter_rows(min_row=2, values_only=True):
            check(caption, f"Eingaben: {column} without caption")
            check(column in record, f"Eingaben: unknown column {column}")
            listed.append(column)
            stored = record.get(column)
            if isinstance(stored, (int, float)) and value is not None:
                check(close(float(value), float(stored)), f"Eingaben {column}: {value} != {stored}")
            else:
                check(value == stored, f"Eingaben {column}: {value!r} != {stored!r}")
        check(len(listed) == len(set(listed)), "Eingaben: a column listed twice")
        units = {column: unit for _, column, _, unit in sheet.iter_rows(min_row=2, values_only=True)}
        check(units.get("ifLfmWasserleitung") == "Lfm", f"Eingaben: unit {units.get('ifLfmWasserleitung')}")
        check(units.get("ifKoErWasserleitung") == "€/Lfm", f"Eingaben: unit {units.get('ifKoErWasserleitung')}")
        check(units.get("fiEigAntErKanal") == "%", f"Eingaben: unit {units.get('fiEigAntErKanal')}")
        stored_rows = db.execute("SELECT count(*) FROM Besiedelung WHERE TAVO = 1").fetchone()[0]
        check(book["Besiedelung"].max_row == stored_rows + 1, "Besiedelung: rows")

    if FAILURES:
        print("\n".join(FAILURES[:40]))
        sys.exit(1)
    print(f"Arbeitsmappen stimmen mit dem Textexport überein ({LOCALE}).")


main()
