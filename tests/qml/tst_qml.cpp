#include "TestHarness.h"
#include "view/ForeignTypes.h"
#include "view/ViewSetup.h"

#include <QQmlEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Veltrane_HubPlugin)

// Builds the real store (over a fake catalogue service) and coordinator once, and hands them
// to every test file's engine the way the program does.
class Setup : public QObject {
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        QQuickStyle::setStyle(QStringLiteral("Basic"));
        ViewSetup::loadFonts();
        m_harness = std::make_unique<TestHarness>();
        CatalogStoreSingleton::install(&m_harness->store());
        UpdateCoordinatorSingleton::install(&m_harness->updates());
        qmlRegisterSingletonInstance("Veltrane.Hub.Testing", 1, 0, "Harness", m_harness.get());
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        ViewSetup::prepare(*engine);
        connect(engine, &QQmlEngine::quit, m_harness.get(), &TestHarness::countQuitRequest);
    }
    void cleanupTestCase() { m_harness.reset(); }

private:
    std::unique_ptr<TestHarness> m_harness;
};

QUICK_TEST_MAIN_WITH_SETUP(views, Setup)

#include "tst_qml.moc"
