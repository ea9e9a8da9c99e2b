#include "tracking/clsHistoryReader.h"

namespace {
constexpr qint64 ChunkSize = 64 * 1024;
}

bool clsHistoryReader::Open(const QString& path) {
    Close();
    m_file.setFileName(path);
    return m_file.open(QIODevice::ReadOnly);
}

void clsHistoryReader::Close() {
    m_file.close();
    m_buffer.clear();
    m_position = 0;
    m_afterReturn = false;
}

bool clsHistoryReader::Next(QStringList& fields) {
    QByteArray line;
    while (NextLine(line)) {
        if (!line.isEmpty() && ParseLine(QString::fromUtf8(line), fields)) {
            return true;
        }
    }
    return false;
}

bool clsHistoryReader::ParseLine(QStringView line, QStringList& fields) {
    QStringList parts;
    parts.reserve(FieldCount);
    for (const QStringView part : line.tokenize(u'|')) {
        if (parts.size() == FieldCount) {
            break;
        }
        parts.append(part.toString());
    }
    if (parts.size() < FieldCount) {
        return false;
    }
    fields = std::move(parts);
    return true;
}

bool clsHistoryReader::NextLine(QByteArray& line) {
    line.clear();
    for (;;) {
        if (m_position == m_buffer.size() && !Refill()) {
            return false; // what is gathered has no line end
        }
        if (m_afterReturn && m_buffer.at(m_position) == '\n') {
            ++m_position;
        }
        m_afterReturn = false;
        const qsizetype end = m_buffer.indexOf('\r', m_position);
        if (end < 0) {
            line += QByteArrayView(m_buffer).sliced(m_position);
            m_position = m_buffer.size();
            continue;
        }
        line += QByteArrayView(m_buffer).sliced(m_position, end - m_position);
        m_position = end + 1;
        m_afterReturn = true;
        return true;
    }
}

bool clsHistoryReader::Refill() {
    if (!m_file.isOpen()) {
        return false;
    }
    m_buffer = m_file.read(ChunkSize);
    m_position = 0;
    return !m_buffer.isEmpty();
}
