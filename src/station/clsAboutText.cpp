#include "station/clsAboutText.h"

#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <array>

namespace {

// The works that ship in the program folder or are linked, as the package's copyright file
// names them, and the map tiles the station shows by default.
constexpr std::array<clsAboutText::Credit, 10> AllCredits{{
    {"Qt 6", "The Qt Company Ltd. and other contributors", "LGPL-3.0-only or GPL-2.0+ or GPL-3.0",
     "https://www.qt.io/licensing/"},
    {"SQLCipher", "Zetetic LLC; SQLite is in the public domain", "BSD-3-Clause",
     "https://www.zetetic.net/sqlcipher/"},
    {"zlib", "Jean-loup Gailly and Mark Adler", "Zlib", "https://zlib.net/"},
    {"Leaflet", "Volodymyr Agafonkin, CloudMade", "BSD-2-Clause", "https://leafletjs.com/"},
    {"topojson-client", "Michael Bostock", "ISC", "https://github.com/topojson/topojson-client"},
    {"world-atlas", "Michael Bostock", "ISC", "https://github.com/topojson/world-atlas"},
    {"uPlot", "Leon Sorokin", "MIT", "https://github.com/leeoniya/uPlot"},
    {"Natural Earth", "Natural Earth contributors", "public domain",
     "https://www.naturalearthdata.com/"},
    {"Adwaita icon theme", "GNOME Project", "CC-BY-SA-3.0 or LGPL-3",
     "https://gitlab.gnome.org/GNOME/adwaita-icon-theme"},
    {"OpenStreetMap", "© OpenStreetMap contributors (map tiles and data)", "ODbL-1.0",
     "https://www.openstreetmap.org/copyright"},
}};

// The licence texts that ship beside the map page's libraries.
constexpr std::array LicenceFiles{"carimage/lib/leaflet/LICENSE",
                                  "carimage/lib/topojson-client/LICENSE",
                                  "carimage/lib/world-atlas/LICENSE"};

QString escaped(const char* text) {
    return QString::fromUtf8(text).toHtmlEscaped();
}

} // namespace

std::span<const clsAboutText::Credit> clsAboutText::Credits() {
    return AllCredits;
}

QString clsAboutText::Html(const QString& programFolder, const clsProfileText& language,
                           const QString& qtVersion) {
    const auto text = [&](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code).toHtmlEscaped();
    };
    QString html =
        QStringLiteral("<h2>%1</h2>\n<p>%2<br>%3</p>\n<p>%4</p>\n<table cellpadding=\"3\">\n")
            .arg(modApplication::ApplicationTitle(language).toHtmlEscaped(),
                 text(modKeys::Messages::AboutVersion).arg(QStringLiteral(STATION_VERSION_TEXT)),
                 text(modKeys::Messages::AboutFolder)
                     .arg(QDir::toNativeSeparators(programFolder).toHtmlEscaped()),
                 text(modKeys::Messages::AboutCredits));
    for (const Credit& credit : AllCredits) {
        QString name = escaped(credit.Name);
        if (QLatin1String(credit.Name) == QLatin1String("Qt 6")) {
            name += QStringLiteral(" (%1)").arg(qtVersion.toHtmlEscaped());
        }
        html +=
            QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td>"
                           "<td><a href=\"%4\">%4</a></td></tr>\n")
                .arg(name, escaped(credit.Holder), escaped(credit.Licence), escaped(credit.Link));
    }
    html += QStringLiteral("</table>\n<p>%1</p>\n").arg(text(modKeys::Messages::AboutLicences));
    for (const char* relative : LicenceFiles) {
        QFile licence(modPrivate::ProgramPath(programFolder, QLatin1String(relative)));
        if (licence.open(QIODevice::ReadOnly)) {
            html += QStringLiteral("<h4>%1</h4>\n<pre>%2</pre>\n")
                        .arg(QString::fromLatin1(relative).section(QLatin1Char('/'), 2, 2),
                             QString::fromUtf8(licence.readAll()).toHtmlEscaped());
        }
    }
    return html;
}
