#include "tracking/clsPortAssignments.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/clsPortAddress.h"

#include <QDir>
#include <QSerialPortInfo>

namespace {

QString PortName(int portNumber) {
    return QStringLiteral("COM%1").arg(portNumber);
}

QString HexId(bool present, quint16 id) {
    return present ? QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')) : QString();
}

} // namespace

QList<clsPortAssignments::FoundDevice> clsPortAssignments::FindDevices() {
    QList<FoundDevice> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        found.append({info.systemLocation(), info.description(),
                      HexId(info.hasVendorIdentifier(), info.vendorIdentifier()),
                      HexId(info.hasProductIdentifier(), info.productIdentifier())});
    }
    return found;
}

QString clsPortAssignments::Assignment(const QString& programFolder, int portNumber) {
    return modPrivate::ReadSetting(programFolder, modKeys::Setting::Ports, PortName(portNumber));
}

void clsPortAssignments::Assign(const QString& programFolder, int portNumber,
                                const QString& target) {
    const QString text = target.trimmed();
    const QString port = PortName(portNumber);
    const std::optional<clsPortAddress> address = clsPortAddress::Parse(text);
    if (!address) {
        throw clsStationError(
            modPrivate::ReadLanguage(programFolder, modKeys::Messages::AddressInvalid)
                .arg(port, text));
    }
    if (!modPrivate::WriteSetting(programFolder, modKeys::Setting::Ports, port, text)) {
        throw clsStationError(
            modPrivate::ReadLanguage(programFolder, modKeys::Messages::AssignmentNotWritten)
                .arg(port, QDir::toNativeSeparators(
                               modPrivate::ProgramPath(programFolder, "vendrel.ini"))));
    }
}
