// Reads arbitrary bytes as a setup file or settings.txt and checks the round trip: a file that
// is read, written again in its own form and read back, gives the same setup.

#include "protocol/SettingsTxt.h"
#include "protocol/SetupFile.h"
#include "tests/fuzz/FuzzInput.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdlib>

using namespace qm;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameSetup(const Setup &a, const Setup &b)
{
    if (a.model != b.model || a.present != b.present || a.fields != b.fields)
        return false;
    for (int index : a.present) {
        for (Field field : a.fields) {
            if (a.channels[index][field] != b.channels[index][field])
                return false;
        }
        if (a.channels[index].texts != b.channels[index].texts)
            return false;
    }
    return true;
}

// A settings.txt whose Windows-1252 bytes beyond ASCII all form UTF-8 is read as one saved
// again as UTF-8, which is what such a file far more likely is: its texts cannot make the trip.
bool readsAsUtf8(const QByteArray &contents)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = decoder(contents); // decoding is lazy
    return !decoder.hasError() &&
           std::any_of(contents.begin(), contents.end(), [](char c) { return (c & 0x80) != 0; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const fuzz::SetupInput input = fuzz::SetupInput::read(data, size);
    const SetupReadResult first = parseSetup(input.contents, QStringLiteral("f"), *input.model);
    check(first.setup.has_value() == first.error.isEmpty());
    if (!first.setup)
        return 0;
    const Setup &setup = *first.setup;
    const bool fromJson = setup.fields == input.model->recordFields;
    const QByteArray written =
        fromJson ? setupJson(setup) : exportContents(*input.model, setup.channels);
    if (!fromJson && readsAsUtf8(written))
        return 0;
    const SetupReadResult again = parseSetup(written, QStringLiteral("f"), *input.model);
    check(again.setup.has_value());
    check(sameSetup(setup, *again.setup));
    return 0;
}
