#include "view/AppListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<CatalogApp> apps(const QStringList &ids)
{
    QList<CatalogApp> list;
    for (const QString &id : ids) {
        CatalogApp app;
        app.id = id;
        app.name = id;
        list.append(app);
    }
    return list;
}

QStringList ids(const AppListModel &model)
{
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list << model.idAt(row);
    return list;
}

} // namespace

class AppListModelTest : public QObject {
    Q_OBJECT

private slots:
    // Each step goes from the list before to the list after; the tester checks every signal.
    void followsTheListWithoutResets_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("inserted");
        QTest::newRow("narrowed") << QStringList{"a", "b", "c", "d", "e"} << QStringList{"b", "d"} << 3 << 0;
        QTest::newRow("widened") << QStringList{"b", "d"} << QStringList{"a", "b", "c", "d", "e"} << 0 << 3;
        QTest::newRow("mixed") << QStringList{"a", "c", "e"} << QStringList{"b", "c", "d"} << 2 << 2;
        QTest::newRow("emptied") << QStringList{"a", "b"} << QStringList{} << 1 << 0;
        QTest::newRow("filled") << QStringList{} << QStringList{"a", "b"} << 0 << 1;
    }
    void followsTheListWithoutResets()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        AppListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setAppList(apps(before));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.setAppList(apps(after));
        QCOMPARE(ids(model), after);
        QTEST(int(removed.count()), "removed");
        QTEST(int(inserted.count()), "inserted");
        QCOMPARE(reset.count(), 0);
    }

    void reorderedListIsRebuilt()
    {
        AppListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setAppList(apps({"a", "b", "c"}));
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.setAppList(apps({"c", "a", "b"}));
        QCOMPARE(ids(model), QStringList({"c", "a", "b"}));
        QCOMPARE(reset.count(), 1);
    }

    void changedAppIsUpdatedInPlace()
    {
        AppListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QList<CatalogApp> list = apps({"a", "b"});
        model.setAppList(list);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        list[1].version = QStringLiteral("2.0");
        model.setAppList(list);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(model.data(model.index(1), AppListModel::AppRole).value<CatalogApp>().version, QStringLiteral("2.0"));
    }

    void selectedRowFollowsBothListAndSelection()
    {
        AppListModel model;
        model.setAppList(apps({"a", "b", "c"}));
        QSignalSpy rowChanged(&model, &AppListModel::selectedRowChanged);
        model.setSelectedID(QStringLiteral("c"));
        QCOMPARE(model.selectedRow(), 2);
        model.setAppList(apps({"b", "c"}));
        QCOMPARE(model.selectedRow(), 1);
        model.setAppList(apps({"a"}));
        QCOMPARE(model.selectedRow(), -1);  // selected but not shown
        model.setSelectedID(QString());
        QCOMPARE(model.selectedRow(), -1);
        QCOMPARE(rowChanged.count(), 3);
    }
};

QTEST_GUILESS_MAIN(AppListModelTest)
#include "tst_applistmodel.moc"
