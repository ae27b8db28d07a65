#!/usr/bin/env python3
"""Generates the readable sources of the master database TAVO_Master.db.

Writes schema.sql and one tab-separated file per table into the folder of this
script, and the source tables between the markers of README.md.  Everything is
computed deterministically from the parameters below (no random numbers), so
running the script twice gives byte-identical files.

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


def tsv_text(name, columns, rows):
    lines = ["\t".join(columns)]
    for row in rows:
        cells = ["" if c is None else str(c) for c in row]
        assert len(cells) == len(columns), (name, row)
        for c in cells:
            assert "\t" not in c and "\n" not in c, (name, c)
        lines.append("\t".join(cells))
    return "\n".join(lines) + "\n"


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
    ("ifKoErStraßeUnterbau", entries([95, 105, 115], 105, "€/m²", 1)),
    ("ifKoErStraßeOberbau", entries([45, 50, 55], 50, "€/m²", 1)),
    ("ifKoErKanalStrEntwässerung", entries([200, 235, 250], 235, "€/Lfm", 1)),
    ("ifKoErWasserleitung", entries([115, 135, 155], 135, "€/Lfm", 1)),
    ("ifKoErKanalTrennsystem", entries([420, 450, 480], 450, "€/Lfm", 1)),
    ("ifKoErKanalMischsystem", entries([200, 235, 250], 235, "€/Lfm", 1)),
    ("ifKoErStraßenbeleuchtung", entries([30, 40, 50, 60], 50, "€/Lfm", 1)),
    ("ifKoErGrünflächen", entries([10, 20, 30, 40], 20, "€/m²", 1)),
    ("ifKoErStromleitung", entries([50, 80, 100], 80, "€/Lfm", 1)),
    ("ifKoErDatenleitung", entries([40, 60, 80], 60, "€/Lfm", 1)),
    ("ifKoErGasleitung", entries([55, 80, 100], 80, "€/Lfm", 1)),
    ("ifKoErNahwärme", entries([260, 310, 360], 310, "€/Lfm", 1)),
    # unit costs, maintenance per year: 2.5 % of construction, lists from about 1 % to the
    # published life-cycle figures (see FIELD_SOURCES)
    ("ifKoEhStraße", entries([1.5, 3, 4, 6, 8], 4, "€/m²", 1)),
    ("ifKoEhKanalStrEntwässerung", entries([2.5, 6, 9, 12.5], 6, "€/Lfm", 1)),
    ("ifKoEhWasserleitung", entries([1.5, 3.5, 6, 8], 3.5, "€/Lfm", 1)),
    ("ifKoEhKanalTrennsystem", entries([4.5, 11, 17, 24], 11, "€/Lfm", 1)),
    ("ifKoEhKanalMischsystem", entries([2.5, 6, 9, 12.5], 6, "€/Lfm", 1)),
    ("ifKoEhStraßenbeleuchtung", entries([1.5, 2, 2.5, 3], 2, "€/Lfm", 1)),
    ("ifKoEhGrünflächen", entries([1.2, 2.5, 3.5, 4.5], 2.5, "€/m²", 1)),
    ("ifKoEhStromleitung", entries([1, 2, 3.5, 5], 2, "€/Lfm", 1)),
    ("ifKoEhDatenleitung", entries([0.5, 0.9, 1.2], 0.9, "€/Lfm", 1)),
    ("ifKoEhGasleitung", entries([0.8, 2, 3], 2, "€/Lfm", 1)),
    ("ifKoEhNahwärme", entries([3, 8, 13, 18], 8, "€/Lfm", 1)),
    # page "Besiedelung"
    ("auHebesatzAufschl", entries([450, 500, 550, 600, 650], 550, "€/m", 2)),
    ("auAntGemFörderungAufschl", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzWasser", entries([4, 7, 10, 13], 7, "€/m²", 2)),
    ("auAntGemFörderungWasser", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzKanalSchmutz", entries([11, 12.5, 15, 20], 12.5, "€/m²", 2)),
    ("auAntGemFörderungKanalSchmutz", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auEinheitssatzKanalMisch", entries([14, 15.5, 17, 20], 15.5, "€/m²", 2)),
    ("auAntGemFörderungKanalMisch", entries([0, 10, 25, 50], 0, PCT, 0)),
    ("auAnteilZuzug", entries([30, 40, 50, 60, 70], 50, PCT, 0)),
    # page "Grundsteuer"
    ("gsGebWertEFHg", entries([120, 150, 180], 150, "€/m²", 2)),
    ("gsGebWertEFHk", entries([120, 150, 180], 150, "€/m²", 2)),
    ("gsGebWertRHg", entries([110, 140, 170], 140, "€/m²", 2)),
    ("gsGebWertRHk", entries([110, 140, 170], 140, "€/m²", 2)),
    ("gsGebWertGWB", entries([90, 120, 150], 120, "€/m²", 2)),
    ("gsBodenwert", entries([5, 10, 15, 20], 10, "€/m²", 2)),
    ("gsSteuermesszahlEFHg", entries([0.5, 1, 1.5, 2], 1.5, "‰", 2)),
    ("gsSteuermesszahlEFHk", entries([0.5, 1, 1.5, 2], 1.5, "‰", 2)),
    ("gsSteuermesszahlRHg", entries([0.5, 1, 1.5, 2], 1.5, "‰", 2)),
    ("gsSteuermesszahlRHk", entries([0.5, 1, 1.5, 2], 1.5, "‰", 2)),
    ("gsSteuermesszahlGWB", entries([0.5, 1, 1.5, 2], 2, "‰", 2)),
    ("gsHebesatz", entries([300, 400, 500], 500, PCT, 0)),
    # page "soz. Infrastruktur"
    ("siKoEhKindergarten", entries([3000, 4000, 5000, 6000, 7000], 5000, "€", 2)),
    ("siKoEhVolksschule", entries([850, 1100, 1400], 1100, "€", 2)),
    ("siKoEhSonstige", entries([50, 75, 100, 150], 75, "€", 0)),
    # capacity steps: places per group (class) and the cost of one more group (class)
    ("siPlätzeJeGruppeKindergarten", entries([20, 22, 24, 25], 22, "Kinder", 0)),
    ("siKoErGruppeKindergarten", entries([500000, 700000, 850000, 1000000], 850000, "€", 0)),
    ("siKoEhGruppeKindergarten", entries([88000, 110000, 132000, 154000], 110000, "€", 0)),
    ("siPlätzeJeKlasseVolksschule", entries([20, 22, 25], 25, "Schüler", 0)),
    ("siKoErKlasseVolksschule", entries([300000, 450000, 600000], 450000, "€", 0)),
    ("siKoEhKlasseVolksschule", entries([21250, 27500, 35000], 27500, "€", 0)),
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
# Sources of the default values
# --------------------------------------------------------------------------
#
# Every value list above has one entry in FIELD_SOURCES: the published sources behind its default,
# the published range at the price level of the reference year, and how the default was derived.
# Quantities and policy inputs of a project (areas, lengths, shares, own funds) are marked as
# planning assumptions; where no publication was found the entry says so.  Both tables go into the
# master database (Quellen, FeldQuellen), so that reports can list the sources of the defaults.

# Baupreisindex Tiefbau of Statistik Austria, base annual average 2020 = 100 (BPI_BASIS):
# 1st quarter 2024 (BPI_2024), the latest value at hand for the reference year 2024.
TIEFBAU_2020 = 100.0
TIEFBAU_2024 = 104.1
# 2020 lay 1.8 % above 2019 (BPI_2020), so 2019 = 100 / 1.018 on the same base.
TIEFBAU_2019 = TIEFBAU_2020 / 1.018
FROM_2020 = TIEFBAU_2024 / TIEFBAU_2020
FROM_2019 = TIEFBAU_2024 / TIEFBAU_2019

# ID, title, publisher, year, place in the source (table, page, figure), address
SOURCES = [
    ("RICHTWERTE_2020", "Kostengünstiges Bauen: Infrastrukturkosten je Bautypologie und Lage",
     "Zukunft Mobilität (zukunft-mobilitaet.net)",
     "Preisstand 2020 (Erscheinungsjahr im Abruf nicht angegeben)",
     "Tabelle „Richtwerte für die Errichtungskosten und Folgekosten für technische Infrastruktur "
     "in Österreich, Jahr 2020“, Werte netto, gerundet",
     "https://www.zukunft-mobilitaet.net/174288/analyse/kostenguenstiges-bauen-erschliessungskosten-typologie-lage-efh-rh/"),
    ("BPI_BASIS", "Baupreisindex", "Statistik Austria", "seit 1. Quartal 2021",
     "Berechnungsbasis: alle Baupreisindizes auf Basis Jahresdurchschnitt 2020 = 100",
     "https://www.statistik.at/statistiken/industrie-bau-handel-und-dienstleistungen/konjunktur/baupreisindex"),
    ("BPI_2024", "Baupreise im 1. Quartal 2024 moderat über Vorjahr",
     "immofokus.at nach Angaben von Statistik Austria", "2024",
     "1. Quartal 2024: Tiefbau 104,1, Straßenbau 105,1, sonstiger Tiefbau 102,9 Indexpunkte",
     "https://immofokus.at/a/baupreise-im-1-quartal-2024-moderat-ueber-vorjahr"),
    ("BPI_2020", "Baupreise legten 2020 in allen Sparten zu", "Kurier nach Angaben von Statistik Austria",
     "2021", "Tiefbau Jahresdurchschnitt 2020: 108,2 Punkte (damalige Basis 2015), plus 1,8 % gegenüber 2019",
     "https://kurier.at/wirtschaft/baupreise-legten-2020-in-allen-sparten-zu/401183830"),
    ("FGSV_2019", "Anfrage für die Sitzung des FinanzA am 27.11.2019 (zu FGSV, Merkblatt über den "
     "Finanzbedarf der Straßenerhaltung in den Kommunen, M FinStrKom, Ausgabe 2019)",
     "moin-wol.de", "2019",
     "Empfehlung der FGSV: 1,30 €/m² Gesamtstraßenfläche und Jahr; erstmalige Herstellung und "
     "grundhafte Erneuerung zählen nicht zur Erhaltung (Deutschland)",
     "https://www.moin-wol.de/2019/11/19/anfrage-fuer-die-sitzung-des-finanza-am-27-11-2019/"),
    ("GALK_2018", "Grünanlagenunterhaltung deutlich unterfinanziert",
     "sandrokappe.de, nach der Deutschen Gartenamtsleiterkonferenz (GALK)", "Stand 2018",
     "GALK: 1,20–4,50 €/m² und Jahr für die angemessene Pflege von Grün- und Parkanlagen "
     "(Deutschland); Hamburg 2019/2020 tatsächlich 0,40 €/m²",
     "https://sandrokappe.de/unterfinanzierung-gruenanlagen"),
    ("FM_GRUEN", "Grünanlagen: Kalkulation", "fm-connect.com", "ohne Jahr",
     "Richtkalkulation Deutschland, netto: etwa 2.000–3.000 € je 1.000 m² und Jahr",
     "https://aussenanlagen.fm-connect.com/gruenanlagen/leistungsverzeichnis/kalkulation"),
    ("NOEN_SIEGHARTS", "Groß-Siegharts: Beleuchtung wird auf LED umgestellt", "NÖN", "2019",
     "Siedlung Waldreichs: elf Lichtpunkte um 12.476 €, Erdverkabelung bereits mit dem Straßenbau",
     "https://www.noen.at/waidhofen/gross-siegharts-beleuchtung-wird-auf-led-umgestellt-gross-siegharts-firma-elektro-ledl-evn-131249006"),
    ("KLZ_ST_ANDRAE", "LED-Projekte: Den Gemeinden im Lavanttal geht ein LED-Licht auf",
     "Kleine Zeitung", "Jahr im Abruf nicht angegeben",
     "St. Andrä: 723 Lichtpunkte, jährlich rund 40.000 € Strom- und Instandhaltungskosten",
     "https://www.kleinezeitung.at/kaernten/lavanttal/4593360/LEDProjekte_Den-Gemeinden-geht-ein-LEDLicht-auf"),
    ("NOEN_KREUZSTETTEN", "Teuerung am Bau: Kreuzstetten, Baukosten drücken die "
     "Aufschließungsabgabe nach oben", "NÖN", "2023",
     "Einheitssatz der Aufschließungsabgabe 560 € (zwei Jahre zuvor festgelegt), Anhebung auf 614 € "
     "erwogen; Schätzung 60.000 € für 300 Laufmeter Kanal nach Abzug der Anteile der Mitbenützer der Künette",
     "https://www.noen.at/mistelbach/teuerung-am-bau-kreuzstetten-baukosten-druecken-die-aufschliessungs-abgabe-nach-oben-376027271"),
    ("PURGSTALL", "Aufschließungsabgabe", "Marktgemeinde Purgstall an der Erlauf",
     "Verordnung vom 14.10.2021, in Kraft ab 01.01.2022",
     "Einheitssatz 540 €; A = BL × BKK × ES nach § 38 NÖ Bauordnung 2014; der Einheitssatz "
     "entspricht den Herstellungskosten einer 3 m breiten Fahrbahnhälfte samt Gehsteig, "
     "Regenwasserkanal und Straßenbeleuchtung je Laufmeter",
     "http://www.purgstall-erlauf.gv.at/system/web/gebuehr.aspx?bezirkonr=0&detailonr=217959144&menuonr=218603958"),
    ("BRAND_LAABEN_A", "Aufschließungsabgabe", "Gemeinde Brand-Laaben", "ohne Jahr („derzeit“)",
     "Einheitssatz 550 €", "https://www.brand-laaben.at/Aufschliessungsabgabe"),
    ("BRAND_LAABEN_K", "Kanaleinmündungsabgabe", "Gemeinde Brand-Laaben", "ohne Jahr („derzeit“)",
     "Einheitssatz 15,70 €/m² Berechnungsfläche zuzüglich 10 % USt, Kanalsystem nicht angegeben",
     "https://www.brand-laaben.at/Kanaleinmuendungsabgabe_1"),
    ("SCHOENBERG", "Bauaufschließung", "Marktgemeinde Schönberg am Kamp", "Verordnung ab 2012",
     "Einheitssatz 450 €", "http://www.schoenberg.gv.at/marktgemeinde/gemeindeamt/bauaufschliessung.html"),
    ("NAPPERSDORF_A", "Aufschließungsabgabe", "Gemeinde Nappersdorf-Kammersdorf", "ohne Jahr",
     "Einheitssatz 490 €", "https://www.nappersdorf-kammersdorf.gv.at/Aufschliessungsabgabe"),
    ("NAPPERSDORF_W", "Wasseranschlussabgabe", "Gemeinde Nappersdorf-Kammersdorf", "ohne Jahr",
     "Einheitssatz 6,92 €/m² Berechnungsfläche exkl. 10 % USt",
     "https://www.nappersdorf-kammersdorf.gv.at/Wasseranschlussabgabe"),
    ("ABSDORF", "Aufschließungsabgabe", "Marktgemeinde Absdorf",
     "Verordnung vom 25.03.2021, in Kraft ab 01.05.2021", "Einheitssatz 651 €",
     "https://www.absdorf.gv.at/Aufschliessungsabgabe"),
    ("ZWENTENDORF", "Aufschließungsabgabe, Wasser- und Kanalgebühren", "Marktgemeinde Zwentendorf",
     "Stand 01.01.2023",
     "Aufschließungsabgabe 593,80 € je fiktivem Laufmeter; Wasseranschluss 11,44 €/m²; "
     "Kanaleinmündung 20,13 €/m² Berechnungsfläche (Kanalsystem und Umsatzsteuer nicht angegeben)",
     "https://www.zwentendorf.at/Aufschliessung_Wasser_Kanal"),
    ("HOCHLEITHEN", "Kanaleinmündungsgebühr", "Gemeinde Hochleithen", "ohne Jahr",
     "Mischwasserkanal 14,30, Schmutzwasserkanal 11,40, Regenwasserkanal 5,55 €/m² exkl. USt",
     "https://www.hochleithen.gv.at/Kanaleinmuendungsgebuehr_1"),
    ("KIRNBERG", "Kanaleinmündungsabgabe", "Gemeinde Kirnberg", "ohne Jahr",
     "Schmutzwasserkanal 11,00, Regenwasserkanal 4,00 €/m² exkl. MWSt",
     "http://kirnberg.at/Kanaleinmuendungsabgabe_2"),
    ("SCHWEIGGERS", "Kanalabgaben", "Marktgemeinde Schweiggers", "Sätze per 1. Jänner 2021",
     "Mischwasserkanal 16,50, Schmutzwasserkanal 14,00, Regenwasserkanal 5,00 €/m² zuzüglich "
     "10 % USt; Einheitssatz = 3 bis 5 % der Errichtungskosten je Längenmeter Kanal",
     "https://www.schweiggers.gv.at/Kanalabgaben"),
    ("GROSSKRUT", "Kanaleinmündungsabgabe, Ergänzungsabgabe und Kanalbenützungsgebühr",
     "Marktgemeinde Großkrut", "ohne Jahr",
     "Mischwasserkanal 16,00, Schmutzwasserkanal 13,00, Regenwasserkanal 5,50 €/m² inkl. MWSt",
     "https://grosskrut.riskommunal.net/Kanaleinmuendungsabgabe_Ergaenzungsabgabe_und_Kanalbenuetzungsgebuehr"),
    ("KIRCHSCHLAG", "Kanaleinmündungsabgabe", "Gemeinde Kirchschlag (kirchschlag-bw.gv.at)",
     "ohne Jahr", "Kirchschlag 14,00, Lembach 13,00 €/m² exkl. 10 % MWSt, Kanalsystem nicht angegeben",
     "https://www.kirchschlag-bw.gv.at/Kanaleinmuendungsabgabe"),
    ("GERUNGS", "Wasserabgaben", "Gemeinde (gerungs.at)", "ohne Jahr",
     "Einheitssatz Wasseranschlussabgabe 13,20 €/m² nach § 6 Abs. 5 NÖ Gemeindewasserleitungsgesetz "
     "1978 (Umsatzsteuer nicht angegeben)",
     "https://www.gerungs.at/Wasserabgaben_2"),
    ("FRIEDENSGEMEINDE", "Wasserabgaben", "Gemeinde (friedensgemeinde.at)",
     "Wasserabgabenordnung vom 05.06.2003", "Einheitssatz 4,95 €/m² exkl. 10 % USt",
     "http://friedensgemeinde.at/Wasserabgaben_1"),
    ("WULLERSDORF", "Wasseranschlussgebühren", "Marktgemeinde Wullersdorf", "ohne Jahr",
     "Einheitssatz 4,00 €/m² zuzüglich 10 % USt",
     "https://www.wullersdorf.at/de/pages/wasseranschlussgebuehren-162.aspx"),
    ("BMF_GRST", "Grundsteuermessbetrag", "Bundesministerium für Finanzen", "ohne Jahr",
     "Steuermesszahlen nach § 19 GrStG: Einfamilienhaus 0,5 ‰ für die ersten 3.650 €, 1,0 ‰ für die "
     "nächsten 7.300 €, 2,0 ‰ darüber; Mietwohngrundstück 1,0 / 1,5 / 2,0 ‰; Hebesatz höchstens 500 %",
     "https://www.bmf.gv.at/themen/steuern/immobilien-grundstuecke/grundbesitzabgaben-einheitsbewertung/grundsteuermessbetrag.html"),
    ("KOMMUNAL_GRST", "Seit 1948 sind das Gemeindeabgaben", "kommunal.at", "ohne Jahr",
     "Finanzausgleichsgesetz: Hebesätze der Grundsteuer bis zum Ausmaß von 500 Prozent",
     "https://kommunal.at/seit-1948-sind-das-gemeindeabgaben"),
    ("DEUTSCHKALTENBRUNN", "Grundsteuer A und B", "Gemeinde Deutsch Kaltenbrunn", "ohne Jahr",
     "Verordnung: Hebesatz Grundsteuer A und B je 500 v.H.",
     "https://www.deutschkaltenbrunn.eu/Grundsteuer_A_u_B_1"),
    ("OEIF_2021", "Ausgaben für Elementarbildung und Kinderbetreuung in Österreich",
     "Österreichisches Institut für Familienforschung (ÖIF), Working Paper 96, A. Baierl, M. Kaindl",
     "2021", "Kap. 5.2.1 „Ausgaben pro betreutem Kind“, Abbildung 12: laufende Ausgaben öffentlicher "
     "und privater Einrichtungen im Österreichschnitt rund 7.000 € pro Kind und Jahr (2017)",
     "https://doi.org/10.25365/phaidra.226"),
    ("KDZ_KINDERBETREUUNG", "Finanzierung der Kinderbetreuung", "KDZ – Zentrum für Verwaltungsforschung",
     "ohne Jahr (Daten bis 2013)",
     "Kinderbetreuung 5,4 % der Gemeindeausgaben; die Einnahmen decken nur ein Drittel der Ausgaben",
     "http://kdz.eu/de/content/finanzierung-der-kinderbetreuung"),
    ("STANDARD_VOLKSSCHULE", "Große Unterschiede bei Schulausgaben der Länder",
     "Der Standard, nach dem Nationalen Bildungsbericht", "Jahr im Abruf nicht angegeben",
     "Kosten pro Volksschüler und Jahr im Bundesschnitt 6.956 €",
     "http://mobil.derstandard.at/2000037641409/Grosse-Unterschiede-bei-Schulausgaben-der-Laender"),
    ("PARADISI_SCHULE", "Knapp 5.000 Euro gibt der „Vater Staat“ für die Schulausbildung eines "
     "Schülers im Jahr aus", "paradisi.de, nach dem Statistischen Bundesamt (Deutschland)", "Daten 2006",
     "je Schüler 4.900 €: 3.900 € Personal, 600 € Gebäudeunterhalt und Lehrmittel, 400 € Bau und "
     "Investitionen",
     "https://news.paradisi.de/thema/knapp-5000-euro-gibt-der-vater-staat-fuer-die-schulausbildung-eines-schuelers-im-jahr-aus-12402/"),
    ("BIOGAS_NE3", "Anschlussleitung für Netzebene 3", "biogas-netzeinspeisung.at", "ohne Jahr",
     "Anschlussleitung Netzebene 3 (bis 6 bar) samt Tiefbau: durchschnittlich etwa 55–100 €/Laufmeter; "
     "PE-Leitung 4 bar, DN 110: 55–100 €/Laufmeter bei 0,5 km, 40–67 €/Laufmeter bei 3 km",
     "https://www.biogas-netzeinspeisung.at/technische-planung/biogasnutzung-netzeinspeisung/netzebene3.html"),
    ("BGLD_KBBG_13", "Burgenländisches Kinderbildungs- und -betreuungsgesetz 2009, § 13 Gruppengröße",
     "Land Burgenland (LGBl. Nr. 60/2024)", "2024",
     "§ 13 Abs. 3: in Kindergartengruppen höchstens 25 Kinder",
     "https://cert05external-www.360.lexisnexis.at/d/rechtsnorm_ris/13_bgld_kbbg_2009/L-0-P13-AF18"),
    ("NOE_KGG_4", "NÖ Kindergartengesetz 2006, § 4", "Land Niederösterreich", "geltende Fassung",
     "§ 4 Abs. 2: Mindestzahl der Kinder in einer allgemeinen Kindergartengruppe 12, Höchstzahl 22",
     "https://gesetzefinden.at/landesrecht/landesgesetze/no-kgg/para-4"),
    ("K_KBBG_10", "Kärntner Kinderbildungs- und -betreuungsgesetz, § 10", "Land Kärnten",
     "geltende Fassung",
     "§ 10 Abs. 2 lit. a: allgemeiner Kindergarten 2023/24 bis 2026/27 höchstens 24 Kinder, "
     "sinkend auf 20 ab 2030/31",
     "https://gesetzefinden.at/landesrecht/landesgesetze/k-kbbg/para-10"),
    ("SCHOG_14", "Schulorganisationsgesetz, § 14", "Republik Österreich (BGBl. Nr. 242/1962)",
     "Fassung seit 1. 9. 2018",
     "§ 14 Abs. 1: Zahl der Schüler einer Volksschulklasse 25 als Richtwert, nicht unter 10",
     "https://jusline.at/paragraphs/history/21459"),
    ("LKZ_KITA_2020", "Billig geht immer, aber nicht bei Kitas", "Leonberger Kreiszeitung", "2020",
     "in einem Kita-Neubau kostet eine Gruppe rund eine Million Euro (Deutschland)",
     "https://www.leonberger-kreiszeitung.de/inhalt.diskussion-in-leonberg-billig-geht-immer-aber-nicht-bei-kitas.bde77704-dbf2-48e7-af90-a982c11149a4.html"),
    ("DEWEZET_KITA_2017", "Was macht den Bau einer Kita so teuer?", "Deister- und Weserzeitung", "2017",
     "Kita Hameln: drei Gruppen rund 2 Mio. €, vier Gruppen rund 2,7 Mio. € (Deutschland)",
     "https://www.dewezet.de/region/hameln_artikel,-was-macht-den-bau-einer-kita-so-teuer-_arid,2426237.html"),
    ("AZ_KLASSE_2021", "Kosten für die Erpftinger Grundschule: In den sauren Apfel beißen",
     "Augsburger Allgemeine", "2021",
     "Anbau eines einzigen Klassenzimmers an eine Grundschule: 450.000 € (Deutschland)",
     "https://www.augsburger-allgemeine.de/landsberg/Kosten-fuer-die-Erpftinger-Grundschule-In-den-sauren-Apfel-beissen-id58955606.html"),
    ("ORF_ZINSEN_2016", "Gemeinden profitieren von sinkenden Zinsen", "ORF Vorarlberg", "2016",
     "durchschnittlicher Zinssatz der Vorarlberger Gemeinden laut Gemeindebund: 3,84 % (2008), 1,37 % (2016)",
     "http://vorarlberg.orf.at/news/stories/2797282/"),
]

INDEX_2020 = ("indexiert mit dem Baupreisindex Tiefbau (2020 = 100 → 1. Quartal 2024 = 104,1), "
              "Faktor 1,041")
MAINTENANCE_RULE = ("Vorgabe rund 2,5 % der Errichtungskosten je Jahr: Mitte zwischen dem "
                    "Erhaltungsbedarf ohne grundhafte Erneuerung (bei Straßen rund 1 %, FGSV) und "
                    "den Folgekosten der Richtwerttabelle (5 %, samt langfristiger Erneuerung); im "
                    "Rechenzeitraum von 20 Jahren fällt bei neuen Anlagen kaum Erneuerung an")


def published(sources, low, high, how, factor=1.0):
    """Default backed by publications; low/high at the price level of the source, raised with
    `factor` to the reference year."""
    return (sources, round(low * factor, 2), round(high * factor, 2), how)


def default_of(field):
    for name, items in TAVO_LISTS:
        if name == field:
            return float(next(value for _, value, dflt in items if dflt))
    raise KeyError(field)


def maintenance(network, high, high_sources, how=""):
    """Yearly maintenance of a network: the list runs from 1 % of the default construction cost
    (no publication for the lower end of networks) to the published life-cycle figure `high`."""
    construction = default_of("ifKoEr" + network)
    text = MAINTENANCE_RULE + "; Untergrenze 1 % der Vorgabe für die Errichtung (Annahme)"
    sources = high_sources + [s for s in ("FGSV_2019",) if s not in high_sources]
    return (sources, round(construction * 0.01, 2), round(high, 2), text + (how and "; " + how))


def assumed(how):
    return ([], None, None, "keine veröffentlichte Quelle gefunden; Annahme: " + how)


def planning(how):
    return ([], None, None, "Planungsannahme, kein veröffentlichter Satz: " + how)


def tax_figure(value, schedule):
    """Mean tax-rate figure (per mille) of an assessed value under a graded schedule of
    (band width, per mille) pairs, the last band open."""
    rest, tax = value, 0.0
    for width, rate in schedule:
        part = rest if width is None else min(rest, width)
        tax += part * rate / 1000.0
        rest -= part
    return 1000.0 * tax / value


HOUSE_SCHEDULE = [(3650, 0.5), (7300, 1.0), (None, 2.0)]      # Einfamilienhaus, § 19 GrStG
RENTAL_SCHEDULE = [(3650, 1.0), (3650, 1.5), (None, 2.0)]     # Mietwohngrundstück


def house_tax_figure(typ):
    """Mean tax-rate figure of one house of the type with the default areas and values: assessed
    value = (building value × usable area + land value × plot) × 1.35."""
    value = (default_of("gsGebWert" + typ) * default_of("bgNutzFl_" + typ)
             + default_of("gsBodenwert") * default_of("bgGstFl_" + typ)) * 1.35
    return value, tax_figure(value, HOUSE_SCHEDULE)


def tax_figure_entry(typ):
    if typ == "GWB":
        # one multi-storey building on 3,000 m² of land with the default density
        land = 3000.0
        value = (default_of("gsGebWertGWB") * land * default_of("bgBebDichte_GWB") / 100.0
                 + default_of("gsBodenwert") * land) * 1.35
        mean = tax_figure(value, RENTAL_SCHEDULE)
        how = ("Mietwohngrundstück; ein Wohnbau auf 3.000 m² mit den Vorgaben hat einen "
               "Einheitswert von rund %s €, Steuermesszahl im Mittel %s ‰" % (de(value, 0), de(mean, 2)))
    else:
        value, mean = house_tax_figure(typ)
        how = ("Einfamilienhaus; ein Haus mit den Vorgaben hat einen Einheitswert von rund %s €, "
               "Steuermesszahl im Mittel %s ‰, gerundet auf die nächste Stufe der Liste"
               % (de(value, 0), de(mean, 2)))
    return published(["BMF_GRST"], 0.5, 2.0, "gesetzliche Staffel 0,5–2,0 ‰; " + how)


ROAD_2020 = (140.0, 160.0)   # Gemeindestraße 5,5 m ohne Gehsteig, €/m² (RICHTWERTE_2020)
ROAD_SPLIT = ("Aufteilung der Straßenkosten: zwei Drittel Unterbau, ein Drittel Oberbau "
              "(Annahme, keine Quelle für die Aufteilung gefunden)")
LAMP_SPACING = 40.0          # m between two lamps in the published figure

FIELD_SOURCES = {
    # construction of roads, lighting and green areas
    "ifKoErStraßeUnterbau": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], ROAD_2020[0] * 2 / 3, ROAD_2020[1] * 2 / 3,
        "Gemeindestraße 140–160 €/m² (2020), " + INDEX_2020 + "; " + ROAD_SPLIT + "; Vorgabe Mitte "
        "der Spanne", FROM_2020),
    "ifKoErStraßeOberbau": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], ROAD_2020[0] / 3, ROAD_2020[1] / 3,
        "Gemeindestraße 140–160 €/m² (2020), " + INDEX_2020 + "; " + ROAD_SPLIT + "; Vorgabe Mitte "
        "der Spanne", FROM_2020),
    "ifKoErKanalStrEntwässerung": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024", "NOEN_KREUZSTETTEN"], 210, 240,
        "Kanalisation Oberflächenwasser 210–240 €/Lfm (2020), " + INDEX_2020 + "; Vorgabe Mitte; "
        "Listenwert 200 nach Kreuzstetten 2023 (60.000 € für 300 Lfm Kanal)", FROM_2020),
    "ifKoErStraßenbeleuchtung": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024", "NOEN_SIEGHARTS"],
        1500 / LAMP_SPACING, 2300 / LAMP_SPACING,
        "1.500–2.300 € je Leuchte samt Verkabelung, Leuchtenabstand 40 m (2020), je Laufmeter "
        "37,5–57,5 €, " + INDEX_2020 + "; Vorgabe Mitte; Listenwert 30 nach Groß-Siegharts 2019 "
        "(1.134 € je Lichtpunkt ohne Verkabelung, 28 €/Lfm)", FROM_2020),
    "ifKoErGrünflächen": assumed(
        "20 €/m² für einfache Rasen- und Gehölzflächen, Liste 10–40 €/m²; für die Anlage "
        "öffentlicher Grünflächen wurde kein Kostenkennwert je m² gefunden"),
    # maintenance of roads, lighting and green areas
    "ifKoEhStraße": published(
        ["FGSV_2019", "RICHTWERTE_2020", "BPI_2020", "BPI_2024"], 1.30 * FROM_2019, 8.0 * FROM_2020,
        "Untergrenze FGSV 1,30 €/m² (2019, Deutschland, ohne grundhafte Erneuerung) mit dem "
        "Baupreisindex Tiefbau 2019 → 2024 (Faktor 1,060); Obergrenze Folgekosten 7–8 €/m² der "
        "Richtwerttabelle (2020), " + INDEX_2020 + "; Vorgabe 4 €/m² = rund 2,5 % der "
        "Errichtungskosten (155 €/m²), weil im Rechenzeitraum von 20 Jahren keine grundhafte "
        "Erneuerung anfällt"),
    "ifKoEhStraßenbeleuchtung": published(
        ["KLZ_ST_ANDRAE", "RICHTWERTE_2020", "BPI_2024"], 40000.0 / 723 / LAMP_SPACING,
        115 / LAMP_SPACING * FROM_2020,
        "Untergrenze St. Andrä: 40.000 € Strom und Instandhaltung für 723 Lichtpunkte = 55 € je "
        "Lichtpunkt und Jahr, bei 40 m Abstand 1,38 €/Lfm (nicht indexiert, Jahr unbekannt); "
        "Obergrenze Folgekosten 75–115 € je Leuchte (2020) = 1,9–2,9 €/Lfm, " + INDEX_2020
        + "; Vorgabe Mitte"),
    "ifKoEhGrünflächen": published(
        ["GALK_2018", "FM_GRUEN"], 1.20, 4.50,
        "GALK 1,20–4,50 €/m² und Jahr (Stand 2018, Deutschland, nicht indexiert), "
        "Richtkalkulation 2–3 €/m²; Vorgabe Mitte der Richtkalkulation"),
    # sewer and water
    "ifKoErKanalTrennsystem": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], 190 + 210, 220 + 240,
        "Trennsystem = Schmutz- und Regenwasserkanal: Abwasser 190–220 plus Oberflächenwasser "
        "210–240 €/Lfm (2020), " + INDEX_2020 + "; Vorgabe Mitte", FROM_2020),
    "ifKoErKanalMischsystem": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024", "NOEN_KREUZSTETTEN", "SCHWEIGGERS"], 210, 240,
        "für den Mischwasserkanal gilt der Satz des Oberflächenwasserkanals 210–240 €/Lfm (2020, "
        "Annahme: gleiche Bemessung auf Regenwasser), " + INDEX_2020 + "; Vorgabe Mitte; "
        "Gegenprobe: nach Schweiggers ist der Einheitssatz 3–5 % der Errichtungskosten je "
        "Längenmeter, 16,50 €/m² ergäben 330–550 €/Lfm; der Grund des Unterschieds ist nicht "
        "belegt", FROM_2020),
    "ifKoErWasserleitung": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], 110, 150,
        "Wasserversorgung 110–150 €/Lfm (2020), " + INDEX_2020 + "; Vorgabe Mitte", FROM_2020),
    "ifKoEhKanalTrennsystem": maintenance("KanalTrennsystem", (11.0 + 12.0) * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten 9,5–11 plus 10,5–12 €/Lfm (2020), indexiert"),
    "ifKoEhKanalMischsystem": maintenance("KanalMischsystem", 12.0 * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten Oberflächenwasser 10,5–12 €/Lfm (2020), indexiert"),
    "ifKoEhKanalStrEntwässerung": maintenance("KanalStrEntwässerung", 12.0 * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten 10,5–12 €/Lfm (2020), indexiert"),
    "ifKoEhWasserleitung": maintenance("Wasserleitung", 7.5 * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten 5,5–7,5 €/Lfm (2020), indexiert"),
    # other lines
    "ifKoErStromleitung": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], 50, 100,
        "Stromversorgung 50–100 €/Lfm (2020), " + INDEX_2020 + "; Vorgabe Mitte, gerundet", FROM_2020),
    "ifKoErDatenleitung": assumed(
        "60 €/Lfm bei Mitverlegung in der Künette anderer Leitungen, Liste 40–80 €/Lfm; für "
        "Datenleitungen wurde kein Satz je Laufmeter gefunden"),
    "ifKoErGasleitung": published(
        ["BIOGAS_NE3"], 55, 100,
        "PE-Leitung samt Tiefbau 55–100 €/Lfm (Jahr unbekannt, nicht indexiert); Vorgabe Mitte"),
    "ifKoErNahwärme": published(
        ["RICHTWERTE_2020", "BPI_BASIS", "BPI_2024"], 250, 350,
        "Fern-/Nahwärme 250–350 €/Lfm (2020), " + INDEX_2020 + "; Vorgabe Mitte", FROM_2020),
    "ifKoEhStromleitung": maintenance("Stromleitung", 5.0 * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten 2,5–5 €/Lfm (2020), indexiert"),
    "ifKoEhDatenleitung": assumed("0,9 €/Lfm, rund 1,5 % der angenommenen Errichtungskosten"),
    "ifKoEhGasleitung": maintenance("Gasleitung", default_of("ifKoErGasleitung") * 0.05,
                                    ["BIOGAS_NE3", "RICHTWERTE_2020"],
        "Obergrenze 5 % der Errichtung wie bei den Netzen der Richtwerttabelle"),
    "ifKoEhNahwärme": maintenance("Nahwärme", 17.5 * FROM_2020, ["RICHTWERTE_2020"],
        "Obergrenze Folgekosten 12,5–17,5 €/Lfm (2020), indexiert"),
    # levies and connection fees as Lower Austrian municipalities set them; rates in force are
    # not indexed
    "auHebesatzAufschl": published(
        ["SCHOENBERG", "NAPPERSDORF_A", "PURGSTALL", "BRAND_LAABEN_A", "NOEN_KREUZSTETTEN",
         "ZWENTENDORF", "ABSDORF"], 450, 651,
        "Einheitssätze der Aufschließungsabgabe niederösterreichischer Gemeinden 450–651 € je "
        "Meter Berechnungslänge (450, 490, 540, 550, 560, 593,80, 614 erwogen, 651); Vorgabe nahe "
        "dem Median 555 €; geltende Sätze, nicht indexiert"),
    "auEinheitssatzWasser": published(
        ["WULLERSDORF", "FRIEDENSGEMEINDE", "NAPPERSDORF_W", "ZWENTENDORF", "GERUNGS"], 4.00, 13.20,
        "Einheitssätze der Wasseranschlussabgabe 4,00–13,20 €/m² Berechnungsfläche (4,00, 4,95, "
        "6,92, 11,44, 13,20; bei den beiden höchsten ist die Umsatzsteuer nicht angegeben); Vorgabe "
        "nahe dem Median 6,92 €; nicht indexiert"),
    "auEinheitssatzKanalSchmutz": published(
        ["KIRNBERG", "HOCHLEITHEN", "GROSSKRUT", "SCHWEIGGERS", "KIRCHSCHLAG", "BRAND_LAABEN_K",
         "ZWENTENDORF"], 11.00, 20.13,
        "Schmutzwasserkanal 11,00–14,00 €/m² (11,00, 11,40, 11,82 = 13,00 ohne 10 % MWSt, 14,00); "
        "ohne Angabe des Systems 13,00–20,13 €/m²; Vorgabe Mitte der Schmutzwassersätze; netto, "
        "nicht indexiert"),
    "auEinheitssatzKanalMisch": published(
        ["HOCHLEITHEN", "GROSSKRUT", "SCHWEIGGERS", "ZWENTENDORF"], 14.30, 20.13,
        "Mischwasserkanal 14,30–16,50 €/m² (14,30, 14,55 = 16,00 ohne 10 % MWSt, 16,50); "
        "Zwentendorf 20,13 €/m² ohne Angabe des Systems; Vorgabe Mitte der Mischwassersätze; "
        "netto, nicht indexiert"),
    # property tax
    "gsHebesatz": published(
        ["KOMMUNAL_GRST", "BMF_GRST", "DEUTSCHKALTENBRUNN"], 500, 500,
        "Höchstsatz nach dem Finanzausgleichsgesetz 500 %; die gefundenen Gemeinden heben ihn aus"),
    "gsBodenwert": assumed(
        "10 €/m² Bodenwert zum Stichtag der Einheitsbewertung; die Durchschnittswerte der "
        "Einheitsbewertung wurden nicht gefunden"),
    # social infrastructure
    "siKoEhKindergarten": published(
        ["OEIF_2021", "KDZ_KINDERBETREUUNG"], 7000 * 2 / 3, 7000,
        "laufende Ausgaben der Kindertagesheime rund 7.000 € pro Kind und Jahr (2017); die Einnahmen "
        "der Gemeinden decken rund ein Drittel der Ausgaben, es bleiben rund 4.670 €; Vorgabe "
        "gerundet im unteren Teil der Spanne; nicht indexiert (kein Verbraucherpreisindex 2017 "
        "zur Hand)"),
    "siKoEhVolksschule": published(
        ["STANDARD_VOLKSSCHULE", "PARADISI_SCHULE"], 6956 * 600 / 4900, 6956 * 1000 / 4900,
        "6.956 € je Volksschüler und Jahr insgesamt; der Anteil des Schulerhalters (Gebäude, "
        "Lehrmittel: 600 von 4.900 €; mit Investitionen 1.000 von 4.900 €, deutsche Zahlen) ergibt "
        "850–1.420 €; Vorgabe Mitte (1.136 €), gerundet; abgeleitet, nicht indexiert"),
    "siKoEhSonstige": assumed(
        "75 € je Einwohner und Jahr für Gemeindeverbände, Rettung und Feuerwehr"),
    # capacity steps of kindergarten and primary school
    "siPlätzeJeGruppeKindergarten": published(
        ["NOE_KGG_4", "K_KBBG_10", "BGLD_KBBG_13"], 20, 25,
        "Höchstzahl je Kindergartengruppe nach Landesrecht: 20 bis 25 Kinder (Kärnten sinkend auf "
        "20, Niederösterreich 22, Burgenland 25); Vorgabe 22"),
    "siKoErGruppeKindergarten": published(
        ["DEWEZET_KITA_2017", "LKZ_KITA_2020"], 2700000 / 4, 1000000,
        "Neubau je Gruppe rund 0,67 Mio. € (2017) bis rund 1 Mio. € (2020), deutsche Beispiele; "
        "Vorgabe 850.000 €, gerundet in der Mitte; nicht indexiert"),
    "siKoEhGruppeKindergarten": published(
        ["OEIF_2021", "KDZ_KINDERBETREUUNG", "NOE_KGG_4"], 7000 * 2 / 3 * 22, 7000 * 22,
        "laufende Kosten je Kind wie bei den Kosten pro Kind (Vorgabe 5.000 €, Spanne 4.670–7.000 €) "
        "mal 22 Kinder je Gruppe; abgeleitet, nicht indexiert"),
    "siPlätzeJeKlasseVolksschule": published(
        ["SCHOG_14"], 10, 25, "Richtwert 25 Schüler je Volksschulklasse, nicht unter 10; Vorgabe 25"),
    "siKoErKlasseVolksschule": published(
        ["AZ_KLASSE_2021"], 450000, 450000,
        "Anbau eines Klassenzimmers 450.000 € (2021, deutsches Beispiel); Vorgabe dieser Wert; "
        "nicht indexiert"),
    "siKoEhKlasseVolksschule": published(
        ["STANDARD_VOLKSSCHULE", "PARADISI_SCHULE", "SCHOG_14"], 6956 * 600 / 4900 * 25,
        6956 * 1000 / 4900 * 25,
        "Anteil des Schulerhalters je Schüler wie bei den Kosten pro Kind (Vorgabe 1.100 €, "
        "Spanne 850–1.420 €) mal 25 Schüler je Klasse; die Lehrer bezahlt nicht die Gemeinde; "
        "abgeleitet, nicht indexiert"),
    # financing
    "fiZinsenSoll": published(
        ["ORF_ZINSEN_2016"], 1.37, 3.84,
        "mittlerer Zinssatz der Vorarlberger Gemeinden 3,84 % (2008) und 1,37 % (2016); Vorgabe "
        "3,5 % nahe dem oberen Wert, weil die Zinsen seit 2022 wieder gestiegen sind (Annahme)"),
    "fiZinsenHaben": assumed("1 % Guthabenzins, deutlich unter dem Sollzins"),
    "auAnteilZuzug": assumed("die Hälfte der neuen Bewohner zieht aus anderen Gemeinden zu"),
}
for _typ in TYPES:
    FIELD_SOURCES["gsSteuermesszahl" + _typ] = tax_figure_entry(_typ)
    FIELD_SOURCES["gsGebWert" + _typ] = assumed(
        "Gebäudewert je m² Nutzfläche zum Stichtag der Einheitsbewertung; die Durchschnittspreise "
        "der Anlage zu § 53a Bewertungsgesetz wurden nicht gefunden")

PROJECT_INPUT = planning("Menge, Anteil oder Zeitpunkt des Projekts; die Vorgabe beschreibt ein "
                         "typisches Baugebiet und wird im Projekt ersetzt")
POLICY_INPUT = planning("Entscheidung der Gemeinde; ohne Beschluss keine Förderung")
FUNDING_INPUT = planning("Errichtung fremdfinanziert, Erhaltung aus laufenden Mitteln")


def field_source(table, field):
    if table == "TAVO" and field == "Bezugsjahr":
        return planning("Preisstand der Vorgabewerte; ältere Kostenwerte sind mit dem "
                        "Baupreisindex Tiefbau auf dieses Jahr umgerechnet")
    if table == "TAVO" and field in FIELD_SOURCES:
        return FIELD_SOURCES[field]
    if field.startswith("auAntGemFörderung"):
        return POLICY_INPUT
    if field.startswith("fiEigAnt"):
        return FUNDING_INPUT
    if table == "Bebauung" or field.startswith(("bg", "ifLfm", "ifFlAnschl", "ifFaktor")) \
            or field.endswith("InJahr"):
        return PROJECT_INPUT
    raise KeyError("no source entry for %s.%s" % (table, field))


QUELLEN_COLUMNS = ["ID", "Titel", "Herausgeber", "Jahr", "Fundstelle", "Adresse"]
FELDQUELLEN_COLUMNS = ["Tabelle", "Feld", "Vorgabe", "Beschreibung", "Spanne_von", "Spanne_bis",
                       "Quellen", "Herleitung"]


def quellen_rows():
    return [list(s) for s in SOURCES]


def feldquellen_rows():
    rows = []
    known = {s[0] for s in SOURCES}
    for table, field, _, text, value, dflt in feldwerte_rows():
        if not dflt:
            continue
        sources, low, high, how = field_source(table, field)
        assert set(sources) <= known, (field, sources)
        rows.append([table, field, value, text,
                     "" if low is None else num(low, 2), "" if high is None else num(high, 2),
                     ";".join(sources), how])
    return rows


README_BEGIN = "<!-- Quellentabellen: erzeugt von generate.py -->"
README_END = "<!-- Ende der Quellentabellen -->"


def source_tables_markdown():
    """The two tables of README.md: the defaults backed by a source or marked as assumption (cost,
    fee and rate fields), and the sources themselves."""
    lines = ["| Feld | Vorgabe | Spanne | Quellen | Herleitung |", "|---|---|---|---|---|"]
    for table, field, value, text, low, high, sources, how in feldquellen_rows():
        if field not in FIELD_SOURCES:
            continue
        span = "" if low == "" else (de(float(low), 2) + " – " + de(float(high), 2))
        lines.append("| `%s` | %s | %s | %s | %s |" % (field, text, span,
                                                          ", ".join(sources.split(";")) if sources else "–",
                                                          how))
    lines += ["", "| ID | Titel | Herausgeber | Jahr | Fundstelle |", "|---|---|---|---|---|"]
    for sid, title, publisher, year, place, address in SOURCES:
        lines.append("| %s | [%s](%s) | %s | %s | %s |" % (sid, title, address, publisher, year, place))
    return "\n".join(lines)


def with_source_tables(readme):
    begin, end = readme.index(README_BEGIN), readme.index(README_END)
    return readme[:begin + len(README_BEGIN)] + "\n\n" + source_tables_markdown() + "\n\n" + readme[end:]


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
    parts.append(
        "CREATE TABLE Quellen (\n"
        "    ID TEXT NOT NULL PRIMARY KEY,\n"
        "    Titel TEXT NOT NULL,\n"
        "    Herausgeber TEXT NOT NULL,\n"
        "    Jahr TEXT NOT NULL,\n"
        "    Fundstelle TEXT NOT NULL,\n"
        "    Adresse TEXT\n)")
    parts.append(
        "CREATE TABLE FeldQuellen (\n"
        "    Tabelle TEXT NOT NULL,\n"
        "    Feld TEXT NOT NULL,\n"
        "    Vorgabe TEXT NOT NULL,\n"
        "    Beschreibung TEXT,\n"
        "    Spanne_von DOUBLE,\n"
        "    Spanne_bis DOUBLE,\n"
        "    Quellen TEXT,\n"
        "    Herleitung TEXT NOT NULL,\n"
        "    PRIMARY KEY (Tabelle, Feld)\n)")
    parts.append(
        "CREATE TABLE Herkunft (\n"
        "    Datensatz TEXT NOT NULL,\n"
        "    Land TEXT,\n"
        "    Quelle TEXT,\n"
        "    Stand TEXT,\n"
        "    Lizenz TEXT,\n"
        "    Beispiel BOOLEAN NOT NULL DEFAULT 0\n)")
    header = ("-- Master database TAVO_Master.db: reference data, read-only for the program.\n"
              "-- Generated by generate.py, do not edit by hand.\n\n")
    return header + ";\n\n".join(parts) + ";\n"


# Where the data of this master come from: every window, printout and report shows this row, so
# that nobody takes the invented municipalities for real ones.
HERKUNFT_COLUMNS = ["Datensatz", "Land", "Quelle", "Stand", "Lizenz", "Beispiel"]
HERKUNFT_ROW = ["Beispieldaten (fiktives Land Talland)", "Talland",
                "von TAVO erfunden (data/master/generate.py), keine amtliche Statistik",
                str(REFERENCE_YEAR), "frei verwendbar (Beispieldaten)", 1]

FISCAL_TABLE_ORDER = [
    "FA_Ertragsanteile", "FA_Sekundäre_Transfers", "Umlage_Jugendwohlfahrt",
    "Umlage_Sozialhilfe", "Umlage_TLKAS", "FA_Ertragsanteile_Red",
    "FA_Ertragsanteile_Red_Max", "FA_Sekundäre_Transfers_Red",
    "FA_Sekundäre_Transfers_Red_Max",
]

# --------------------------------------------------------------------------
# Main
# --------------------------------------------------------------------------


def generated_files(summary=False):
    """All generated files of this folder: file name -> content."""
    files = {"schema.sql": schema_sql()}

    def write_tsv(name, columns, rows):
        files[name + ".tsv"] = tsv_text(name, columns, rows)

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
    write_tsv("Quellen", QUELLEN_COLUMNS, quellen_rows())
    write_tsv("FeldQuellen", FELDQUELLEN_COLUMNS, feldquellen_rows())

    write_tsv("Herkunft", HERKUNFT_COLUMNS, [HERKUNFT_ROW])

    with open(os.path.join(HERE, "README.md"), encoding="utf-8") as f:
        files["README.md"] = with_source_tables(f.read())
    return files


def main():
    files = generated_files("--summary" in sys.argv[1:])
    for name, text in files.items():
        with open(os.path.join(HERE, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)


if __name__ == "__main__":
    main()
