#pragma once

namespace qm {

// Whether standard error is a terminal someone watches, so that a command-line run draws its
// progress there only then: a log file or a pipe gets the messages alone.
bool standardErrorIsTerminal();

} // namespace qm
