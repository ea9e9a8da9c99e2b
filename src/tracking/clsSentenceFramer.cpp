#include "tracking/clsSentenceFramer.h"

void clsSentenceFramer::Append(QStringView input, const LineSink& onLine) {
    const qsizetype searchFrom = m_receiveBuffer.size();
    AppendWithoutLineFeeds(input);
    const qsizetype lastReturn = QStringView(m_receiveBuffer).sliced(searchFrom).lastIndexOf(u'\r');
    if (lastReturn < 0) {
        KeepNewest();
        return;
    }
    // The complete lines leave the buffer before anyone sees them, so a handler that
    // appends again finds the buffer in order.
    const QString complete = std::move(m_receiveBuffer);
    const qsizetype completeLength = searchFrom + lastReturn;
    m_receiveBuffer = QStringView(complete).sliced(completeLength + 1).toString();
    KeepNewest();
    const QStringView text = QStringView(complete).first(completeLength + 1);
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf(u'\r', start);
        const QStringView line = text.sliced(start, end - start);
        if (!line.isEmpty()) {
            onLine(line);
        }
        start = end + 1;
    }
}

void clsSentenceFramer::AppendWithoutLineFeeds(QStringView input) {
    qsizetype start = 0;
    while (start < input.size()) {
        qsizetype end = input.indexOf(u'\n', start);
        if (end < 0) {
            end = input.size();
        }
        m_receiveBuffer.append(input.sliced(start, end - start));
        start = end + 1;
    }
}

void clsSentenceFramer::KeepNewest() {
    if (m_receiveBuffer.size() > MaxBufferLength) {
        m_receiveBuffer.remove(0, m_receiveBuffer.size() - MaxBufferLength);
    }
}
