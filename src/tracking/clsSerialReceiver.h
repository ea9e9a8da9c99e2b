#pragma once

#include "tracking/ISerialPort.h"
#include "tracking/clsSentenceFramer.h"

#include <QObject>
#include <memory>

// Live reception of the main window: the connect button's open and close of the
// serial port, and the framing of what arrives into "$GPRMC" sentences, which leave
// by SentenceReceived one at a time, strictly in arrival order, and only while the port
// is open: input that arrives while a handler lets events run (a message box) waits until
// the sentences before it are handled.
class clsSerialReceiver : public QObject {
    Q_OBJECT

public:
    // Receives through the serial device or network source that the settings file names.
    explicit clsSerialReceiver(const QString& programFolder, QObject* parent = nullptr);
    // Receives through the given port.
    clsSerialReceiver(const QString& programFolder, std::unique_ptr<ISerialPort> port,
                      QObject* parent = nullptr);

    // The connect button: opens the port when it is closed, closes it when it is open.
    // The arguments are those of Open, which throws when the port does not open.
    void Toggle(int portIndex, int settingIndex, const QString& settingText);

    // Opens port portIndex + 1 (portIndex is the chosen entry of the port list counted
    // from 0, -1 when none is chosen) with settingText, the chosen entry settingIndex of
    // the settings list. Only after success are both choices stored in the settings
    // file. A failure throws clsStationError with the description, and nothing changed.
    void Open(int portIndex, int settingIndex, const QString& settingText);
    // Closes the port; sentences received and not yet handed on are dropped.
    void Close();
    bool IsOpen() const;

    // Characters received after the last carriage return.
    const QString& ReceiveBuffer() const { return m_framer.ReceiveBuffer(); }

signals:
    void SentenceReceived(const QString& sentence);
    // The device went away; the port is already closed. Once per opening; message names
    // the port and its device, for the operator.
    void PortLost(const QString& message);

private:
    void HandleDataArrived();
    void HandleDeviceLost(const QString& description);

    QString m_programFolder;
    std::unique_ptr<ISerialPort> m_port;
    clsSentenceFramer m_framer;
    bool m_handingOn = false;
    QString m_openedPort;   // "COMn" opened last
    QString m_openedDevice; // and its device
};
