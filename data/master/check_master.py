#!/usr/bin/env python3
"""Builds a temporary SQLite database from schema.sql and the .tsv files of this
folder (the same way the build does: statements split at ';', comment lines
dropped, every cell inserted as text, empty cell = NULL) and checks the
reference data for consistency: among others that every default of a value list
lies inside its list and its published range and has a source entry, and that
the files are exactly what generate.py writes.  Exits with status 1 and a list
of problems if a check fails.

    python3 check_master.py [--keep FILE]

Only the Python standard library is used.
"""

import glob
import os
import sqlite3
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TYPES = ["EFHg", "EFHk", "RHg", "RHk", "GWB"]
YEAR_COLS = ["Jahr%d" % k for k in range(1, 21)]
PER_MUNICIPALITY_TABLES = [
    "FA_Ertragsanteile", "FA_Sekundäre_Transfers", "Umlage_Jugendwohlfahrt",
    "Umlage_Sozialhilfe", "Umlage_TLKAS", "FA_Ertragsanteile_Red",
    "FA_Ertragsanteile_Red_Max", "FA_Sekundäre_Transfers_Red",
    "FA_Sekundäre_Transfers_Red_Max",
]
REQUIRED_TYPES = ["öffentliches Gut", "Kanal", "Wasser", "sonstige Leitungen",
                  "Finanzausgleich", "soz. Infrastruktur Erhaltung"]

# Numeric inputs of the project record that the main window offers with a value list.
TAVO_VALUE_LIST_FIELDS = (
    ["bgFlBaulandBrutto", "bgAntGrünflächen", "bgAntVerkehrsflächen", "bgBebDichte_GWB",
     "bgWandstärke", "ifFaktorLeitungslängen", "ifOberflächeInJahr",
     "ifAnschlOberflächeInJahr", "ifFlAnschlStraße", "ifKoErStraßeUnterbau",
     "ifKoErStraßeOberbau", "ifKoEhStraße", "ifKoErGrünflächen", "ifKoEhGrünflächen",
     "auHebesatzAufschl", "auAntGemFörderungAufschl", "auEinheitssatzWasser",
     "auAntGemFörderungWasser", "auEinheitssatzKanalSchmutz",
     "auAntGemFörderungKanalSchmutz", "auEinheitssatzKanalMisch",
     "auAntGemFörderungKanalMisch", "auAnteilZuzug", "gsBodenwert", "gsHebesatz",
     "siKoEhKindergarten", "siKoEhVolksschule", "siKoEhSonstige",
     "siPlätzeJeGruppeKindergarten", "siKoErGruppeKindergarten", "siKoEhGruppeKindergarten",
     "siPlätzeJeKlasseVolksschule", "siKoErKlasseVolksschule", "siKoEhKlasseVolksschule",
     "fiZinsenSoll", "fiZinsenHaben"]
    + ["bgNutzFl_" + t for t in TYPES]
    + ["bgGstFl_" + t for t in TYPES]
    + ["gsGebWert" + t for t in TYPES]
    + ["gsSteuermesszahl" + t for t in TYPES]
    + [prefix + net for net in ("Wasserleitung", "KanalTrennsystem", "KanalMischsystem",
                                "KanalStrEntwässerung", "Straßenbeleuchtung", "Stromleitung",
                                "Datenleitung", "Gasleitung", "Nahwärme")
       for prefix in ("ifLfm", "ifLfmAnschl", "ifKoEr")]
    + ["ifKoEh" + net for net in ("Wasserleitung", "KanalTrennsystem", "KanalMischsystem",
                                  "KanalStrEntwässerung", "Straßenbeleuchtung", "Stromleitung",
                                  "Datenleitung", "Gasleitung", "Nahwärme")]
    + [prefix + what for what in ("Kanal", "Wasserleitung", "Kindergarten", "Stromleitung",
                                  "Datenleitung", "Gasleitung", "Nahwärme", "ÖffGut")
       for prefix in ("fiEigAntEr", "fiEigAntEh")]
)
# Project columns whose inputs never carry a value list (derived or read-only)
TAVO_WITHOUT_LIST = ["bgFlGrünflächen", "bgFlVerkehrsflächen", "bgFlBaulandNetto",
                     "auGemFörderungAufschl", "auGemFörderungWasser",
                     "auGemFörderungKanalSchmutz", "auGemFörderungKanalMisch"]


