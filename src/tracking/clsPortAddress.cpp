#include "tracking/clsPortAddress.h"

#include <array>

namespace {

struct Scheme {
    QLatin1String Prefix;
    clsPortAddress::Kind Kind;
};

const std::array<Scheme, 3> Schemes = {{{QLatin1String("tcp://"), clsPortAddress::Kind::Tcp},
                                        {QLatin1String("udp://"), clsPortAddress::Kind::Udp},
                                        {QLatin1String("gpsd://"), clsPortAddress::Kind::Gpsd}}};

bool HasSchemeMark(const QString& text) {
    const qsizetype mark = text.indexOf(QLatin1String("://"));
    if (mark <= 0) {
        return false;
    }
    for (const QChar c : QStringView(text).first(mark)) {
        if (!c.isLetter()) {
            return false;
        }
    }
    return true;
}

} // namespace

bool clsPortAddress::IsNetwork(const QString& text) {
    return HasSchemeMark(text.trimmed());
}

std::optional<clsPortAddress> clsPortAddress::Parse(const QString& text) {
    clsPortAddress address;
    address.m_text = text;
    const QString trimmed = text.trimmed();
    if (!HasSchemeMark(trimmed)) {
        address.m_device = text;
        return address;
    }
    for (const Scheme& scheme : Schemes) {
        if (!trimmed.startsWith(scheme.Prefix, Qt::CaseInsensitive)) {
            continue;
        }
        QStringView rest = QStringView(trimmed).sliced(scheme.Prefix.size());
        address.m_kind = scheme.Kind;
        if (scheme.Kind == Kind::Gpsd) {
            const qsizetype slash = rest.indexOf(u'/');
            if (slash >= 0) {
                address.m_device = rest.sliced(slash).toString();
                rest = rest.first(slash);
            }
            if (!rest.contains(u':') || rest.endsWith(u']')) {
                address.m_host = rest.toString();
                address.m_port = GpsdPort;
                rest = {};
            }
        }
        if (!rest.isEmpty() && !SplitHostPort(rest, address.m_host, address.m_port)) {
            return std::nullopt;
        }
        address.m_host.remove(u'[').remove(u']');
        if (address.m_host.isEmpty() && scheme.Kind != Kind::Udp) {
            return std::nullopt;
        }
        return address;
    }
    return std::nullopt;
}

bool clsPortAddress::SplitHostPort(QStringView text, QString& host, quint16& port) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0) {
        return false;
    }
    bool ok = false;
    const uint number = text.sliced(colon + 1).toUInt(&ok);
    if (!ok || number < 1 || number > 65535 || text.sliced(colon + 1).startsWith(u'+')) {
        return false;
    }
    host = text.first(colon).toString();
    port = static_cast<quint16>(number);
    return true;
}
