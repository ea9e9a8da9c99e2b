#pragma once

#include "tracking/PositionFix.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <string>

// Reads a history log line by line, straight from its bytes. A line ends at a carriage
// return, and a line feed right after it belongs to the same line end; a last line
// without its line end is a record torn by a power cut and is never returned. Lines
// are handed out as views into the reader's buffer, valid until it is refilled.
class clsHistoryReader {
public:
    // The eight fields of a log line as read, kept as bytes: a month's log holds a
    // million lines, and only the few that a fetch keeps become a PositionFix.
    struct Record {
        std::string FixTime; // "yyyy/mm/dd hh:mm:ss", or empty
        std::string NorthSouth;
        double Longitude = 0; // degrees
        std::string EastWest;
        double Latitude = 0; // degrees
        std::string Status;
        float Speed = 0;     // knots
        float Direction = 0; // degrees

        PositionFix ToFix() const;
    };

    static constexpr int FieldCount = 8;
    static constexpr qsizetype DefaultBufferSize = 1024 * 1024;

    // bufferSize bounds a line: a longer one is no record of the station and is skipped.
    explicit clsHistoryReader(qsizetype bufferSize = DefaultBufferSize)
        : m_bufferSize(bufferSize) {}

    // Opens the log; false when it cannot be read (ErrorText tells why).
    bool Open(const QString& path);
    void Close();
    QString ErrorText() const { return m_file.errorString(); }

    // The next line without its line end; false at the end of the file or when the file
    // cannot be read further (then Failed()).
    bool NextLine(QByteArrayView& line);
    // The same without reading on: false when the rest of the buffer holds no whole line.
    // Lines handed out stay valid until Refill.
    bool NextBufferedLine(QByteArrayView& line);
    // Reads on into the buffer; false at the end of the file or on a read error.
    bool Refill();
    bool Failed() const { return m_failed; }
    // The lines too long for the buffer that were skipped so far, and the first bytes (at
    // most CutHeadLength) of the last of them: enough for the time at its start. A line
    // that is skipped is counted when its line end has been read.
    static constexpr qsizetype CutHeadLength = 64;
    qsizetype CutLines() const { return m_cutLines; }
    QByteArrayView LastCutHead() const { return m_cutHead; }
    // Bytes of the file taken up by the lines handed out so far, and the file's size.
    qint64 BytesRead() const { return m_fileOffset - (m_end - m_begin); }
    qint64 Size() const { return m_size; }

    // Fills record from fields 0 to 7 of a line split at "|"; later fields are ignored.
    // A field that cannot be converted leaves its member as it was. Returns the fields
    // that were taken, bit k for field k: 0, with record untouched, when the line has
    // fewer than eight fields.
    static int Fill(QByteArrayView line, Record& record);
    static constexpr int AllFields = (1 << FieldCount) - 1;
    // Whether text is a time as the station writes it, "yyyy/mm/dd hh:mm:ss".
    static bool IsLogTime(QByteArrayView text);

private:
    qsizetype m_bufferSize;
    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    qint64 m_fileOffset = 0;
    qint64 m_size = 0;
    bool m_skipLineFeed = false;
    bool m_skipLine = false;
    bool m_failed = false;
    qsizetype m_cutLines = 0;
    QByteArray m_cutHead;
};
