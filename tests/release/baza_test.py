#!/usr/bin/env python3
"""baza.py against what the files hold: the reference's examples decoded, and
check, sqlite and csv over real exports (sample and generated) and over
exports that a failure cut or a hand changed.

    python3 baza_test.py DRAVENHOL-HOST WORK-DIR
"""
import csv
import json
import os
import shutil
import sqlite3
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "docs"))
import baza  # noqa: E402

HOST, WORK = sys.argv[1], sys.argv[2]
failures = []


def expect(what, got, expected):
    if got != expected:
        failures.append(f"{what}: expected {expected!r}, got {got!r}")


# The fields as written and the values they stand for (the reference's examples).
DECODED = [
    ("quoted text", "'O\\'Neil'", "O'Neil"),
    ("quoted text", "'C:\\dane'", "C:\\dane"),  # C:\dane\ loses its last backslash
    ("quoted text", "''", ""),  # a value of backslashes only
    ("quoted text", "'ab\\''", "ab'"),
    ("quoted text", "'\\\\serwer\\umowy\\5.pdf'", "\\\\serwer\\umowy\\5.pdf"),
    ("quoted text", "'HURT\\02'", "HURT\\02"),
    ("quoted text", "'a\\\\'b'", "a\\'b"),  # a value holding \'
    ("quoted text", "'x;y'", "x;y"),
    ("quoted text", "'two\r\r\nlines'", "two\r\nlines"),  # a stored CR LF is written CR CR LF
    ("quoted text", "", None),
    ("name part", "'O'Brien'", "O'Brien"),
    ("name part", "'Kowalski\\'", "Kowalski\\"),
    ("date", "'2026-12-07'", "2026-12-07"),
    ("date", "'2024-02-30'", "2024-02-30"),  # written as the program shows it
    ("date", "", None),
    ("money amount", "-0.00", "-0.00"),
    ("money amount", "nan", None),
    ("identifier", "-2147483648", -2147483648),
    ("plain copied text", "'Grupa A", "'Grupa A"),
]
for kind, raw, value in DECODED:
    column = baza.Column({"name": "X", "dc:type": kind, "datatype": {"minimum": -2**31, "maximum": 2**31 - 1}})
    line = raw.replace("\r\n", "\n") + ";"
    fields, _ = baza.split_record(line, 0, [column, baza.Column({"name": "Y", "dc:type": "small number"})])
    expect(f"{kind} {raw!r}", baza.decode_field(fields[0], column, {}, "", baza.Problems()), value)


