#include "process/Console.h"

#include <unistd.h>

namespace qm {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace qm
