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
    QList<bool> warnings; // by message: shown as a warning

    void tell(const QString &title, const QString &text) override { keep(title, text, false); }
    void warn(const QString &title, const QString &text) override { keep(title, text, true); }

private:
    void keep(const QString &title, const QString &text, bool warning)
    {
        titles << title;
        texts << text;
        warnings << warning;
    }
};

} // namespace qm::test
