#pragma once

#include "tracking/PositionFix.h"

#include <QStringView>

// Decoding of NMEA 0183 sentences, one function per kind of sentence. A function takes one
// sentence as framed (from "$" to the end of the line, the checksum included) and returns
// the values it read together with the set of fields it set: a field that the sentence
// lacks, or that is not a number where a number is read, is not set. No function throws.
namespace modNmeaDecoder {

// The fields that a decoding function sets, one bit each.
enum Field : unsigned {
    StatusSet = 1U << 0,
    LatitudeSet = 1U << 1,
    NorthSouthSet = 1U << 2,
    LongitudeSet = 1U << 3,
    EastWestSet = 1U << 4,
    SpeedSet = 1U << 5,
    CourseSet = 1U << 6,
};
using FieldMask = unsigned;

// What one RMC sentence (recommended minimum navigation data) holds. The texts are views
// into the decoded sentence and are valid as long as it is.
struct RmcFields {
    QStringView Talker;      // who sent it: what stands between "$" and "RMC", "GP" for GPS
    QStringView Status;      // "A" valid fix, "V" receiver warning, as received
    double Latitude = 0;     // degrees, a magnitude rounded to 5 decimals
    QStringView NorthSouth;  // "N" or "S" as received
    double Longitude = 0;    // degrees, a magnitude rounded to 5 decimals
    QStringView EastWest;    // "E" or "W" as received
    float Speed = 0;         // speed over ground, knots
    float Course = 0;        // course over ground, degrees clockwise from true north
    FieldMask Set = 0;       // the fields above that the sentence set

    bool Has(Field field) const { return (Set & field) != 0; }
    // Copies the fields that are set into fix (Course into Direction); every other member
    // of fix, FixTime included, keeps its value.
    void ApplyTo(PositionFix& fix) const;
};

// Whether the sentence may be decoded: when "*" is followed by two hex digits (either
// case), they must be the XOR of the characters between "$" and "*". A sentence without
// the two digits has nothing to check and agrees.
bool ChecksumAgrees(QStringView sentence);

// Fields 2 to 8 of an RMC sentence of any talker; the checksum is not looked at.
RmcFields DecodeRmc(QStringView sentence);

} // namespace modNmeaDecoder
