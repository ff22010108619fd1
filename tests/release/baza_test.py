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
print(f"{len(DECODED)} decoding cases, {len(AWKWARD)} fixture values; {len(failures)} failures")
sys.exit(1 if failures else 0)
