#!/usr/bin/env python3
"""baza.py xlsx, read back with openpyxl: the workbook of the sample and of an
export whose texts trip spreadsheets, cell by cell against what the reader
decodes and against the texts the databases hold; its refusals.

    python3 baza_xlsx_test.py DRAVENHOL-HOST WORK-DIR
"""
import datetime
import json
import os
import re
import shutil
import subprocess
import sys

import openpyxl

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
BAZA_PY = os.path.join(ROOT, "docs", "baza.py")
sys.path.insert(0, os.path.join(ROOT, "docs"))
import baza  # noqa: E402

HOST, WORK = sys.argv[1], sys.argv[2]
failures = []
checked = 0


def expect(what, got, expected):
    if got != expected:
        failures.append(f"{what}: expected {expected!r}, got {got!r}")


def run(*args):
    result = subprocess.run([sys.executable, BAZA_PY, *args], capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def export(name, fixture):
    base = os.path.join(WORK, name)
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    subprocess.run([HOST, "export", "--base", base, "--method", "interkam", "--db", fixture],
                   check=True, capture_output=True)
    return os.path.join(base, "BAZA")


with open(os.path.join(ROOT, "qelmar", "sample", "sample.json"), encoding="utf-8") as f:
    fixture = json.load(f)
sample = export("sample", os.path.join(ROOT, "qelmar", "sample", "sample.json"))

# Texts that a spreadsheet reads wrong when it opens the raw files or a plain
# CSV: ';' in the plain copied texts, leading zeros, a phone's '+', and an
# apostrophe before ';' (read by a spreadsheet as the end of the text).
fixture["tables"]["k4"].append({"symbol": "007", "name": "Hurtownia Klejów",
                                "address": "ul. Krótka 05/01 00-001 Warszawa", "taxNumber": "0123456789", "amount": 10000, "createdDate": "2025-02-03",
                                "contractorId": 4718})
fixture["attributes"].append({"contractor": 4718, "name": "tel.", "kind": 0, "value": "+48 22 000 00 00"})
fixture["groups"]["20"] = "Kleje; taśmy"
fixture["tables"]["k4_tab"].append({"contractorId": 4718, "percent": {"20": 2500}})
fixture["tables"]["Umst"] += [
    {"state": 0, "kind": 1, "frequency": 1, "number": "UM/7;2025", "contractorKey": "007",
     "description": "Dostawa 'Kleje'; co miesiąc", "paymentWord": 32, "paymentTerm": 14,
     "startDate": "2025-01-01", "contractId": 509},
    {"state": 0, "kind": 1, "frequency": 1, "number": "'UM/9';2025", "contractorKey": "007",
     "description": "ab'", "paymentWord": 32, "contractId": 510},
]
first = max(g["goodsId"] for g in fixture["tables"]["k9"] if "goodsId" in g) + 1
fixture["tables"]["k9"].append({"goodsId": first, "name": "two\r\nlines", "symbol": "0042", "plu": "0590123412345"})
fixture["warehouseGoods"]["1"].append(len(fixture["tables"]["k9"]) - 1)
fixture["contractItems"]["509"] = [{"name": "Taśma 'pakowa'; 48 mm", "priceA": 125000, "vat": 33, "goodsId": first}]
awkward_fixture = os.path.join(WORK, "awkward.json")
with open(awkward_fixture, "w", encoding="utf-8") as f:
    json.dump(fixture, f, ensure_ascii=False)
awkward = export("awkward", awkward_fixture)

tables = baza.load_metadata()


def text_of(cell):
    """A text cell's value: openpyxl leaves the workbook's escapes of control
    characters (CR is _x000D_, a literal _x0041_ is _x005F_x0041_) as they
    stand, where Excel and LibreOffice decode them."""
    if not isinstance(cell.value, str):
        return cell.value
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), cell.value)


def sheet_rows(workbook, name):
    """The data rows of a file's sheets, its continuation sheets after it."""
    stem, rows, part = name[:-len(".csv")], [], 1
    while (stem if part == 1 else f"{stem} ({part})") in workbook.sheetnames:
        sheet = workbook[stem if part == 1 else f"{stem} ({part})"]
        rows += list(sheet.iter_rows(min_row=2))
        part += 1
    return rows


