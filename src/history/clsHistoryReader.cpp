#include "history/clsHistoryReader.h"

#include "shell/modPrivate.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from])) {
        ++from;
    }
    while (to > from && IsBlank(text[to - 1])) {
        --to;
    }
    return text.sliced(from, to - from);
}

// Reads 1 to maxDigits digits at position at; false when there are none.
bool ReadNumber(QByteArrayView text, qsizetype& at, int maxDigits, int& value) {
    value = 0;
    const qsizetype start = at;
    while (at < text.size() && at - start < maxDigits && IsDigit(text[at])) {
        value = value * 10 + (text[at++] - '0');
    }
    return at > start;
}

bool ReadSeparator(QByteArrayView text, qsizetype& at, const char* separators) {
    if (at < text.size() && text[at] != '\0' && std::strchr(separators, text[at]) != nullptr) {
        ++at;
        return true;
    }
    return false;
}

// A date and time written otherwise: four-digit year, month and day separated by "/"
// or "-", then optionally blanks and hour:minute[:second], with one or two digits per
// part. Written again in the log's own form.
bool ReadOtherTime(QByteArrayView f, std::string& out) {
    f = Trimmed(f);
    qsizetype at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(f, at, 4, year) || at != 4 || !ReadSeparator(f, at, "/-") ||
        !ReadNumber(f, at, 2, month) || !ReadSeparator(f, at, "/-") || !ReadNumber(f, at, 2, day)) {
        return false;
    }
    if (at < f.size()) {
        const qsizetype blanks = at;
        while (at < f.size() && IsBlank(f[at])) {
            ++at;
        }
        if (at == blanks || !ReadNumber(f, at, 2, hour) || !ReadSeparator(f, at, ":") ||
            !ReadNumber(f, at, 2, minute)) {
            return false;
        }
        if (at < f.size() && (!ReadSeparator(f, at, ":") || !ReadNumber(f, at, 2, second))) {
            return false;
        }
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (at != f.size() || !date.isValid() || !time.isValid()) {
        return false;
    }
    // Written as a calendar value: no time zone may move a time that a clock change
    // skipped.
    out = modPrivate::FormatLogTime(QDateTime(date, time, Qt::UTC)).toStdString();
    return true;
}

bool FillTime(QByteArrayView f, std::string& out) {
    if (clsHistoryReader::IsLogTime(f)) {
        out.assign(f.data(), static_cast<std::size_t>(f.size()));
        return true;
    }
    return ReadOtherTime(f, out);
}

