#include "shell/clsProfileText.h"

#include <QUtf8StringView>
#include <cstring>

namespace {

constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// [begin, end) without the blanks at either end.
void trim(const QByteArray& bytes, qsizetype& begin, qsizetype& end) {
    while (begin < end && isSpace(bytes[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(bytes[end - 1])) {
        --end;
    }
}

qsizetype find(const QByteArray& bytes, char c, qsizetype begin, qsizetype end) {
    const void* at = std::memchr(bytes.constData() + begin, c, static_cast<size_t>(end - begin));
    return at ? static_cast<const char*>(at) - bytes.constData() : -1;
}

// Names in the file are compared as UTF-8 text, without regard to case.
bool sameName(const QByteArray& bytes, qsizetype begin, qsizetype end, QAnyStringView name) {
    return QAnyStringView::compare(QUtf8StringView(bytes.constData() + begin, end - begin), name,
                                   Qt::CaseInsensitive) == 0;
}

QString unquoted(const QString& value) {
    if (value.size() >= 2 &&
        ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) ||
         (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\''))))) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

clsProfileText::clsProfileText(QByteArray bytes)
    : m_bytes(std::move(bytes)), m_textStart(m_bytes.startsWith(ByteOrderMark) ? 3 : 0) {
    for (qsizetype at = m_textStart; at < m_bytes.size();) {
        const Line line = LineAt(at);
        qsizetype begin = line.Begin;
        qsizetype end = line.End;
        trim(m_bytes, begin, end);
        const qsizetype close =
            begin < end && m_bytes[begin] == '[' ? find(m_bytes, ']', begin, end) : -1;
        if (close >= 0) {
            if (!m_sections.empty()) {
                m_sections.back().End = line.Begin;
            }
            // Text after the "]" (a comment) is not part of the name.
            Section section{begin + 1, close, line.Begin, m_bytes.size()};
            trim(m_bytes, section.NameBegin, section.NameEnd);
            m_sections.push_back(section);
        }
        at = line.Next;
    }
}

QString clsProfileText::Value(QAnyStringView section, QAnyStringView key) const {
    const Section* found = FindSection(section);
    if (!found) {
        return {};
    }
    const KeyPlace place = FindKey(*found, key);
    if (!place.Found) {
        return {};
    }
    const qsizetype equals = find(m_bytes, '=', place.At.Begin, place.At.End);
    const QString value =
        QString::fromUtf8(m_bytes.constData() + equals + 1, place.At.End - equals - 1);
    return unquoted(value.trimmed()).left(MaxValueLength);
}

QByteArray clsProfileText::WithValue(QAnyStringView section, QAnyStringView key,
                                     QAnyStringView value) const {
    const QByteArray entry = (key.toString() + QLatin1Char('=') + value.toString()).toUtf8();
    const QByteArray end = DominantLineEnd();
    if (const Section* found = FindSection(section)) {
        const KeyPlace place = FindKey(*found, key);
        if (!place.Found) {
            return Inserted(place.At, entry, end);
        }
        const Line& line = place.At;
        return m_bytes.left(line.Begin) + entry + (line.Next > line.End ? end : QByteArray()) +
               m_bytes.mid(line.Next);
    }
    const QByteArray lines = '[' + section.toString().toUtf8() + ']' + end + entry;
    if (m_bytes.size() == m_textStart) {
        return m_bytes + lines + end;
    }
    // A new section is set apart from the text before it by a blank line.
    const Line last = LastLine();
    qsizetype begin = last.Begin;
    qsizetype lastEnd = last.End;
    trim(m_bytes, begin, lastEnd);
    return Inserted(last, begin == lastEnd ? lines : end + lines, end);
}

clsProfileText::Line clsProfileText::LineAt(qsizetype begin) const {
    const qsizetype newline = find(m_bytes, '\n', begin, m_bytes.size());
    if (newline < 0) {
        return {begin, m_bytes.size(), m_bytes.size()};
    }
    const bool crlf = newline > begin && m_bytes[newline - 1] == '\r';
    return {begin, crlf ? newline - 1 : newline, newline + 1};
}

clsProfileText::Line clsProfileText::LastLine() const {
    const qsizetype lastByte = m_bytes.size() - (m_bytes.endsWith('\n') ? 2 : 1);
    const qsizetype newline = lastByte >= m_textStart ? m_bytes.lastIndexOf('\n', lastByte) : -1;
    return LineAt(newline >= m_textStart ? newline + 1 : m_textStart);
}

const clsProfileText::Section* clsProfileText::FindSection(QAnyStringView name) const {
    for (const Section& section : m_sections) {
        if (sameName(m_bytes, section.NameBegin, section.NameEnd, name)) {
            return &section;
        }
    }
    return nullptr;
}

clsProfileText::KeyPlace clsProfileText::FindKey(const Section& section, QAnyStringView key) const {
    KeyPlace place{false, LineAt(section.Header)};
    for (qsizetype at = place.At.Next; at < section.End;) {
        const Line line = LineAt(at);
        at = line.Next;
        qsizetype begin = line.Begin;
        qsizetype end = line.End;
        trim(m_bytes, begin, end);
        if (begin == end) {
            continue;
        }
        place.At = line;
        const qsizetype equals =
            m_bytes[begin] == ';' ? -1 : find(m_bytes, '=', line.Begin, line.End);
        if (equals < 0) {
            continue;
        }
        qsizetype nameEnd = equals;
        trim(m_bytes, begin, nameEnd);
        if (sameName(m_bytes, begin, nameEnd, key)) {
            place.Found = true;
            return place;
        }
    }
    return place;
}

QByteArray clsProfileText::DominantLineEnd() const {
    const qsizetype all = m_bytes.count('\n');
    const qsizetype crlf = m_bytes.count("\r\n");
    return crlf > all - crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

// The text with lines (joined by end, without a final one) put after the line after. The
// last line of a text without a final line end gets one, and the text stays without.
QByteArray clsProfileText::Inserted(const Line& after, const QByteArray& lines,
                                    const QByteArray& end) const {
    if (after.Next == after.End) {
        return m_bytes + end + lines;
    }
    return m_bytes.left(after.Next) + lines + end + m_bytes.mid(after.Next);
}
