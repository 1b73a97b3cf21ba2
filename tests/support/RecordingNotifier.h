#pragma once

#include "panel/window/Notifier.h"

#include <QStringList>

namespace qm::test {

// Keeps every message instead of showing a box.
class RecordingNotifier : public Notifier
{
public:
    QStringList titles;
    QStringList texts;

    void tell(const QString &title, const QString &text) override
    {
        titles << title;
        texts << text;
    }
};

} // namespace qm::test
