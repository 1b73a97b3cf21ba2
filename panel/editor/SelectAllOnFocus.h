#pragma once

#include <QObject>

class QLineEdit;

namespace qm {

// Selects the whole text of a line edit whenever it takes the focus, so that typing replaces
// the line. The selection is made once the focusing event is over: a mouse press would
// otherwise put the cursor at the pointer and drop the selection again.
class SelectAllOnFocus : public QObject
{
    Q_OBJECT
public:
    explicit SelectAllOnFocus(QObject *parent = nullptr);

    void watch(QLineEdit *line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace qm