# Rows with more fields than columns. A plain copied text (umowystale.IdUmowy,
# kontrah_rabaty.NazwaGrupy) is written as it is, so its ';' split it: the
# reader takes such a row back whole and notes it. Other surplus, and a
# missing field, stay errors; a row that can be read in two ways is left out.
# Each case: file, data lines, (row read, column, value) expected, and
# the messages expected (a fragment of each, in order), notes then errors.
U = "umowystale.csv"
R = "kontrah_rabaty.csv"
TAKEN_BACK = [
    (U, ["509;0;1;1;UM/7;2025;'007';'Dostawa';1;14;1;'2025-01-01';;;"],
     [(0, "IdUmowy", "UM/7;2025"), (0, "IdKontrahent", "007"), (0, "UmowaStart", "2025-01-01")],
     ["note: umowystale.csv:2: IdUmowy holds ';'"]),
    # A semicolon and an apostrophe, as the quoted texts never hold them unescaped.
    (U, ["1;0;1;1;UM;'7;'K1';'O';1;7;1;;;;"], [(0, "IdUmowy", "UM;'7"), (0, "IdKontrahent", "K1")],
     ["note: umowystale.csv:2: IdUmowy"]),
    (U, ["1;0;1;1;'UM/9';2025;'007';'ab\\'';1;0;1;;;;"], [(0, "IdUmowy", "'UM/9';2025"), (0, "Opis", "ab'")],
     ["note: umowystale.csv:2: IdUmowy"]),
    # A description over two lines after a split contract number; the next row as usual.
    (U, ["1;0;1;1;A;B;C;'007';'two\nlines';1;7;1;;;;", "2;0;1;1;UM/2;'002';;1;7;1;;;;"],
     [(0, "IdUmowy", "A;B;C"), (0, "Opis", "two\nlines"), (1, "IdUmowy", "UM/2"), (1, "IdKontrahent", "002")],
     ["note: umowystale.csv:2: IdUmowy"]),
    (R, ["4718;'007';'0123456789';Kleje; taśmy;20;2.50;0.00;1;"],
     [(0, "NazwaGrupy", "Kleje; taśmy"), (0, "NrGrupy", 20)],
     ["note: kontrah_rabaty.csv:2: NazwaGrupy holds ';'"]),
    (R, ["1;;;;a;;b;;0;0.00;0.00;1;"], [(0, "NazwaGrupy", ";a;;b;"), (0, "Symbol", None)],
     ["note: kontrah_rabaty.csv:2: NazwaGrupy"]),
    # Not written by the module: the ';' may be IdUmowy's or IdKontrahent's. The rest is read.
    (U, ["1;0;1;1;X;'a;'b'c';'O';1;7;1;;;;", "2;0;1;1;UM/2;'002';;1;7;1;;;;"], [(0, "IdUmowy", "UM/2")],
     ["error: umowystale.csv:2: 2 readings",
      "IdUmowy='X', IdKontrahent=\"a;'b'c\" | IdUmowy=\"X;'a\", IdKontrahent=\"b'c\""]),
    (U, ["1;0;1;1;UM/1;'001';'O';1;7;1;;;"], [], ["error: umowystale.csv:2: 13 fields, expected 14"]),
    # Fourteen fields, but Opis missing: read as they stand, the faulty field empty.
    (U, ["1;0;1;1;UM/7;2025;'001';1;7;1;;;;"], [(0, "IdKontrahent", None)],
     ["error: umowystale.csv:2: IdKontrahent: not between apostrophes"]),
    (R, ["4718;'007';'0123456789';Kleje;20;2.50;0.00;"], [], ["error: kontrah_rabaty.csv:2: 8 fields, expected 9"]),
    ("faktury_pozycje.csv", ["1001;'Klej';12.50;23;x"], [], ["error: faktury_pozycje.csv:2: 5 fields, expected 4"]),
]
TABLES = baza.load_metadata()
for name, lines, values, messages in TAKEN_BACK:
    directory = os.path.join(WORK, "taken-back")
    os.makedirs(directory, exist_ok=True)
    header = ";".join(c.name for c in TABLES[name]["columns"] if not c.trailing)
    with open(os.path.join(directory, name), "wb") as f:
        f.write("".join(line.replace("\n", "\r\n") + "\r\n" for line in [header] + lines).encode("utf-8"))
    problems = baza.Problems()
    rows = baza.read_table(directory, name, TABLES[name], problems)
    for index, column, value in values:
        got = rows[index].get(column) if index < len(rows) else "no row"
        expect(f"{name} {lines[0][:40]!r} row {index} {column}", got, value)
    expect(f"{name} {lines[0][:40]!r} rows", len(rows), len({index for index, _, _ in values}))
    reported = ["note: " + t for t in problems.notes] + ["error: " + t for t in problems.errors]
    expect(f"{name} {lines[0][:40]!r} messages", [m for m in messages if not any(m in r for r in reported)], [])
    expect(f"{name} {lines[0][:40]!r} message count", len(reported),
           len([m for m in messages if m.startswith(("note", "error"))]))


