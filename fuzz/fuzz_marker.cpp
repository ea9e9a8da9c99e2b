// The marker file's lines for vehicles and points of interest of any values: each one
// line, ended by CR LF, whose coordinates read back as the numbers given.

#include "FuzzFixes.h"

#include "map/clsMarkerText.h"

namespace {

// A point as the POI table can hold it when another program wrote it: any name and kind,
// line breaks and "|" among them, and any coordinate.
CoordinateRecord AnyPoint(FuzzedDataProvider& input) {
    CoordinateRecord point;
    point.X = FuzzSupport::AnyDouble(input);
    point.Y = FuzzSupport::AnyDouble(input);
    point.Kind = FuzzSupport::Utf8Text(input, 4);
    point.Explanation = FuzzSupport::Utf8Text(input, 40);
    return point;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    static const clsMarkerText text(FuzzSupport::ProgramFolder());
    QByteArray out;
    QList<std::pair<double, double>> expected; // latitude, longitude as signed degrees
    while (input.remaining_bytes() > 0 && expected.size() < 64) {
        if (input.ConsumeBool()) {
            const PositionFix fix = FuzzSupport::AnyFix(input);
            static const QLatin1String folders[] = {QLatin1String("C-rv"), QLatin1String("C-Rv"),
                                                    QLatin1String("POI")};
            text.AppendVehicle(out, fix, folders[input.ConsumeIntegralInRange<int>(0, 2)]);
            expected.append({fix.NorthSouth == u"S" ? -fix.Latitude : fix.Latitude,
                             fix.EastWest == u"W" ? -fix.Longitude : fix.Longitude});
            (void)text.SpeedCaption(fix);
        } else {
            const CoordinateRecord point = AnyPoint(input);
            clsMarkerText::AppendPoint(out, point);
            expected.append({point.Y, point.X});
        }
    }
    FUZZ_CHECK(out.count('\n') == expected.size());
    FUZZ_CHECK(out.isEmpty() || out.endsWith("\r\n"));
    const QList<QByteArray> lines = out.split('\n');
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('|');
        FUZZ_CHECK(fields.size() >= 4);
        FUZZ_CHECK(FuzzSupport::ReadsAs(fields[0], expected[i].first, 15));
        FUZZ_CHECK(FuzzSupport::ReadsAs(fields[1], expected[i].second, 15));
    }
    return 0;
}
