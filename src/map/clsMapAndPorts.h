#pragma once

#include <QString>
#include <QStringList>

// The start-up step of the main window: the map template, the serial-port lists with
// their stored selections, and the start zoom level.
class clsMapAndPorts {
public:
    // Loads everything from the program folder. Throws std::runtime_error with a message
    // naming the file when the map template is missing or unreadable.
    void PrepareMapAndPorts(const QString& programFolder);

    // The template's lines (UTF-8) followed by one empty element.
    const QStringList& MapTemplate() const { return mapTemplate_; }
    // "COM1" to "COM15".
    const QStringList& CommPorts() const { return commPorts_; }
    // Index into CommPorts of the stored port, -1 for none.
    int CommPortIndex() const { return commPortIndex_; }
    // The line settings strings: baud rate, parity, data bits, stop bits.
    const QStringList& LineSettings() const { return lineSettings_; }
    // Index into LineSettings of the stored entry.
    int SettingIndex() const { return settingIndex_; }
    // Zoom level the map starts with.
    int Zoom() const { return zoom_; }

private:
    QStringList mapTemplate_{QString()};
    QStringList commPorts_;
    int commPortIndex_ = -1;
    QStringList lineSettings_;
    int settingIndex_ = 0;
    int zoom_ = 0;
};
