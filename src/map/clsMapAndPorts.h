#pragma once

#include <QString>
#include <QStringList>

class clsProfileText;

// The start-up step of the main window: the map template, the serial-port lists with
// their stored selections, and the start zoom level.
class clsMapAndPorts {
public:
    // Loads the map template from the program folder and the stored selections from the
    // settings file as start-up read it. Throws clsStationError with a message naming the
    // file when the map template is missing or unreadable.
    void PrepareMapAndPorts(const QString& programFolder, const clsProfileText& settings);

    // The template's lines (UTF-8) followed by one empty element.
    const QStringList& MapTemplate() const { return m_mapTemplate; }
    // "COM1" to "COM15".
    const QStringList& CommPorts() const { return m_commPorts; }
    // Index into CommPorts of the stored port, -1 for none.
    int CommPortIndex() const { return m_commPortIndex; }
    // The line settings strings: baud rate, parity, data bits, stop bits.
    const QStringList& LineSettings() const { return m_lineSettings; }
    // Index into LineSettings of the stored entry.
    int SettingIndex() const { return m_settingIndex; }
    // Zoom level the map starts with.
    int Zoom() const { return m_zoom; }

private:
    QStringList m_mapTemplate{QString()};
    QStringList m_commPorts;
    int m_commPortIndex = -1;
    QStringList m_lineSettings;
    int m_settingIndex = 0;
    int m_zoom = 0;
};
