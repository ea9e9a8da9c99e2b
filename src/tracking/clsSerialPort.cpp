#include "tracking/clsSerialPort.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

namespace {

std::optional<QSerialPort::Parity> ParityOf(const QString& letter) {
    if (letter.size() != 1) {
        return std::nullopt;
    }
    switch (letter.at(0).toLower().unicode()) {
    case 'n':
        return QSerialPort::NoParity;
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> StopBitsOf(const QString& text) {
    if (text == QLatin1String("1")) {
        return QSerialPort::OneStop;
    }
    if (text == QLatin1String("1.5")) {
        return QSerialPort::OneAndHalfStop;
    }
    if (text == QLatin1String("2")) {
        return QSerialPort::TwoStop;
    }
    return std::nullopt;
}

} // namespace

clsSerialPort::clsSerialPort(const QString& programFolder, QObject* parent)
    : ISerialPort(parent), m_programFolder(programFolder) {
    connect(&m_port, &QSerialPort::readyRead, this, &ISerialPort::DataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &clsSerialPort::HandleError);
}

void clsSerialPort::Open(int portNumber, const QString& settings) {
    if (m_port.isOpen()) {
        throw clsStationError(QStringLiteral("Port already open"));
    }
    const QString device = DeviceForPort(m_programFolder, portNumber);
    if (device.isEmpty()) {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::PortNotChosen));
    }
    const std::optional<LineSettings> line = ParseSettings(settings);
    if (!line) {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::LineSettingInvalid)
                .arg(settings));
    }
    m_port.setPortName(device);
    m_port.setBaudRate(line->BaudRate);
    m_port.setParity(line->Parity);
    m_port.setDataBits(line->DataBits);
    m_port.setStopBits(line->StopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.clearError();
    if (!m_port.open(QIODevice::ReadOnly)) {
        const QString message = OpenFailure(QStringLiteral("COM%1").arg(portNumber), device);
        m_port.close();
        throw clsStationError(message);
    }
    m_lossReported = false;
}

// What went wrong and what the operator can do about it, rather than the platform's bare
// "No such file or directory".
QString clsSerialPort::OpenFailure(const QString& portName, const QString& device) const {
    const auto text = [this](const LanguageCode& code) {
        return modPrivate::ReadLanguage(m_programFolder, code);
    };
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return text(modKeys::Messages::DeviceMissing).arg(portName, device);
    case QSerialPort::PermissionError:
        return text(modKeys::Messages::DeviceInUse).arg(portName, device);
    default:
        return text(modKeys::Messages::PortNotOpened).arg(portName, device, ErrorDescription());
    }
}

void clsSerialPort::Close() {
    m_port.close();
}

bool clsSerialPort::IsOpen() const {
    return m_port.isOpen();
}

QString clsSerialPort::ReadAll() {
    return QString::fromLatin1(m_port.readAll());
}

QString clsSerialPort::DeviceForPort(const QString& programFolder, int portNumber) {
    return DeviceForPort(modPrivate::LoadSettings(programFolder), portNumber);
}

QString clsSerialPort::DeviceForPort(const clsProfileText& settings, int portNumber) {
    if (portNumber < 1) {
        return QString();
    }
    const QString key = QStringLiteral("COM%1").arg(portNumber);
    const QString configured = settings.Value(modKeys::Setting::Ports, key);
    if (!configured.isEmpty()) {
        return configured;
    }
#ifdef Q_OS_WIN
    return key;
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

std::optional<clsSerialPort::LineSettings> clsSerialPort::ParseSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    bool baudOk = false;
    bool bitsOk = false;
    const int baud = parts.at(0).trimmed().toInt(&baudOk);
    const int dataBits = parts.at(2).trimmed().toInt(&bitsOk);
    const std::optional<QSerialPort::Parity> parity = ParityOf(parts.at(1).trimmed());
    const std::optional<QSerialPort::StopBits> stopBits = StopBitsOf(parts.at(3).trimmed());
    if (!baudOk || baud <= 0 || !bitsOk || dataBits < 5 || dataBits > 8 || !parity || !stopBits) {
        return std::nullopt;
    }
    return LineSettings{baud, *parity, static_cast<QSerialPort::DataBits>(dataBits), *stopBits};
}

// Qt repeats a read error on every pass of the event loop while the port stays open,
// so a lost device is reported once and the port closed right after.
void clsSerialPort::HandleError(QSerialPort::SerialPortError error) {
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (!lost || !m_port.isOpen() || m_lossReported) {
        return;
    }
    m_lossReported = true;
    emit DeviceLost(ErrorDescription());
    m_port.close();
}

QString clsSerialPort::ErrorDescription() const {
    const QString text = m_port.errorString();
    return text.isEmpty() ? QStringLiteral("Unknown error") : text;
}
