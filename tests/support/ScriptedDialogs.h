#pragma once

#include "panel/transfer/SetupDialogs.h"

#include <QStringList>

namespace qm::test {

// Answers Save and Load Setup's file dialogs with `file` (empty: cancelled) and their question
// with `answer`, noting what was asked; never opens a window.
struct ScriptedDialogs : SetupDialogs
{
    QString file;
    bool answer = true;
    QStringList asked;     // "save" and "open", in order
    QStringList questions; // the texts confirm() was given

    QString saveFileName(QWidget *, const QString &) override
    {
        asked << QStringLiteral("save");
        return file;
    }
    QString openFileName(QWidget *) override
    {
        asked << QStringLiteral("open");
        return file;
    }
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        questions << text;
        return answer;
    }
};

} // namespace qm::test
