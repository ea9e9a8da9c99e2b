// The pick-up file that the map page leaves, damaged in any way, taken into a real POI
// database; every point taken is found there by its name afterwards.

#include "FuzzSupport.h"

#include "map/clsPoiPickup.h"
#include "poi/clsDBLib.h"

namespace {

clsDBLib& Database() {
    static clsDBLib* db = [] {
        auto* made = new clsDBLib();
        made->OpenStationDatabase(FuzzSupport::ProgramFolder());
        return made;
    }();
    return *db;
}

// The names of every point in the database, which is emptied.
QStringList TakeAllNames(clsDBLib& db) {
    QStringList names;
    db.OpenCoordinateRecordset();
    QString seqNo, kind, explanation;
    double x = 0, y = 0;
    while (db.FetchCoordinateRecord(seqNo, x, y, kind, explanation)) {
        FUZZ_CHECK(std::isfinite(x) && std::isfinite(y) && std::fabs(x) <= 180 &&
                   std::fabs(y) <= 90);
        names << explanation;
    }
    for (const QString& name : names) {
        db.DeleteCoordinate(name);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString& folder = FuzzSupport::ProgramFolder();
    clsDBLib& db = Database();
    const clsPoiPickup pickup(folder);
    FUZZ_CHECK(FuzzSupport::WriteFile(pickup.PickupPath(), FuzzSupport::Bytes(data, size)));
    const clsPoiPickup::Result result = pickup.Take(db);
    FUZZ_CHECK(result.Found);
    FUZZ_CHECK(result.Error.isEmpty());
    FUZZ_CHECK(!QFile::exists(pickup.PickupPath()) && !QFile::exists(pickup.TakingPath()));
    // Every line put aside is in the rejects file, whole.
    QFile rejects(pickup.RejectsPath());
    const QByteArray rejected =
        rejects.open(QIODevice::ReadOnly) ? rejects.readAll() : QByteArray();
    rejects.close();
    FUZZ_CHECK(rejected.count("\r\n") == result.Rejected);
    FUZZ_CHECK((result.Rejected > 0) == !result.Rejection.isEmpty());
    QFile::remove(pickup.RejectsPath());
    const QStringList names = TakeAllNames(db);
    FUZZ_CHECK(names.size() == result.Inserted);
    for (const QString& name : names) {
        bool absent = true;
        db.SearchCoordinate(name, absent);
        FUZZ_CHECK(absent); // deleted again, so the next input starts from an empty table
    }
    return 0;
}
