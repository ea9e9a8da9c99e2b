// The live path from the port on: bytes as a port reads them (Latin-1), cut into arrivals,
// framed into lines, counted, passed through the talker rule, decoded and recorded.

#include "FuzzSupport.h"

#include "tracking/clsReceiverState.h"
#include "tracking/clsSentenceFramer.h"
#include "tracking/clsTalkerLock.h"
#include "tracking/clsTrackRecorder.h"
#include "tracking/modNmeaDecoder.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QString& folder = FuzzSupport::ProgramFolder();
    // The arrival size: a port hands over what it has, from one character to many lines.
    const size_t arrival = input.ConsumeIntegralInRange<size_t>(1, 300);
    const bool dropAfterEach = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    const QString text = QString::fromLatin1(input.ConsumeRemainingBytesAsString());

    const QDateTime arrived(QDate(2024, 5, 1), QTime(12, 0));
    clsSentenceFramer framer;
    clsTalkerLock lock;
    clsReceiverState state;
    clsTrackRecorder recorder(folder, [&] { return arrived; });
    recorder.SetHistoryEnabled(false);
    recorder.ResetForOpening();
    qint64 offered = 0;
    auto onLine = [&](QStringView line) {
        FUZZ_CHECK(!line.isEmpty() && !line.contains(u'\r') && !line.contains(u'\n'));
        state.CountLine(line, modNmeaDecoder::ChecksumAgrees(line));
        if (!clsTalkerLock::IsRmc(line)) {
            return;
        }
        FUZZ_CHECK(clsTalkerLock::RmcTalker(line).size() == 2);
        ++offered;
        for (const clsTalkerLock::Arrival& a : lock.Offer(line, arrived)) {
            const modNmeaDecoder::RmcFields fields = modNmeaDecoder::DecodeRmc(a.Sentence);
            if (a.Sentence.indexOf(u',') == 6) { // "$xxRMC," as every receiver sends it
                FUZZ_CHECK(fields.Talker == clsTalkerLock::RmcTalker(a.Sentence));
            }
            if (modNmeaDecoder::ChecksumAgrees(a.Sentence)) {
                state.CountTaken(a.Sentence, lock.Talker(), a.Arrived);
            }
            recorder.ProcessSentence(a.Sentence, a.Arrived);
        }
        state.SetIgnored(lock.IgnoredCount());
    };
    for (qsizetype at = 0; at < text.size(); at += static_cast<qsizetype>(arrival)) {
        state.CountData();
        framer.Append(QStringView(text).mid(at, static_cast<qsizetype>(arrival)), onLine);
        FUZZ_CHECK(framer.ReceiveBuffer().size() <= clsSentenceFramer::MaxBufferLength);
        FUZZ_CHECK(!framer.ReceiveBuffer().contains(u'\r') && !framer.ReceiveBuffer().contains(u'\n'));
        if (dropAfterEach) {
            framer.DropPartialLine();
        }
    }
    FUZZ_CHECK(lock.IgnoredCount() <= offered);
    FUZZ_CHECK(recorder.RecordCount() <= offered);
    return 0;
}
