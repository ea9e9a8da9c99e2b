#include "map/clsMapDrawing.h"

#include "map/clsPoiPickup.h"
#include "poi/clsDBLib.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsTrackRecords.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <filesystem>
#include <system_error>

namespace {

constexpr qsizetype TemplatePieces = 6;
constexpr int NumberDigits = 15;
const QLatin1String NewPointIcon("House\\House1.gif");
const QLatin1String MarkerFile("markers.txt");
const QLatin1String MarkerPath("carimage/markers.txt");
const QLatin1String PagePathInFolder("carimage/map.htm");

std::atomic<quint64> LastPointsRevision{0};

QString Centre(const PositionFix& fix) {
    return clsMarkerText::SignedCoordinate(fix.Latitude, fix.NorthSouth, QLatin1String("S")) +
           QLatin1Char(',') +
           clsMarkerText::SignedCoordinate(fix.Longitude, fix.EastWest, QLatin1String("W"));
}

} // namespace

clsMapDrawing::clsMapDrawing(const QString& programFolder) : m_programFolder(programFolder) {}

void clsMapDrawing::LoadMapPoints(clsDBLib& db) {
    QList<CoordinateRecord> points = db.ListCoordinates();

    QByteArray lines;
    for (const CoordinateRecord& point : points) {
        clsMarkerText::AppendPoint(lines, point);
    }
    m_mapPoints = std::move(points);
    m_pointLines = std::move(lines);
    m_pointsRevision = ++LastPointsRevision;
}

void clsMapDrawing::WriteCurrentPosition(const PositionFix& fix, const QStringList& mapTemplate,
                                         double zoom) {
    CheckTemplate(mapTemplate);
    m_markers.resize(0);
    Text().AppendVehicle(m_markers, fix, QLatin1String("C-rv"));
    m_markers += m_pointLines;
    m_pageHint = QStringLiteral("null");
    const QString centre = Centre(fix);
    WriteFiles(m_markers, mapTemplate, centre, zoom);
    const QByteArray vehicle = m_markers.left(m_markers.indexOf("\r\n"));
    m_pageHint = QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("points"), QString::number(m_pointsRevision)},
                                  {QStringLiteral("line"), QString::fromUtf8(vehicle)},
                                  {QStringLiteral("centre"), centre},
                                  {QStringLiteral("zoom"), modPrivate::NumberText(zoom, NumberDigits)}})
            .toJson(QJsonDocument::Compact));
}

void clsMapDrawing::WriteTrack(const clsTrackRecords& records, qsizetype selected,
                               const QStringList& mapTemplate, double zoom) {
    CheckTemplate(mapTemplate);
    m_markers.resize(0);
    Text().AppendTrack(m_markers, records, selected);
    m_markers += m_pointLines;
    // A drawing that fails leaves no hint: the page then reads whatever the files hold.
    m_pageHint = QStringLiteral("null");
    WriteFiles(m_markers, mapTemplate, Centre(records.At(selected)), zoom);
    m_pageHint = QStringLiteral("{track: '%1-%2', selected: %3}")
                     .arg(records.Revision())
                     .arg(m_pointsRevision)
                     .arg(selected);
}

QString clsMapDrawing::PagePath() const {
    return modPrivate::ProgramPath(m_programFolder, PagePathInFolder);
}

bool clsMapDrawing::StepZoom(int step) {
    if (!(step > 0 ? m_zoom < Nearest : m_zoom > Farthest)) {
        return false;
    }
    m_zoom += step;
    return true;
}

bool clsMapDrawing::ChooseZoom(int level) {
    if (level < Farthest || level > Nearest || level == m_zoom) {
        return false;
    }
    m_zoom = level;
    return true;
}

bool clsMapDrawing::HasPosition(const PositionFix& fix) {
    return fix.HasPosition();
}

QString clsMapDrawing::CaptionText(const PositionFix& fix) {
    return Text().CaptionText(fix);
}

QString clsMapDrawing::PositionText(const PositionFix& fix) {
    return modPrivate::FormatDegrees(fix.NorthSouth, fix.Latitude) + QLatin1Char(' ') +
           modPrivate::FormatDegrees(fix.EastWest, fix.Longitude);
}

QString clsMapDrawing::SpeedCaption(const PositionFix& fix) {
    return Text().SpeedCaption(fix);
}

QByteArray clsMapDrawing::MapPage(const QStringList& mapTemplate, const QString& pickupPath,
                                  const QString& centre, const QString& zoom) {
    const QString values[] = {pickupPath, NewPointIcon, centre, zoom, MarkerFile};
    QString page = mapTemplate.value(0);
    for (qsizetype i = 0; i < 5; ++i) {
        page += values[i];
        page += mapTemplate.value(i + 1);
    }
    return page.toUtf8() + "\r\n";
}

const clsMarkerText& clsMapDrawing::Text() {
    if (!m_text) {
        m_text.emplace(m_programFolder);
    }
    return *m_text;
}

void clsMapDrawing::CheckTemplate(const QStringList& mapTemplate) const {
    // The lines are followed by one empty element, which stands in for a missing sixth.
    if (mapTemplate.size() < TemplatePieces) {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::TemplateTooShort)
                .arg(std::max<qsizetype>(mapTemplate.size() - 1, 0)));
    }
}

void clsMapDrawing::WriteFiles(const QByteArray& markers, const QStringList& mapTemplate,
                               const QString& centre, double zoom) {
    WriteWhole(MarkerPath, markers);
    const QString pickup = QDir::toNativeSeparators(clsPoiPickup(m_programFolder).PickupPath());
    WriteWhole(PagePathInFolder,
               MapPage(mapTemplate, pickup, centre, modPrivate::NumberText(zoom, NumberDigits)));
}

void clsMapDrawing::WriteWhole(const QString& relative, const QByteArray& bytes) const {
    // Written beside the file and renamed over it, so that the page never reads half a file.
    // Not flushed to the disk: the files are made anew at every drawing, many a second while
    // tracking, and a flush of a day's track costs more than writing it.
    const QString path = modPrivate::ProgramPath(m_programFolder, relative);
    QFile temporary(path + QStringLiteral(".new"));
    QString problem;
    if (!temporary.open(QIODevice::WriteOnly) || temporary.write(bytes) != bytes.size()) {
        problem = temporary.errorString();
    }
    temporary.close();
    std::error_code renaming;
    if (problem.isEmpty()) {
        std::filesystem::rename(std::filesystem::path(temporary.fileName().toStdU16String()),
                                std::filesystem::path(path.toStdU16String()), renaming);
        problem = renaming ? QString::fromStdString(renaming.message()) : QString();
    }
    if (!problem.isEmpty()) {
        temporary.remove();
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::MapFileUnwritable)
                .arg(QDir::toNativeSeparators(path), problem));
    }
}
