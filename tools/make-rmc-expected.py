#!/usr/bin/env python3
"""Works out what the station must decode from every $GPRMC sentence of a folder of
receiver captures, and writes it as tables of values keyed by capture and line.

    tools/make-rmc-expected.py CAPTURE_FOLDER OUTPUT_FOLDER [--gpsdecode]

CAPTURE_FOLDER is test/daemon of gpsd's source (scripts/setup unpacks it into
build/gpsd). Written into OUTPUT_FOLDER (tests/data):

- rmc-expected.tsv: capture, line, then status, lat, ns, lon, ew, speed, course after
  the sentence, "<keep>" where the field keeps the value before it. One row per
  distinct sentence, in the order of capture names and lines.
- rmc-expected-ties.tsv: the rows whose exact coordinate lies half-way between two
  5-decimal steps: capture, line, field, half-even value, the other neighbour.
- rmc-expected-captures.tsv: capture and SHA-256 of each capture the tables name, so
  that a test can tell a different capture from a wrong decoding.

Lines are counted from 1 at line feeds; a line starting with "#" is a comment of the
capture. Within a line, the sentence is the piece between carriage returns that starts
with "$GPRMC" and holds "*", as the receiver's framing hands it on (bytes as Latin-1).

The arithmetic is exact (rational numbers): a coordinate is degrees + minutes / 60 +
fraction / 600000 from fixed character slices, rounded to 5 decimals with halves to
even; speed and course are the field's decimal number rounded to the nearest 32-bit
float, or kept when the field is not one number. A sentence whose "*" is followed by
two hex digits that disagree with the XOR of its characters changes nothing.

--gpsdecode also decodes the valid sentences (status A, at least four decimals of
minutes) with gpsd's gpsdecode, one capture at a time, and prints how far the two
decodings lie apart at most; the tables are not affected by it.
"""

import hashlib
import json
import os
import re
import struct
import subprocess
import sys
from fractions import Fraction

KEEP = "<keep>"
SPACES = " \t\n\v\f\r\x85\xa0"  # what a trimmed field loses
FLOAT_FIELD = re.compile(r"-?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?")
FLOAT_MAX = Fraction(struct.unpack("<f", b"\xff\xff\x7f\x7f")[0])
FLOAT_MIN_NORMAL = Fraction(2) ** -126


def leading_number(text):
    """The leading decimal number of text (blanks before it allowed), exactly; 0 when
    there is none."""
    match = re.match(r"[ \t]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)", text)
    if not match:
        return Fraction(0)
    return decimal_fraction(match.group(1))


def decimal_fraction(text):
    mantissa, _, exponent = text.lower().partition("e")
    value = Fraction(mantissa.lstrip("+")) if mantissa.strip("+-.") else Fraction(0)
    return value * Fraction(10) ** int(exponent or 0)


def coordinate(field, degree_digits):
    """Exact degrees before rounding."""
    degrees = leading_number(field[0:degree_digits])
    minutes = leading_number(field[degree_digits:degree_digits + 2])
    fraction = leading_number(field[degree_digits + 3:degree_digits + 7])
    return degrees + minutes / 60 + fraction / 600000


def five_decimals(exact):
    return Fraction(round(exact * 100000), 100000)


def decimal_text(value):
    """A 5-decimal value as short text: 20.6288, 0."""
    units = value * 100000
    assert units.denominator == 1
    sign = "-" if units < 0 else ""
    whole, rest = divmod(abs(units.numerator), 100000)
    text = f"{sign}{whole}.{rest:05d}".rstrip("0").rstrip(".")
    return text if text != "-0" else "0"


