#pragma once

#include "poi/CoordinateRecord.h"
#include "tracking/PositionFix.h"

#include <QByteArray>
#include <QLatin1String>
#include <QString>
#include <array>
#include <unordered_map>

class clsTrackRecords;

// The lines of the marker file that the map page reads: latitude|longitude|icon|popup,
// ended by CR LF, in UTF-8. The compass names, the labels and the speed unit of the popups
// come from the language file once, so that a track of a day is written without reading it
// again.
class clsMarkerText {
public:
    explicit clsMarkerText(const QString& programFolder);

    // "000", "045" ... "315": the course (degrees) divided by 45 as a 32-bit float,
    // rounded halves to even, taken modulo 8, times 45.
    static QLatin1String HeadingSuffix(float direction);
    // Shortest decimal text of degrees, negative when hemisphere is exactly negativeLetter
    // ("S" for a latitude, "W" for a longitude).
    static QString SignedCoordinate(double degrees, const QString& hemisphere,
                                    QLatin1String negativeLetter);

    // Appends the line of a vehicle at fix whose icon lies in iconFolder ("C-rv" for the
    // live vehicle, "C-Rv" for the selected track position, "POI" for the others).
    void AppendVehicle(QByteArray& out, const PositionFix& fix, QLatin1String iconFolder) const;
    // Appends the lines of every record of records in their order, the one at selected with
    // the icon of "C-Rv" and the others with that of "POI": byte for byte what AppendVehicle
    // writes for each, made in one buffer without building the records' texts.
    void AppendTrack(QByteArray& out, const clsTrackRecords& records, qsizetype selected) const;
    // Appends the line of a point of interest: its coordinate as stored, the house of its
    // kind, and its explanation unchanged, except that a line break in either, and a "|" in
    // the kind, is written as a blank: a text stored by another program stays in its field.
    static void AppendPoint(QByteArray& out, const CoordinateRecord& point);

    // "Speed:" followed by the speed text, as the label beside the map shows it.
    QString SpeedCaption(const PositionFix& fix) const;
    // The caption above the map: " " + time + " Real time position" or " Last location" + " ".
    QString CaptionText(const PositionFix& fix) const;

private:
    const QByteArray& SpeedText(float knots) const;

    std::array<QByteArray, 8> m_compassNames; // UTF-8, north first, clockwise
    QString m_speedUnit;
    // The popup's and captions' texts, of the language file, English by default.
    QByteArray m_directionLabel;  // "<br>Direction:", UTF-8
    QByteArray m_speedLabelBytes; // "<br>Speed:", UTF-8
    QString m_speedLabel;
    QString m_realTime;
    QString m_lastLocation;
    // A track repeats few speeds; their texts are made once (by the float's bits).
    mutable std::unordered_map<quint32, QByteArray> m_speedTexts;
};
