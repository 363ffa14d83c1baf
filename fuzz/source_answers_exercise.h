// One run of the library's exports against the scripted TWAIN peer, shared
// by the libFuzzer target and the replay test of the normal build.
//
// Input: kOperationBytes bytes of export calls (kOperations calls of four
// bytes: operation, then three argument bytes), then the answer stream of
// the scripted manager and source (scripted_twain.h).
#pragma once

#include "scripted_twain.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelfuzz {

constexpr size_t kOperations = 6;
constexpr size_t kOperationBytes = 4 * kOperations;

// Operation codes (the first byte of a call, modulo 16).
enum Operation : uint8_t {
    kNone = 0,
    kMemory = 1,      // AdquirirEnMemoria(mask a)
    kClipboard = 2,   // AdquirirEnPortaPapeles(mask a)
    kBitmapFile = 3,  // AdquirirEnArchivo(name b)
    kMultipage = 4,   // options c, AdquirirMultipagina(format a, name b)
    kDeviceFiles = 5, // AdquirirMultipaginaXDispositivo(format a, name b)
    kWaitNative = 6,  // EsperarANativeXfer
    kEndTransfer = 7, // FinXfer
    kAbort = 8,       // AbortarPendienteXfer
    kGetCap = 9,      // ObtenActualCapacidad(capability a, type b)
    kSetCap = 10,     // PonValorDeUnaCapacidad(capability a, type b, value c)
    kNamed = 11,      // named capability operation a with argument b
    kFree = 12,       // LiberadorDeMemoria of the last handle returned
    kOpen = 13,       // open a source (a: default, by position, by name)
    kHideUI = 14,     // OcultarUI(a & 1)
    kUnload = 15,     // DescargarManejadorDispositivo
};

// A first byte of 0x1? or 0x2? is the host's own acquisition: the file
// mechanism (c & 1) and a DAT_SETUPFILEXFER of its own (c & 2: name b,
// format a), HabilitarDispositivo, then the library's modal loop (0x1?) or
// the host's loop of CapturarMensajes (0x2?); the host takes the pages left
// in the slots.
constexpr uint8_t kHostModal = 0x10;
constexpr uint8_t kHostLoop = 0x20;

struct SourceRun {
    std::string failure; // empty when every invariant held
    int calls = 0;       // export calls made
    int handles = 0;     // DIB handles returned to the caller
    int boxes = 0;       // message boxes answered
    ScriptCounts peer;
};

// Runs the calls from a fresh session (the manager unloaded, the options at
// their defaults) and an output folder holding an earlier acquisition's
// lote.tif, lote_1.tif and lote_2.tif.  After each call, every page the
// source delivered must be accounted for and only the run's outputs may
// have changed.  Then it unloads the manager with cooperative answers and
// checks that the session is back in state 1, that no global, local or GDI
// handle is left beyond those freed here, and that no memory handle that
// is no block was used.  The Windows folder must hold
// the forwarding TWAIN_32.DLL (WINDIR, or the platform's default).
SourceRun ExerciseSourceAnswers(const uint8_t *data, size_t size);

// The Windows folder of this process's output names: "page" (no
// extension), "doc.tif", "chosen" (the dialog's answer), "lote.tif".
const std::string &OutputFolder();

} // namespace zelfuzz
