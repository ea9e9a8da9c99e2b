#pragma once

#include <QList>
#include <QString>

// The devices an operator can give the port entries, and the entries' assignments in
// section "Ports" of the settings file ("COMn" = device path or network address), written
// as clsSerialPort::DeviceForPort reads them.
class clsPortAssignments {
public:
    static constexpr int PortCount = 15; // COM1 to COM15

    // A serial device the platform finds.
    struct FoundDevice {
        QString Device;      // path to open ("/dev/ttyUSB0"), or the port name on Windows
        QString Description; // as the device tells it, possibly empty
        QString Vendor;      // USB vendor id as four hex digits, empty when not USB
        QString Product;     // USB product id likewise
    };

    // The serial devices present now, in the platform's order.
    static QList<FoundDevice> FindDevices();

    // What entry portNumber (1 to PortCount) is assigned to in the settings file; the
    // empty text when nothing is.
    static QString Assignment(const QString& programFolder, int portNumber);

    // Assigns entry portNumber (1 to PortCount) to target, trimmed: a device path or a
    // network address; the empty text takes the assignment away, so the entry opens its
    // platform device again. Throws clsStationError when target names a network source that
    // is not well formed or the settings file cannot be written; then nothing changed.
    static void Assign(const QString& programFolder, int portNumber, const QString& target);
};