def nearest_float32(exact):
    """exact rounded to the nearest 32-bit float (ties to even), as a Fraction; None
    beyond the float range."""
    if exact == 0:
        return Fraction(0)
    magnitude = abs(exact)
    if magnitude < FLOAT_MIN_NORMAL:
        raise ValueError(f"{float(exact)} is below the normal floats; decide how it decodes")
    exponent = magnitude.numerator.bit_length() - magnitude.denominator.bit_length()
    while Fraction(2) ** exponent > magnitude:
        exponent -= 1
    while Fraction(2) ** (exponent + 1) <= magnitude:
        exponent += 1
    step = Fraction(2) ** (exponent - 23)
    rounded = round(magnitude / step) * step
    if rounded > FLOAT_MAX:
        return None
    return rounded if exact > 0 else -rounded


def float_text(value):
    """The shortest decimal text that rounds back to the 32-bit float value."""
    for digits in range(1, 10):
        text = f"{float(value):.{digits}g}"
        if nearest_float32(decimal_fraction(text)) == value:
            return text
    raise AssertionError(value)


def float_field(field):
    text = field.strip(SPACES)
    if text.startswith("+") and not text.startswith("+-"):
        text = text[1:]
    if not FLOAT_FIELD.fullmatch(text):
        return None
    return nearest_float32(decimal_fraction(text))


def checksum_agrees(sentence):
    star = sentence.find("*")
    if star < 0 or star + 2 >= len(sentence):
        return True
    digits = sentence[star + 1:star + 3]
    if not all(c in "0123456789abcdefABCDEF" for c in digits):
        return True
    total = 0
    for c in sentence[sentence.find("$", 0, star) + 1:star]:
        total ^= ord(c)
    return total == int(digits, 16)


class Decoder:
    """The fields a sentence leaves behind, one sentence after the other."""

    def __init__(self):
        self.fix = {"status": "", "lat": Fraction(0), "ns": "", "lon": Fraction(0), "ew": "",
                    "speed": Fraction(0), "course": Fraction(0)}

    def decode(self, sentence):
        """The new value of every field that the sentence sets, and the exact
        coordinates before rounding."""
        if not checksum_agrees(sentence):
            return {}, {}
        fields = sentence.split(",")
        has = lambda i: i < len(fields)
        changed, exact = {}, {}
        if has(2):
            changed["status"] = fields[2]
        if has(3):
            exact["lat"] = coordinate(fields[3], 2)
            changed["lat"] = five_decimals(exact["lat"])
        if has(4):
            changed["ns"] = fields[4]
        if has(5):
            exact["lon"] = coordinate(fields[5], 3)
            changed["lon"] = five_decimals(exact["lon"])
        if has(6):
            changed["ew"] = fields[6]
        for index, name in ((7, "speed"), (8, "course")):
            value = float_field(fields[index]) if has(index) else None
            if value is not None:
                changed[name] = value
        self.fix.update(changed)
        return changed, exact


def sentences(path):
    """(line number, sentence) of every $GPRMC sentence of a capture."""
    with open(path, "rb") as capture:
        lines = capture.read().split(b"\n")
    for number, line in enumerate(lines, 1):
        if line.startswith(b"#"):
            continue
        pieces = [p for p in line.split(b"\r") if p.startswith(b"$GPRMC") and b"*" in p]
        if len(pieces) > 1:
            raise ValueError(f"{path}:{number} holds {len(pieces)} sentences")
        if pieces:
            yield number, pieces[0].decode("latin-1")


def cell(name, value):
    if name in ("lat", "lon"):
        return decimal_text(value)
    if name in ("speed", "course"):
        return float_text(value)
    if any(c in value for c in "\t\n\r") or value == KEEP:
        raise ValueError(f"field text {value!r} cannot stand in the table")
    return value


def seconds_of_day(hhmmss):
    try:
        return round(int(hhmmss[0:2]) * 3600 + int(hhmmss[2:4]) * 60 + float(hhmmss[4:]), 3)
    except ValueError:
        return None


def gpsdecode(sentences):
    """gpsd's position reports for sentences of one receiver, keyed by their time of day.
    gpsd reports a cycle when the next one begins, so the last sentence goes without."""
    text = "".join(s + "\r\n" for s in sentences)
    out = subprocess.run(["gpsdecode", "-j"], input=text.encode("latin-1"),
                         capture_output=True, check=True).stdout
    reports = {}
    for line in out.decode().splitlines():
        report = json.loads(line)
        if report.get("class") == "TPV" and "lat" in report and "time" in report:
            clock = report["time"][11:-1].replace(":", "")
            reports[seconds_of_day(clock)] = report
    return reports


