// Writes a starting corpus for fuzz_setup_file into the folder given: setup files of both
// models, of every channel and of some, and a QM-520A settings.txt, with texts that hold the
// characters a file must escape or the code page keeps apart, and one as long as a line.

#include "protocol/SettingsTxt.h"
#include "protocol/SetupFile.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/SeedFolder.h"

using namespace qm;

namespace {

ChannelTable sampleTable(const UnitModel &model)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelTable::size(); ++channel) {
        for (Field field : model.recordFields)
            table[channel][field] = static_cast<quint8>((channel + static_cast<int>(field)) %
                                                        (model.maximum(field) + 1));
        table[channel].texts = {QStringLiteral("CAM %1").arg(channel + 1),
                                QStringLiteral("caf\u00E9 \"{}\\"),
                                QString(QChar(0)) + QStringLiteral("\t x ")};
    }
    table[11].texts[0] = QStringLiteral("abcdefghijklmnopqrstuvwxyz\u00FA\u00FF 9"); // a full line
    return table;
}

QList<QByteArray> files(const UnitModel &model)
{
    const ChannelTable table = sampleTable(model);
    QList<QByteArray> all{setupJson(Setup::of(model, table, allChannelIndices())),
                          setupJson(Setup::of(model, table, {2, 7}))};
    if (model.exportsSettings())
        all << exportContents(model, table);
    return all;
}

} // namespace

int main(int argc, char *argv[])
{
    QByteArrayList seeds;
    for (bool is520a : {false, true}) {
        for (const QByteArray &file : files(is520a ? qm520a() : qm410a()))
            seeds << fuzz::SetupInput::header(is520a) + file;
    }
    return fuzz::writeSeeds(argc, argv, seeds);
}
