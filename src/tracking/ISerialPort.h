#pragma once

#include <QObject>
#include <QString>

// The serial device as the station needs it: open a numbered port with a line
// settings text, close it, read what has arrived, and be told when characters
// arrive or the device goes away. Tests and other platforms put their own behind it.
class ISerialPort : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ISerialPort() override = default;

    // Opens port number portNumber (1-based) with settings such as "4800,n,8,1". A
    // failure throws clsStationError with the description of the error, and then
    // nothing is open.
    virtual void Open(int portNumber, const QString& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Everything received since the last read, each 8-bit character taken as one
    // character (Latin-1).
    virtual QString ReadAll() = 0;

signals:
    // Characters have arrived.
    void DataArrived();
    // The device has gone away (unplugged, peer closed). Emitted once per opening,
    // after everything received before has been announced; the port is closed when
    // the handlers return.
    void DeviceLost(const QString& description);
};
