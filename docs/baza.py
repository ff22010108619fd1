#!/usr/bin/env python3
"""Reads the eight files of a Dravenhol export (the directory BAZA) exactly.

    python3 baza.py check BAZA            report every deviation; exit 1 if any
    python3 baza.py sqlite BAZA OUT.db    a typed SQLite database (STRICT tables)
    python3 baza.py csv BAZA DIR          standard comma CSV (RFC 4180, UTF-8 with BOM)
    python3 baza.py xlsx BAZA OUT.xlsx    one workbook, a sheet per file, every cell typed
                                          (refused when check finds errors; --force writes it anyway)
    python3 baza.py imiona IN.txt OUT.txt a UTF-8 list of first names, in Mazovia

On Windows write py instead of python3. Column names and kinds come from
csv-metadata.json, which lies beside this script. Python 3 standard library
only, but for xlsx, which needs XlsxWriter (python3-xlsxwriter on Debian,
py -m pip install XlsxWriter on Windows).
"""
import calendar
import csv
import datetime
import json
import os
import re
import sqlite3
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LOCK_NAME = "BAZA.lck"
NUMBER_KINDS = {"identifier", "small number", "VAT rate"}
DECIMAL_KINDS = {"money amount": 2, "quantity": 3, "percentage": 2}
TEXT_KINDS = {"quoted text", "name part", "name part or quoted text", "plain copied text", "always empty"}
DATE = re.compile(r"'(\d{4})-(\d{2})-(\d{2})'\Z")
INTEGER = re.compile(r"-?\d+\Z")
NOT_FINITE = {"nan", "-nan", "inf", "-inf"}


class Column:
    def __init__(self, meta):
        self.name = meta["name"]
        self.kind = meta["dc:type"]
        datatype = meta.get("datatype", {})
        self.minimum = datatype.get("minimum")
        self.maximum = datatype.get("maximum")
        self.max_length = datatype.get("maxLength")
        self.trailing = meta.get("suppressOutput", False)  # the empty field after a final ';'


def load_metadata(path=None):
    with open(path or os.path.join(HERE, "csv-metadata.json"), encoding="utf-8") as f:
        meta = json.load(f)
    tables = {}
    for table in meta["tables"]:
        schema = table["tableSchema"]
        key = schema.get("primaryKey", [])
        tables[table["url"]] = {
            "columns": [Column(c) for c in schema["columns"]],
            "key": [key] if isinstance(key, str) else key,
            "references": [(fk["columnReference"], fk["reference"]["resource"], fk["reference"]["columnReference"])
                           for fk in schema.get("foreignKeys", [])],
        }
    return tables


class Problems:
    """Deviations from the description (errors) and what it says can happen (notes)."""

    def __init__(self):
        self.errors, self.notes = [], []

    def error(self, where, text):
        self.errors.append(f"{where}: {text}")

    def note(self, where, text):
        self.notes.append(f"{where}: {text}")


def read_quoted(line, at, escaped):
    """A text between apostrophes starting at line[at] == "'": (value, position after it).
    It ends at the first apostrophe followed by ';' or the end of the record that
    is not escaped; in a quoted text \\' stands for ' and nothing else is an escape."""
    value, i = [], at + 1
    while i < len(line):
        c = line[i]
        if escaped and c == "\\" and i + 1 < len(line) and line[i + 1] == "'":
            value.append("'")
            i += 2
            continue
        if c == "'" and (i + 1 == len(line) or line[i + 1] in ";\n"):
            return "".join(value), i + 1
        value.append(c)
        i += 1
    return None, len(line)


def cut_field(text, i, column):
    """One raw field from text[i]: (raw, position of the ';' or line end after it).
    A quoted field may hold ';' and line breaks; a plain one ends at ';'."""
    if column is not None and column.kind in TEXT_KINDS - {"plain copied text"} and text.startswith("'", i):
        # A whole name in Nazwisko is escaped, a split one not: both end alike.
        _, end = read_quoted(text, i, column.kind != "name part")
        return text[i:end], end
    end = i
    while end < len(text) and text[end] not in ";\n":
        end += 1
    return text[i:end], end