def compare(what, directory, out):
    """Every cell against the reader's value, with the type its column's kind gives."""
    global checked
    problems, data = baza.verify(directory, tables)
    expect(f"{what}: reader errors", problems.errors, [])
    workbook = openpyxl.load_workbook(out)
    expect(f"{what}: sheets", [n for n in workbook.sheetnames if " (" not in n], [n[:-4] for n in tables])
    for name, table in tables.items():
        columns = [c for c in table["columns"] if not c.trailing]
        sheet = workbook[name[:-4]]
        header = next(sheet.iter_rows(max_row=1))
        expect(f"{what} {name}: header", [c.value for c in header], [c.name for c in columns])
        expect(f"{what} {name}: bold header", all(c.font.b for c in header), True)
        expect(f"{what} {name}: frozen", sheet.freeze_panes, "A2")
        expect(f"{what} {name}: widths", all(sheet.column_dimensions[c.column_letter].width >= len(c.value)
                                              for c in header), True)
        rows = sheet_rows(workbook, name)
        expect(f"{what} {name}: rows", len(rows), len(data[name]))
        for number, (cells, row) in enumerate(zip(rows, data[name]), 2):
            for cell, column in zip(cells, columns):
                value, got = row[column.name], cell.value
                where = f"{what} {name}:{number} {column.name}"
                checked += 1
                if value in (None, ""):
                    expect(where, got, None)
                elif column.kind in baza.NUMBER_KINDS:
                    expect(where, (type(got), got), (int, value))
                elif column.kind in baza.DECIMAL_KINDS:
                    expect(where, (cell.data_type, got, cell.number_format),
                           ("n", float(value), baza.DECIMAL_FORMATS[column.kind]))
                elif column.kind == "date" and baza.calendar_date(value):
                    expect(where, (cell.is_date, got), (True, datetime.datetime.fromisoformat(value)))
                else:
                    expect(where, (cell.data_type, text_of(cell)), ("s", value))
    return workbook


# The workbooks of whole exports hold every cell the reader decodes.
books = {}
for what, directory in [("sample", sample), ("awkward", awkward)]:
    out = os.path.join(WORK, f"{what}.xlsx")
    code, report = run("xlsx", directory, out)
    expect(f"xlsx {what}", (code, report), (0, ""))
    books[what] = compare(what, directory, out)


# Values as the databases hold them, found by their row's key.
def cell_of(workbook, sheet, key, value, column):
    ws = workbook[sheet]
    names = [c.value for c in next(ws.iter_rows(max_row=1))]
    for cells in ws.iter_rows(min_row=2):
        if all(cells[names.index(k)].value == v for k, v in zip(key, value)):
            found = cells[names.index(column)]
            return text_of(found) if found.data_type == "s" else found.value
    return "no such row"


