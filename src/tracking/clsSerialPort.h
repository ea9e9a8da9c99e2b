#pragma once

#include "tracking/ISerialPort.h"

#include <QSerialPort>
#include <optional>

class clsProfileText;

// The serial port through Qt. Port numbers map to devices by the settings file, so
// that "COM1" of the station can be any device (a USB receiver, a pseudo-terminal).
class clsSerialPort : public ISerialPort {
    Q_OBJECT

public:
    // A parsed line settings text.
    struct LineSettings {
        qint32 BaudRate = 0; // bits per second
        QSerialPort::Parity Parity = QSerialPort::NoParity;
        QSerialPort::DataBits DataBits = QSerialPort::Data8;
        QSerialPort::StopBits StopBits = QSerialPort::OneStop;
    };

    explicit clsSerialPort(const QString& programFolder, QObject* parent = nullptr);

    void Open(int portNumber, const QString& settings) override;
    void Close() override;
    bool IsOpen() const override;
    QString ReadAll() override;

    // The device that port number portNumber (1-based) opens: the value of key "COMn"
    // of section "Ports" in the settings file, otherwise the platform's own name of
    // the port; the empty text for a number below 1.
    static QString DeviceForPort(const QString& programFolder, int portNumber);
    // The same from the settings file as start-up read it.
    static QString DeviceForPort(const clsProfileText& settings, int portNumber);

    // Baud rate, parity letter (n, e, o, m, s), data bits (5 to 8) and stop bits
    // (1, 1.5, 2) separated by commas, as in "4800,n,8,1"; nothing when malformed.
    static std::optional<LineSettings> ParseSettings(const QString& text);

private:
    void HandleError(QSerialPort::SerialPortError error);
    QString OpenFailure(const QString& portName, const QString& device) const;
    QString ErrorDescription() const;

    QString m_programFolder;
    QSerialPort m_port;
    bool m_lossReported = false;
};