def split_record(text, at, columns):
    """Cuts one record from text at position at: (raw fields, position after its line end).
    A quoted field may hold ';' and line breaks; plain fields end at ';'."""
    fields, i = [], at
    while True:
        index = len(fields)
        raw, i = cut_field(text, i, columns[index] if index < len(columns) else None)
        fields.append(raw)
        if i >= len(text):
            return fields, i
        if text[i] == "\n":
            return fields, i + 1
        i += 1  # past ';'


def plain_column(columns):
    """The index of the file's one plain copied text column, or None."""
    found = [i for i, c in enumerate(columns) if c.kind == "plain copied text"]
    return found[0] if len(found) == 1 else None


# The longest record the module writes, line breaks of its texts included,
# with room to spare: a reading that runs on further is no reading.
RECORD_SPAN = 8192


def readings(text, at, columns, plain):
    """Every way of cutting one record from text at position at, when column
    plain is a plain copied text, which the module writes as it is, ';' and all:
    [(raw fields, position after the record's line end)]. The columns before it
    are cut from the left; the plain text then ends at one of the ';' of its
    line, and the columns after it must take the rest of the record exactly."""
    window = text[at:at + RECORD_SPAN]
    cut_short = at + len(window) < len(text)
    prefix, i = [], 0
    for column in columns[:plain]:
        raw, end = cut_field(window, i, column)
        prefix.append(raw)
        if end >= len(window) or window[end] == "\n":
            return []
        i = end + 1
    line_end = window.find("\n", i)
    line_end = len(window) if line_end < 0 else line_end
    if plain == len(columns) - 1:
        return [(prefix + [window[i:line_end]], at + min(line_end + 1, len(window)))]
    found, e = [], window.find(";", i, line_end)
    while e >= 0:
        tail, end = split_record(window, e + 1, columns[plain + 1:])
        if len(prefix) + 1 + len(tail) == len(columns) and not (cut_short and end >= len(window)):
            found.append((prefix + [window[i:e]] + tail, at + end))
        e = window.find(";", e + 1, line_end)
    return found


def follows_writer(fields, columns):
    """Whether every quoted text is escaped as the module escapes it: an
    apostrophe inside it (up to the position where the module stops escaping)
    always follows a backslash, so a quoted text never holds ";'" unescaped."""
    for raw, column in zip(fields, columns):
        if column.kind == "quoted text" and len(raw) >= 2:
            inner = raw[1:-1]
            for k in range(min(len(inner), 1023)):
                if inner[k] == "'" and (k == 0 or inner[k - 1] != "\\"):
                    return False
    return True


def take_record(text, at, columns, plain, where, problems):
    """The decoded row of the record at position at of a file with a plain
    copied text column, and the position after it; the row is None when the
    record cannot be read, or can be read in more than one way."""
    valid = []
    for fields, end in readings(text, at, columns, plain):
        scratch = Problems()
        row = decode_row(fields, columns, where, scratch)
        if not scratch.errors:
            valid.append((fields, end, row, scratch))
            if len(valid) == 1 and fields[plain].count(";") == 0 and follows_writer(fields, columns):
                break  # the usual record: no ';' in the plain text
    clean = [v for v in valid if follows_writer(v[0], columns)]
    chosen = clean or valid
    name = columns[plain].name
    if len(chosen) == 1:
        fields, end, row, scratch = chosen[0]
        problems.notes.extend(scratch.notes)
        if ";" in fields[plain]:
            problems.note(where, f"{name} holds ';', taken back whole: {fields[plain][:60]!r}")
        return row, end
    if len(chosen) > 1:
        differing = [c for c in columns if not c.trailing and len({repr(v[2].get(c.name)) for v in chosen}) > 1]
        ways = " | ".join(", ".join(f"{c.name}={v[2].get(c.name)!r}" for c in differing) for v in chosen)
        problems.error(where, f"{len(chosen)} readings (a ';' of {name} or of another column), "
                              f"the row is left out: {ways}")
        return None, min(v[1] for v in chosen)
    fields, end = split_record(text, at, columns)
    if len(fields) != len(columns):
        problems.error(where, f"{len(fields)} fields, expected {len(columns)}")
        return None, end
    return decode_row(fields, columns, where, problems), end


