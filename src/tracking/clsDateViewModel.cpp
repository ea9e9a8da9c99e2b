#include "tracking/clsDateViewModel.h"

#include "shell/modPrivate.h"

#include <limits>

namespace {

const QString DateKey = QStringLiteral("Date");
const QString NoDateKey = QStringLiteral("DialTime");

// A list view counts its rows in an int.
int RowsOf(const clsTrackRecords& track) {
    return static_cast<int>(std::min<qsizetype>(track.Count(), std::numeric_limits<int>::max()));
}

} // namespace

clsDateViewModel::clsDateViewModel(const clsTrackRecords& track, QObject* parent)
    : QAbstractTableModel(parent), m_track(track),
      m_realTime(QString::fromUtf8(modKeys::Messages::RealTimePosition.Fallback)),
      m_lastLocation(QString::fromUtf8(modKeys::Messages::LastLocation.Fallback)),
      m_noDateText(QString::fromUtf8(modKeys::Messages::NoDate.Fallback)) {}

void clsDateViewModel::AddColumn(const Column& column) {
    const int at = static_cast<int>(m_columns.size());
    beginInsertColumns({}, at, at);
    m_columns.append(column);
    endInsertColumns();
}

void clsDateViewModel::AddStationColumns(const clsProfileText& language) {
    const struct {
        const char* key;
        LanguageCode header;
        int width; // twips
    } columns[] = {{"Index", modKeys::Track::IndexHeader, 800},
                   {"Date", modKeys::Track::DateHeader, 2700},
                   {"CheckPoint", modKeys::Track::CheckPointHeader, 2700},
                   {"Latitude", modKeys::Track::LatitudeHeader, 1800},
                   {"LONGITUDE", modKeys::Track::LongitudeHeader, 1800},
                   {"Direction", modKeys::Track::DirectionHeader, 1200},
                   {"SPEED", modKeys::Track::SpeedHeader, 1200}};
    for (const auto& column : columns) {
        AddColumn({QLatin1String(column.key), modPrivate::ReadLanguage(language, column.header),
                   column.width});
    }
    m_realTime = modPrivate::ReadLanguage(language, modKeys::Messages::RealTimePosition);
    m_lastLocation = modPrivate::ReadLanguage(language, modKeys::Messages::LastLocation);
    m_noDateText = modPrivate::ReadLanguage(language, modKeys::Messages::NoDate);
}

void clsDateViewModel::SetSpeedUnit(const QString& unit) {
    m_speedUnit = unit;
    if (m_rowCount > 0 && !m_noDate) {
        emit dataChanged(index(0, 0), index(m_rowCount - 1, columnCount() - 1));
    }
}

void clsDateViewModel::AnnounceAppended() {
    const int count = RowsOf(m_track);
    if (m_noDate || count < m_rowCount) {
        Reset();
    } else if (count > m_rowCount) {
        beginInsertRows({}, m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    }
}

void clsDateViewModel::Reset() {
    ResetTo(RowsOf(m_track), false);
}

void clsDateViewModel::ShowNoDate() {
    ResetTo(1, true);
}

void clsDateViewModel::ResetTo(int rowCount, bool noDate) {
    beginResetModel();
    m_rowCount = rowCount;
    m_noDate = noDate;
    endResetModel();
}

QString clsDateViewModel::RowKey(int row) const {
    return IsRow(row) ? QLatin1Char('#') + QString::number(row) : QString();
}

QString clsDateViewModel::ItemText(int row) const {
    return IsRow(row) ? QString::number(row + 1) : QString();
}

std::optional<qsizetype> clsDateViewModel::RecordOfRow(int row) const {
    if (!IsRow(row) || row > m_track.Count()) {
        return std::nullopt;
    }
    return row;
}

QString clsDateViewModel::SubItemText(int row, const QString& key) const {
    if (!IsRow(row)) {
        return {};
    }
    if (m_noDate) {
        return key == NoDateKey ? m_noDateText : QString();
    }
    const PositionFix fix = m_track.At(row);
    if (key == DateKey) {
        return fix.FixTime;
    }
    if (key == QLatin1String("CheckPoint")) {
        return fix.Status == QLatin1String("A") ? m_realTime : m_lastLocation;
    }
    if (key == QLatin1String("Latitude")) {
        return modPrivate::FormatDegrees(fix.NorthSouth, fix.Latitude);
    }
    if (key == QLatin1String("LONGITUDE")) {
        return modPrivate::FormatDegrees(fix.EastWest, fix.Longitude);
    }
    if (key == QLatin1String("Direction")) {
        return modPrivate::NumberText(fix.Direction, 7);
    }
    if (key == QLatin1String("SPEED")) {
        return modPrivate::FormatSpeed(fix.Speed, m_speedUnit);
    }
    return {};
}

int clsDateViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int clsDateViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

// The first column holds the item text, the others the sub-item of their key; the one
// sub-item of the "NO Date" row stands in the first column after it.
QVariant clsDateViewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !IsRow(index.row()) ||
        index.column() >= m_columns.size()) {
        return {};
    }
    if (index.column() == 0) {
        return ItemText(index.row());
    }
    if (m_noDate) {
        return index.column() == 1 ? SubItemText(index.row(), NoDateKey) : QString();
    }
    return SubItemText(index.row(), m_columns[index.column()].Key);
}

QVariant clsDateViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_columns[section].Header;
    }
    if (role == Qt::UserRole) {
        return m_columns[section].Key;
    }
    return {};
}
