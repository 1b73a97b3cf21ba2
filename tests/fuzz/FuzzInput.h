#pragma once

#include "model/UnitModel.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace qm::fuzz {

// How a fuzz input is read: the first byte picks the model (bit 0) and how many piece sizes
// follow (bits 1 to 3); each size byte n stands for a piece of n + 1 bytes, used in turn; the
// rest is the byte stream from the unit.
struct FuzzInput
{
    const UnitModel *model = nullptr;
    QByteArrayView sizes;
    QByteArrayView stream;

    static FuzzInput read(const std::uint8_t *data, std::size_t size)
    {
        FuzzInput input;
        const QByteArrayView all(data, static_cast<qsizetype>(size));
        const std::uint8_t head = size > 0 ? data[0] : 0;
        input.model = (head & 1) != 0 ? &qm520a() : &qm410a();
        const qsizetype sizeCount =
            qMin<qsizetype>((head >> 1) & 7, qMax<qsizetype>(0, all.size() - 1));
        input.sizes = all.sliced(qMin<qsizetype>(1, all.size())).first(sizeCount);
        input.stream = all.sliced(qMin<qsizetype>(1 + sizeCount, all.size()));
        return input;
    }

    static QByteArray header(bool qm520a, QByteArrayView pieceSizes)
    {
        QByteArray bytes;
        bytes += static_cast<char>((qm520a ? 1 : 0) | (pieceSizes.size() << 1));
        bytes += pieceSizes.toByteArray();
        return bytes;
    }
};

// How a setup-file fuzz input is read: the first byte picks the model (bit 0); the rest is the
// file.
struct SetupInput
{
    const UnitModel *model = nullptr;
    QByteArray contents;

    static SetupInput read(const std::uint8_t *data, std::size_t size)
    {
        const QByteArrayView all(data, static_cast<qsizetype>(size));
        const bool is520a = !all.isEmpty() && (data[0] & 1) != 0;
        return {is520a ? &qm520a() : &qm410a(),
                all.sliced(qMin<qsizetype>(1, all.size())).toByteArray()};
    }

    static QByteArray header(bool qm520a) { return QByteArray(1, qm520a ? '\x01' : '\x00'); }
};

} // namespace qm::fuzz
