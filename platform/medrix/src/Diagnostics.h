// Diagnostic output of the converter: FFmpeg's own log is silenced, or, when
// VORLAIN_DEBUG is set, routed with the converter's notes to the platform's
// debug output. Nothing reaches stderr directly.
#pragma once

namespace medrix {

/** Installs the FFmpeg log routing once per process. */
void InitDiagnostics();
/** One "Medrix: ..." line to the debug output when VORLAIN_DEBUG is set. */
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace medrix
