// Feeder batches: written by the library's page writer, or by the device.
#include <cstdio>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "scan_session.h"
#include "zeltw32.h"

namespace zelscan {
namespace {

void ApplyBatchOptions(const BatchOptions &batch) {
    switch (batch.duplex) {
    case Duplex::TwoSided:
        PonDuplex(1);
        break;
    case Duplex::OneSided:
        PonDuplex(0);
        break;
    case Duplex::Manual:
        ForzarDuplex(1);
        break;
    case Duplex::AsIs:
        break;
    }
    // A forced manual duplex stays in force in the library until switched off.
    if (batch.duplex != Duplex::Manual)
        ForzarDuplex(0);
    if (batch.blank_threshold)
        DescartarEnBlanco(*batch.blank_threshold);
    if (batch.compression)
        Comprimir(*batch.compression);
}

// The caller's name in a buffer with room for the extension the library
// may append; an empty name asks for the save dialog.
std::vector<char> NameBuffer(const std::string &name) {
    std::vector<char> buffer(name.begin(), name.end());
    buffer.resize(name.size() + 16, '\0');
    return buffer;
}

// Runs one multi-page acquisition and records its outcome: result 1 ran,
// 0 failed, -1 cancelled in the save dialog.
int RunBatch(ScanSession &session, const BatchOptions &batch, bool byDevice) {
    std::vector<char> name = NameBuffer(batch.out);
    if (!batch.out.empty())
        session.WatchOutput(SettleOutputName(batch.out, batch.format));
    // With the save dialog the name is known once it was answered, which
    // happens before the first page.
    session.WhenNamed([&session, &batch](const std::string &typed) {
        session.WatchOutput(SettleOutputName(typed, batch.format));
    });
    int result = byDevice ? AdquirirMultipaginaXDispositivo(0, batch.format, name.data())
                          : AdquirirMultipagina(0, batch.format, name.data());
    DescargarManejadorDispositivo(); // a refused or cancelled batch leaves the source open
    if (result == 0)
        std::fprintf(stderr, byDevice ? "zelscan: the source does not offer this format, refused "
                                        "the file set-up, or cannot feed by itself\n"
                                      : "zelscan: the source could not be opened\n");
    session.Conclude(result, result == 1);
    return session.Report();
}

} // namespace

int BatchCommand(const CommonOptions &common, const BatchOptions &batch) {
    ScanSession session(common, "batch");
    if (!session.Prepare())
        return session.Report();
    ApplyBatchOptions(batch);
    return RunBatch(session, batch, false);
}

int DeviceCommand(const CommonOptions &common, const BatchOptions &batch) {
    ScanSession session(common, "device");
    if (!session.Prepare())
        return session.Report();
    return RunBatch(session, batch, true);
}

} // namespace zelscan
