#include "tracking/clsPortChoices.h"

#include "shell/modPrivate.h"

#include <cmath>
#include <optional>

namespace {

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

void clsPortChoices::Load(const clsProfileText& settings) {
    m_commPorts.clear();
    for (int n = 1; n <= modKeys::Design::PortCount; ++n) {
        m_commPorts.append(QStringLiteral("COM%1").arg(n));
    }
    // A stored port outside the list selects none rather than stopping the program.
    const auto port = StoredNumber(settings, modKeys::Setting::CommPort);
    m_commPortIndex = port && *port >= 1 && *port <= modKeys::Design::PortCount
                          ? static_cast<int>(*port - 1)
                          : modKeys::Setting::CommPortIndexMissing;

    m_lineSettings.clear();
    for (const QLatin1String line : modKeys::Design::LineSettings) {
        m_lineSettings.append(line);
    }
    const auto setting = StoredNumber(settings, modKeys::Setting::LineSetting);
    m_settingIndex = setting && *setting >= 0 && *setting < m_lineSettings.size()
                         ? static_cast<int>(*setting)
                         : modKeys::Setting::LineSettingMissing;
}