def decode_text(raw, column, row):
    """The value of a text field: None for an empty field."""
    if raw == "":
        return None
    if column.kind == "plain copied text":
        return raw
    escaped = column.kind == "quoted text"
    if column.kind == "name part or quoted text":
        # A split name is a name part: the first name beside it is then filled
        # in, or (users) the whole name holds a blank.
        first = row.get("Imie")
        whole = row.get("NazwaUzytkownika")
        escaped = not first and not (whole and " " in whole)
    if not (raw.startswith("'") and raw.endswith("'") and len(raw) >= 2):
        raise ValueError("not between apostrophes")
    value, end = read_quoted(raw, 0, escaped)
    if value is None or end != len(raw):
        value = raw[1:-1]
    return value


def decode_row(fields, columns, where, problems):
    """Decoded values by column name; numbers as int or str (decimals keep their digits)."""
    row = {}
    for column, raw in zip(columns, fields):
        if column.trailing:
            if raw != "":
                problems.error(where, f"the field after the last ';' is not empty: {raw!r}")
            continue
        try:
            row[column.name] = decode_field(raw, column, row, where, problems)
        except ValueError as e:
            problems.error(where, f"{column.name}: {e}: {raw[:60]!r}")
            row[column.name] = None
    return row


def decode_field(raw, column, row, where, problems):
    kind = column.kind
    if kind in NUMBER_KINDS:
        if not INTEGER.match(raw):
            raise ValueError("not a whole number")
        value = int(raw)
        if not column.minimum <= value <= column.maximum:
            raise ValueError(f"outside {column.minimum}..{column.maximum}")
        return value
    if kind in DECIMAL_KINDS:
        if raw in NOT_FINITE:
            problems.note(where, f"{column.name}: {raw} (a damaged record)")
            return None
        if not re.match(r"-?\d+\.\d{%d}\Z" % DECIMAL_KINDS[kind], raw):
            raise ValueError(f"not a number with {DECIMAL_KINDS[kind]} decimals")
        return raw
    if kind == "date":
        if raw == "":
            return None
        m = DATE.match(raw)
        if not m:
            raise ValueError("not a date 'yyyy-MM-dd'")
        year, month, day = (int(g) for g in m.groups())
        if not (1 <= month <= 12 and 1 <= day <= calendar.monthrange(year or 2000, month)[1]) or year == 0:
            problems.note(where, f"{column.name}: {raw} is no calendar date")
        return raw[1:-1]
    value = decode_text(raw, column, row)
    if kind == "always empty" and value is not None:
        raise ValueError("should be empty")
    if value is not None and column.max_length is not None and len(value) > column.max_length:
        raise ValueError(f"longer than {column.max_length}")
    return value


def read_table(directory, name, table, problems):
    """The decoded rows of one file (None when it cannot be read)."""
    path = os.path.join(directory, name)
    columns = table["columns"]
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        problems.error(name, "missing")
        return None
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        problems.error(name, f"not UTF-8 at byte {e.start}")
        text = data.decode("utf-8", "replace")
    if text.startswith("\ufeff"):
        problems.error(name, "starts with a byte order mark")
    if not text.endswith("\r\n"):
        problems.error(name, "does not end with CR LF" if text else "is empty: no header line")
    if re.search(r"(?<!\r)\n", text):
        problems.error(name, "a line feed without its carriage return")
    text = text.replace("\r\n", "\n")  # the text-mode line end
    header = ";".join(c.name for c in columns if not c.trailing)
    first, _, body = text.partition("\n")
    if first != header:
        problems.error(name, f"header {first[:80]!r}, expected {header[:80]!r}")
        return None
    rows, at, number = [], 0, 1
    plain = plain_column(columns)
    while at < len(body):
        number += 1
        where = f"{name}:{number}"
        if plain is not None:
            row, at = take_record(body, at, columns, plain, where, problems)
            if row is not None:
                rows.append(row)
            continue
        fields, at = split_record(body, at, columns)
        if len(fields) != len(columns):
            problems.error(where, f"{len(fields)} fields, expected {len(columns)}")
            continue
        rows.append(decode_row(fields, columns, where, problems))
    return rows