// The plain form that the station writes: an optional minus sign, then at most 15
// digits with an optional point among them. Worked out in whole numbers: both are exact
// in a 64-bit float, so their quotient is the correctly rounded value of the text.
bool ReadPlainDecimal(QByteArrayView f, double& out) {
    static constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = f.data();
    const char* const end = p + f.size();
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    quint64 whole = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p != end; ++p) {
        if (IsDigit(*p)) {
            whole = whole * 10 + static_cast<quint64>(*p - '0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0 || digits > 15) {
        return false;
    }
    const double value = static_cast<double>(whole) / PowersOfTen[decimals];
    out = negative ? -value : value;
    return true;
}

// A decimal number with "." as the point, optionally signed and with an exponent, and
// nothing else but blanks around it.
bool ReadDecimal(QByteArrayView f, double& out) {
    if (ReadPlainDecimal(f, out)) {
        return true;
    }
    f = Trimmed(f);
    const char* p = f.data();
    const char* end = p + f.size();
    if (p != end && *p == '+') {
        ++p;
    }
    const char* digits = p != end && *p == '-' ? p + 1 : p;
    // from_chars also reads "inf" and "nan", which are no numbers of a log.
    if (digits == end || !(IsDigit(*digits) || *digits == '.')) {
        return false;
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(p, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

// Read through a 64-bit value, as the speed bounds of a fetch are, so that a bound
// written like a stored speed is exactly that speed.
bool FillFloat(QByteArrayView f, float& out) {
    double value = 0;
    if (!ReadDecimal(f, value) || !std::isfinite(static_cast<float>(value))) {
        return false;
    }
    out = static_cast<float>(value);
    return true;
}

void FillText(QByteArrayView f, std::string& out) {
    out.assign(f.data(), static_cast<std::size_t>(f.size()));
}

} // namespace

PositionFix clsHistoryReader::Record::ToFix() const {
    PositionFix fix;
    fix.FixTime = QString::fromLatin1(FixTime.data(), static_cast<qsizetype>(FixTime.size()));
    fix.NorthSouth =
        QString::fromUtf8(NorthSouth.data(), static_cast<qsizetype>(NorthSouth.size()));
    fix.Longitude = Longitude;
    fix.EastWest = QString::fromUtf8(EastWest.data(), static_cast<qsizetype>(EastWest.size()));
    fix.Latitude = Latitude;
    fix.Status = QString::fromUtf8(Status.data(), static_cast<qsizetype>(Status.size()));
    fix.Speed = Speed;
    fix.Direction = Direction;
    return fix;
}

bool clsHistoryReader::Open(const QString& path) {
    Close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        return false;
    }
    m_size = m_file.size();
    m_buffer.resize(m_bufferSize);
    return true;
}

void clsHistoryReader::Close() {
    m_file.close();
    m_buffer = QByteArray();
    m_begin = m_end = 0;
    m_fileOffset = m_size = 0;
    m_skipLineFeed = m_skipLine = m_failed = false;
    m_cutLines = 0;
    m_cutHead.clear();
}

bool clsHistoryReader::NextLine(QByteArrayView& line) {
    while (!NextBufferedLine(line)) {
        if (!Refill()) {
            return false;
        }
    }
    return true;
}

bool clsHistoryReader::NextBufferedLine(QByteArrayView& line) {
    for (;;) {
        const char* buffer = m_buffer.constData();
        if (m_skipLineFeed && m_begin < m_end) {
            m_begin += buffer[m_begin] == '\n' ? 1 : 0;
            m_skipLineFeed = false;
        }
        // Every record is followed by an empty line, which needs no search.
        const void* found = m_begin == m_end ? nullptr
                            : buffer[m_begin] == '\r'
                                ? buffer + m_begin
                                : std::memchr(buffer + m_begin, '\r', m_end - m_begin);
        if (found == nullptr) {
            return false;
        }
        const qsizetype end = static_cast<const char*>(found) - buffer;
        line = QByteArrayView(buffer + m_begin, end - m_begin);
        m_begin = end + 1;
        m_skipLineFeed = true;
        if (!m_skipLine) {
            return true;
        }
        m_skipLine = false;
        ++m_cutLines;
    }
}

bool clsHistoryReader::Refill() {
    if (!m_file.isOpen()) {
        return false;
    }
    if (m_begin == 0 && m_end == m_buffer.size()) {
        if (!m_skipLine) {
            m_cutHead = m_buffer.first(std::min(CutHeadLength, m_buffer.size()));
        }
        m_skipLine = true;
        m_end = 0;
    }
    char* buffer = m_buffer.data();
    std::memmove(buffer, buffer + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
    const qint64 got = m_file.read(buffer + m_end, m_buffer.size() - m_end);
    if (got <= 0) {
        // What is left has no line end: a torn last record, never a line.
        m_failed = got < 0;
        m_begin = m_end;
        return false;
    }
    m_end += got;
    m_fileOffset += got;
    return true;
}

int clsHistoryReader::Fill(QByteArrayView line, Record& record) {
    std::array<QByteArrayView, FieldCount> fields;
    int count = 0;
    const char* start = line.data();
    const char* const end = start + line.size();
    // Fields are a few bytes long: a plain loop beats a library search per field.
    for (const char* p = start; p != end && count < FieldCount - 1; ++p) {
        if (*p == '|') {
            fields[count++] = QByteArrayView(start, p - start);
            start = p + 1;
        }
    }
    if (count < FieldCount - 1) {
        return 0;
    }
    const char* bar = static_cast<const char*>(std::memchr(start, '|', end - start));
    fields[count] = QByteArrayView(start, (bar != nullptr ? bar : end) - start);
    // Text fields are taken as they stand; the others only when they can be converted.
    int filled = (1 << 1) | (1 << 3) | (1 << 5);
    filled |= FillTime(fields[0], record.FixTime) ? 1 << 0 : 0;
    FillText(fields[1], record.NorthSouth);
    filled |= ReadDecimal(fields[2], record.Longitude) ? 1 << 2 : 0;
    FillText(fields[3], record.EastWest);
    filled |= ReadDecimal(fields[4], record.Latitude) ? 1 << 4 : 0;
    FillText(fields[5], record.Status);
    filled |= FillFloat(fields[6], record.Speed) ? 1 << 6 : 0;
    filled |= FillFloat(fields[7], record.Direction) ? 1 << 7 : 0;
    return filled;
}

bool clsHistoryReader::IsLogTime(QByteArrayView text) {
    // Checked without library calls: a month's log asks this a million times.
    static constexpr int DaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return false;
    }
    bool digits = true;
    auto two = [&](int at) {
        const unsigned high = static_cast<unsigned char>(text[at]) - '0';
        const unsigned low = static_cast<unsigned char>(text[at + 1]) - '0';
        digits = digits && high <= 9 && low <= 9;
        return static_cast<int>(high * 10 + low);
    };
    const int year = two(0) * 100 + two(2);
    const int month = two(5);
    const int day = two(8);
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return two(11) < 24 && two(14) < 60 && two(17) < 60 && digits && year != 0 && month >= 1 &&
           month <= 12 && day >= 1 && day <= DaysInMonth[month - 1] &&
           (month != 2 || day < 29 || leap);
}
