#include "map/clsMapAndPorts.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <cmath>
#include <optional>

namespace {

constexpr int PortCount = 15;
constexpr int StartZoom = 15;

[[noreturn]] void TemplateError(const QString& path, const QString& reason) {
    throw clsStationError(QStringLiteral("The map template %1 cannot be read: %2")
                              .arg(QDir::toNativeSeparators(path), reason));
}

QStringList ReadTemplate(const QString& programFolder) {
    const QString path =
        modPrivate::ProgramPath(programFolder, QStringLiteral("carimage/Standards.txt"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        TemplateError(path, file.errorString());
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QStringList lines;
    while (!in.atEnd()) {
        lines.append(in.readLine());
    }
    if (in.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        TemplateError(path, file.errorString());
    }
    lines.append(QString());
    return lines;
}

// The stored whole number under "Settings", or nothing when the key is absent, empty or
// far outside any list (a hand-edited file must not overflow the rounding).
std::optional<long long> StoredNumber(const clsProfileText& settings, const SettingKey& key) {
    const QString text = modPrivate::ReadSetting(settings, key);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const double v = modPrivate::Val(text);
    if (std::fabs(v) > 1e6) {
        return std::nullopt;
    }
    return modPrivate::RoundHalfEven(v);
}

} // namespace

void clsMapAndPorts::PrepareMapAndPorts(const QString& programFolder,
                                        const clsProfileText& settings) {
    m_mapTemplate = ReadTemplate(programFolder);

    m_commPorts.clear();
    for (int n = 1; n <= PortCount; ++n) {
        m_commPorts.append(QStringLiteral("COM%1").arg(n));
    }
    // A stored port outside the list selects none rather than stopping the program.
    const auto port = StoredNumber(settings, modKeys::Setting::CommPort);
    m_commPortIndex = port && *port >= 1 && *port <= PortCount ? static_cast<int>(*port - 1) : -1;

    m_zoom = StartZoom;

    m_lineSettings = {QStringLiteral("4800,n,8,1"),   QStringLiteral("9600,n,8,1"),
                      QStringLiteral("19200,n,8,1"),  QStringLiteral("38400,n,8,1"),
                      QStringLiteral("57600,n,8,1"),  QStringLiteral("115200,n,8,1")};
    const auto setting = StoredNumber(settings, modKeys::Setting::LineSetting);
    m_settingIndex = setting && *setting >= 0 && *setting < m_lineSettings.size()
                         ? static_cast<int>(*setting)
                         : 0;
}
