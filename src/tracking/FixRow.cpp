#include "tracking/FixRow.h"

#include "shell/modPrivate.h"

FixRow FixRow::FromFix(qsizetype index, const PositionFix& fix, const QString& speedUnit) {
    FixRow row;
    row.Key = QLatin1Char('#') + QString::number(index);
    row.Text = QString::number(index + 1);
    const bool valid = fix.Status == QLatin1String("A");
    row.SubItems.reserve(6);
    row.SubItems.emplaceBack(QStringLiteral("Date"), fix.FixTime);
    row.SubItems.emplaceBack(QStringLiteral("CheckPoint"),
                             valid ? QStringLiteral(" Real time position")
                                   : QStringLiteral(" Last location"));
    row.SubItems.emplaceBack(QStringLiteral("Latitude"),
                             modPrivate::FormatDegrees(fix.NorthSouth, fix.Latitude));
    row.SubItems.emplaceBack(QStringLiteral("LONGITUDE"),
                             modPrivate::FormatDegrees(fix.EastWest, fix.Longitude));
    row.SubItems.emplaceBack(QStringLiteral("Direction"), modPrivate::NumberText(fix.Direction, 7));
    row.SubItems.emplaceBack(QStringLiteral("SPEED"),
                             modPrivate::FormatSpeed(fix.Speed, speedUnit));
    return row;
}
