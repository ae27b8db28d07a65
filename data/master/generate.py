#!/usr/bin/env python3
"""Generates the readable sources of the master database TAVO_Master.db.

Writes schema.sql and one tab-separated file per table into the folder of this
script.  Everything is computed deterministically from the parameters below
(no random numbers), so running the script twice gives byte-identical files.

    python3 generate.py            # regenerate all files
    python3 generate.py --summary  # also print household sizes and totals

Only the Python standard library is used.  The build reads the generated files,
not this script; see README.md for how the figures were derived.
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

YEARS = 20                      # project years 1..20
MAX_AGE = 95                    # 95 stands for "95 and older"
AGES = range(MAX_AGE + 1)
TYPES = ["EFHg", "EFHk", "RHg", "RHk", "GWB"]
YEAR_COLS = ["Jahr%d" % k for k in range(1, YEARS + 1)]
REFERENCE_YEAR = 2024

# --------------------------------------------------------------------------
# Formatting helpers
# --------------------------------------------------------------------------


def num(x, digits=2):
    """Number as text with '.' and at most `digits` decimals, no trailing zeros."""
    s = "%.*f" % (digits, x)
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    if s in ("-0", ""):
        s = "0"
    return s


def de(x, digits=2):
    """Number as shown to a German user: decimal comma; from 10.000 on with '.' as
    thousands separator (four-digit numbers are written without one)."""
    s = num(x, digits)
    sign = "-" if s.startswith("-") else ""
    whole, _, frac = s.lstrip("-").partition(".")
    if len(whole) > 4:
        groups = []
        while len(whole) > 3:
            groups.insert(0, whole[-3:])
            whole = whole[:-3]
        whole = ".".join([whole] + groups)
    return sign + whole + ("," + frac if frac else "")


def write_tsv(name, columns, rows):
    path = os.path.join(HERE, name + ".tsv")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(columns) + "\n")
        for row in rows:
            cells = ["" if c is None else str(c) for c in row]
            assert len(cells) == len(columns), (name, row)
            for c in cells:
                assert "\t" not in c and "\n" not in c, (name, c)
            f.write("\t".join(cells) + "\n")


# --------------------------------------------------------------------------
# Municipalities
# --------------------------------------------------------------------------

# ID, name, district, inhabitants, area km², yearly growth, ageing tilt, fertility (TFR)
# growth: target change of the population per year (natural change plus migration)
# tilt:   > 0 older population than the land's average, < 0 younger
MUNICIPALITIES = [
    (301, "Talheim",        "Talheim",   5840, 38.6,  0.0080, -0.05, 1.52),
    (302, "Oberau",         "Talheim",   2310, 21.4,  0.0060, -0.02, 1.55),
    (303, "Oberdorf",       "Talheim",   1475, 17.9,  0.0020,  0.06, 1.50),
    (304, "Obertal",        "Oberland",   890, 44.2, -0.0040,  0.16, 1.46),
    (305, "Unterau",        "Talheim",   3120, 19.3,  0.0050, -0.04, 1.54),
    (306, "Mühlbach",       "Neumarkt",  2650, 26.8,  0.0030,  0.04, 1.51),
    (307, "Grünau",         "Neumarkt",  4120, 31.5,  0.0090, -0.10, 1.60),
    (308, "Söllbrunn",      "Oberland",  1180, 52.7, -0.0020,  0.10, 1.48),
    (309, "Kirchberg",      "Neumarkt",  3560, 29.1,  0.0040,  0.00, 1.53),
    (310, "Bergen",         "Oberland",   720, 61.3, -0.0060,  0.20, 1.44),
    (311, "Steinach",       "Oberland",  1960, 35.0,  0.0000,  0.08, 1.49),
    (312, "Weißenbach",     "Neumarkt",  2840, 24.6,  0.0020,  0.03, 1.52),
    (313, "Hochfeld",       "Oberland",   610, 48.9, -0.0050,  0.18, 1.45),
    (314, "Seewies",        "Talheim",   1340, 15.2,  0.0070, -0.06, 1.57),
    (315, "Neumarkt",       "Neumarkt",  8250, 42.8,  0.0100, -0.08, 1.48),
    (316, "Sankt Leonhard", "Oberland",  1720, 57.4,  0.0010,  0.09, 1.50),
]

# --------------------------------------------------------------------------
# Demography: mortality, base age structure, migration profile
# --------------------------------------------------------------------------


def death_rate(age):
    """Yearly probability of death at `age` (Gompertz-Makeham curve, life expectancy
    at birth about 82 years)."""
    if age == 0:
        return 0.0033
    if age >= MAX_AGE:
        return 0.33
    return min(0.5, 0.0003 + 0.0000045 * math.exp(0.115 * age))


def interpolate(knots, x):
    for (x0, y0), (x1, y1) in zip(knots, knots[1:]):
        if x0 <= x <= x1:
            return y0 + (y1 - y0) * (x - x0) / (x1 - x0)
    raise ValueError(x)


# share of the population per single year of age, percent (land average);
# the last knot is the open group 95+
PYRAMID_KNOTS = [
    (0, 0.93), (5, 0.98), (10, 1.00), (15, 0.98), (20, 1.10), (25, 1.22),
    (30, 1.35), (35, 1.35), (40, 1.30), (45, 1.25), (50, 1.40), (55, 1.58),
    (60, 1.45), (65, 1.20), (70, 1.05), (75, 0.92), (80, 0.75), (85, 0.45),
    (90, 0.20), (94, 0.08),
]
OPEN_GROUP_SHARE = 0.15


def base_pyramid(total, tilt):
    weights = []
    for a in AGES:
        w = OPEN_GROUP_SHARE if a == MAX_AGE else interpolate(PYRAMID_KNOTS, a)
        weights.append(w * (1.0 + tilt * (a - 42) / 50.0))
    s = sum(weights)
    return [total * w / s for w in weights]


def migration_profile():
    """Age distribution of net migrants (sums to 1)."""
    w = []
    for a in AGES:
        young_adults = math.exp(-0.5 * ((a - 27) / 6.0) ** 2)
        children = 0.30 * math.exp(-0.5 * (a / 6.0) ** 2) if a <= 15 else 0.0
        middle = 0.08 if 35 <= a <= 60 else 0.0
        old = 0.02 if a > 60 else 0.0
        w.append(young_adults + children + middle + old)
    s = sum(w)
    return [x / s for x in w]


MIGRANTS = migration_profile()


def project_population(total, growth, tilt, tfr):
    """Cohort-component forecast; returns per year a list of inhabitants by age."""
    pop = base_pyramid(total, tilt)
    years = [pop]
    for k in range(1, YEARS):
        women = 0.49 * sum(pop[15:50])
        births = tfr / 35.0 * women
        nxt = [0.0] * len(pop)
        nxt[0] = births * (1.0 - death_rate(0) / 2.0)
        for a in range(1, MAX_AGE):
            nxt[a] = pop[a - 1] * (1.0 - death_rate(a - 1))
        nxt[MAX_AGE] = pop[MAX_AGE - 1] * (1.0 - death_rate(MAX_AGE - 1)) \
            + pop[MAX_AGE] * (1.0 - death_rate(MAX_AGE))
        target = total * (1.0 + growth) ** k
        migrants = target - sum(nxt)
        nxt = [max(0.0, p + migrants * m) for p, m in zip(nxt, MIGRANTS)]
        years.append(nxt)
        pop = nxt
    return years


# --------------------------------------------------------------------------
# Settlement presets (percent of a type's dwellings first occupied per year)
# --------------------------------------------------------------------------

PRESET_WITH_MOBILISATION = {
    # building land is made available at once: everything is occupied within 7-8 years
    "EFHg": [10, 20, 20, 15, 12, 10, 8, 5],
    "EFHk": [10, 20, 20, 15, 12, 10, 8, 5],
    "RHg":  [0, 25, 25, 20, 15, 10, 5],
    "RHk":  [0, 25, 25, 20, 15, 10, 5],
    "GWB":  [0, 40, 30, 30],
}
PRESET_WITHOUT_MOBILISATION = {
    # plots are held back by their owners: slow, spread over 20 years, not complete
    "EFHg": [3, 5, 6, 6, 6, 6, 5, 5, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3],
    "EFHk": [3, 5, 6, 6, 6, 6, 5, 5, 5, 5, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3],
    "RHg":  [0, 8, 8, 8, 7, 7, 6, 6, 5, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2],
    "RHk":  [0, 8, 8, 8, 7, 7, 6, 6, 5, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2],
    "GWB":  [0, 0, 25, 0, 0, 0, 25, 0, 0, 0, 0, 20, 0, 0, 0, 0, 15, 0, 0, 0],
}


def preset_rows(preset):
    rows = []
    for y in range(1, YEARS + 1):
        row = [y]
        for t in TYPES:
            values = preset.get(t, []) if preset else []
            row.append(num(values[y - 1] if y <= len(values) else 0))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------
# Households per dwelling unit
# --------------------------------------------------------------------------


def age_spread(mean, sd, lowest):
    """Discrete normal distribution over the ages lowest..95 (sums to 1)."""
    w = [0.0] * (MAX_AGE + 1)
    for a in range(lowest, MAX_AGE + 1):
        w[a] = math.exp(-0.5 * ((a - mean) / sd) ** 2)
    s = sum(w)
    return [x / s for x in w]


def at_home(age):
    """Share of grown children still living with their parents at `age`."""
    def logistic(a):
        return 1.0 / (1.0 + math.exp((a - 23.5) / 1.8))
    return 1.0 if age <= 18 else logistic(age) / logistic(18)


# Household types moving into a new dwelling, per building type:
# (share of households, [(persons, mean age, sd, is_child)], births expected in the
#  first years after moving in)
HOUSEHOLDS = {
    "EFHg": [
        (0.66, [(2.0, 35, 4, False), (1.35, 4, 3, True)], 0.45),
        (0.16, [(2.0, 45, 5, False), (1.6, 13, 4, True)], 0.0),
        (0.18, [(2.0, 58, 6, False)], 0.0),
    ],
    "EFHk": [
        (0.50, [(2.0, 33, 4, False), (1.05, 3, 3, True)], 0.35),
        (0.16, [(2.0, 30, 3, False)], 0.60),
        (0.22, [(2.0, 60, 7, False)], 0.0),
        (0.12, [(1.0, 45, 12, False), (1.0, 10, 5, True)], 0.0),
    ],
    "RHg": [
        (0.50, [(2.0, 34, 4, False), (1.15, 4, 3, True)], 0.35),
        (0.17, [(2.0, 30, 3, False)], 0.60),
        (0.18, [(2.0, 58, 7, False)], 0.0),
        (0.15, [(1.0, 40, 10, False), (1.0, 9, 5, True)], 0.0),
    ],
    "RHk": [
        (0.42, [(2.0, 33, 4, False), (1.05, 3, 3, True)], 0.40),
        (0.22, [(2.0, 30, 3, False)], 0.80),
        (0.18, [(2.0, 62, 8, False)], 0.0),
        (0.18, [(1.0, 42, 14, False), (0.6, 9, 5, True)], 0.0),
    ],
    "GWB": [
        (0.30, [(1.0, 32, 9, False)], 0.0),
        (0.12, [(1.0, 72, 9, False)], 0.0),
        (0.26, [(2.0, 31, 5, False)], 0.55),
        (0.22, [(2.0, 34, 5, False), (1.1, 4, 3, True)], 0.25),
        (0.10, [(2.0, 63, 7, False)], 0.0),
    ],
}
# Births after moving in are spread over these years (d = 0, 1, 2, ...)
BIRTH_TIMING = [0.20, 0.25, 0.22, 0.15, 0.10, 0.08]
# Yearly share of dwellings whose household moves out and is replaced by a new one
TURNOVER = {"EFHg": 0.015, "EFHk": 0.02, "RHg": 0.025, "RHk": 0.03, "GWB": 0.08}


def survive(age_from, age_to):
    p = 1.0
    for a in range(age_from, age_to):
        p *= 1.0 - death_rate(min(a, MAX_AGE))
    return p


def fresh_household(typ, d):
    """Inhabitants by age per dwelling, d years after a household moved in."""
    out = [0.0] * (MAX_AGE + 1)
    for share, members, births in HOUSEHOLDS[typ]:
        for persons, mean, sd, is_child in members:
            dist = age_spread(mean, sd, 0 if is_child else 18)
            for a0, p in enumerate(dist):
                if p == 0.0:
                    continue
                a = min(a0 + d, MAX_AGE)
                stay = survive(a0, a0 + d)
                if is_child:
                    stay *= at_home(a0 + d) / at_home(a0)
                out[a] += share * persons * p * stay
        for x, frac in enumerate(BIRTH_TIMING):
            if x <= d:
                age = d - x
                stay = survive(0, age) * at_home(age)
                out[min(age, MAX_AGE)] += share * births * frac * stay
    return out


def household_by_duration(typ):
    """Inhabitants by age per occupied dwelling, d = 0..19 years after first occupation.

    Some households move out every year and are replaced by newcomers of the same
    kind, so the dwellings do not age as a closed group."""
    fresh = [fresh_household(typ, d) for d in range(YEARS)]
    tau = TURNOVER[typ]
    result = []
    for d in range(YEARS):
        row = [(1.0 - tau) ** d * v for v in fresh[d]]
        for k in range(1, d + 1):
            weight = tau * (1.0 - tau) ** (d - k)
            row = [r + weight * v for r, v in zip(row, fresh[d - k])]
        result.append(row)
    return result


def per_unit_by_project_year(typ):
    """Inhabitants by age per occupied dwelling in project year 1..20.

    The dwellings standing in project year p were first occupied in different
    years; they are weighted with the standard settlement pace (preset with
    mobilisation) of the type."""
    by_duration = household_by_duration(typ)
    pace = PRESET_WITH_MOBILISATION[typ]
    columns = []
    for p in range(1, YEARS + 1):
        weights = [(t, pace[t - 1]) for t in range(1, p + 1) if t <= len(pace) and pace[t - 1] > 0]
        if not weights:
            weights = [(p, 1.0)]   # nothing occupied yet: a dwelling occupied this year
        total = sum(w for _, w in weights)
        col = [0.0] * (MAX_AGE + 1)
        for t, w in weights:
            for a, v in enumerate(by_duration[p - t]):
                col[a] += w / total * v
        columns.append(col)
    return columns


# --------------------------------------------------------------------------
# Fiscal equalisation and levies per additional inhabitant
# --------------------------------------------------------------------------


def revenue_share_base(inhabitants):
    """Revenue shares per inhabitant in year 1: larger municipalities get more per head
    (graded population key)."""
    if inhabitants <= 1000:
        return 935.0
    if inhabitants <= 2500:
        return 985.0
    if inhabitants <= 5000:
        return 1045.0
    if inhabitants <= 10000:
        return 1130.0
    return 1260.0


def small_variation(pg, spread):
    """Deterministic municipality-specific deviation in [-spread, +spread]."""
    return spread * (((pg * 37) % 21) - 10) / 10.0


def year_series(start, growth):
    return [num(start * (1.0 + growth) ** k, 2) for k in range(YEARS)]


def fiscal_tables():
    tables = {name: [] for name in (
        "FA_Ertragsanteile", "FA_Sekundäre_Transfers", "Umlage_Jugendwohlfahrt",
        "Umlage_Sozialhilfe", "Umlage_TLKAS", "FA_Ertragsanteile_Red",
        "FA_Ertragsanteile_Red_Max", "FA_Sekundäre_Transfers_Red",
        "FA_Sekundäre_Transfers_Red_Max")}
    for pg, _, _, inh, _, _, tilt, _ in MUNICIPALITIES:
        # weaker (small, ageing) municipalities receive more secondary transfers
        weakness = max(0.0, min(1.0, (3000.0 - inh) / 2500.0 + tilt))
        ea = revenue_share_base(inh) * (1.0 + small_variation(pg, 0.02))
        st = 60.0 + 130.0 * weakness + small_variation(pg, 8.0)
        jw = 44.0 + 0.0015 * inh + small_variation(pg, 3.0)
        sh = 165.0 + 0.006 * inh + small_variation(pg, 10.0)
        kas = 96.0 + 0.004 * inh + small_variation(pg, 6.0)
        ea_red = 22.0 + small_variation(pg, 4.0)
        st_red = 12.0 + 18.0 * weakness
        ea_max = max(4000.0, 3.5 * inh)
        st_max = max(2500.0, 2.0 * inh)
        tables["FA_Ertragsanteile"].append([pg] + year_series(ea, 0.021))
        tables["FA_Sekundäre_Transfers"].append([pg] + year_series(st, 0.015))
        tables["Umlage_Jugendwohlfahrt"].append([pg] + year_series(jw, 0.030))
        tables["Umlage_Sozialhilfe"].append([pg] + year_series(sh, 0.035))
        tables["Umlage_TLKAS"].append([pg] + year_series(kas, 0.030))
        tables["FA_Ertragsanteile_Red"].append([pg] + [num(ea_red, 1)] * YEARS)
        tables["FA_Sekundäre_Transfers_Red"].append([pg] + [num(st_red, 1)] * YEARS)
        tables["FA_Ertragsanteile_Red_Max"].append([pg] + year_series(round(ea_max, -1), 0.02))
        tables["FA_Sekundäre_Transfers_Red_Max"].append([pg] + year_series(round(st_max, -1), 0.02))
    return tables


# --------------------------------------------------------------------------
# Evaluation types and cost bearers
# --------------------------------------------------------------------------

COST_BEARERS = ["Gemeinde", "Abwasserverband", "Wasserverband", "Energieversorger", "Land"]
EVALUATION_TYPES = [
    # type, shares in the order of COST_BEARERS (None: bearer has no part, written as 0)
    ("öffentliches Gut",               [100, None, None, None, None]),
    ("Kanal",                          [50, 40, None, None, 10]),
    ("Wasser",                         [60, None, 30, None, 10]),
    ("sonstige Leitungen",             [20, None, None, 80, None]),
    ("Finanzausgleich",                [100, None, None, None, None]),
    ("soz. Infrastruktur Erhaltung",   [70, None, None, None, 30]),
    ("soz. Infrastruktur Errichtung",  [60, None, None, None, 40]),
    ("Sonstiges",                      [100, None, None, None, None]),
]

# --------------------------------------------------------------------------
# Value lists
# --------------------------------------------------------------------------


def entries(values, default, unit="", digits=2, label=None):
    """Value-list entries: (Beschreibung, Wert, default flag)."""
    assert default in values, (values, default)
    out = []
    for v in values:
        text = label(v) if label else (de(v, digits) + (" " + unit if unit else ""))
        out.append((text, num(v, digits), v == default))
    return out


def year_label(v):
    return "im %d. Jahr" % v


def area_label(v):
    text = de(v, 0) + " m²"
    if v >= 10000:
        text += " (" + de(v / 10000.0, 1) + " ha)"
    return text


PCT = "%"
TAVO_LISTS = [
    # page "Baugebiet/Bebauung"
    ("bgFlBaulandBrutto", entries([5000, 10000, 20000, 30000, 50000], 10000, label=area_label)),
    ("bgAntGrünflächen", entries([5, 10, 12.5, 15, 20], 10, PCT, 1)),
    ("bgAntVerkehrsflächen", entries([12, 15, 18, 20, 25], 15, PCT, 1)),
    ("bgNutzFl_EFHg", entries([130, 140, 160, 180], 140, "m²", 1)),
    ("bgNutzFl_EFHk", entries([100, 110, 120], 110, "m²", 1)),
    ("bgNutzFl_RHg", entries([110, 120, 130], 120, "m²", 1)),
    ("bgNutzFl_RHk", entries([85, 95, 105], 95, "m²", 1)),
    ("bgNutzFl_GWB", entries([60, 75, 90], 75, "m²", 1)),
    ("bgBebDichte_GWB", entries([60, 80, 100, 120], 80, PCT, 1)),
    ("bgGstFl_EFHg", entries([700, 800, 900], 800, "m²", 0)),
    ("bgGstFl_EFHk", entries([450, 500, 600], 500, "m²", 0)),
    ("bgGstFl_RHg", entries([300, 350, 400], 350, "m²", 0)),
    ("bgGstFl_RHk", entries([200, 250, 300], 250, "m²", 0)),
    ("bgGstFl_GWB", entries([100, 150, 200], 150, "m²", 0)),
    ("bgWandstärke", entries([0.3, 0.4, 0.5], 0.4, "m", 2)),
    # page "techn. Infrastruktur", inner development
    ("ifFaktorLeitungslängen", entries([0.03, 0.04, 0.05, 0.06, 0.08], 0.04, "Lfm/m²", 3)),
    ("ifLfmKanalStrEntwässerung", entries([0, 100, 200, 300, 400, 500], 0, "Lfm", 0)),
    ("ifLfmWasserleitung", entries([0, 100, 200, 300, 400, 500], 400, "Lfm", 0)),
    ("ifLfmKanalTrennsystem", entries([0, 100, 200, 300, 400, 500], 400, "Lfm", 0)),
    ("ifLfmKanalMischsystem", entries([0, 100, 200, 300, 400, 500], 0, "Lfm", 0)),
    ("ifLfmStraßenbeleuchtung", entries([0, 100, 200, 300, 400, 500], 400, "Lfm", 0)),
    ("ifLfmStromleitung", entries([0, 100, 200, 300, 400, 500], 400, "Lfm", 0)),
    ("ifLfmDatenleitung", entries([0, 100, 200, 300, 400, 500], 400, "Lfm", 0)),
    ("ifLfmGasleitung", entries([0, 100, 200, 300, 400, 500], 0, "Lfm", 0)),
    ("ifLfmNahwärme", entries([0, 100, 200, 300, 400, 500], 0, "Lfm", 0)),
    ("ifOberflächeInJahr", entries([2, 3, 4, 5, 6], 3, label=year_label)),
    # outer development (connecting road and lines)
    ("ifFlAnschlStraße", entries([0, 250, 500, 1000, 2000], 0, "m²", 0)),
    ("ifLfmAnschlKanalStrEntwässerung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlWasserleitung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlKanalTrennsystem", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlKanalMischsystem", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlStraßenbeleuchtung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlStromleitung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlDatenleitung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlGasleitung", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifLfmAnschlNahwärme", entries([0, 50, 100, 200], 0, "Lfm", 0)),
    ("ifAnschlOberflächeInJahr", entries([2, 3, 4, 5, 6], 3, label=year_label)),
    # unit costs, construction
    ("ifKoErStraßeUnterbau", entries([60, 80, 100, 120], 80, "€/m²", 1)),
    ("ifKoErStraßeOberbau", entries([30, 40, 50, 60], 40, "€/m²", 1)),
    ("ifKoErKanalStrEntwässerung", entries([250, 300, 400], 300, "€/Lfm", 1)),
    ("ifKoErWasserleitung", entries([200, 250, 300, 400], 250, "€/Lfm", 1)),
    ("ifKoErKanalTrennsystem", entries([400, 500, 600], 500, "€/Lfm", 1)),
    ("ifKoErKanalMischsystem", entries([300, 400, 500], 400, "€/Lfm", 1)),
    ("ifKoErStraßenbeleuchtung", entries([80, 100, 120, 150], 100, "€/Lfm", 1)),
    ("ifKoErGrünflächen", entries([10, 20, 30, 40], 20, "€/m²", 1)),
    ("ifKoErStromleitung", entries([80, 100, 130], 100, "€/Lfm", 1)),
    ("ifKoErDatenleitung", entries([40, 60, 80], 60, "€/Lfm", 1)),
    ("ifKoErGasleitung", entries([120, 150, 200], 150, "€/Lfm", 1)),
    ("ifKoErNahwärme", entries([300, 400, 500], 400, "€/Lfm", 1)),
    # unit costs, maintenance per year (about 1-2 % of construction)
    ("ifKoEhStraße", entries([1, 1.5, 2, 2.5], 1.5, "€/m²", 1)),
    ("ifKoEhKanalStrEntwässerung", entries([3, 4.5, 6], 4.5, "€/Lfm", 1)),
    ("ifKoEhWasserleitung", entries([2.5, 3.5, 5], 3.5, "€/Lfm", 1)),
    ("ifKoEhKanalTrennsystem", entries([5, 7.5, 10], 7.5, "€/Lfm", 1)),
    ("ifKoEhKanalMischsystem", entries([4, 6, 8], 6, "€/Lfm", 1)),
    ("ifKoEhStraßenbeleuchtung", entries([1.5, 2.5, 4], 2.5, "€/Lfm", 1)),
    ("ifKoEhGrünflächen", entries([1, 2, 3], 2, "€/m²", 1)),
    ("ifKoEhStromleitung", entries([1, 1.5, 2], 1.5, "€/Lfm", 1)),
    ("ifKoEhDatenleitung", entries([0.5, 0.9, 1.2], 0.9, "€/Lfm", 1)),
    ("ifKoEhGasleitung", entries([1.5, 2, 3], 2, "€/Lfm", 1)),
    ("ifKoEhNahwärme", entries([4, 6, 8], 6, "€/Lfm", 1)),
    # page "Besiedelung"
    ("auHebesatzAufschl", entries([200, 300, 400, 500, 600], 400, "€/m", 2)),
    ("auAntGemFörderungAufschl", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzWasser", entries([5, 7, 9, 12], 7, "€/m²", 2)),
    ("auAntGemFörderungWasser", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzKanalSchmutz", entries([12, 15, 18, 22], 15, "€/m²", 2)),
    ("auAntGemFörderungKanalSchmutz", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzKanalMisch", entries([16, 20, 24], 20, "€/m²", 2)),
    ("auAntGemFörderungKanalMisch", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auAnteilZuzug", entries([30, 40, 50, 60, 70], 50, PCT, 0)),
    # page "Grundsteuer"
    ("gsGebWertEFHg", entries([120, 150, 180], 150, "€/m²", 2)),
    ("gsGebWertEFHk", entries([120, 150, 180], 150, "€/m²", 2)),
    ("gsGebWertRHg", entries([110, 140, 170], 140, "€/m²", 2)),
    ("gsGebWertRHk", entries([110, 140, 170], 140, "€/m²", 2)),
    ("gsGebWertGWB", entries([90, 120, 150], 120, "€/m²", 2)),
    ("gsBodenwert", entries([5, 10, 15, 20], 10, "€/m²", 2)),
    ("gsSteuermesszahlEFHg", entries([0.5, 1, 1.5, 2], 1, "‰", 2)),
    ("gsSteuermesszahlEFHk", entries([0.5, 1, 1.5, 2], 1, "‰", 2)),
    ("gsSteuermesszahlRHg", entries([0.5, 1, 1.5, 2], 1, "‰", 2)),
    ("gsSteuermesszahlRHk", entries([0.5, 1, 1.5, 2], 1, "‰", 2)),
    ("gsSteuermesszahlGWB", entries([0.5, 1, 1.5, 2], 1.5, "‰", 2)),
    ("gsHebesatz", entries([300, 400, 500], 500, PCT, 0)),
    # page "soz. Infrastruktur"
    ("siKoEhKindergarten", entries([2000, 3000, 4000, 5000], 3000, "€", 2)),
    ("siKoEhVolksschule", entries([800, 1200, 1600, 2000], 1200, "€", 2)),
    ("siKoEhSonstige", entries([50, 75, 100, 150], 75, "€", 0)),
    # page "Finanzierung": own funds, construction and maintenance
    ("fiEigAntErÖffGut", entries([0, 25, 50, 75, 100], 0, PCT, 0)),
    ("fiEigAntEhÖffGut", entries([0, 25, 50, 75, 100], 100, PCT, 0)),
    ("fiZinsenSoll", entries([2, 3, 3.5, 4, 5], 3.5, PCT, 2)),
    ("fiZinsenHaben", entries([0.5, 1, 1.5, 2, 2.5], 1, PCT, 2)),
]
for _name in ("Kanal", "Wasserleitung", "Kindergarten", "Stromleitung",
              "Datenleitung", "Gasleitung", "Nahwärme"):
    TAVO_LISTS.append(("fiEigAntEr" + _name, entries([0, 25, 50, 75, 100], 0, PCT, 0)))
    TAVO_LISTS.append(("fiEigAntEh" + _name, entries([0, 25, 50, 75, 100], 100, PCT, 0)))

TYPE_NAMES = [
    ("Einfamilienhaus groß", "EFHg"),
    ("Einfamilienhaus klein", "EFHk"),
    ("Reihenhaus groß", "RHg"),
    ("Reihenhaus klein", "RHk"),
    ("großvolumiger Wohnbau", "GWB"),
]
ROMAN = ["I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"]
BEBAUUNG_LISTS = [
    ("bbTyp", [(d, w, w == "EFHg") for d, w in TYPE_NAMES]),
    ("bbBauklasse", [("Bauklasse " + r, r, r == "II") for r in ROMAN]),
    ("bbAnteil", [(str(v) + " %", str(v), v == 100) for v in range(10, 101, 10)]),
]


def feldwerte_rows():
    rows = [["TAVO", "Bezugsjahr", 1, str(REFERENCE_YEAR), str(REFERENCE_YEAR), 1]]
    for table, lists in (("TAVO", TAVO_LISTS), ("Bebauung", BEBAUUNG_LISTS)):
        for field, items in lists:
            assert sum(1 for _, _, d in items if d) == 1, field
            assert len({d for d, _, _ in items}) == len(items), field
            for i, (text, value, dflt) in enumerate(items, start=1):
                rows.append([table, field, i, text, value, 1 if dflt else 0])
    return rows


# --------------------------------------------------------------------------
# Schema
# --------------------------------------------------------------------------

def year_columns_sql():
    return ",\n".join("    %s DOUBLE" % c for c in YEAR_COLS)


def schema_sql():
    parts = []
    parts.append(
        "CREATE TABLE FeldWerte (\n"
        "    Tabelle TEXT NOT NULL,\n"
        "    Feld TEXT NOT NULL,\n"
        "    Nummer INTEGER NOT NULL,\n"
        "    Beschreibung TEXT,\n"
        "    Wert TEXT,\n"
        "    \"Default\" BOOLEAN NOT NULL DEFAULT 0,\n"
        "    PRIMARY KEY (Tabelle, Feld, Nummer)\n)")
    parts.append(
        "CREATE TABLE Auswertung_Typen (\n"
        "    Typ TEXT NOT NULL PRIMARY KEY,\n"
        + ",\n".join("    Anteil_%s DOUBLE" % b for b in COST_BEARERS) + "\n)")
    parts.append(
        "CREATE TABLE PG (\n"
        "    ID INTEGER PRIMARY KEY,\n"
        "    PG_Name TEXT NOT NULL,\n"
        "    Bezirk TEXT,\n"
        "    Einwohner INTEGER,\n"
        "    Fläche_km2 DOUBLE\n)")
    for preset in ("mit_Mobilisierung", "ohne_Mobilisierung", "leer"):
        parts.append(
            "CREATE TABLE Besiedelung_%s (\n"
            "    Jahr INTEGER PRIMARY KEY,\n" % preset
            + ",\n".join("    %s DOUBLE NOT NULL DEFAULT 0" % t for t in TYPES) + "\n)")
    parts.append(
        "CREATE TABLE BvB (\n"
        "    PG INTEGER NOT NULL,\n"
        "    \"Alter\" INTEGER NOT NULL,\n"
        + year_columns_sql() + ",\n"
        "    PRIMARY KEY (PG, \"Alter\")\n)")
    parts.append(
        "CREATE TABLE BvB_Bebauungstypen (\n"
        "    Typ TEXT NOT NULL,\n"
        "    \"Alter\" INTEGER NOT NULL,\n"
        + year_columns_sql() + ",\n"
        "    PRIMARY KEY (Typ, \"Alter\")\n)")
    for table in FISCAL_TABLE_ORDER:
        parts.append(
            "CREATE TABLE %s (\n"
            "    PG INTEGER PRIMARY KEY,\n" % table
            + year_columns_sql() + "\n)")
    header = ("-- Master database TAVO_Master.db: reference data, read-only for the program.\n"
              "-- Generated by generate.py, do not edit by hand.\n\n")
    return header + ";\n\n".join(parts) + ";\n"


FISCAL_TABLE_ORDER = [
    "FA_Ertragsanteile", "FA_Sekundäre_Transfers", "Umlage_Jugendwohlfahrt",
    "Umlage_Sozialhilfe", "Umlage_TLKAS", "FA_Ertragsanteile_Red",
    "FA_Ertragsanteile_Red_Max", "FA_Sekundäre_Transfers_Red",
    "FA_Sekundäre_Transfers_Red_Max",
]

# --------------------------------------------------------------------------
# Main
# --------------------------------------------------------------------------


def main():
    summary = "--summary" in sys.argv[1:]

    with open(os.path.join(HERE, "schema.sql"), "w", encoding="utf-8", newline="\n") as f:
        f.write(schema_sql())

    write_tsv("PG", ["ID", "PG_Name", "Bezirk", "Einwohner", "Fläche_km2"],
              [[pg, name, district, inh, num(area, 1)]
               for pg, name, district, inh, area, _, _, _ in MUNICIPALITIES])

    bvb_rows = []
    for pg, name, _, inh, _, growth, tilt, tfr in MUNICIPALITIES:
        years = project_population(inh, growth, tilt, tfr)
        for a in AGES:
            bvb_rows.append([pg, a] + [num(years[k][a], 3) for k in range(YEARS)])
        if summary:
            tot = [sum(y) for y in years]
            kids = [sum(y[3:7]) for y in years]
            old = [sum(y[65:]) / sum(y) for y in years]
            print("%d %-15s total %8.1f -> %8.1f  age 3-6 %6.1f -> %6.1f  65+ %4.1f%% -> %4.1f%%"
                  % (pg, name, tot[0], tot[-1], kids[0], kids[-1], 100 * old[0], 100 * old[-1]))
    write_tsv("BvB", ["PG", "Alter"] + YEAR_COLS, bvb_rows)

    bt_rows = []
    for t in TYPES:
        cols = per_unit_by_project_year(t)
        for a in AGES:
            bt_rows.append([t, a] + [num(cols[k][a], 5) for k in range(YEARS)])
        if summary:
            sizes = [sum(c) for c in cols]
            kg = [sum(c[3:7]) for c in cols]
            print("%-4s persons/unit %s" % (t, " ".join("%.2f" % s for s in sizes)))
            print("     age 3-6/unit %s" % " ".join("%.2f" % s for s in kg))
    write_tsv("BvB_Bebauungstypen", ["Typ", "Alter"] + YEAR_COLS, bt_rows)

    for name, rows in fiscal_tables().items():
        write_tsv(name, ["PG"] + YEAR_COLS, rows)

    write_tsv("Auswertung_Typen", ["Typ"] + ["Anteil_" + b for b in COST_BEARERS],
              [[typ] + [num(s or 0) for s in shares]
               for typ, shares in EVALUATION_TYPES])

    preset_cols = ["Jahr"] + TYPES
    write_tsv("Besiedelung_mit_Mobilisierung", preset_cols, preset_rows(PRESET_WITH_MOBILISATION))
    write_tsv("Besiedelung_ohne_Mobilisierung", preset_cols, preset_rows(PRESET_WITHOUT_MOBILISATION))
    write_tsv("Besiedelung_leer", preset_cols, preset_rows(None))

    write_tsv("FeldWerte", ["Tabelle", "Feld", "Nummer", "Beschreibung", "Wert", "Default"],
              feldwerte_rows())


if __name__ == "__main__":
    main()
