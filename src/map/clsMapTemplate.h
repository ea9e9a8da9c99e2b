#pragma once

#include <QString>
#include <QStringList>

// The map page's template from the program folder, which every drawing fills in.
class clsMapTemplate {
public:
    // Reads carimage/Standards.txt of the program folder (UTF-8). Throws clsStationError
    // with a message naming the file when it is missing or unreadable; the lines read
    // before stay as they were then.
    void Load(const QString& programFolder);

    // The template's lines followed by one empty element; one empty element before Load.
    const QStringList& MapTemplate() const { return m_mapTemplate; }

private:
    QStringList m_mapTemplate{QString()};
};