def run(*args, env_ok=True):
    result = subprocess.run([sys.executable, os.path.join(ROOT, "docs", "baza.py"), *args],
                            capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def export(base, method, db=None, host=None):
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    command = [HOST, "export", "--base", base, "--method", method]
    if db:
        command += ["--db", db]
    if host:
        command += ["--host", host]
    subprocess.run(command, check=True, capture_output=True)
    return os.path.join(base, "BAZA")


generated = os.path.join(WORK, "generated-db")
if not os.path.isdir(generated):
    subprocess.run([HOST, "generate", "--scale", "0.01", "--seed", "3", generated], check=True, capture_output=True)

# Whole exports pass; the golden files are the sample's, byte for byte.
for method, db in [("universal", None), ("interkam", None), ("universal", generated), ("interkam", generated)]:
    baza_dir = export(os.path.join(WORK, f"{method}-{'generated' if db else 'sample'}"), method, db)
    code, report = run("check", baza_dir)
    expect(f"check {baza_dir}", (code, report.count("error:")), (0, 0))
    if db is None:
        for name in os.listdir(os.path.join(ROOT, "tests", "golden", method)):
            with open(os.path.join(ROOT, "tests", "golden", method, name), "rb") as a, \
                 open(os.path.join(baza_dir, name), "rb") as b:
                expect(f"golden {method} {name}", a.read() == b.read(), True)

    # The typed database: every invoice joins one contractor row, or none, once repeats are left out.
    out = os.path.join(WORK, f"{method}-{bool(db)}.db")
    expect(f"sqlite {baza_dir}", run("sqlite", baza_dir, out)[0], 0)
    db_conn = sqlite3.connect(out)
    invoices = db_conn.execute("SELECT count(*) FROM faktury").fetchone()[0]
    joined = db_conn.execute("SELECT count(*) FROM faktury f LEFT JOIN kontrahenci k "
                             "ON k.IdKontrahent = f.IdKontrahent AND k._duplicate = 0").fetchone()[0]
    expect(f"join {out}", joined, invoices)
    with open(os.path.join(baza_dir, "faktury.csv"), "rb") as f:
        expect(f"invoices {out}", invoices, f.read().count(b"\r\n") - 1)
    db_conn.close()

# Goods whose names hold every awkward value the reference lists, exported
# and decoded: each name comes back as the fixture stored it, but for the
# trailing backslashes that a quoted text loses.
AWKWARD = [
    ("O'Neil", "O'Neil"),
    ("\\\\serwer\\umowy\\5.pdf", "\\\\serwer\\umowy\\5.pdf"),
    ("HURT\\02", "HURT\\02"),
    ("a\\'b", "a\\'b"),
    ("x;y", "x;y"),
    ("two\r\nlines", "two\r\nlines"),
    ("a\nfeed", "a\nfeed"),  # written as CR LF, the text-mode line end
    ("C:\\dane\\", "C:\\dane"),
    ("\\\\", ""),
    ("'quoted'", "'quoted'"),
]
with open(os.path.join(ROOT, "qelmar", "sample", "sample.json"), encoding="utf-8") as f:
    fixture = json.load(f)
first = max(g["goodsId"] for g in fixture["tables"]["k9"] if "goodsId" in g) + 1
records = len(fixture["tables"]["k9"])
for i, (stored, _) in enumerate(AWKWARD):
    fixture["tables"]["k9"].append({"goodsId": first + i, "name": stored})
fixture["warehouseGoods"]["1"] = fixture["warehouseGoods"]["1"] + list(range(records, records + len(AWKWARD)))
awkward_fixture = os.path.join(WORK, "awkward.json")
with open(awkward_fixture, "w", encoding="utf-8") as f:
    json.dump(fixture, f, ensure_ascii=False)
awkward_dir = export(os.path.join(WORK, "awkward"), "universal", awkward_fixture)
expect("check awkward", run("check", awkward_dir)[0], 0)
problems = baza.Problems()
goods = baza.read_table(awkward_dir, "magazyn.csv", baza.load_metadata()["magazyn.csv"], problems)
names = {row["IdTowaru"]: row["NazwaTowaru"] for row in goods or []}
for i, (stored, decoded) in enumerate(AWKWARD):
    expect(f"goods name {stored!r}", names.get(first + i), decoded)

# An export whose plain copied texts hold ';' passes check, with a note naming
# the column, and converts whole.
with open(os.path.join(ROOT, "qelmar", "sample", "sample.json"), encoding="utf-8") as f:
    fixture = json.load(f)
fixture["tables"]["Umst"].append({"kind": 1, "number": "UM/7;2025", "contractorKey": "001", "description": "x;y",
                                  "contractId": 509})
fixture["groups"]["20"] = "Kleje; taśmy"
fixture["tables"]["k4_tab"].insert(1, {"contractorId": 4716, "percent": {"20": 2500}})
semicolons_fixture = os.path.join(WORK, "semicolons.json")
with open(semicolons_fixture, "w", encoding="utf-8") as f:
    json.dump(fixture, f, ensure_ascii=False)
semicolons = export(os.path.join(WORK, "semicolons"), "interkam", semicolons_fixture)
code, report = run("check", semicolons)
expect("check semicolons", (code, report.count("error:"), "umowystale.csv:10: IdUmowy holds ';'" in report,
                            report.count("NazwaGrupy holds ';'")), (0, 0, True, 3))
expect("csv semicolons", run("csv", semicolons, os.path.join(WORK, "semicolons-csv"))[0], 0)
with open(os.path.join(WORK, "semicolons-csv", "umowystale.csv"), encoding="utf-8-sig", newline="") as f:
    expect("csv contract number", list(csv.reader(f))[-1][4:7], ["UM/7;2025", "001", "x;y"])
with open(os.path.join(WORK, "semicolons-csv", "kontrah_rabaty.csv"), encoding="utf-8-sig", newline="") as f:
    expect("csv group name", [r[3] for r in csv.reader(f) if r[0] == "4716"], ["Kleje; taśmy"])

# The sample's own values, read back through the spreadsheet CSV.
sample = export(os.path.join(WORK, "csv-sample"), "universal")
expect("csv", run("csv", sample, os.path.join(WORK, "csv-out"))[0], 0)
with open(os.path.join(WORK, "csv-out", "kontrahenci.csv"), encoding="utf-8-sig", newline="") as f:
    rows = list(csv.reader(f))
expect("csv header", rows[0][:3], ["idKlient", "Imie", "Nazwisko"])

# Exports that are not whole fail, with the reason named.
cut = export(os.path.join(WORK, "cut"), "interkam", generated, '{"failures": {"write": {"from": 200}}}')
BROKEN = [
    ("a run cut by a failed write", cut, None, "not complete"),
    ("a file edited by hand", sample, lambda p: open(p, "ab").write(b"1;'x';0.00;0\r\n"), "the run recorded"),
    ("a 0-byte file", sample, lambda p: open(p, "wb").close(), "is empty: no header line"),
]
for what, directory, damage, reason in BROKEN:
    if damage:
        damage(os.path.join(directory, "faktury_pozycje.csv"))
    code, report = run("check", directory)
    expect(what, (code, reason in report), (1, True))

# A UTF-8 list of first names in Mazovia.
names = os.path.join(WORK, "imiona-utf8.txt")
with open(names, "w", encoding="utf-8") as f:
    f.write("Łukasz\nżaneta\n")
expect("imiona", run("imiona", names, os.path.join(WORK, "imiona.txt"))[0], 0)
with open(os.path.join(WORK, "imiona.txt"), "rb") as f:
    expect("imiona bytes", f.read(), b"\x9cukasz\r\n\xa7aneta\r\n")

for failure in failures:
    print(failure)
print(f"{len(DECODED)} decoding cases, {len(TAKEN_BACK)} rows with surplus or missing fields, "
      f"{len(AWKWARD)} fixture values; {len(failures)} failures")
sys.exit(1 if failures else 0)
