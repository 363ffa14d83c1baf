// The frame of every scan: the source opened and set up, the host's view of
// the library installed while it runs, and the summary printed after.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "host_platform.h"
#include "options.h"
#include "page_files.h"
#include "progress.h"
#include "summary.h"

namespace zelscan {

class ScanSession {
  public:
    ScanSession(const CommonOptions &common, std::string command);
    ~ScanSession();

    // Opens the source and applies the pixel types, resolution and interface
    // choice.  False (summary filled) when that fails.
    bool Prepare();
    // Watches the output's page files while the scan runs.
    void WatchOutput(const OutputName &output);
    // Calls `named` with the name the person types in a save dialog.
    void WhenNamed(std::function<void(const std::string &)> named) {
        log_.on_dialog_name = std::move(named);
    }
    // Records what the library returned and which files were written, and
    // decides the exit status: `ran` is whether the library says it ran.
    void Conclude(int libraryResult, bool ran);
    // Prints the summary (and writes the contact sheet); returns the exit status.
    int Report();

    ScanSummary &summary() { return summary_; }
    const HostLog &log() const { return log_; }
    const CommonOptions &common() const { return common_; }

  private:
    int ExitStatus(bool ran) const;
    // Whether the output watched, if any, got a file.
    bool WroteOutput() const;
    const CommonOptions &common_;
    HostLog log_;
    ScanSummary summary_;
    std::unique_ptr<ProgressDisplay> progress_;
    std::optional<OutputSnapshot> snapshot_;
};

// Records the files written since the snapshot into the summary.
void CollectFiles(const OutputSnapshot &snapshot, ScanSummary &summary);

} // namespace zelscan
