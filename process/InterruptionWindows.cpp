#include "process/Interruption.h"

#include <cstdlib>

namespace qm {

struct Interruption::Watch
{};

Interruption::Interruption(QObject *parent) : QObject(parent), m_watch(std::make_unique<Watch>()) {}

Interruption::~Interruption() = default;

// Ctrl+C and a closed console end the program at once, as they always did.
void Interruption::install() {}

QString Interruption::signalName() const
{
    return QStringLiteral("Ctrl+C");
}

void Interruption::endAsAsked() const
{
    std::_Exit(EXIT_FAILURE);
}

} // namespace qm