def read_record(directory):
    """The state of the last run from BAZA.lck beside BAZA, or None."""
    path = os.path.join(os.path.dirname(os.path.abspath(directory)), LOCK_NAME)
    try:
        with open(path, "rb") as f:
            lines = f.read().decode("ascii", "replace").splitlines()
    except FileNotFoundError:
        return None
    except OSError:
        # On Windows a running export's lock keeps the file from being read.
        return {"state": "in progress (an export holds the lock)", "files": {}}
    record = {"files": {}}
    for line in lines:
        word, _, rest = line.partition(" ")
        if word == "file":
            parts = rest.split()
            if len(parts) == 6 and parts[1] == "lines" and parts[3] == "bytes":
                record["files"][parts[0]] = (int(parts[2]), int(parts[4]), parts[5])
        elif word:
            record[word] = rest
    return record


def mark_duplicates(rows, key):
    """Sets _duplicate: 0 for the first row of each key, 1, 2, ... for the repeats."""
    seen = {}
    for row in rows:
        k = tuple(row.get(c) for c in key)
        row["_duplicate"] = seen.get(k, 0)
        seen[k] = row["_duplicate"] + 1
    return sum(1 for row in rows if row["_duplicate"])


def read_all(directory, problems, tables):
    data = {}
    for name, table in tables.items():
        rows = read_table(directory, name, table, problems)
        if rows is not None:
            data[name] = rows
            if table["key"]:
                repeats = mark_duplicates(rows, table["key"])
                if repeats:
                    problems.note(name, f"{repeats} rows repeat the key {'+'.join(table['key'])} of an earlier row")
    return data


def verify(directory, tables):
    """Everything check reports: (problems, decoded rows by file name)."""
    problems = Problems()
    data = read_all(directory, problems, tables)
    for name, table in tables.items():
        for column, target, target_column in table["references"]:
            if name not in data or target not in data:
                continue
            known = {row[target_column] for row in data[target]}
            dangling = sum(1 for row in data[name] if row[column] not in known and row[column] not in (0, None))
            if dangling:
                problems.note(name, f"{dangling} rows: {column} not in {target}.{target_column}")
    record = read_record(directory)
    if record is None:
        problems.error(LOCK_NAME, "missing: the state of the run is unknown")
    else:
        if record.get("state") != "complete":
            problems.error(LOCK_NAME, f"the run is {record.get('state', 'of unknown state')}, not complete")
        for name in tables:
            if name not in record["files"]:
                problems.error(LOCK_NAME, f"{name} is not recorded")
                continue
            lines, size, state = record["files"][name]
            if state != "whole":
                problems.error(name, f"recorded as {state}")
            path = os.path.join(directory, name)
            if os.path.exists(path) and os.path.getsize(path) != size:
                problems.error(name, f"{os.path.getsize(path)} bytes, the run recorded {size}")
            if name in data and len(data[name]) + 1 != lines:
                problems.error(name, f"{len(data[name]) + 1} lines, the run recorded {lines}")
    return problems, data


def check(directory, tables):
    problems, _ = verify(directory, tables)
    for text in problems.notes:
        print("note:", text)
    for text in problems.errors:
        print("error:", text)
    print(f"{len(problems.errors)} errors, {len(problems.notes)} notes")
    return 1 if problems.errors else 0


SQL_TYPES = {"identifier": "INTEGER", "small number": "INTEGER", "VAT rate": "INTEGER", "money amount": "REAL",
             "quantity": "REAL", "percentage": "REAL"}


def table_name(file_name):
    return file_name[:-len(".csv")]