def build(path):
    db = sqlite3.connect(path)
    with open(os.path.join(HERE, "schema.sql"), encoding="utf-8") as f:
        schema = f.read()
    for statement in schema.split(";"):
        lines = [l for l in statement.split("\n") if not l.strip().startswith("--")]
        statement = "\n".join(lines).strip()
        if statement:
            db.execute(statement)
    for tsv in sorted(glob.glob(os.path.join(HERE, "*.tsv"))):
        table = os.path.splitext(os.path.basename(tsv))[0]
        with open(tsv, encoding="utf-8", newline="") as f:
            lines = f.read().split("\n")
        columns = lines[0].split("\t")
        sql = 'INSERT INTO "%s" (%s) VALUES (%s)' % (
            table, ",".join('"%s"' % c for c in columns), ",".join("?" * len(columns)))
        for no, line in enumerate(lines[1:], start=2):
            if not line.strip():
                continue
            cells = line.split("\t")
            if len(cells) != len(columns):
                raise SystemExit("%s:%d: %d cells instead of %d" % (tsv, no, len(cells), len(columns)))
            db.execute(sql, [c if c != "" else None for c in cells])
    db.commit()
    return db


def check(db):
    problems = []

    def fail(msg):
        problems.append(msg)

    def one(sql, *args):
        return db.execute(sql, args).fetchone()[0]

    tables = {r[0] for r in db.execute("SELECT name FROM sqlite_master WHERE type = 'table'")}
    for t in ["FeldWerte", "FeldQuellen", "Quellen", "Auswertung_Typen", "PG", "BvB", "BvB_Bebauungstypen",
              "Besiedelung_mit_Mobilisierung", "Besiedelung_ohne_Mobilisierung",
              "Besiedelung_leer"] + PER_MUNICIPALITY_TABLES:
        if t not in tables:
            fail("table %s missing" % t)
    for t in sorted(tables):
        if one('SELECT count(*) FROM "%s"' % t) == 0:
            fail("table %s is empty" % t)

    # municipalities
    pgs = [r[0] for r in db.execute("SELECT ID FROM PG ORDER BY ID")]
    if len(pgs) < 12:
        fail("only %d municipalities" % len(pgs))
    if 301 not in pgs:
        fail("municipality 301 missing")
    cols = [r[1] for r in db.execute("PRAGMA table_info(PG)")]
    if cols[:2] != ["ID", "PG_Name"]:
        fail("PG must start with ID, PG_Name: %s" % cols)
    if one("SELECT count(*) FROM PG WHERE PG_Name LIKE 'Ober%'") < 2:
        fail("no two names with the same beginning")
    if one("SELECT count(*) FROM PG WHERE PG_Name LIKE '%''%'"):
        fail("apostrophe in a municipality name")

    # year tables: one row per municipality, all values present and positive
    for t in PER_MUNICIPALITY_TABLES:
        rows = {r[0] for r in db.execute('SELECT PG FROM "%s"' % t)}
        if rows != set(pgs):
            fail("%s does not cover exactly the municipalities" % t)
        for c in YEAR_COLS:
            if one('SELECT count(*) FROM "%s" WHERE %s IS NULL OR %s <= 0' % (t, c, c)):
                fail("%s.%s has empty or non-positive values" % (t, c))
        if t.endswith("_Red"):
            if one('SELECT count(*) FROM "%s" WHERE Jahr1 > 100' % t):
                fail("%s holds more than 100 percent" % t)

    # population forecast: 96 ages per municipality, totals consistent with PG
    for pg in pgs:
        if one("SELECT count(*) FROM BvB WHERE PG = ?", pg) != 96:
            fail("BvB of %d has not 96 ages" % pg)
        if one('SELECT min("Alter") FROM BvB WHERE PG = ?', pg) != 0 \
                or one('SELECT max("Alter") FROM BvB WHERE PG = ?', pg) != 95:
            fail("BvB of %d: ages not 0..95" % pg)
        total = one("SELECT sum(Jahr1) FROM BvB WHERE PG = ?", pg)
        inhabitants = one("SELECT Einwohner FROM PG WHERE ID = ?", pg)
        if abs(total - inhabitants) > 0.5:
            fail("BvB year 1 of %d sums to %.2f, PG says %d" % (pg, total, inhabitants))
    if one("SELECT count(*) FROM BvB WHERE " + " OR ".join("%s < 0 OR %s IS NULL" % (c, c) for c in YEAR_COLS)):
        fail("BvB holds negative or empty values")
    stray = one("SELECT count(*) FROM BvB WHERE PG NOT IN (SELECT ID FROM PG)")
    if stray:
        fail("BvB holds %d rows of unknown municipalities" % stray)

    # inhabitants per dwelling unit
    for t in TYPES:
        if one("SELECT count(*) FROM BvB_Bebauungstypen WHERE Typ = ?", t) != 96:
            fail("BvB_Bebauungstypen of %s has not 96 ages" % t)
        for c in YEAR_COLS:
            size = one("SELECT sum(%s) FROM BvB_Bebauungstypen WHERE Typ = ?" % c, t)
            if not 1.5 <= size <= 3.6:
                fail("household size of %s in %s is %.2f" % (t, c, size))
    if one("SELECT count(*) FROM BvB_Bebauungstypen WHERE Typ NOT IN (%s)"
           % ",".join("'%s'" % t for t in TYPES)):
        fail("BvB_Bebauungstypen holds unknown types")

    # evaluation types and cost bearers
    cols = [r[1] for r in db.execute("PRAGMA table_info(Auswertung_Typen)")]
    bearers = [c for c in cols if c.startswith("Anteil_")]
    if cols[0] != "Typ" or len(bearers) != len(cols) - 1:
        fail("Auswertung_Typen: Typ first, then only Anteil_ columns: %s" % cols)
    if not 3 <= len(bearers) <= 8:
        fail("%d cost bearers" % len(bearers))
    for b in bearers:
        if " " in b or "'" in b:
            fail("cost bearer name %r" % b)
    types = [r[0] for r in db.execute("SELECT Typ FROM Auswertung_Typen")]
    if len(types) > 8:
        fail("%d evaluation types" % len(types))
    for t in REQUIRED_TYPES:
        if t not in types:
            fail("evaluation type %r missing" % t)
    for row in db.execute("SELECT Typ, %s FROM Auswertung_Typen" % ", ".join(bearers)):
        shares = [v or 0 for v in row[1:]]
        if abs(sum(shares) - 100) > 1e-9 or min(shares) < 0:
            fail("shares of %r: %s" % (row[0], shares))

    # settlement presets
    for preset in ("mit_Mobilisierung", "ohne_Mobilisierung", "leer"):
        t = "Besiedelung_" + preset
        years = [r[0] for r in db.execute('SELECT Jahr FROM "%s" ORDER BY Jahr' % t)]
        if years != list(range(1, 21)):
            fail("%s: years %s" % (t, years))
        for ty in TYPES:
            s = one('SELECT sum(%s) FROM "%s"' % (ty, t))
            low = one('SELECT min(%s) FROM "%s"' % (ty, t))
            if s > 100 or low < 0:
                fail("%s.%s sums to %s (min %s)" % (t, ty, s, low))
            if preset == "leer" and s != 0:
                fail("%s.%s is not 0" % (t, ty))
            if preset == "mit_Mobilisierung" and s != 100:
                fail("%s.%s does not reach 100" % (t, ty))

    # value lists
    for tab, field, n, d in db.execute(
            'SELECT Tabelle, Feld, count(*), sum("Default") FROM FeldWerte GROUP BY Tabelle, Feld'):
        if d != 1:
            fail("FeldWerte %s.%s has %s default rows" % (tab, field, d))
        if n < 1:
            fail("FeldWerte %s.%s is empty" % (tab, field))
        dup = one("SELECT count(*) - count(DISTINCT Beschreibung) FROM FeldWerte "
                  "WHERE Tabelle = ? AND Feld = ?", tab, field)
        if dup:
            fail("FeldWerte %s.%s repeats a Beschreibung" % (tab, field))
    listed = {r[0] for r in db.execute("SELECT DISTINCT Feld FROM FeldWerte WHERE Tabelle = 'TAVO'")}
    for f in TAVO_VALUE_LIST_FIELDS + ["Bezugsjahr"]:
        if f not in listed:
            fail("FeldWerte has no list for TAVO.%s" % f)
    for f in sorted(listed - set(TAVO_VALUE_LIST_FIELDS) - {"Bezugsjahr"}):
        fail("FeldWerte lists unknown or derived TAVO column %s" % f)
    for f in TAVO_WITHOUT_LIST:
        if f in listed:
            fail("FeldWerte lists derived column %s" % f)
    if one("SELECT count(*) FROM FeldWerte WHERE Tabelle = 'TAVO' AND Feld = 'Bezugsjahr'") != 1:
        fail("Bezugsjahr needs exactly one row")
    for tab, field, value in db.execute(
            "SELECT Tabelle, Feld, Wert FROM FeldWerte WHERE NOT (Tabelle = 'Bebauung' "
            "AND Feld IN ('bbTyp', 'bbBauklasse'))"):
        try:
            float(value)
        except (TypeError, ValueError):
            fail("FeldWerte %s.%s: Wert %r is not a number" % (tab, field, value))
        if "," in value or (value.count(".") == 1 and value.endswith("0") and "." in value):
            fail("FeldWerte %s.%s: Wert %r not in plain form" % (tab, field, value))
    bb = {r[0]: [x[0] for x in db.execute(
        "SELECT Wert FROM FeldWerte WHERE Tabelle = 'Bebauung' AND Feld = ? ORDER BY Nummer", (r[0],))]
        for r in db.execute("SELECT DISTINCT Feld FROM FeldWerte WHERE Tabelle = 'Bebauung'")}
    if bb.get("bbTyp") != TYPES:
        fail("bbTyp list: %s" % bb.get("bbTyp"))
    if bb.get("bbBauklasse") != ["I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"]:
        fail("bbBauklasse list: %s" % bb.get("bbBauklasse"))
    if not bb.get("bbAnteil") or max(int(v) for v in bb["bbAnteil"]) != 100:
        fail("bbAnteil list: %s" % bb.get("bbAnteil"))
    # integer columns of the project record get whole numbers
    for f in [x for x in TAVO_VALUE_LIST_FIELDS if x.startswith(("ifLfm", "ifFlAnschl"))
              or x.endswith("InJahr")]:
        for (value,) in db.execute("SELECT Wert FROM FeldWerte WHERE Tabelle = 'TAVO' AND Feld = ?", (f,)):
            if not value.isdigit():
                fail("FeldWerte TAVO.%s: %r is no whole number" % (f, value))
    check_sources(db, fail)
    return problems


