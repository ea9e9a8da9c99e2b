#include "history/clsExportDialog.h"

#include "history/clsTrackExport.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QWidget>

clsExportDialog::clsExportDialog(QWidget* owner, const QString& programFolder, const QString& title)
    : m_owner(owner), m_programFolder(programFolder), m_title(title) {}

void clsExportDialog::Run(const clsTrackExport& exporter, const clsTrackRecords& records) const {
    const std::optional<clsExportChoice::Target> target = ChooseTarget();
    if (!target) {
        return;
    }
    try {
        m_owner->setCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([this] { m_owner->unsetCursor(); });
        exporter.ExportTrack(target->Path, target->Format, records);
    } catch (const clsStationError& error) {
        IPlatform::Current().MessageBox(m_owner, error.Message(), m_title,
                                        IPlatform::Icon::Critical);
        return;
    }
    if (!IPlatform::Current().OpenInTextEditor(target->Path)) {
        // The file is there all the same: nothing failed that the operator must mend.
        IPlatform::Current().MessageBox(
            m_owner,
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::EditorNotStarted)
                .arg(QDir::toNativeSeparators(target->Path)),
            m_title, IPlatform::Icon::Information);
    }
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::ExportFileName, target->Path);
}

// The file and format to write; none when the operator cancels.
std::optional<clsExportChoice::Target> clsExportDialog::ChooseTarget() const {
    const clsExportChoice::Offer offer = clsExportChoice::Propose(
        modPrivate::ReadSetting(m_programFolder, modKeys::Setting::ExportFileName),
        clsExportChoice::DocumentsFolder());
    int entry = offer.Entry;
    const QString path = IPlatform::Current().ChooseFile(m_owner, clsTrackExport::Filter(), entry,
                                                         QStringLiteral("ExportFile"), offer.Path);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const clsExportChoice choice(path, entry);
    if (!choice.Conflicts()) {
        return choice.Default();
    }
    const clsExportChoice::Target byName = choice.ByName();
    const clsExportChoice::Target byEntry = choice.ByEntry();
    switch (IPlatform::Current().ChooseOne(
        m_owner, choice.Question(m_programFolder), m_title,
        {clsTrackExport::FormatText(byName.Format), clsTrackExport::FormatText(byEntry.Format)},
        0)) {
    case 0:
        return byName;
    case 1:
        // The dialog asked about replacing the name as chosen, not this one.
        return MayReplace(byEntry.Path) ? std::optional(byEntry) : std::nullopt;
    default:
        return std::nullopt;
    }
}

bool clsExportDialog::MayReplace(const QString& path) const {
    return !QFileInfo::exists(path) ||
           IPlatform::Current().MessageBox(
               m_owner,
               modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ExportReplaceQuestion)
                   .arg(QDir::toNativeSeparators(path)),
               m_title, IPlatform::Icon::Question) == IPlatform::Answer::Yes;
}