def to_sqlite(directory, out, tables):
    problems = Problems()
    data = read_all(directory, problems, tables)
    if os.path.exists(out):
        os.remove(out)
    db = sqlite3.connect(out)
    for name, rows in data.items():
        table = tables[name]
        columns = [c for c in table["columns"] if not c.trailing]
        definitions = [f'"{c.name}" {SQL_TYPES.get(c.kind, "TEXT")}' for c in columns]
        key = table["key"]
        if key:
            definitions.append('"_duplicate" INTEGER NOT NULL')
            definitions.append("PRIMARY KEY (" + ", ".join(f'"{c}"' for c in key + ["_duplicate"]) + ")")
        db.execute(f'CREATE TABLE "{table_name(name)}" ({", ".join(definitions)}) STRICT')
        names = [c.name for c in columns] + (["_duplicate"] if key else [])
        db.executemany(f'INSERT INTO "{table_name(name)}" VALUES ({", ".join("?" * len(names))})',
                       [[convert(row.get(n), columns[i] if i < len(columns) else None) for i, n in enumerate(names)]
                        for row in rows])
        for column, _, _ in table["references"]:
            db.execute(f'CREATE INDEX "{table_name(name)}_{column}" ON "{table_name(name)}" ("{column}")')
    db.commit()
    db.close()
    for text in problems.errors:
        print("error:", text, file=sys.stderr)
    return 1 if problems.errors else 0


def convert(value, column):
    if column is not None and column.kind in DECIMAL_KINDS and value is not None:
        return float(value)
    return value


def to_csv(directory, out, tables):
    problems = Problems()
    data = read_all(directory, problems, tables)
    os.makedirs(out, exist_ok=True)
    for name, rows in data.items():
        columns = [c.name for c in tables[name]["columns"] if not c.trailing]
        with open(os.path.join(out, name), "w", encoding="utf-8-sig", newline="") as f:
            writer = csv.writer(f, lineterminator="\r\n")
            writer.writerow(columns)
            for row in rows:
                writer.writerow(["" if row.get(c) is None else row[c] for c in columns])
    for text in problems.errors:
        print("error:", text, file=sys.stderr)
    return 1 if problems.errors else 0


# Mazovia: code page 437 with the eighteen Polish letters in their own places.
POLISH = {0x86: "ą", 0x8D: "ć", 0x91: "ę", 0x92: "ł", 0xA4: "ń", 0xA2: "ó", 0x9E: "ś", 0xA6: "ź", 0xA7: "ż",
          0x8F: "Ą", 0x95: "Ć", 0x90: "Ę", 0x9C: "Ł", 0xA5: "Ń", 0xA3: "Ó", 0x98: "Ś", 0xA0: "Ź", 0xA1: "Ż"}
TO_MAZOVIA = {bytes([b]).decode("cp437"): b for b in range(0x80, 0x100) if b not in POLISH}
TO_MAZOVIA.update({letter: b for b, letter in POLISH.items()})


def to_mazovia(text):
    out = bytearray()
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ord(ch))
        elif ch in TO_MAZOVIA:
            out.append(TO_MAZOVIA[ch])
        else:
            raise ValueError(f"{ch!r} has no place in Mazovia")
    return bytes(out)


def imiona(source, out):
    with open(source, encoding="utf-8-sig") as f:
        names = [line.rstrip("\r\n") for line in f]
    with open(out, "wb") as f:
        for number, name in enumerate(names, 1):
            try:
                f.write(to_mazovia(name) + b"\r\n")
            except ValueError as e:
                print(f"{source}:{number}: {e}", file=sys.stderr)
                return 1
    return 0


# A sheet holds 1048576 rows; the header takes one. A longer table goes on
# in further sheets, each with its header ("kontrah_rabaty (2)").
XLSX_ROWS = 1048576
XLSX_INSTALL = ("xlsx needs the Python library XlsxWriter: on Debian or Ubuntu apt-get install python3-xlsxwriter, "
                "on Windows py -m pip install XlsxWriter")
DECIMAL_FORMATS = {"money amount": "0.00", "quantity": "0.000", "percentage": "0.00"}


def calendar_date(value):
    """A date the spreadsheet can hold as a date, or None (such as 2024-02-30:
    written as the program shows it, it stays a text)."""
    try:
        day = datetime.date.fromisoformat(value)
    except ValueError:
        return None
    return day if day >= datetime.date(1900, 3, 1) else None  # before it, serial days are off by one


