#include "ListCtrlWrp.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

class TestListTable : public QObject {
    Q_OBJECT

    static QString Cell(QTableWidget& t, int r, int c) {
        return t.item(r, c) ? t.item(r, c)->text() : "<none>";
    }

  private slots:
    void columnsReachTheControlOnlyAtCreateColumns() {
        QTableWidget list;
        CListCtrlWrp wrp(&list, 3, 10, 64);
        QVERIFY(wrp.SetColumn(0, "Date", 100));
        QVERIFY(wrp.SetColumn(2, "Max", 70));
        QVERIFY(!wrp.SetColumn(3, "none", 10));
        QCOMPARE(list.columnCount(), 0);
        wrp.CreateColumns();
        QCOMPARE(list.columnCount(), 3);
        QCOMPARE(list.horizontalHeaderItem(0)->text(), QString("Date"));
        QCOMPARE(list.horizontalHeaderItem(1)->text(), QString());
        QCOMPARE(list.columnWidth(0), 100);
        QCOMPARE(list.columnWidth(1), 50); // never set
        QCOMPARE(list.columnWidth(2), 70);
        QVERIFY(list.horizontalHeaderItem(0)->textAlignment() & Qt::AlignHCenter);
        QVERIFY(list.horizontalHeaderItem(1)->textAlignment() & Qt::AlignLeft);
        wrp.FillList();
        QCOMPARE(list.rowCount(), 0);
    }

    void rowsBetweenSetRowsKeepTheirOldTexts() {
        QTableWidget list;
        CListCtrlWrp wrp(&list, 2, 10, 64);
        wrp.CreateColumns();
        QVERIFY(wrp.SetCell(1, 0, "old 1"));
        QVERIFY(wrp.SetCell(1, 1, "old 1b"));
        wrp.FillList();
        QCOMPARE(list.rowCount(), 2);
        wrp.ClearList();
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(wrp.GetRowCount(), 0);
        QVERIFY(wrp.SetCell(0, 0, "zero"));
        QVERIFY(wrp.SetCell(3, 1, "three"));
        wrp.FillList();
        QCOMPARE(list.rowCount(), 4);
        QCOMPARE(Cell(list, 0, 0), QString("zero"));
        QCOMPARE(Cell(list, 1, 0), QString("old 1"));
        QCOMPARE(Cell(list, 1, 1), QString("old 1b"));
        QCOMPARE(Cell(list, 2, 0), QString());
        QCOMPARE(Cell(list, 3, 1), QString("three"));
    }

    void refusesCellsOutsideTheTable() {
        QTableWidget list;
        CListCtrlWrp wrp(&list, 7, 10, 64);
        wrp.CreateColumns();
        QVERIFY(wrp.SetCell(2, 6, "x"));
        QVERIFY(!wrp.SetCell(10, 0, "x"));
        QVERIFY(!wrp.SetCell(0, 7, "x"));
        QCOMPARE(wrp.GetRowCount(), 3);
        wrp.FillList();
        QCOMPARE(list.rowCount(), 3);
    }

    void longTextsAreCutToTheCell() {
        QTableWidget list;
        CListCtrlWrp wrp(&list, 1, 1, 64);
        wrp.CreateColumns();
        const QString text(70, QChar('a'));
        QVERIFY(wrp.SetCell(0, 0, text));
        wrp.FillList();
        QCOMPARE(Cell(list, 0, 0), QString(63, QChar('a')));
        QVERIFY(wrp.SetCell(0, 0, QString(63, QChar('b'))));
        wrp.FillList();
        QCOMPARE(Cell(list, 0, 0).size(), 63);
    }
};

QTEST_MAIN(TestListTable)
#include "test_list_table.moc"