LITERAL = [
    ("sample", "faktury", ["IdFaktury"], [1001], "NrFaktury", "FV/1/2024"),
    ("sample", "faktury", ["IdFaktury"], [1001], "idKlient", "001"),
    ("sample", "faktury", ["IdFaktury"], [1001], "DataSprzedazy", datetime.datetime(2024, 4, 1)),
    ("sample", "faktury", ["IdFaktury"], [1001], "Bruttorazem", 138.75),
    ("sample", "kontrahenci", ["IdKontrahent"], [4711], "Telefon", "+48 600 100 200"),
    ("sample", "kontrahenci", ["IdKontrahent"], [4711], "Nip", "123-456-32-18"),
    ("sample", "kontrahenci", ["IdKontrahent"], [4711], "Pesel", "80010112345"),
    ("sample", "kontrahenci", ["IdKontrahent"], [4711], "KodPocztowy", "00-950"),
    ("sample", "kontrahenci", ["IdKontrahent"], [4711], "Saldo", 123.45),
    ("sample", "magazyn", ["IdTowaru", "Magazyn"], [104, 1], "IndeksPLU", "5907771234560"),
    ("sample", "magazyn", ["IdTowaru", "Magazyn"], [102, 1], "Stan il.", -0.25),
    ("sample", "kontrah_rabaty", ["idKlient", "NrGrupy"], [4711, 0], "RabatProc", 12.5),
    ("sample", "kontrah_rabaty", ["idKlient", "NrGrupy"], [4711, 3], "NazwaGrupy", "Usługi; różne"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "idKlient", "007"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "Telefon", "+48 22 000 00 00"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "Nip", "0123456789"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "NrDomu", "05"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "NrMieszkania", "01"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "KodPocztowy", "00-001"),
    ("awkward", "kontrahenci", ["IdKontrahent"], [4718], "DataUtworzenia", datetime.datetime(2025, 2, 3)),
    ("awkward", "kontrah_rabaty", ["idKlient", "NrGrupy"], [4718, 20], "NazwaGrupy", "Kleje; taśmy"),
    ("awkward", "kontrah_rabaty", ["idKlient", "NrGrupy"], [4718, 20], "Symbol", "007"),
    ("awkward", "kontrah_rabaty", ["idKlient", "NrGrupy"], [4718, 20], "RabatProc", 2.5),
    ("awkward", "umowystale", ["IdUmowyStalej"], [509], "IdUmowy", "UM/7;2025"),
    ("awkward", "umowystale", ["IdUmowyStalej"], [509], "Opis", "Dostawa 'Kleje'; co miesiąc"),
    ("awkward", "umowystale", ["IdUmowyStalej"], [509], "IdKontrahent", "007"),
    ("awkward", "umowystale", ["IdUmowyStalej"], [510], "IdUmowy", "'UM/9';2025"),
    ("awkward", "umowystale", ["IdUmowyStalej"], [510], "Opis", "ab'"),
    ("awkward", "umowy", ["IdUmowy"], [509], "NrUmowy", "UM/7;2025"),
    ("awkward", "umowy", ["IdUmowy"], [509], "NazwaTowaru", "Taśma 'pakowa'; 48 mm"),
    ("awkward", "umowy", ["IdUmowy"], [509], "WartoscBrutto", 12.5),
    ("awkward", "magazyn", ["IdTowaru", "Magazyn"], [first, 1], "NazwaTowaru", "two\r\nlines"),
    ("awkward", "magazyn", ["IdTowaru", "Magazyn"], [first, 1], "SymbolTowaru", "0042"),
    ("awkward", "magazyn", ["IdTowaru", "Magazyn"], [first, 1], "IndeksPLU", "0590123412345"),
]
for what, sheet, key, value, column, expected in LITERAL:
    got = cell_of(books[what], sheet, key, value, column)
    expect(f"{what} {sheet} {value} {column}", (type(got), got), (type(expected), expected))

# A table longer than a sheet goes on in further sheets, in order, none lost.
baza.XLSX_ROWS = 4
long_out = os.path.join(WORK, "continued.xlsx")
expect("continued", baza.to_xlsx(sample, long_out, tables, False), 0)
compare("continued", sample, long_out)
expect("continued sheets", [n for n in openpyxl.load_workbook(long_out).sheetnames if n.startswith("kontrah_rabaty")],
       ["kontrah_rabaty", "kontrah_rabaty (2)", "kontrah_rabaty (3)", "kontrah_rabaty (4)", "kontrah_rabaty (5)"])
baza.XLSX_ROWS = 1048576

# An export that check faults gives no workbook, unless asked; then it does, and says it failed.
edited = os.path.join(WORK, "edited.xlsx")
if os.path.exists(edited):
    os.remove(edited)
with open(os.path.join(sample, "faktury_pozycje.csv"), "ab") as f:
    f.write(b"1;'x';0.00;0\r\n")
code, report = run("xlsx", sample, edited)
expect("refused", (code, os.path.exists(edited), "not written" in report, "the run recorded" in report),
       (1, False, True, True))
code, report = run("xlsx", sample, edited, "--force")
expect("forced", (code, len(openpyxl.load_workbook(edited)["faktury_pozycje"]["A"])), (1, 8))

# Without XlsxWriter: one line that says how to get it.
result = subprocess.run([sys.executable, "-c", "import sys, runpy; sys.modules['xlsxwriter'] = None; "
                         f"sys.argv = ['baza.py', 'xlsx', {sample!r}, {edited!r}]; "
                         f"runpy.run_path({BAZA_PY!r}, run_name='__main__')"], capture_output=True, text=True)
message = result.stderr.strip()
expect("no library", (result.returncode, message.count("\n"), "apt-get install python3-xlsxwriter" in message,
                      "py -m pip install XlsxWriter" in message), (2, 0, True, True))

for failure in failures:
    print(failure)
print(f"{checked} cells checked, {len(LITERAL)} literal values; {len(failures)} failures")
sys.exit(1 if failures else 0)
