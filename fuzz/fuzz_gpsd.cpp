// gpsd's replies as they come from the network: any line, JSON or not; and the watch
// command for any device name, which must stay one JSON line naming that device.

#include "FuzzSupport.h"

#include "tracking/clsGpsdReply.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray line = FuzzSupport::Bytes(data, size);
    if (const std::optional<clsGpsdReply> reply = clsGpsdReply::Parse(line)) {
        (void)reply->Devices();
    }
    (void)clsGpsdReply::IsReply(line);

    const QString device = QString::fromUtf8(line);
    const QByteArray command = clsGpsdReply::WatchCommand(device);
    FUZZ_CHECK(command.endsWith('\n') && command.count('\n') == 1);
    const QByteArray object = command.mid(command.indexOf('{'));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(object, &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && document.isObject());
    if (!device.isEmpty()) {
        FUZZ_CHECK(document.object().value(QStringLiteral("device")).toString() == device);
    }
    return 0;
}
