#pragma once

#include <QByteArrayList>
#include <QObject>

namespace qm {

class OperatorNotice;

// Tells the operator, through the window's notice, that the line to the unit was lost and
// which settings did not reach it; what it says grows as more is dropped, and is forgotten
// when a new poll begins.
class LinkNotice : public QObject
{
    Q_OBJECT
public:
    explicit LinkNotice(OperatorNotice &notice, QObject *parent = nullptr);

    // "channel 3: Blank, Text 1; channel 5: Time font": the settings the frames carried, by
    // channel as the operator counts them. Requests and what cannot be read are left out.
    static QString describe(const QByteArrayList &frames);

    void noteDropped(const QByteArrayList &frames);
    void noteLineLost();
    void clear();

private:
    void show();

    OperatorNotice &m_notice;
    QByteArrayList m_dropped;
    bool m_lineLost = false;
};

} // namespace qm
