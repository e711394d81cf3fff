#include "view/SymbolNames.h"

#include <QHash>
#include <QStringList>

namespace {

// Symbol name -> icon file (without ".svg"). Category symbols come from the catalogue, so the
// usual ones of every kind of app are listed too.
const QHash<QString, QString> &iconFiles()
{
    static const QHash<QString, QString> files = {
        // The views' own symbols.
        {QStringLiteral("checkmark.circle"), QStringLiteral("circle-check")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("circle-arrow-down")},
        {QStringLiteral("shippingbox"), QStringLiteral("package")},
        {QStringLiteral("internaldrive"), QStringLiteral("hard-drive")},
        {QStringLiteral("externaldrive"), QStringLiteral("hard-drive")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("triangle-alert")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("refresh-cw")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("layout-grid")},
        {QStringLiteral("sparkles"), QStringLiteral("sparkles")},
        {QStringLiteral("tray"), QStringLiteral("inbox")},
        {QStringLiteral("hand.tap"), QStringLiteral("pointer")},
        {QStringLiteral("wifi.exclamationmark"), QStringLiteral("wifi-off")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("rotate-cw")},
        {QStringLiteral("xmark"), QStringLiteral("x")},
        {QStringLiteral("trash"), QStringLiteral("trash-2")},
        {QStringLiteral("arrow.up.forward.app"), QStringLiteral("square-arrow-out-up-right")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("search")},
        {QStringLiteral("ellipsis"), QStringLiteral("ellipsis")},
        {QStringLiteral("ellipsis.vertical"), QStringLiteral("ellipsis-vertical")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron-right")},
        {QStringLiteral("app"), QStringLiteral("app-window")},
        {QStringLiteral("sidebar.left"), QStringLiteral("panel-left")},
        // Categories.
        {QStringLiteral("paintbrush"), QStringLiteral("paintbrush")},
        {QStringLiteral("paintbrush.pointed"), QStringLiteral("paintbrush")},
        {QStringLiteral("paintpalette"), QStringLiteral("palette")},
        {QStringLiteral("pencil"), QStringLiteral("pencil")},
        {QStringLiteral("hammer"), QStringLiteral("hammer")},
        {QStringLiteral("wrench"), QStringLiteral("wrench")},
        {QStringLiteral("wrench.and.screwdriver"), QStringLiteral("wrench")},
        {QStringLiteral("photo"), QStringLiteral("image")},
        {QStringLiteral("photo.on.rectangle"), QStringLiteral("image")},
        {QStringLiteral("camera"), QStringLiteral("camera")},
        {QStringLiteral("film"), QStringLiteral("film")},
        {QStringLiteral("video"), QStringLiteral("video")},
        {QStringLiteral("music.note"), QStringLiteral("music")},
        {QStringLiteral("music.note.list"), QStringLiteral("music")},
        {QStringLiteral("speaker.wave.2"), QStringLiteral("volume-2")},
        {QStringLiteral("waveform"), QStringLiteral("audio-waveform")},
        {QStringLiteral("mic"), QStringLiteral("mic")},
        {QStringLiteral("doc"), QStringLiteral("file")},
        {QStringLiteral("doc.text"), QStringLiteral("file-text")},
        {QStringLiteral("book"), QStringLiteral("book-open")},
        {QStringLiteral("books.vertical"), QStringLiteral("book-open")},
        {QStringLiteral("bookmark"), QStringLiteral("bookmark")},
        {QStringLiteral("textformat"), QStringLiteral("type")},
        {QStringLiteral("list.bullet"), QStringLiteral("list")},
        {QStringLiteral("checklist"), QStringLiteral("list-checks")},
        {QStringLiteral("gearshape"), QStringLiteral("settings")},
        {QStringLiteral("gearshape.2"), QStringLiteral("settings")},
        {QStringLiteral("gear"), QStringLiteral("settings")},
        {QStringLiteral("chart.bar"), QStringLiteral("chart-column")},
        {QStringLiteral("chart.bar.xaxis"), QStringLiteral("chart-column")},
        {QStringLiteral("gamecontroller"), QStringLiteral("gamepad-2")},
        {QStringLiteral("puzzlepiece"), QStringLiteral("puzzle")},
        {QStringLiteral("globe"), QStringLiteral("globe")},
        {QStringLiteral("network"), QStringLiteral("network")},
        {QStringLiteral("link"), QStringLiteral("link")},
        {QStringLiteral("antenna.radiowaves.left.and.right"), QStringLiteral("radio")},
        {QStringLiteral("lock"), QStringLiteral("lock")},
        {QStringLiteral("lock.shield"), QStringLiteral("shield")},
        {QStringLiteral("shield"), QStringLiteral("shield")},
        {QStringLiteral("key"), QStringLiteral("key")},
        {QStringLiteral("terminal"), QStringLiteral("terminal")},
        {QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("code")},
        {QStringLiteral("curlybraces"), QStringLiteral("braces")},
        {QStringLiteral("function"), QStringLiteral("sigma")},
        {QStringLiteral("cpu"), QStringLiteral("cpu")},
        {QStringLiteral("server.rack"), QStringLiteral("server")},
        {QStringLiteral("bolt"), QStringLiteral("zap")},
        {QStringLiteral("heart"), QStringLiteral("heart")},
        {QStringLiteral("star"), QStringLiteral("star")},
        {QStringLiteral("cloud"), QStringLiteral("cloud")},
        {QStringLiteral("envelope"), QStringLiteral("mail")},
        {QStringLiteral("bubble.left"), QStringLiteral("message-circle")},
        {QStringLiteral("bubble.left.and.bubble.right"), QStringLiteral("message-circle")},
        {QStringLiteral("calendar"), QStringLiteral("calendar")},
        {QStringLiteral("clock"), QStringLiteral("clock")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("person"), QStringLiteral("user")},
        {QStringLiteral("person.2"), QStringLiteral("users")},
        {QStringLiteral("keyboard"), QStringLiteral("keyboard")},
        {QStringLiteral("display"), QStringLiteral("monitor")},
        {QStringLiteral("desktopcomputer"), QStringLiteral("monitor")},
        {QStringLiteral("laptopcomputer"), QStringLiteral("laptop")},
        {QStringLiteral("iphone"), QStringLiteral("smartphone")},
        {QStringLiteral("scissors"), QStringLiteral("scissors")},
        {QStringLiteral("cube"), QStringLiteral("box")},
        {QStringLiteral("shippingbox.circle"), QStringLiteral("package")},
        {QStringLiteral("cart"), QStringLiteral("shopping-cart")},
        {QStringLiteral("creditcard"), QStringLiteral("credit-card")},
        {QStringLiteral("map"), QStringLiteral("map")},
        {QStringLiteral("location"), QStringLiteral("map-pin")},
        {QStringLiteral("mappin"), QStringLiteral("map-pin")},
        {QStringLiteral("leaf"), QStringLiteral("leaf")},
        {QStringLiteral("flame"), QStringLiteral("flame")},
        {QStringLiteral("graduationcap"), QStringLiteral("graduation-cap")},
        {QStringLiteral("briefcase"), QStringLiteral("briefcase")},
        {QStringLiteral("square.and.arrow.down"), QStringLiteral("download")},
        {QStringLiteral("info.circle"), QStringLiteral("info")},
        {QStringLiteral("questionmark.circle"), QStringLiteral("circle-help")},
        {QStringLiteral("house"), QStringLiteral("house")},
        {QStringLiteral("sun.max"), QStringLiteral("sun")},
        {QStringLiteral("moon"), QStringLiteral("moon")},
        {QStringLiteral("bell"), QStringLiteral("bell")},
        {QStringLiteral("tag"), QStringLiteral("tag")},
    };
    return files;
}

const QString genericIcon = QStringLiteral("app-window");

// "star.fill" and "folder.circle.fill" are variants of "star" and "folder.circle": drop the
// trailing style words one at a time until a known name remains.
QString knownBase(QString name)
{
    static const QStringList styleSuffixes = {
        QStringLiteral(".fill"), QStringLiteral(".circle"), QStringLiteral(".square"),
        QStringLiteral(".rectangle"), QStringLiteral(".badge"), QStringLiteral(".slash")};
    name = name.trimmed();
    while (!name.isEmpty()) {
        if (iconFiles().contains(name))
            return name;
        bool stripped = false;
        for (const QString &suffix : styleSuffixes) {
            if (name.endsWith(suffix)) {
                name.chop(suffix.size());
                stripped = true;
                break;
            }
        }
        if (!stripped)
            return {};
    }
    return {};
}

} // namespace

namespace SymbolNames {

QString resourceFor(const QString &symbolName)
{
    const QString base = knownBase(symbolName);
    const QString file = base.isEmpty() ? genericIcon : iconFiles().value(base);
    return QStringLiteral(":/icons/lucide/%1.svg").arg(file);
}

bool isKnown(const QString &symbolName) { return !knownBase(symbolName).isEmpty(); }

} // namespace SymbolNames