def shown_width(value):
    if value is None:
        return 0
    return max(len(line) for line in str(value).split("\n"))


def to_xlsx(directory, out, tables, force):
    """One workbook of the eight files: a sheet per file, each cell typed by its
    column's kind: texts stay texts (keys, NIP, EAN codes, phones with their
    zeros and signs), amounts and quantities are numbers, dates are dates."""
    try:
        import xlsxwriter
    except ImportError:
        print(XLSX_INSTALL, file=sys.stderr)
        return 2
    problems, data = verify(directory, tables)
    for text in problems.errors:
        print("error:", text, file=sys.stderr)
    if problems.errors and not force:
        print(f"{out} not written: the export has {len(problems.errors)} errors (above; python3 baza.py check "
              f"{directory} lists them with the notes). --force writes what can be read.", file=sys.stderr)
        return 1
    workbook = xlsxwriter.Workbook(out, {"constant_memory": True, "strings_to_numbers": False,
                                         "strings_to_formulas": False, "strings_to_urls": False})
    bold = workbook.add_format({"bold": True})
    dates = workbook.add_format({"num_format": "yyyy-mm-dd"})
    decimals = {kind: workbook.add_format({"num_format": f}) for kind, f in DECIMAL_FORMATS.items()}
    for name, table in tables.items():
        columns = [c for c in table["columns"] if not c.trailing]
        rows = data.get(name, [])
        widths = [min(60, max([len(c.name)] + [shown_width(row.get(c.name)) for row in rows]) + 2) for c in columns]
        for part, first in enumerate(range(0, max(len(rows), 1), XLSX_ROWS - 1)):
            chunk = rows[first:first + XLSX_ROWS - 1]
            sheet = workbook.add_worksheet(table_name(name) + (f" ({part + 1})" if part else ""))
            for c, column in enumerate(columns):
                sheet.set_column(c, c, widths[c])
                sheet.write_string(0, c, column.name, bold)
            sheet.freeze_panes(1, 0)
            sheet.autofilter(0, 0, len(chunk), len(columns) - 1)
            sheet.ignore_errors({"number_stored_as_text": f"A1:XFD{XLSX_ROWS}"})
            for r, row in enumerate(chunk, 1):
                for c, column in enumerate(columns):
                    value = row.get(column.name)
                    if value is None or value == "":
                        continue  # '' (a value of backslashes) shows as an empty cell too
                    if column.kind in NUMBER_KINDS:
                        sheet.write_number(r, c, value)
                    elif column.kind in DECIMAL_KINDS:
                        sheet.write_number(r, c, float(value), decimals[column.kind])
                    elif column.kind == "date" and calendar_date(value):
                        sheet.write_datetime(r, c, calendar_date(value), dates)
                    else:
                        sheet.write_string(r, c, value)
            if part:
                problems.note(name, f"rows {first + 1} to {first + len(chunk)} are in the sheet {sheet.name}")
    try:
        workbook.close()
    except Exception as e:  # xlsxwriter.exceptions.FileCreateError: the file is open elsewhere, or the path is wrong
        print(f"{out} not written: {e}", file=sys.stderr)
        return 1
    for text in problems.notes:
        if "are in the sheet" in text:
            print("note:", text, file=sys.stderr)
    return 1 if problems.errors else 0


def main(argv):
    commands = {"check": 1, "sqlite": 2, "csv": 2, "imiona": 2, "xlsx": 2}
    force = argv[1:2] == ["xlsx"] and "--force" in argv[2:]
    if force:
        argv = [a for a in argv if a != "--force"]
    if len(argv) < 2 or argv[1] not in commands or len(argv) != commands[argv[1]] + 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    if argv[1] == "imiona":
        return imiona(argv[2], argv[3])
    tables = load_metadata()
    if argv[1] == "check":
        return check(argv[2], tables)
    if argv[1] == "sqlite":
        return to_sqlite(argv[2], argv[3], tables)
    if argv[1] == "xlsx":
        return to_xlsx(argv[2], argv[3], tables, force)
    return to_csv(argv[2], argv[3], tables)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
