#pragma once

#include <QString>
#include <optional>

// What an entry of section "Ports" names: a device path, or a network source written
// tcp://host:port (raw NMEA over TCP), udp://[host]:port (NMEA datagrams received on that
// port, of that local address when one is given) or gpsd://host[:port][/device] (gpsd's
// JSON protocol, port 2947 unless given, the named device only when one is given).
class clsPortAddress {
public:
    enum class Kind { Device, Tcp, Udp, Gpsd };

    static constexpr quint16 GpsdPort = 2947;

    // Whether text names a network source (its scheme, in any case), well-formed or not.
    static bool IsNetwork(const QString& text);
    // The address that text names; nothing when text names a network source that is not
    // well formed (no host for tcp or gpsd, a port that is not 1 to 65535, another scheme).
    // Any other text is a device path, taken as it is.
    static std::optional<clsPortAddress> Parse(const QString& text);

    Kind AddressKind() const { return m_kind; }
    // The host to reach (tcp, gpsd) or the local address to receive on (udp, empty for
    // every address); brackets of an IPv6 address are removed.
    const QString& Host() const { return m_host; }
    quint16 Port() const { return m_port; }
    // The device path: the whole text of a device, gpsd's device (empty for all of them).
    const QString& Device() const { return m_device; }
    // The text as the settings file holds it.
    const QString& Text() const { return m_text; }

private:
    static bool SplitHostPort(QStringView text, QString& host, quint16& port);

    Kind m_kind = Kind::Device;
    QString m_host;
    quint16 m_port = 0;
    QString m_device;
    QString m_text;
};