def compare_with_gpsdecode(decoded):
    """decoded: (capture, sentence, fix) triples. Prints the largest differences
    (degrees, m/s, degrees)."""
    knot = Fraction(1852, 3600)  # m/s
    worst = {"lat": 0.0, "lon": 0.0, "speed": 0.0, "course": 0.0}
    columns = {"lat": ("lat", 3), "lon": ("lon", 5), "speed": ("speed", 7),
               "course": ("track", 8)}
    compared = 0
    for capture in sorted({c for c, _, _ in decoded}):
        valid = []
        for _, sentence, fix in (d for d in decoded if d[0] == capture):
            fields = sentence.split(",")
            # Fewer than four decimals of minutes are ten-thousandths to the station by
            # design, and minutes to gpsd.
            if len(fields) > 8 and fields[2] == "A" and all(
                    len(fields[i].partition(".")[2]) >= 4 for i in (3, 5)):
                valid.append((seconds_of_day(fields[1]), sentence, fix))
        times = [t for t, _, _ in valid]
        reports = gpsdecode([s for _, s, _ in valid])
        for clock, sentence, fix in valid:
            report = reports.get(clock)
            if report is None or times.count(clock) > 1:
                continue
            compared += 1
            fields = sentence.split(",")
            ours = {"lat": float(fix["lat"]) * (-1 if fix["ns"] == "S" else 1),
                    "lon": float(fix["lon"]) * (-1 if fix["ew"] == "W" else 1),
                    "speed": float(fix["speed"] * knot), "course": float(fix["course"])}
            for name, (key, index) in columns.items():
                if key in report and fields[index].strip():
                    worst[name] = max(worst[name], abs(ours[name] - report[key]))
    print(f"gpsdecode: {compared} sentences compared; largest differences: " +
          ", ".join(f"{k} {v:.3g}" for k, v in worst.items()))


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    folder, output = argv[1], argv[2]
    decoder = Decoder()
    seen, rows, ties, hashes, decoded = set(), [], [], {}, []
    names = ("status", "lat", "ns", "lon", "ew", "speed", "course")
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if not name.endswith(".log") or not os.path.isfile(path):
            continue
        for number, sentence in sentences(path):
            if sentence in seen:
                continue
            seen.add(sentence)
            changed, exact = decoder.decode(sentence)
            rows.append([name, str(number)] +
                        [cell(n, changed[n]) if n in changed else KEEP for n in names])
            decoded.append((name, sentence, dict(decoder.fix)))
            for field, value in exact.items():
                if (value * 100000).denominator == 2:
                    other = five_decimals(value) + (Fraction(1, 100000) if round(value * 100000) <
                                                    value * 100000 else Fraction(-1, 100000))
                    ties.append([name, str(number), field, decimal_text(five_decimals(value)),
                                 decimal_text(other)])
            if name not in hashes:
                with open(path, "rb") as capture:
                    hashes[name] = hashlib.sha256(capture.read()).hexdigest()
    write(os.path.join(output, "rmc-expected.tsv"), ["capture", "line"] + list(names), rows)
    write(os.path.join(output, "rmc-expected-ties.tsv"),
          ["capture", "line", "field", "half_even", "alternative"], ties)
    write(os.path.join(output, "rmc-expected-captures.tsv"), ["capture", "sha256"],
          sorted(hashes.items()))
    print(f"{len(rows)} sentences of {len(hashes)} captures, {len(ties)} half-way values")
    if "--gpsdecode" in argv[3:]:
        compare_with_gpsdecode(decoded)


def write(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as table:
        for row in [header] + rows:
            table.write("\t".join(row) + "\n")


if __name__ == "__main__":
    main(sys.argv)
