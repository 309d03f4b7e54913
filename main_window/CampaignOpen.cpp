// The main window opening several files at once: as one campaign, merged
// into one archive, or only the first as a single file.

#include "CampaignText.h"
#include "GuiReporter.h"
#include "Prompts.h"
#include "StringTable.h"
#include "TervikDlg.h"
#include "UiText.h"

#include "ArchiveFormats.h"
#include "CampaignMerge.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <map>

namespace {

// Names the file being read in each message, as a single load does.
class CampaignReporter final : public IReporter {
  public:
    CampaignReporter(QWidget* parent, const QStringList& names) : m_parent(parent), m_names(names) {}
    void ShowMessage(std::string_view text, int uiOffset) override {
        GuiReporter(m_parent, m_names.value(static_cast<qsizetype>(current))).ShowMessage(text, uiOffset);
    }
    size_t current = 0;

  private:
    QWidget* m_parent;
    const QStringList& m_names;
};

} // namespace

int CTervikDlg::OpenFiles(const QStringList& paths, DataProvenance::Way way) {
    if (paths.isEmpty())
        return 0;
    if (paths.size() > 1) {
        const IPrompts::Button answer = Prompts().Message(
            this, UI(kUiCampaignAsk).replace("%s", QString::number(paths.size())),
            IPrompts::Yes | IPrompts::No | IPrompts::Cancel, IPrompts::Question, IPrompts::Yes);
        if (answer == IPrompts::Yes)
            return LoadCampaign(paths, way);
        if (answer != IPrompts::No)
            return 0;
    }
    const QString& path = paths.first();
    return LoadFile(FormatForOpening(QFileInfo(path).suffix().toStdString()), path, way);
}

int CTervikDlg::LoadCampaign(const QStringList& paths, DataProvenance::Way way) {
    if (!ConfirmReplace())
        return 0;
    QStringList shown;
    std::vector<std::string> files, names;
    std::map<std::string, std::string> nameOf;
    for (const QString& p : paths) {
        shown << QDir::toNativeSeparators(p);
        files.push_back(LocalPath(shown.back()));
        names.push_back(QFileInfo(p).fileName().toStdString());
        nameOf[files.back()] = names.back();
    }
    CampaignReporter reporter(this, shown);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    // The window follows through OnArchiveChanged.
    CampaignResult result =
        m_document.LoadCampaign(files, DataProvenance::FromFile(way, shown.first().toStdString()), reporter,
                                [&reporter](size_t i) { reporter.current = i; });
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    const int language = GetUILanguage();
    switch (result.status) {
    case CampaignResult::Status::Merged: {
        for (CampaignFile& f : result.report.files)
            f.path = nameOf[f.path];
        QStringList lines;
        for (const std::string& line : CampaignReportLines(result.report, language))
            lines << QString::fromStdString(line);
        // The report once, with the offer to keep the merged timeline as one file.
        lines << QString() << UI(kUiCampaignSaveAsk);
        if (Prompts().Message(this, lines.join('\n'), IPrompts::Yes | IPrompts::No, IPrompts::Question,
                              IPrompts::No) == IPrompts::Yes)
            SaveCampaign();
        return result.report.records;
    }
    case CampaignResult::Status::OtherDevice:
        Prompts().Message(this, QString::fromStdString(CampaignOtherInstrumentText(result, names, language)),
                          IPrompts::Ok, IPrompts::Exclamation);
        break;
    case CampaignResult::Status::Empty:
        Prompts().Message(this, UI(kUiCampaignEmpty), IPrompts::Ok, IPrompts::Exclamation);
        break;
    default: // reported as the file was read
        break;
    }
    return 0;
}

void CTervikDlg::SaveCampaign() {
    const CArchiveData* archive = m_document.Archive();
    QString path;
    if (!archive || !Prompts().SaveFile(this, {{UI(kUiMonitoringDataMnr), "*.mnr"}}, "mnr",
                                        UI(kUiCampaignFileName), path))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    GuiReporter reporter(this, QDir::toNativeSeparators(path));
    SaveArchiveRecords(*archive, LocalPath(QDir::toNativeSeparators(path)), reporter);
}
