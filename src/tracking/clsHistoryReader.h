#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QStringView>

// Reads a history log record by record, so that the caller can let other work run
// between records. Lines end at a carriage return, a line feed right after it belongs
// to the same line end; empty lines are skipped, and so is a line without the eight
// fields. A last line that no line end closes is never a record: a power cut or a full
// disk can cut a record anywhere, even inside its last field.
class clsHistoryReader {
public:
    static constexpr qsizetype FieldCount = 8;

    // Opens the log; false when it cannot be read (ErrorText tells why).
    bool Open(const QString& path);
    // The eight fields of the next record, by position; false at the end of the file.
    bool Next(QStringList& fields);
    void Close();
    QString ErrorText() const { return m_file.errorString(); }

    // The first eight "|" fields of one line; false when the line has fewer.
    static bool ParseLine(QStringView line, QStringList& fields);

private:
    bool NextLine(QByteArray& line);
    bool Refill();

    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    bool m_afterReturn = false;
};
