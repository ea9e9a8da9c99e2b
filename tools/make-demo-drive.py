#!/usr/bin/env python3
"""Writes data/demo/demo-drive.nmea: a few minutes of a car driving through Taipei's
Xinyi district as a 1 Hz GPS receiver reports it ($GPRMC, $GPGGA and $GPGSA every
second, CR LF line ends). The receiver starts without a fix (status V), then the car
waits at the kerb, drives off, slows for every corner, stops at a red light and
drives on. Speeds and courses follow from the movement; checksums are computed.

Usage: make-demo-drive.py [--output PATH]
"""

import argparse
import datetime
import math
import pathlib

# Corners of the route (latitude, longitude in degrees) and how the car leaves each:
# the speed it may have passing it (m/s) and how long it stands there (s).
ROUTE = [
    # (lat, lon, pass speed, stand seconds)
    (25.03300, 121.56020, 0.0, 8),  # parked at the kerb
    (25.03300, 121.56450, 4.0, 0),  # right turn north
    (25.03690, 121.56450, 0.0, 25),  # red light at the junction
    (25.04010, 121.56450, 4.5, 0),  # left turn west
    (25.04010, 121.55780, 4.0, 0),  # left turn south
    (25.03520, 121.55780, 0.0, 6),  # parked again
]
CRUISE = 12.5  # m/s, 45 km/h
ACCELERATION = 1.6  # m/s^2
BRAKING = 2.2  # m/s^2
NO_FIX_SECONDS = 6
START = datetime.datetime(2024, 3, 15, 2, 30, 0)  # UTC, 10:30 in Taipei
METRES_PER_DEGREE = 111320.0
KNOTS_PER_MPS = 3600.0 / 1852.0
SATELLITES = ["02", "05", "12", "13", "15", "18", "20", "24", "25"]


def checksum(body):
    value = 0
    for ch in body:
        value ^= ord(ch)
    return "%02X" % value


def sentence(body):
    return "$%s*%s\r\n" % (body, checksum(body))


def nmea_angle(degrees, width):
    whole = int(degrees)
    minutes = (degrees - whole) * 60.0
    return "%0*d%07.4f" % (width, whole, minutes)


def local_metres(a, b):
    """East and north distance in metres from point a to point b."""
    north = (b[0] - a[0]) * METRES_PER_DEGREE
    east = (b[1] - a[1]) * METRES_PER_DEGREE * math.cos(math.radians(a[0]))
    return east, north


def course_of(a, b):
    east, north = local_metres(a, b)
    return math.degrees(math.atan2(east, north)) % 360.0


def distance(a, b):
    east, north = local_metres(a, b)
    return math.hypot(east, north)


def toward(a, b, metres):
    """The point metres from a on the way to b."""
    fraction = metres / distance(a, b)
    return (a[0] + (b[0] - a[0]) * fraction, a[1] + (b[1] - a[1]) * fraction)


def speed_limit(position, leg):
    """Highest speed from which the car can still slow down for every corner up to
    and including the next stop."""
    limit, ahead = CRUISE, 0.0
    for corner in ROUTE[leg:]:
        ahead += distance(position, corner)
        position = corner
        limit = min(limit, math.sqrt(corner[2] ** 2 + 2.0 * BRAKING * ahead))
        if corner[2] == 0.0:
            break
    return limit


def drive():
    """Yields (lat, lon, speed m/s, course degrees) once per second; the speed is the
    distance covered in that second, as a receiver derives it."""
    position = ROUTE[0][:2]
    course = course_of(ROUTE[0], ROUTE[1])
    for seconds in range(ROUTE[0][3]):
        yield position[0], position[1], 0.0, course
    leg, speed = 1, 0.0
    while leg < len(ROUTE):
        speed = min(speed + ACCELERATION, speed_limit(position, leg))
        travel, moved, stand = speed, 0.0, 0
        while travel > 0.0 and leg < len(ROUTE):
            corner = ROUTE[leg]
            course = course_of(ROUTE[leg - 1], corner)
            remaining = distance(position, corner)
            if travel < remaining:
                position = toward(position, corner, travel)
                moved += travel
                break
            position = corner[:2]
            moved += remaining
            travel -= remaining
            leg += 1
            if corner[2] == 0.0:
                stand = corner[3]
                speed = 0.0
                break
            if leg < len(ROUTE):
                course = course_of(corner, ROUTE[leg])
        yield position[0], position[1], moved, course
        for seconds in range(stand):
            yield position[0], position[1], 0.0, course


def no_fix_lines(when):
    stamp = when.strftime("%H%M%S.00")
    date = when.strftime("%d%m%y")
    return [
        sentence("GPRMC,%s,V,,,,,,,%s,,,N" % (stamp, date)),
        sentence("GPGGA,%s,,,,,0,00,99.99,,,,,," % stamp),
        sentence("GPGSA,A,1,,,,,,,,,,,,,99.99,99.99,99.99"),
    ]


def fix_lines(when, lat, lon, speed, course):
    stamp = when.strftime("%H%M%S.00")
    date = when.strftime("%d%m%y")
    latitude = "%s,%s" % (nmea_angle(abs(lat), 2), "N" if lat >= 0 else "S")
    longitude = "%s,%s" % (nmea_angle(abs(lon), 3), "E" if lon >= 0 else "W")
    knots = speed * KNOTS_PER_MPS
    return [
        sentence("GPRMC,%s,A,%s,%s,%.1f,%.1f,%s,,,A" % (stamp, latitude, longitude, knots,
                                                         course, date)),
        sentence("GPGGA,%s,%s,%s,1,%02d,0.9,15.2,M,16.4,M,,"
                 % (stamp, latitude, longitude, len(SATELLITES))),
        sentence("GPGSA,A,3,%s,1.6,0.9,1.3" % ",".join(SATELLITES + [""] * (12 - len(SATELLITES)))),
    ]


def main():
    default = pathlib.Path(__file__).resolve().parent.parent / "data" / "demo" / "demo-drive.nmea"
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=default)
    output = parser.parse_args().output
    lines = ["# Demo drive through Xinyi, Taipei, 1 Hz; written by tools/make-demo-drive.py\r\n"]
    when = START
    for seconds in range(NO_FIX_SECONDS):
        lines += no_fix_lines(when)
        when += datetime.timedelta(seconds=1)
    for lat, lon, speed, course in drive():
        lines += fix_lines(when, lat, lon, speed, course)
        when += datetime.timedelta(seconds=1)
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_bytes("".join(lines).encode("ascii"))
    print("%s: %d seconds" % (output, (when - START).seconds))


if __name__ == "__main__":
    main()
