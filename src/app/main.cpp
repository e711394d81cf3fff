#include <QGuiApplication>
#include <QQmlApplicationEngine>

// Placeholder window until the views exist.
int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane Hub"));
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        Window { title: "Veltrane Hub"; width: 1080; height: 720; visible: true }
    )");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
