// A small app of the demo maker. The same program goes into every sample bundle; it reads its
// name and version from the bundle it runs from, so each bundle shows its own.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QRegularExpression>

namespace {
// The value after <key>KEY</key> in the bundle's Info.plist (XML form, as the packer writes it).
QString infoValue(const QByteArray &plist, const QString &key)
{
    const QRegularExpression re(QStringLiteral("<key>%1</key>\\s*<string>([^<]*)</string>")
                                    .arg(QRegularExpression::escape(key)));
    return re.match(QString::fromUtf8(plist)).captured(1);
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    // <bundle>/Contents/MacOS/<program> -> <bundle>/Contents/Info.plist
    const QString contents = QFileInfo(QCoreApplication::applicationDirPath()).absolutePath();
    QFile info(contents + QStringLiteral("/Info.plist"));
    const QByteArray plist = info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
    const QString name = infoValue(plist, QStringLiteral("CFBundleName"));
    const QString version = infoValue(plist, QStringLiteral("CFBundleShortVersionString"));

    QQmlApplicationEngine engine;
    engine.setInitialProperties({{QStringLiteral("appName"), name.isEmpty() ? QStringLiteral("Sample") : name},
                                 {QStringLiteral("appVersion"), version}});
    engine.loadData(R"(
        import QtQuick
        import QtQuick.Controls
        ApplicationWindow {
            required property string appName
            required property string appVersion
            title: appName
            width: 420; height: 260; visible: true
            Column {
                anchors.centerIn: parent
                spacing: 8
                Label { anchors.horizontalCenter: parent.horizontalCenter; text: appName; font.pixelSize: 28; font.bold: true }
                Label { anchors.horizontalCenter: parent.horizontalCenter; text: "Version " + appVersion; opacity: 0.7 }
                Label { anchors.horizontalCenter: parent.horizontalCenter; text: "A Veltrane sample app"; opacity: 0.5 }
                Button { anchors.horizontalCenter: parent.horizontalCenter; text: "Quit"; onClicked: Qt.quit() }
            }
        }
    )");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
