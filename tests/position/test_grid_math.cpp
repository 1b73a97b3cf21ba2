#include "position/GridMath.h"

#include <QSet>
#include <QTest>

using namespace qm;

class TestGridMath : public QObject
{
    Q_OBJECT
private slots:
    void pixelsGivePositionsAtEachResolution();
    void markerStandsOnItsPositionAndReadOutFlipsNearTheFarEdges();
};

const QSizeF GridSize(2385, 1545);
const QRect Grid(660, 390, 2385, 1545);

void TestGridMath::pixelsGivePositionsAtEachResolution()
{
    auto at = [](double x, double y, double twipsPerPixel) {
        const GridPosition p = positionAt(pixelsToTwips({x, y}, twipsPerPixel), GridSize);
        return QPoint(p.horiz, p.vert);
    };
    QCOMPARE(at(0, 0, 15), QPoint(1, 1));
    QCOMPARE(at(158, 102, 15), QPoint(188, 58));
    QCOMPARE(at(238, 154, 10), QPoint(189, 59)); // last pixel of a 238.5 x 154.5 pixel grid
    QCOMPARE(at(198, 128, 12), QPoint(188, 59));

    QSet<int> columns, rows;
    for (int x = 0; x < 159; ++x)
        columns << at(x, 0, 15).x();
    for (int y = 0; y < 103; ++y)
        rows << at(0, y, 15).y();
    QCOMPARE(columns.size(), 188 - 29);
    QVERIFY(!columns.contains(4));
    QCOMPARE(rows.size(), 58);
}

void TestGridMath::markerStandsOnItsPositionAndReadOutFlipsNearTheFarEdges()
{
    QCOMPARE(markerOffset(1, 1, GridSize.toSize()), QPoint(13, 27));
    QCOMPARE(markerOffset(188, 58, GridSize.toSize()), QPoint(2385, 1545));
    QCOMPARE(markerTopLeft(63, 63, Grid, {180, 180}).y(), 390 - 90 + 1678); // below the grid
    QCOMPARE(readOutTopLeft({1685, 1145}, Grid), QPoint(660 + 1685 + 75, 390 + 1145 + 75));
    QCOMPARE(readOutTopLeft({1686, 1146}, Grid), QPoint(660 + 1686 - 600, 390 + 1146 - 275));
    QCOMPARE(readOutTopLeft({0, 1545}, Grid), QPoint(660 + 75, 390 + 1545 - 275));
}

QTEST_GUILESS_MAIN(TestGridMath)
#include "test_grid_math.moc"
