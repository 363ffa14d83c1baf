#include "scan_session.h"

#include <cstdio>

#include "contact_sheet.h"
#include "exit_codes.h"
#include "sources.h"
#include "text.h"
#include "zeltw32.h"

namespace zelscan {

ScanSession::ScanSession(const CommonOptions &common, std::string command) : common_(common) {
    summary_.command = std::move(command);
    summary_.source = common.source;
    progress_ = std::make_unique<ProgressDisplay>(
        common.progress, [this] { return snapshot_ ? int(snapshot_->WrittenFiles().size()) : 0; });
    log_.on_debug_line = [this](const std::string &line) { progress_->Feed(line); };
    InstallHostHooks(log_, common.yes);
}

ScanSession::~ScanSession() {
    RemoveHostHooks();
}

bool ScanSession::Prepare() {
    std::optional<std::string> opened = OpenSourceForScan(common_.source);
    if (!opened) {
        summary_.exit_code = kExitFailure;
        return false;
    }
    summary_.source = *opened;
    if (common_.pixel_mask && !NegociarTipoPixel(int(common_.pixel_mask))) {
        std::fprintf(stderr, "zelscan: the source offers none of the pixel types asked for\n");
        DescargarManejadorDispositivo();
        summary_.exit_code = kExitFailure;
        return false;
    }
    if (common_.dpi > 0 && !PonActualResolucion(common_.dpi))
        std::fprintf(stderr, "zelscan: the source took another resolution than %g dpi\n",
                     common_.dpi);
    OcultarUI(common_.show_ui ? 0 : 1);
    return true;
}

void ScanSession::WatchOutput(const OutputName &output) {
    snapshot_.emplace(output);
}

void ScanSession::Conclude(int libraryResult, bool ran) {
    summary_.library_result = libraryResult;
    if (HostSeesDebugOutput()) {
        const PageCounter &counter = progress_->counter();
        summary_.transferred = counter.transferred();
        summary_.passes = counter.passes();
        summary_.discarded = counter.discarded();
        summary_.lost = counter.lost();
    }
    summary_.errors = log_.error_boxes;
    summary_.notices = log_.notice_boxes;
    if (snapshot_)
        CollectFiles(*snapshot_, summary_);
    summary_.exit_code = ExitStatus(ran);
    progress_->Finish(summary_.PagesWritten());
}

// An error the library reported, or a page it could not write: failure.
// Ran and brought pages: success, unless the output watched got no file.
// Brought nothing: cancelled when the person could have cancelled (a dialog,
// the source's interface); otherwise a failure.
int ScanSession::ExitStatus(bool ran) const {
    if (!log_.error_boxes.empty() || summary_.lost.value_or(0) > 0)
        return kExitFailure;
    // A host that cannot see the pages go by takes the library's word.
    bool broughtPages = !HostSeesDebugOutput() || summary_.transferred.value_or(0) > 0 ||
                        !summary_.files.empty() || summary_.clipboard;
    if (ran && broughtPages) {
        if (WroteOutput())
            return kExitSuccess;
        std::fprintf(stderr, "zelscan: no file of the output was written\n");
        return kExitFailure;
    }
    if (log_.dialog_cancelled || (ran && common_.show_ui))
        return kExitCancelled;
    if (ran)
        std::fprintf(stderr, "zelscan: the source brought no page%s\n",
                     snapshot_ ? ": no file of the output was written" : "");
    return kExitFailure;
}

// The files on disk are the one sign of a run's output that every system
// shows: a transfer may end without a page, and a format without a file.
bool ScanSession::WroteOutput() const {
    return !snapshot_ || !summary_.files.empty() || !summary_.unreadable.empty();
}

int ScanSession::Report() {
    if (!common_.contact_sheet.empty() && !summary_.files.empty() &&
        !WriteContactSheet(summary_.files, common_.contact_sheet))
        std::fprintf(stderr, "zelscan: cannot write the contact sheet %s\n",
                     common_.contact_sheet.c_str());
    std::string out = common_.json ? SummaryJson(summary_).dump(2) + "\n" : SummaryText(summary_);
    std::fputs(out.c_str(), stdout);
    return summary_.exit_code;
}

void CollectFiles(const OutputSnapshot &snapshot, ScanSummary &summary) {
    for (const std::string &name : snapshot.WrittenFiles()) {
        if (auto file = ReadPageFile(name))
            summary.files.push_back(*file);
        else
            summary.unreadable.push_back(name);
    }
}

} // namespace zelscan
