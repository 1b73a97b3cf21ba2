#pragma once

#include "panel/window/MessageBoxes.h"

#include <QStringList>

namespace qm::test {

// Keeps every message instead of showing a box.
class RecordingMessageBoxes : public MessageBoxes
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
