#include "tracking/clsTrackRecords.h"

#include <array>
#include <atomic>

namespace {

// The time text "yyyy/mm/dd hh:mm:ss": where its digits and its separators stand.
constexpr qsizetype TimeLength = 19;
constexpr std::array<qsizetype, 14> DigitPlaces = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
constexpr std::array<std::pair<qsizetype, char16_t>, 5> Separators = {
    {{4, u'/'}, {7, u'/'}, {10, u' '}, {13, u':'}, {16, u':'}}};

std::atomic<quint64> LastRevision{0};

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

size_t qHash(const clsTrackRecords::Letters& letters, size_t seed) {
    return qHashMulti(seed, letters.NorthSouth, letters.EastWest, letters.Status);
}

PositionFix clsTrackRecords::At(qsizetype index) const {
    if (index < 0 || index >= m_records.size()) {
        return {};
    }
    const Record& record = m_records[index];
    const Letters& letters = m_letters[record.Letters];
    PositionFix fix;
    fix.FixTime = TimeText(record.Time);
    fix.EastWest = letters.EastWest;
    fix.Longitude = record.Longitude;
    fix.NorthSouth = letters.NorthSouth;
    fix.Latitude = record.Latitude;
    fix.Speed = record.Speed;
    fix.Direction = record.Direction;
    fix.Status = letters.Status;
    return fix;
}

clsTrackRecords::Fields clsTrackRecords::FieldsAt(qsizetype index) const {
    const Record& record = m_records[index];
    const Letters& letters = m_letters[record.Letters];
    const bool usual = record.Time >= 0;
    return {record.Longitude,
            record.Latitude,
            record.Speed,
            record.Direction,
            letters.NorthSouth,
            letters.EastWest,
            usual ? record.Time : -1,
            usual ? nullptr : &m_otherTimes[-1 - record.Time]};
}

void clsTrackRecords::Append(const PositionFix& fix) {
    m_records.append(Record{fix.Longitude, fix.Latitude, TimeCode(fix.FixTime), fix.Speed,
                            fix.Direction, LettersCode(fix)});
    Changed();
}

// Gives the memory back: a week of fixes is tens of megabytes.
void clsTrackRecords::Clear() {
    *this = clsTrackRecords();
}

void clsTrackRecords::Changed() {
    m_revision = ++LastRevision;
}

void clsTrackRecords::Reserve(qsizetype count) {
    m_records.reserve(count);
}

qint64 clsTrackRecords::TimeCode(const QString& text) {
    bool usual = text.size() == TimeLength;
    for (const auto& [place, separator] : Separators) {
        usual = usual && text[place] == separator;
    }
    qint64 digits = 0;
    for (const qsizetype place : DigitPlaces) {
        usual = usual && IsDigit(text[place]);
        digits = usual ? digits * 10 + (text[place].unicode() - u'0') : 0;
    }
    if (usual) {
        return digits;
    }
    const auto known = m_otherTimeCodes.constFind(text);
    if (known != m_otherTimeCodes.cend()) {
        return *known;
    }
    const qint64 code = -1 - m_otherTimes.size();
    m_otherTimes.append(text);
    m_otherTimeCodes.insert(text, code);
    return code;
}

QString clsTrackRecords::TimeText(qint64 code) const {
    if (code < 0) {
        return m_otherTimes[-1 - code];
    }
    QString text(TimeLength, QChar());
    for (const auto& [place, separator] : Separators) {
        text[place] = separator;
    }
    for (auto place = DigitPlaces.rbegin(); place != DigitPlaces.rend(); ++place) {
        text[*place] = QChar(u'0' + static_cast<char16_t>(code % 10));
        code /= 10;
    }
    return text;
}

quint32 clsTrackRecords::LettersCode(const PositionFix& fix) {
    // A track mostly repeats the letters of the fix before.
    if (!m_records.isEmpty()) {
        const quint32 last = m_records.constLast().Letters;
        const Letters& letters = m_letters[last];
        if (letters.NorthSouth == fix.NorthSouth && letters.EastWest == fix.EastWest &&
            letters.Status == fix.Status) {
            return last;
        }
    }
    Letters letters{fix.NorthSouth, fix.EastWest, fix.Status};
    const auto known = m_letterCodes.constFind(letters);
    if (known != m_letterCodes.cend()) {
        return *known;
    }
    const auto code = static_cast<quint32>(m_letters.size());
    m_letters.append(letters);
    m_letterCodes.insert(std::move(letters), code);
    return code;
}
