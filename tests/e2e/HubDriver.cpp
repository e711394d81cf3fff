#include "HubDriver.h"

#include <QDir>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <functional>

namespace {

bool isShown(const QQuickItem *item)
{
    return item->isVisible() && item->opacity() > 0 && item->width() > 0 && item->height() > 0;
}

// Depth-first over the visual tree, skipping what is hidden; stops at the first match.
QQuickItem *findShown(QQuickItem *root, const std::function<bool(QQuickItem *)> &matches)
{
    if (!root || !root->isVisible())
        return nullptr;
    if (isShown(root) && matches(root))
        return root;
    const auto children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findShown(child, matches))
            return found;
    }
    return nullptr;
}

// What the user sees of it: faded in or out with its parents.
qreal effectiveOpacity(const QQuickItem *item)
{
    qreal opacity = 1;
    for (; item; item = item->parentItem())
        opacity *= item->opacity();
    return opacity;
}

QString shownText(const QQuickItem *item)
{
    return item->inherits("QQuickText") ? item->property("text").toString() : QString();
}

} // namespace

QQuickItem *HubDriver::item(const QString &objectName) const
{
    return findShown(m_window->contentItem(), [&](QQuickItem *i) { return i->objectName() == objectName; });
}

QQuickItem *HubDriver::text(const QString &text, QQuickItem *within) const
{
    return findShown(within ? within : m_window->contentItem(),
                     [&](QQuickItem *i) { return shownText(i) == text && effectiveOpacity(i) > 0.99; });
}

QQuickItem *HubDriver::card(const QString &name) const
{
    QQuickItem *grid = item(QStringLiteral("grid"));
    const int count = grid ? grid->property("count").toInt() : 0;
    for (int index = 0; index < count; ++index) {
        QQuickItem *cell = nullptr;
        QMetaObject::invokeMethod(grid, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, cell), Q_ARG(int, index));
        if (cell && text(name, cell))
            return cell;
    }
    return nullptr;
}

QString HubDriver::firstText(QQuickItem *within) const
{
    const QQuickItem *found = findShown(within, [](QQuickItem *i) { return !shownText(i).isEmpty(); });
    return found ? shownText(found) : QString();
}

bool HubDriver::click(QQuickItem *item) const
{
    if (!item)
        return false;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

bool HubDriver::activate() const
{
    m_window->requestActivate();
    return QTest::qWaitForWindowActive(m_window);
}

void HubDriver::type(const QString &text) const
{
    // QTest types whole strings into widgets only; a window gets them a key at a time.
    for (const char key : text.toLatin1())
        QTest::keyClick(m_window, key);
}

void HubDriver::press(int key, int modifiers) const
{
    QTest::keyClick(m_window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
}

bool HubDriver::shoot(const QString &name, bool wholeScreen) const
{
    const QString folder = QStringLiteral(E2E_ARTIFACTS);
    QDir().mkpath(folder);
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (wholeScreen)
        return QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file}) == 0;
    return m_window->grabWindow().save(file);
}
