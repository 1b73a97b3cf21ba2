#include "process/Console.h"

#include <cstdio>
#include <io.h>

namespace qm {

bool standardErrorIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

} // namespace qm
