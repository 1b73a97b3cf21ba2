#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QPointer>

class QLabel;
class QWidget;

namespace qm {

// Tells the operator, in the window and without a message box, that the line to the unit was
// lost and which settings did not reach it. It takes the connecting panel's place, moves no
// control, and goes when clicked or when a new poll begins.
class LinkNotice : public QObject
{
    Q_OBJECT
public:
    // Shown over `place`'s area, in the same parent; `place` itself is left alone.
    explicit LinkNotice(QWidget &place, QObject *parent = nullptr);

    // "channel 3: Blank, Text 1; channel 5: Time font": the settings the frames carried, by
    // channel as the operator counts them. Requests and what cannot be read are left out.
    static QString describe(const QByteArrayList &frames);

    void noteDropped(const QByteArrayList &frames);
    void noteLineLost();
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show();

    QWidget &m_place;
    QPointer<QLabel> m_label;
    QByteArrayList m_dropped;
    bool m_lineLost = false;
};

} // namespace qm
