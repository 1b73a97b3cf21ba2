// Renders the Update Multiple Channels dialog of both models offscreen into PNG files, as an
// operator meets it on a first run: every channel answering, the default choices.

#include "UnitModel.h"
#include "UpdateDialog.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextStream>

namespace {

bool render(const qm::UnitModel &model, const QString &fileName, const QDir &out)
{
    qm::UpdateDialog dialog(model, qm::ChannelCount, 4095, 2046);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;
    const QString path = out.filePath(fileName);
    if (!dialog.grab().save(path))
        return false;
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool saved = render(qm::qm410a(), QStringLiteral("qm410a-update-dialog.png"), out) &&
                       render(qm::qm520a(), QStringLiteral("qm520a-update-dialog.png"), out);
    return saved ? 0 : 1;
}
