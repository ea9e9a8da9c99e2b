#pragma once

#include "map/clsMarkerText.h"
#include "poi/CoordinateRecord.h"
#include "shell/modKeys.h"
#include "tracking/PositionFix.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class clsDBLib;
class clsTrackRecords;

// The map's files in the program folder's carimage: the marker file markers.txt and the
// one-line map page map.htm assembled from the map template. Every drawing writes both
// whole, the marker file first, each to a temporary name renamed over the old file, so
// that the page never reads half a file. Also keeps MapPoints, the points of interest that
// every drawing adds, and the zoom level the window's drawings use.
class clsMapDrawing {
public:
    // The zoom levels the pictures and the page step through.
    static constexpr int Farthest = 4;
    static constexpr int Nearest = 18;

    explicit clsMapDrawing(const QString& programFolder);

    // The window's zoom level, Farthest to Nearest; modKeys::Design::StartZoom at first,
    // whatever level the last run stored.
    int Zoom() const { return m_zoom; }
    // One click on a zoom picture: step +1 zooms in, -1 out. False, and the level stays,
    // at the end of the range.
    bool StepZoom(int step);
    // The level the operator zoomed to inside the page. False, and the level stays, when
    // it is the level already or outside the range.
    bool ChooseZoom(int level);

    // Every point of interest, in the order the database delivers them.
    const QList<CoordinateRecord>& MapPoints() const { return m_mapPoints; }
    // Reads MapPoints anew from db. A database error goes to the caller as
    // clsStationError and leaves MapPoints as they were.
    void LoadMapPoints(clsDBLib& db);

    // Writes the live vehicle at fix and the points of interest, centred on fix. zoom is the
    // level as the page takes it. A template (lines plus one empty element) of fewer than
    // five lines, or a file that cannot be written, throws clsStationError; a short template
    // is refused before any file is written.
    void WriteCurrentPosition(const PositionFix& fix, const QStringList& mapTemplate, double zoom);
    // Writes every record of the track, the one at selected with the live vehicle's icon,
    // then the points of interest, centred on the selected record (the empty spare at
    // records.Count() centres on 0, 0). Throws as WriteCurrentPosition.
    void WriteTrack(const clsTrackRecords& records, qsizetype selected,
                    const QStringList& mapTemplate, double zoom);

    // Full path of the map page.
    QString PagePath() const;
    // What the page may take from the files it read before instead of reading them again,
    // as the argument of its refresh (a script value): after WriteTrack the track's key and
    // the selected record, for a track whose lines, apart from the selected one's icon, are
    // the same whenever the key is; after WriteCurrentPosition the key of the points'
    // lines, the vehicle's line, and the centre and the zoom as the page holds them (the
    // rest of the page is the same at every drawing of a run). "null" after a failure.
    QString PageHint() const { return m_pageHint; }

    // Whether fix has a position to draw: a coordinate of exactly 0 counts as none.
    static bool HasPosition(const PositionFix& fix);
    // The caption above the map: " " + time + " Real time position" or " Last location" + " ".
    static QString CaptionText(const PositionFix& fix);
    // The coordinate beside the map: latitude and longitude in degrees, minutes, seconds.
    static QString PositionText(const PositionFix& fix);
    // "Speed:" and the speed text.
    QString SpeedCaption(const PositionFix& fix);

    // The map page: template lines 1 to 6 with the pick-up file, the icon of newly marked
    // points, the centre "latitude,longitude", the zoom and the marker file between them.
    static QByteArray MapPage(const QStringList& mapTemplate, const QString& pickupPath,
                              const QString& centre, const QString& zoom);

private:
    const clsMarkerText& Text();
    void CheckTemplate(const QStringList& mapTemplate) const;
    void WriteFiles(const QByteArray& markers, const QStringList& mapTemplate,
                    const QString& centre, double zoom);
    void WriteWhole(const QString& relative, const QByteArray& bytes) const;

    QString m_programFolder;
    QList<CoordinateRecord> m_mapPoints;
    QByteArray m_pointLines; // the marker lines of MapPoints
    quint64 m_pointsRevision = 0; // of m_pointLines, never the same for two loads of a run
    QByteArray m_markers;         // the marker file's bytes, kept for the room they take
    QString m_pageHint = QStringLiteral("null");
    std::optional<clsMarkerText> m_text;
    int m_zoom = modKeys::Design::StartZoom;
};