# Fields that hold a cost, fee or rate: their default needs a published source or the explicit
# note that none was found; "Planungsannahme" is reserved for the inputs of a project.
RATE_PREFIXES = ("ifKoEr", "ifKoEh", "auHebesatz", "auEinheitssatz", "gs", "siKoEh", "siKoEr", "fiZinsen")
NO_SOURCE = "keine veröffentlichte Quelle gefunden; Annahme"
PLANNING = "Planungsannahme"


def check_sources(db, fail):
    """Every value list has one source row whose default is the list's default, lies inside the
    list and inside the published range, and names only known sources."""
    lists = {}
    for tab, field, value, text, dflt in db.execute(
            'SELECT Tabelle, Feld, Wert, Beschreibung, "Default" FROM FeldWerte ORDER BY Nummer'):
        entry = lists.setdefault((tab, field), {"values": [], "default": None})
        entry["values"].append(value)
        if dflt:
            entry["default"] = (value, text)
    rows = {}
    for row in db.execute("SELECT Tabelle, Feld, Vorgabe, Beschreibung, Spanne_von, Spanne_bis, "
                          "Quellen, Herleitung FROM FeldQuellen"):
        rows[(row[0], row[1])] = row[2:]
    known = {r[0]: r[1:] for r in db.execute(
        "SELECT ID, Titel, Herausgeber, Jahr, Fundstelle, Adresse FROM Quellen")}
    used = set()
    for key in sorted(set(rows) - set(lists)):
        fail("FeldQuellen %s.%s has no value list" % key)
    for key, entry in sorted(lists.items()):
        name = "%s.%s" % key
        if key not in rows:
            fail("FeldQuellen has no source entry for %s" % name)
            continue
        value, text, low, high, sources, how = rows[key]
        if entry["default"] is None or (value, text) != entry["default"]:
            fail("FeldQuellen %s: default %r/%r, list default %r" % (name, value, text, entry["default"]))
            continue
        ids = [s for s in (sources or "").split(";") if s]
        used.update(ids)
        for sid in ids:
            if sid not in known:
                fail("FeldQuellen %s names unknown source %s" % (name, sid))
        if not how or not how.strip():
            fail("FeldQuellen %s has no derivation" % name)
            continue
        if not ids and not how.startswith((NO_SOURCE, PLANNING)):
            fail("FeldQuellen %s has neither a source nor the note that none was found" % name)
        if key[0] == "TAVO" and key[1].startswith(RATE_PREFIXES) and how.startswith(PLANNING):
            fail("FeldQuellen %s: a rate is no planning assumption" % name)
        if (low is None) != (high is None) or (low is None) != (not ids):
            fail("FeldQuellen %s: published range and sources must come together" % name)
        if key == ("Bebauung", "bbTyp") or key == ("Bebauung", "bbBauklasse"):
            continue
        numbers = [float(v) for v in entry["values"]]
        d = float(value)
        if not min(numbers) <= d <= max(numbers):
            fail("FeldQuellen %s: default %s outside its list %s..%s" % (name, value, min(numbers), max(numbers)))
        if low is not None and not (low <= high and low - 1e-9 <= d <= high + 1e-9):
            fail("FeldQuellen %s: default %s outside the published range %s..%s" % (name, value, low, high))
    for sid, (title, publisher, year, place, address) in sorted(known.items()):
        if sid not in used:
            fail("source %s is named by no default" % sid)
        if not all(x and x.strip() for x in (title, publisher, year, place)):
            fail("source %s lacks title, publisher, year or place" % sid)
        if not (address or "").startswith(("http://", "https://")):
            fail("source %s has no address" % sid)


