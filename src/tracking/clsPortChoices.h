#pragma once

#include <QStringList>

class clsProfileText;

// The serial ports and line settings the operator chooses from, with the stored choices.
// The device behind each port is clsSerialPort::DeviceForPort.
class clsPortChoices {
public:
    // Takes the stored choices from the settings file as start-up read it. A stored choice
    // that is absent, not a number or outside its list selects the list's default; nothing
    // is thrown.
    void Load(const clsProfileText& settings);

    // "COM1" to "COM15".
    const QStringList& CommPorts() const { return m_commPorts; }
    // Index into CommPorts of the stored port, -1 for none.
    int CommPortIndex() const { return m_commPortIndex; }
    // The line settings strings: baud rate, parity, data bits, stop bits.
    const QStringList& LineSettings() const { return m_lineSettings; }
    // Index into LineSettings of the stored entry.
    int SettingIndex() const { return m_settingIndex; }

private:
    QStringList m_commPorts;
    int m_commPortIndex = -1;
    QStringList m_lineSettings;
    int m_settingIndex = 0;
};