def check_generated(fail):
    """The files of this folder are exactly what generate.py writes: it stays the one place that
    holds the values."""
    sys.path.insert(0, HERE)
    sys.dont_write_bytecode = True   # leave no cache in the source folder
    import generate
    for name, text in sorted(generate.generated_files().items()):
        with open(os.path.join(HERE, name), encoding="utf-8", newline="") as f:
            if f.read() != text:
                fail("%s differs from what generate.py writes; run python3 generate.py" % name)


def main():
    keep = None
    if "--keep" in sys.argv:
        keep = sys.argv[sys.argv.index("--keep") + 1]
    with tempfile.TemporaryDirectory() as tmp:
        path = keep or os.path.join(tmp, "TAVO_Master.db")
        if os.path.exists(path):
            os.remove(path)
        db = build(path)
        problems = check(db)
        check_generated(problems.append)
        counts = [(t, db.execute('SELECT count(*) FROM "%s"' % t).fetchone()[0])
                  for (t,) in db.execute("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")]
        db.close()
    for t, n in counts:
        print("%-34s %6d rows" % (t, n))
    if problems:
        print("\n%d problem(s):" % len(problems))
        for p in problems:
            print("  " + p)
        sys.exit(1)
    print("\nall checks passed")


if __name__ == "__main__":
    main()
